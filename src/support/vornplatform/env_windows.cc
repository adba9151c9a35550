// Windows backend of vornplatform: the process environment block, which
// child processes inherit.  The C runtime keeps its own copy (getenv,
// _putenv) that CreateProcess never sees, so it is not used.
//
// The block holds UTF-16.  Narrow texts are converted from and to the ANSI
// code page here, checked both ways, so that a character the code page
// lacks is reported instead of becoming '?' or a look-alike; exact texts
// are UTF-8 (lone surrogates kept as their three-byte forms), which holds
// everything.

#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstring>
#include <cwchar>
#include <memory>
#include <stdexcept>
#include <string_view>

#include "vornplatform/backend.h"
#include "vornplatform/vornplatform.h"

namespace vornplatform::backend {

namespace {

// flags MB_ERR_INVALID_CHARS: nothing (false) for bytes that are no text in
// the code page, instead of U+FFFD in their place.
std::wstring towide(const std::string& narrow, DWORD flags = 0, bool* ok = nullptr) {
  if (ok != nullptr) *ok = true;
  if (narrow.empty()) return std::wstring();
  const int size = static_cast<int>(narrow.size());
  const int n = ::MultiByteToWideChar(CP_ACP, flags, narrow.data(), size, nullptr, 0);
  if (n <= 0) {
    if (ok != nullptr) *ok = false;
    return std::wstring();
  }
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_ACP, flags, narrow.data(), size, wide.data(), n);
  return wide;
}

// False when the code page cannot hold wide exactly: no best-fit
// look-alikes, no default character, checked by converting back.
bool tonarrow(const wchar_t* wide, std::size_t length, std::string& narrow) {
  narrow.clear();
  if (length == 0) return true;
  const int size = static_cast<int>(length);
  DWORD flags = WC_NO_BEST_FIT_CHARS;
  int n = ::WideCharToMultiByte(CP_ACP, flags, wide, size, nullptr, 0, nullptr, nullptr);
  if (n == 0 && ::GetLastError() == ERROR_INVALID_FLAGS) {
    // UTF-8 and a few others take no flags; the check below still holds.
    flags = 0;
    n = ::WideCharToMultiByte(CP_ACP, flags, wide, size, nullptr, 0, nullptr, nullptr);
  }
  if (n <= 0) return false;
  narrow.resize(static_cast<std::size_t>(n));
  ::WideCharToMultiByte(CP_ACP, flags, wide, size, narrow.data(), n, nullptr, nullptr);
  return towide(narrow) == std::wstring_view(wide, length);
}

// The exact texts go through the library's one codec, lone surrogates
// kept: wchar_t is a UTF-16 unit here.
std::string toutf8(std::wstring_view wide) {
  return vornplatform::toutf8(
      std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()),
      surrogates::keep);
}

// False for bytes that toutf8() cannot have written.
bool fromutf8(const std::string& text, std::wstring& wide) {
  try {
    const std::u16string units = vornplatform::toutf16(text, surrogates::keep);
    wide.assign(units.begin(), units.end());
    return true;
  } catch (const std::runtime_error&) {
    return false;
  }
}

// The variable's value; false when it is not set.
bool findvar(const std::string& name, std::wstring& value) {
  const std::wstring wname = towide(name);
  value.assign(256, L'\0');
  for (;;) {
    ::SetLastError(ERROR_SUCCESS);
    const DWORD n =
        ::GetEnvironmentVariableW(wname.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (n == 0) {
      value.clear();
      return ::GetLastError() != ERROR_ENVVAR_NOT_FOUND;
    }
    if (n < value.size()) {
      value.resize(n);
      return true;
    }
    // Too small: n is the size needed, terminating NUL included.  Loop, as
    // another thread may have changed the value in between.
    value.resize(n);
  }
}

std::wstring readvar(const std::string& name) {
  std::wstring value;
  findvar(name, value);
  return value;
}

// Sets the variable to *value, an empty one too; removes it for nullptr.
bool writeexactly(const std::string& name, const std::wstring* value) {
  // Windows itself accepts names starting with '=' (its hidden per-drive
  // directories); the library refuses every name holding '=' on every
  // platform.
  if (name.empty() || name.find('=') != std::string::npos) return false;
  const std::wstring wname = towide(name);
  if (value == nullptr) {
    // Removing a variable that is not set is no failure.
    return ::SetEnvironmentVariableW(wname.c_str(), nullptr) != 0 ||
           ::GetLastError() == ERROR_ENVVAR_NOT_FOUND;
  }
  return ::SetEnvironmentVariableW(wname.c_str(), value->c_str()) != 0;
}

// An empty value removes the variable.
bool writevar(const std::string& name, const std::wstring& value) {
  return writeexactly(name, value.empty() ? nullptr : &value);
}

// Windows compares variable names by the operating system's upper-case
// table, one UTF-16 unit at a time (CompareStringOrdinal ignoring case):
// the invariant file-system upper case maps by that table.
std::wstring windowsupper(const wchar_t* name, std::size_t length) {
  std::wstring upper(name, length);
  if (length != 0) {
    ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, name, static_cast<int>(length),
                    upper.data(), static_cast<int>(length), nullptr, nullptr, 0);
    // The table maps single units: LCMapStringEx would fold a letter beyond
    // the first plane (U+10428 to U+10400), which the lookup keeps apart.
    for (std::size_t i = 0; i < length; ++i) {
      if (name[i] >= 0xD800 && name[i] <= 0xDFFF) upper[i] = name[i];
    }
  }
  return upper;
}

