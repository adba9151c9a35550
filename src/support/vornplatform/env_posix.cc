// POSIX backend of vornplatform: the C library's environ.  Values are bytes,
// so narrow and exact texts are the same.

#include <cstdlib>
#include <cstring>

extern char** environ;

#include "vornplatform/backend.h"

namespace vornplatform::backend {

bool getvar(const std::string& name, std::string& value) {
  value = getexact(name);
  return true;
}

bool setvar(const std::string& name, const std::string& value) { return setexact(name, value); }

std::string getexact(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value == nullptr ? std::string() : std::string(value);
}

bool findexact(const std::string& name, std::string& value) {
  const char* found = std::getenv(name.c_str());
  if (found == nullptr) return false;
  value.assign(found);
  return true;
}

bool setexact(const std::string& name, const std::string& value) {
  if (value.empty()) return ::unsetenv(name.c_str()) == 0;
  return ::setenv(name.c_str(), value.c_str(), 1) == 0;
}

bool putexact(const std::string& name, const std::optional<std::string>& value) {
  if (!value) return ::unsetenv(name.c_str()) == 0;
  return ::setenv(name.c_str(), value->c_str(), 1) == 0;
}

std::string toexact(const std::string& narrow) { return narrow; }

bool held(const std::string&) { return true; }

std::vector<listedvar> listvars() {
  std::vector<listedvar> vars;
  for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
    const char* eq = std::strchr(*e, '=');
    if (eq == nullptr || eq == *e) continue;
    listedvar v;
    v.name.assign(*e, static_cast<std::size_t>(eq - *e));
    v.value.assign(eq + 1);
    vars.push_back(std::move(v));
  }
  return vars;
}

std::string lookupkey(const std::string& name) { return name; }

bool foldsnames() { return false; }

std::vector<std::pair<std::string, std::string>> listexact() {
  std::vector<std::pair<std::string, std::string>> vars;
  for (listedvar& v : listvars()) vars.emplace_back(std::move(v.name), std::move(v.value));
  return vars;
}

std::string exactkey(const std::string& name) { return name; }

// MAX_ARG_STRLEN: the kernel refuses to start a program with a longer
// environment string.
std::size_t longestvalue() { return 131072; }

std::size_t valuelength(std::string_view value) { return value.size(); }

std::size_t exactlength(std::string_view exact) { return exact.size(); }

bool fits(std::size_t namelength, std::size_t valuelength) {
  // "NAME=VALUE" and its NUL; no sum that could wrap.
  const std::size_t longest = longestvalue();
  return namelength <= longest && valuelength <= longest - namelength &&
         longest - namelength - valuelength >= 2;
}

}  // namespace vornplatform::backend
