// POSIX backend of the host: environ, execvp and isatty.

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

std::optional<std::string> tocmdtext(const std::u16string& text) {
  return utf16to8(text);
}

}  // namespace vornenv::cli
