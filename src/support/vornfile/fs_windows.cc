// Windows backend of vornfile.

#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstring>
#include <memory>
#include <type_traits>

#include "vornfile/backend.h"

namespace vornfile::backend {

namespace {

bool isseparator(char c) { return c == '\\' || c == '/'; }

bool isdriveletter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool endswithdll(const char* name) {
  const std::size_t n = std::strlen(name);
  if (n < 4) return false;
  const char* tail = name + n - 4;
  return tail[0] == '.' && lower(tail[1]) == 'd' && lower(tail[2]) == 'l' && lower(tail[3]) == 'l';
}

// Calls GetSystemDirectoryA or GetWindowsDirectoryA with a buffer that grows
// as the call asks; "" on failure.
template <class Fn>
std::string getdirectory(Fn fn) {
  std::string dir(MAX_PATH, '\0');
  for (;;) {
    const UINT n = fn(dir.data(), static_cast<UINT>(dir.size()));
    if (n == 0) return std::string();
    if (n < dir.size()) {
      dir.resize(n);
      return dir;
    }
    dir.resize(n);
  }
}

// The lead bytes of the ANSI code page: in a double-byte code page such as
// 932 the byte after one is the second half of a character, and may be
// anything from 0x40 up, 'A' to 'Z' included.
class leadbytes {
 public:
  leadbytes() {
    CPINFO info;
    if (::GetCPInfo(CP_ACP, &info) == 0 || info.MaxCharSize != 2) return;
    for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2) {
      for (unsigned c = info.LeadByte[i]; c <= info.LeadByte[i + 1]; ++c) lead_[c] = true;
    }
  }
  bool operator()(char c) const { return lead_[static_cast<unsigned char>(c)]; }

 private:
  bool lead_[256] = {};
};

const leadbytes& acpleadbytes() {
  // Built on first use; trivially destructible, so unloading runs nothing.
  static const leadbytes table;
  return table;
}

struct findcloser {
  void operator()(HANDLE h) const { ::FindClose(h); }
};
using findhandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, findcloser>;

}  // namespace

char nativesep() { return '\\'; }
char listsep() { return ';'; }

std::size_t splitroot(std::string_view text, std::string& root) {
  const std::size_t n = text.size();
  if (n >= 2 && isdriveletter(text[0]) && text[1] == ':') {
    // "C:\dir" is absolute; "C:dir" is relative to the drive's current
    // directory and keeps its root without separator.
    root.append(text, 0, 2);
    if (n >= 3 && isseparator(text[2])) {
      root += '\\';
      return 3;
    }
    return 2;
  }
  if (n >= 3 && isseparator(text[0]) && isseparator(text[1]) && !isseparator(text[2])) {
    // "\\server\share": the server and the share belong to the root, as
    // nothing above the share can be reached.
    std::size_t pos = 2;
    while (pos < n && !isseparator(text[pos])) ++pos;
    root += "\\\\";
    root.append(text, 2, pos - 2);
    root += '\\';
    while (pos < n && isseparator(text[pos])) ++pos;
    const std::size_t share = pos;
    while (pos < n && !isseparator(text[pos])) ++pos;
    if (pos > share) {
      root.append(text, share, pos - share);
      root += '\\';
    }
    return pos;
  }
  if (n >= 1 && isseparator(text[0])) {
    // The root of the current drive.
    root += '\\';
    return 1;
  }
  return 0;
}

bool qualifiedroot(std::string_view root) {
  // "C:\" or "\\server\share\"; not "C:" nor the current drive's "\".
  return root.size() >= 3 && root.back() == '\\';
}

void fold(char* first, char* last) {
  // Only single-byte letters fold: folding the second byte of a
  // double-byte character would make two characters compare equal.  A NUL
  // (between the components of a key) is never a second byte.
  const leadbytes& lead = acpleadbytes();
  for (; first != last; ++first) {
    if (lead(*first)) {
      if (first + 1 != last && first[1] != '\0') ++first;
    } else {
      *first = lower(*first);
    }
  }
}

bool foldscase() { return true; }

std::size_t significantlength(std::string_view component) {
  // Win32 drops a single trailing dot from every component of a path, and
  // more (all trailing dots and blanks) only from the last one when nothing
  // follows it.  A directory on PATH always has a file name after it: only
  // the single dot counts as nothing there.
  const std::size_t n = component.size();
  const bool onedot = n >= 2 && component[n - 1] == '.' && component[n - 2] != '.';
  return onedot ? n - 1 : n;
}

bool trimscomponents() { return true; }

bool isdirectory(const char* path) {
  const DWORD attributes = ::GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::vector<std::string> listlibraries(const std::string& dir) {
  std::vector<std::string> out;
  // "*" and a test of our own: the pattern "*.dll" also matches through
  // 8.3 short names, so it would list "x.dllx" too.
  std::string pattern = dir;
  if (!pattern.empty() && !isseparator(pattern.back()) && pattern.back() != ':') pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAA entry;
  const HANDLE first = ::FindFirstFileA(pattern.c_str(), &entry);
  if (first == INVALID_HANDLE_VALUE) return out;
  const findhandle find(first);
  do {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && endswithdll(entry.cFileName)) {
      out.emplace_back(entry.cFileName);
    }
  } while (::FindNextFileA(find.get(), &entry));
  return out;
}

std::vector<std::string> systemdirs() {
  // The loader's search order: system32, the 16-bit system folder, then
  // the Windows directory itself.
  const std::string windows = getdirectory(::GetWindowsDirectoryA);
  std::vector<std::string> candidates;
  candidates.push_back(getdirectory(::GetSystemDirectoryA));
  if (!windows.empty()) {
    std::string system = windows;
    if (!isseparator(system.back())) system += '\\';
    candidates.push_back(system + "System");
  }
  candidates.push_back(windows);
  std::vector<std::string> out;
  for (std::string& dir : candidates) {
    if (!dir.empty() && isdirectory(dir.c_str())) out.push_back(std::move(dir));
  }
  return out;
}

}  // namespace vornfile::backend