std::string keyof(const wchar_t* name, std::size_t length) {
  const std::wstring upper = windowsupper(name, length);
  std::string key(upper.size() * sizeof(wchar_t), '\0');
  std::memcpy(key.data(), upper.data(), key.size());
  return key;
}

}  // namespace

bool getvar(const std::string& name, std::string& value) {
  const std::wstring wide = readvar(name);
  return tonarrow(wide.data(), wide.size(), value);
}

bool held(const std::string& narrow) {
  bool ok = false;
  const std::wstring wide = towide(narrow, MB_ERR_INVALID_CHARS, &ok);
  std::string back;
  return ok && tonarrow(wide.data(), wide.size(), back) && back == narrow;
}

bool setvar(const std::string& name, const std::string& value) {
  // The caller checked that both are held(): nothing turns into U+FFFD.
  return writevar(name, towide(value, MB_ERR_INVALID_CHARS));
}

std::string getexact(const std::string& name) { return toutf8(readvar(name)); }

bool findexact(const std::string& name, std::string& value) {
  std::wstring wide;
  if (!findvar(name, wide)) return false;
  value = toutf8(wide);
  return true;
}

bool setexact(const std::string& name, const std::string& value) {
  std::wstring wide;
  return fromutf8(value, wide) && writevar(name, wide);
}

bool putexact(const std::string& name, const std::optional<std::string>& value) {
  if (!value) return writeexactly(name, nullptr);
  std::wstring wide;
  return fromutf8(*value, wide) && writeexactly(name, &wide);
}

std::string toexact(const std::string& narrow) { return toutf8(towide(narrow)); }

namespace {

// Calls f(name, namelength, value) for each variable of the environment
// block, in its order.  The "=C:=C:\dir" entries keep the current directory
// of each drive; they have no name of their own and are left out.
template <class F>
void foreachvar(F f) {
  std::unique_ptr<wchar_t, BOOL (*)(LPWCH)> block(::GetEnvironmentStringsW(),
                                                  ::FreeEnvironmentStringsW);
  if (!block) return;
  for (const wchar_t* p = block.get(); *p != L'\0'; p += std::wcslen(p) + 1) {
    if (*p == L'=') continue;
    const wchar_t* eq = std::wcschr(p, L'=');
    if (eq == nullptr) continue;
    f(p, static_cast<std::size_t>(eq - p), eq + 1);
  }
}

}  // namespace

std::vector<listedvar> listvars() {
  std::vector<listedvar> vars;
  foreachvar([&vars](const wchar_t* name, std::size_t namelength, const wchar_t* value) {
    listedvar v;
    v.key = keyof(name, namelength);
    v.held = tonarrow(name, namelength, v.name) && tonarrow(value, std::wcslen(value), v.value);
    if (!v.held) v.name.clear(), v.value.clear();
    vars.push_back(std::move(v));
  });
  return vars;
}

std::string lookupkey(const std::string& name) {
  const std::wstring wide = towide(name);
  return keyof(wide.data(), wide.size());
}

bool foldsnames() { return true; }

std::vector<std::pair<std::string, std::string>> listexact() {
  std::vector<std::pair<std::string, std::string>> vars;
  foreachvar([&vars](const wchar_t* name, std::size_t namelength, const wchar_t* value) {
    vars.emplace_back(toutf8(std::wstring(name, namelength)), toutf8(std::wstring(value)));
  });
  return vars;
}

std::string exactkey(const std::string& name) {
  std::wstring wide;
  // No variable has a name that is no exact text: it is its own key.
  if (!fromutf8(name, wide)) return name;
  return toutf8(windowsupper(wide.data(), wide.size()));
}

// A variable holds at most 32,766 UTF-16 characters and the terminating NUL,
// the narrow text being in the ANSI code page.
std::size_t longestvalue() { return 32766; }

bool fits(std::size_t namelength, std::size_t valuelength) {
  return namelength <= longestvalue() && valuelength <= longestvalue();
}

std::size_t exactlength(std::string_view exact) {
  std::size_t units = 0;
  // Each lead byte starts one character; one of four bytes is a pair.
  for (const char c : exact) {
    const auto b = static_cast<unsigned char>(c);
    if ((b & 0xC0) != 0x80) units += b >= 0xF0 ? 2 : 1;
  }
  return units;
}

std::size_t valuelength(std::string_view value) {
  // Past what one call can count, a text is far too long anyway.
  if (value.empty() || value.size() > 0x7FFFFFFF) return value.size();
  return static_cast<std::size_t>(
      ::MultiByteToWideChar(CP_ACP, 0, value.data(), static_cast<int>(value.size()), nullptr, 0));
}

}  // namespace vornplatform::backend
