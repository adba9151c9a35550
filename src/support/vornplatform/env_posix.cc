// POSIX backend of vornplatform: the C library's environ.

#include <cstdlib>

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

}  // namespace vornplatform::backend
