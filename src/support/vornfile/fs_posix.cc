// POSIX backend of vornfile.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include "vornfile/backend.h"

#ifndef VORNFILE_MULTIARCH
#define VORNFILE_MULTIARCH ""
#endif

namespace vornfile::backend {

namespace {

bool islibraryname(const char* name) {
  const std::size_t n = std::strlen(name);
  if (n >= 3 && std::strcmp(name + n - 3, ".so") == 0) return true;
  return std::strstr(name, ".so.") != nullptr;
}

bool isregular(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

char nativesep() { return '/'; }
char listsep() { return ':'; }

std::size_t splitroot(std::string_view text, std::string& root) {
  std::size_t n = 0;
  while (n < text.size() && (text[n] == '/' || text[n] == '\\')) ++n;
  if (n != 0) root += '/';
  return n;
}

bool qualifiedroot(std::string_view root) { return !root.empty(); }

void fold(char*, char*) {}

bool foldscase() { return false; }

std::size_t significantlength(std::string_view component) { return component.size(); }

bool trimscomponents() { return false; }

bool isdirectory(const char* path) {
  // With a '/' after it, the lookup itself insists on a directory (a link
  // to one counts, as for stat), so an existence test answers; it fills no
  // stat buffer and costs a fifth less than stat.  AT_EACCESS: the ids stat
  // would use.  A long path goes to stat rather than to a larger copy.
  char slashed[512];
  const std::size_t n = std::strlen(path);
  if (n + 2 <= sizeof slashed) {
    std::memcpy(slashed, path, n);
    slashed[n] = '/';
    slashed[n + 1] = '\0';
    return ::faccessat(AT_FDCWD, slashed, F_OK, AT_EACCESS) == 0;
  }
  struct stat st;
  return ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<std::string> listlibraries(const std::string& dir) {
  std::vector<std::string> out;
  std::unique_ptr<DIR, int (*)(DIR*)> d(::opendir(dir.c_str()), ::closedir);
  if (!d) return out;
  std::string path = dir;
  if (path.empty() || path.back() != '/') path += '/';
  const std::size_t base = path.size();
  while (const dirent* e = ::readdir(d.get())) {
    if (!islibraryname(e->d_name)) continue;
    // Links count when they lead to a regular file, so stat, not d_type.
    path.resize(base);
    path += e->d_name;
    if (e->d_type == DT_REG || isregular(path)) out.emplace_back(e->d_name);
  }
  return out;
}

std::vector<std::string> systemdirs() {
  // The dynamic loader's default search, Debian's multiarch folders first.
  const std::string multiarch = VORNFILE_MULTIARCH;
  std::vector<std::string> candidates;
  if (!multiarch.empty()) {
    candidates.push_back("/lib/" + multiarch);
    candidates.push_back("/usr/lib/" + multiarch);
  }
  for (const char* dir : {"/lib64", "/usr/lib64", "/lib", "/usr/lib"}) {
    candidates.emplace_back(dir);
  }
  std::vector<std::string> out;
  for (std::string& dir : candidates) {
    if (isdirectory(dir.c_str())) out.push_back(std::move(dir));
  }
  return out;
}

}  // namespace vornfile::backend
