// Windows backend of vornplatform: the process environment block, which
// child processes inherit.  The C runtime keeps its own copy (getenv,
// _putenv) that CreateProcess never sees, so it is not used.

#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "vornplatform/backend.h"

namespace vornplatform::backend {

std::string getvar(const std::string& name) {
  std::string value(256, '\0');
  for (;;) {
    const DWORD n = ::GetEnvironmentVariableA(name.c_str(), value.data(),
                                              static_cast<DWORD>(value.size()));
    // 0 means not set (or set to nothing, which reads the same).
    if (n == 0) return std::string();
    if (n < value.size()) {
      value.resize(n);
      return value;
    }
    // Too small: n is the size needed, terminating NUL included.  Loop, as
    // another thread may have changed the value in between.
    value.resize(n);
  }
}

bool setvar(const std::string& name, const std::string& value) {
  // Windows itself accepts names starting with '=' (its hidden per-drive
  // directories); the library refuses every name holding '=' on every
  // platform.
  if (name.empty() || name.find('=') != std::string::npos) return false;
  if (value.empty()) {
    // Removing a variable that is not set is no failure.
    return ::SetEnvironmentVariableA(name.c_str(), nullptr) != 0 ||
           ::GetLastError() == ERROR_ENVVAR_NOT_FOUND;
  }
  return ::SetEnvironmentVariableA(name.c_str(), value.c_str()) != 0;
}

}  // namespace vornplatform::backend
