// POSIX backend of vornplatform: the C library's environ.

#include <cstdlib>
#include <cstring>

extern char** environ;

#include "vornplatform/backend.h"

namespace vornplatform::backend {

std::string getvar(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value == nullptr ? std::string() : std::string(value);
}

bool setvar(const std::string& name, const std::string& value) {
  if (value.empty()) return ::unsetenv(name.c_str()) == 0;
  return ::setenv(name.c_str(), value.c_str(), 1) == 0;
}

std::vector<std::pair<std::string, std::string>> listvars() {
  std::vector<std::pair<std::string, std::string>> vars;
  for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
    const char* eq = std::strchr(*e, '=');
    if (eq == nullptr || eq == *e) continue;
    vars.emplace_back(std::string(*e, static_cast<std::size_t>(eq - *e)), std::string(eq + 1));
  }
  return vars;
}

std::string lookupkey(const std::string& name) { return name; }

bool foldsnames() { return false; }

// MAX_ARG_STRLEN: the kernel refuses to start a program with a longer
// environment string.
std::size_t longestvalue() { return 131072; }

std::size_t valuelength(std::string_view value) { return value.size(); }

}  // namespace vornplatform::backend
