// POSIX backend of the host: environ, execvp and isatty.

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli/platform.h"
#include "cli/printable.h"
#include "cli/utf.h"

extern char** environ;

namespace vornenv::cli {

std::string envkey(const std::string& name) { return name; }

envmap snapshotenv() {
  envmap vars;
  for (char** p = environ; p != nullptr && *p != nullptr; ++p) {
    const std::string entry(*p);
    const std::size_t eq = entry.find('=');
    if (eq == std::string::npos || eq == 0) continue;
    envvar v{entry.substr(0, eq), entry.substr(eq + 1)};
    // The C library reads the first of two entries of one name.
    vars.emplace(v.name, std::move(v));
  }
  return vars;
}

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

std::optional<std::string> tocmdtext(const std::u16string& text) {
  return utf16to8(text);
}

}  // namespace vornenv::cli
