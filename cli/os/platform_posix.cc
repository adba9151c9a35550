// POSIX backend of the host: environ, execvp and isatty.

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

#include "cli/os/errors.h"
#include "cli/os/platform.h"
#include "cli/os/printable.h"
#include "cli/os/utf.h"

namespace vornenv::cli {

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

std::optional<std::string> readstandardinput(std::string& reason) {
  std::string text;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n == 0) return text;
    if (n > 0) {
      text.append(buffer, static_cast<std::size_t>(n));
    } else if (errno != EINTR) {
      reason = std::strerror(errno);
      return std::nullopt;
    }
  }
}

const char* defaultformat() { return "sh"; }

bool msysshell() { return false; }

std::optional<std::string> tocmdtext(const std::u16string& text) { return utf16to8(text); }

}  // namespace vornenv::cli

// --- Files and folders ---

namespace vornenv::cli {

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

bool loadersearchespath() { return false; }

std::size_t rootlength(const std::string& path) { return !path.empty() && path[0] == '/' ? 1 : 0; }

std::optional<std::string> filestamp(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec) + "." +
         std::to_string(st.st_size) + "." + std::to_string(st.st_ino);
}

bool markfiletime(const std::string& path, const std::string& mark) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  struct timespec now;
  ::clock_gettime(CLOCK_REALTIME, &now);
  if (st.st_mtim.tv_sec >= now.tv_sec - 1) return false;
  struct stat held;
  if (::lstat(mark.c_str(), &held) == 0 && S_ISREG(held.st_mode) &&
      held.st_mtim.tv_sec == st.st_mtim.tv_sec && held.st_mtim.tv_nsec == st.st_mtim.tv_nsec) {
    return true;
  }
  const int fd = ::open(mark.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  const bool ok = ::futimens(fd, times) == 0;
  ::close(fd);
  return ok;
}

void pruneolderthan(const std::string& dir, int days) {
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return;
  const std::time_t cut = std::time(nullptr) - static_cast<std::time_t>(days) * 86400;
  while (const struct dirent* e = ::readdir(d)) {
    const std::string path = dir + '/' + e->d_name;
    struct stat st;
    // The change time is when the mark was made: its modification time is
    // the marked file's.
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_ctime < cut) {
      ::unlink(path.c_str());
    }
  }
  ::closedir(d);
}

std::string userdatadir() {
  if (auto xdg = getenvexact("XDG_DATA_HOME"); xdg && !xdg->empty() && (*xdg)[0] == '/') {
    return *xdg + "/vornenv";
  }
  // A relative HOME would let the working directory, a project's folder,
  // hold the list of the files the hook trusts.
  auto home = getenvexact("HOME");
  if (!home || home->empty() || (*home)[0] != '/') {
    throw failure("neither XDG_DATA_HOME nor HOME is set to an absolute path");
  }
  return *home + "/.local/share/vornenv";
}

std::vector<std::string> userdatavariables() { return {"XDG_DATA_HOME", "HOME"}; }

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

openedfile openforreading(const std::string& path) {
  openedfile opened;
  opened.file.reset(std::fopen(path.c_str(), "rb"));
  if (!opened.file) opened.reason = std::strerror(errno);
  return opened;
}

namespace {

// Closes a descriptor when it goes out of scope.
class owneddescriptor {
 public:
  explicit owneddescriptor(int fd) : fd_(fd) {}
  ~owneddescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  owneddescriptor(const owneddescriptor&) = delete;
  owneddescriptor& operator=(const owneddescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

boundedfile readregularfile(const std::string& path, std::size_t limit) {
  boundedfile read;
  // Without O_NONBLOCK, opening a FIFO would wait for a writer.
  const owneddescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (fd.get() < 0) {
    read.outcome = errno == ENOENT || errno == ENOTDIR ? boundedfile::status::missing
                                                       : boundedfile::status::unreadable;
    read.reason = std::strerror(errno);
    return read;
  }
  struct stat st;
  if (::fstat(fd.get(), &st) != 0) {
    read.reason = std::strerror(errno);
    return read;
  }
  if (!S_ISREG(st.st_mode)) {
    read.outcome = boundedfile::status::notregular;
    return read;
  }
  read.size = static_cast<std::uint64_t>(st.st_size);
  if (read.size > limit) {
    read.outcome = boundedfile::status::toolarge;
    return read;
  }
  // The size the fstat gave, and room to see the file grow past it; it may
  // grow up to one byte past the limit, which tells.
  read.bytes.resize(static_cast<std::size_t>(read.size) + 1);
  std::size_t got = 0;
  while (got <= limit) {
    if (got == read.bytes.size()) read.bytes.resize(std::min(limit + 1, 2 * got));
    const ssize_t n = ::read(fd.get(), &read.bytes[got], read.bytes.size() - got);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      read.reason = std::strerror(errno);
      read.bytes.clear();
      return read;
    }
    got += static_cast<std::size_t>(n);
  }
  if (got > limit) {
    read.outcome = boundedfile::status::toolarge;
    read.size = got;
    read.bytes.clear();
    return read;
  }
  read.bytes.resize(got);
  read.size = got;
  read.outcome = boundedfile::status::ok;
  return read;
}

std::optional<std::string> resolvedir(const std::string& dir) {
  std::unique_ptr<char, void (*)(void*)> resolved(::realpath(dir.c_str(), nullptr), std::free);
  if (!resolved) return std::nullopt;
  struct stat st;
  if (::stat(resolved.get(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
  return std::string(resolved.get());
}

std::string storedname(const std::string&, const std::string& name) { return name; }

std::string pathkey(const std::string& path) { return path; }

std::optional<bool> regularfileat(const std::string& path, std::string& reason) {
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) return S_ISREG(st.st_mode);
  if (errno == ENOENT || errno == ENOTDIR) return false;
  reason = std::strerror(errno);
  return std::nullopt;
}

filelock::filelock(const std::string& path)
    : handle_(::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600)) {
  if (handle_ < 0) {
    throw failure("cannot open the lock " + printable(path) + ": " + std::strerror(errno));
  }
  const int fd = static_cast<int>(handle_);
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    const int err = errno;
    ::close(fd);
    throw failure("cannot lock " + printable(path) + ": " + std::strerror(err));
  }
}

filelock::~filelock() { ::close(static_cast<int>(handle_)); }

bool replacefile(const std::string& path, const std::string& text) {
  // A name of this write's own, made afresh, never followed: whatever
  // stands at a name tried already (a link planted there, say) is left
  // alone.  The text is written whole, flushed to the disk and then put in
  // place in one rename, so a reader never sees half of it.
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  std::string temporary;
  int opened = -1;
  for (int attempt = 0; attempt < 100 && opened < 0; ++attempt) {
    temporary = path + ".new" + std::to_string(::getpid()) + "." + std::to_string(now.tv_nsec) +
                "." + std::to_string(attempt);
    opened = ::open(temporary.c_str(),
                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
    if (opened < 0 && errno != EEXIST) return false;
  }
  const owneddescriptor fd(opened);
  if (fd.get() < 0) return false;
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd.get(), text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ::unlink(temporary.c_str());
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd.get()) != 0 || std::rename(temporary.c_str(), path.c_str()) != 0) {
    ::unlink(temporary.c_str());
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
