// POSIX backend of the host: environ, execvp and isatty.

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "cli/errors.h"
#include "cli/platform.h"
#include "cli/printable.h"
#include "cli/utf.h"

namespace vornenv::cli {

bool setenvexact(const std::string& name, const std::optional<std::string>& value) {
  if (!value) return ::unsetenv(name.c_str()) == 0;
  return ::setenv(name.c_str(), value->c_str(), 1) == 0;
}

runresult runcommand(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::fflush(nullptr);
  ::execvp(args[0], args.data());
  // Only reached when the command could not replace this process; env(1)
  // tells "not found" from "not runnable" the same way.
  const int err = errno;
  return {err == ENOENT || err == ENOTDIR ? 127 : 126,
          "cannot run '" + printable(argv[0]) + "': " + std::strerror(err)};
}

bool colourterminal() { return ::isatty(STDOUT_FILENO) == 1; }

void setbinaryoutput() {}

const char* defaultformat() { return "sh"; }

std::optional<std::string> tocmdtext(const std::u16string& text) { return utf16to8(text); }

}  // namespace vornenv::cli

// --- Files and folders ---

namespace vornenv::cli {

std::optional<std::string> getenvexact(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

std::string currentdir() {
  std::string buffer(256, '\0');
  while (::getcwd(&buffer[0], buffer.size()) == nullptr) {
    if (errno != ERANGE)
      throw failure(std::string("cannot read the working directory: ") + std::strerror(errno));
    buffer.resize(buffer.size() * 2);
  }
  buffer.resize(std::strlen(buffer.c_str()));
  return buffer;
}

std::string absolutepath(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  std::string dir = currentdir();
  if (dir.back() != '/') dir += '/';
  return dir + path;
}

const char* dirseparators() { return "/"; }

std::optional<std::string> filestamp(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec) + "." +
         std::to_string(st.st_size) + "." + std::to_string(st.st_ino);
}

std::string userdatadir() {
  if (auto xdg = getenvexact("XDG_DATA_HOME"); xdg && !xdg->empty() && (*xdg)[0] == '/') {
    return *xdg + "/vornenv";
  }
  auto home = getenvexact("HOME");
  if (!home || home->empty()) throw failure("neither XDG_DATA_HOME nor HOME is set");
  return *home + "/.local/share/vornenv";
}

bool makedirs(const std::string& path) {
  for (std::size_t pos = 1; pos <= path.size(); ++pos) {
    if (pos != path.size() && path[pos] != '/') continue;
    const std::string part = path.substr(0, pos);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return true;
}

std::optional<std::string> readwholefile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return text.str();
}

bool replacefile(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".new" + std::to_string(::getpid());
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    out.flush();
    if (!out) {
      std::remove(temporary.c_str());
      return false;
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

std::string selfpath() {
  std::string buffer(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", &buffer[0], buffer.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) return "vornenv";
  buffer.resize(static_cast<std::size_t>(n));
  return buffer;
}

}  // namespace vornenv::cli
