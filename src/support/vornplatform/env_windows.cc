// Windows backend of vornplatform: the process environment block, which
// child processes inherit.  The C runtime keeps its own copy (getenv,
// _putenv) that CreateProcess never sees, so it is not used.

#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstring>
#include <memory>

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

std::vector<std::pair<std::string, std::string>> listvars() {
  std::vector<std::pair<std::string, std::string>> vars;
  std::unique_ptr<char, BOOL (*)(LPCH)> block(::GetEnvironmentStringsA(),
                                              ::FreeEnvironmentStringsA);
  if (!block) return vars;
  for (const char* p = block.get(); *p != '\0'; p += std::strlen(p) + 1) {
    // "=C:=C:\dir" entries keep the current directory of each drive; they
    // have no name of their own.
    if (*p == '=') continue;
    const char* eq = std::strchr(p, '=');
    if (eq == nullptr) continue;
    vars.emplace_back(std::string(p, static_cast<std::size_t>(eq - p)), std::string(eq + 1));
  }
  return vars;
}

// Windows matches variable names without regard to letter case.
std::string lookupkey(const std::string& name) {
  std::string key = name;
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

bool foldsnames() { return true; }

// A variable holds at most 32,767 UTF-16 characters, the narrow text being
// in the ANSI code page.
std::size_t longestvalue() { return 32767; }

std::size_t valuelength(std::string_view value) {
  // Past what one call can count, a text is far too long anyway.
  if (value.empty() || value.size() > 0x7FFFFFFF) return value.size();
  return static_cast<std::size_t>(::MultiByteToWideChar(
      CP_ACP, 0, value.data(), static_cast<int>(value.size()), nullptr, 0));
}

}  // namespace vornplatform::backend
