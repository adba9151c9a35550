// Windows backend of the host: the process environment block (in UTF-16),
// CreateProcessW and the console.

#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "cli/os/cmdline.h"
#include "cli/os/errors.h"
#include "cli/os/platform.h"
#include "cli/os/printable.h"
#include "cli/os/utf.h"
#include "vornplatform/vornplatform.h"

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

namespace vornenv::cli {

namespace {

// Closes a kernel handle when it goes out of scope.
class ownedhandle {
 public:
  explicit ownedhandle(HANDLE h = nullptr) : h_(h) {}
  ~ownedhandle() {
    if (h_ != nullptr && h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  ownedhandle(const ownedhandle&) = delete;
  ownedhandle& operator=(const ownedhandle&) = delete;
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

std::string windowserror(DWORD code) {
  char* text = nullptr;
  const DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string out =
      n != 0 && text != nullptr ? std::string(text, n) : "error " + std::to_string(code);
  LocalFree(text);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == '.')) {
    out.pop_back();
  }
  return out;
}

// A copy of one standard handle that the child inherits, whether or not the
// original was created inheritable.
HANDLE inheritable(DWORD which) {
  const HANDLE h = GetStdHandle(which);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return h;
  HANDLE dup = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), &dup, 0, TRUE,
                       DUPLICATE_SAME_ACCESS)) {
    return h;
  }
  return dup;
}

bool endswithnocase(const std::string& text, const char* suffix) {
  const std::size_t n = std::strlen(suffix);
  if (text.size() < n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    char c = text[text.size() - n + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

// Whether a file of that name is a batch file, taking the name as Windows
// opens it: trailing dots and blanks dropped, letter case ignored.
bool isbatchname(std::string name) {
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
  return endswithnocase(name, ".bat") || endswithnocase(name, ".cmd");
}

// The host's texts are UTF-8, whatever the process's code page: the
// environment is read and written through the UTF-16 calls, so that no
// variable loses a character that the code page lacks.
std::string narrow(const wchar_t* wide, std::size_t length) {
  // As the library reads the environment: a lone surrogate stays itself.
  return vornplatform::toutf8(std::u16string_view(reinterpret_cast<const char16_t*>(wide), length),
                              vornplatform::surrogates::keep);
}

std::wstring widen(const std::string& text) {
  const std::u16string units = utf8to16(text);
  return std::wstring(units.begin(), units.end());
}

// The file that a search for name (with extension added when name has
// none) finds, or "" when none.
std::string searchfile(const std::string& name, const wchar_t* extension) {
  const std::wstring wname = widen(name);
  std::wstring found(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = SearchPathW(nullptr, wname.c_str(), extension, static_cast<DWORD>(found.size()),
                                &found[0], nullptr);
    if (n == 0) return std::string();
    if (n < found.size()) return narrow(found.data(), n);
    found.resize(n);
  }
}

// Whether starting program may end in cmd: its name as Windows resolves it,
// the file that CreateProcess's search finds (".exe" added to a bare name),
// and, for a name without extension, a batch file that PATHEXT's order
// would find, as a shell would.  Erring towards "yes" only refuses
// arguments.
bool mayrunbatch(const std::string& program) {
  if (isbatchname(program) || isbatchname(searchfile(program, L".exe"))) return true;
  wchar_t buffer[1024];
  const DWORD n = GetEnvironmentVariableW(L"PATHEXT", buffer, 1024);
  std::string pathext = n > 0 && n < 1024 ? narrow(buffer, n) : std::string();
  pathext += ";.BAT;.CMD";
  for (std::size_t start = 0; start < pathext.size();) {
    std::size_t end = pathext.find(';', start);
    if (end == std::string::npos) end = pathext.size();
    const std::string extension = pathext.substr(start, end - start);
    if (isbatchname(extension) && !searchfile(program + extension, nullptr).empty()) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

runresult runcommand(const std::vector<std::string>& argv) {
  // CreateProcess runs a batch file through cmd, which would read its
  // arguments as cmd syntax: refuse the characters it would act on.
  const bool batch = mayrunbatch(argv[0]);
  if (batch) {
    for (std::size_t i = 1; i < argv.size(); ++i) {
      if (argv[i].find_first_of("\"%!^&|<>()\r\n") != std::string::npos) {
        return {126, "cannot pass '" + printable(argv[i]) + "' safely to the batch file '" +
                         printable(argv[0]) + "'"};
      }
    }
    // cmd reads the program name too: in quotes its operators are text,
    // but it still expands % and ! there.
    if (argv[0].find_first_of("\"%!\r\n") != std::string::npos) {
      return {126, "cannot start the batch file '" + printable(argv[0]) +
                       "' safely: cmd would expand its name"};
    }
  }
  std::string line;
  try {
    line = windowscommandline(argv);
  } catch (const failure& e) {
    return {126, e.what()};
  }
  if (batch && line.front() != '"') {
    // Unquoted, cmd would split the name at an operator ("R&D\build.cmd").
    line = '"' + argv[0] + '"' + line.substr(argv[0].size());
  }

  ownedhandle in(inheritable(STD_INPUT_HANDLE));
  ownedhandle out(inheritable(STD_OUTPUT_HANDLE));
  ownedhandle err(inheritable(STD_ERROR_HANDLE));
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = in.get();
  si.hStdOutput = out.get();
  si.hStdError = err.get();
  PROCESS_INFORMATION pi{};
  std::fflush(nullptr);
  std::wstring wline = widen(line);
  if (!CreateProcessW(nullptr, &wline[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    const DWORD code = GetLastError();
    const bool missing = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ||
                         code == ERROR_INVALID_NAME || code == ERROR_BAD_PATHNAME;
    return {missing ? 127 : 126, "cannot run '" + printable(argv[0]) + "': " + windowserror(code)};
  }
  ownedhandle process(pi.hProcess);
  ownedhandle thread(pi.hThread);
  // Ctrl-C goes to the child as well; the host waits for it to finish
  // instead of leaving it behind.
  SetConsoleCtrlHandler(nullptr, TRUE);
  WaitForSingleObject(process.get(), INFINITE);
  DWORD code = 0;
  if (!GetExitCodeProcess(process.get(), &code)) {
    return {126, "cannot read the exit code of '" + printable(argv[0]) +
                     "': " + windowserror(GetLastError())};
  }
  return {static_cast<int>(code), std::string()};
}

bool colourterminal() {
  const HANDLE h = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (!GetConsoleMode(h, &mode)) return false;
  if ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0) return true;
  return SetConsoleMode(h, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

void setbinaryoutput() {
  std::fflush(stdout);
  std::fflush(stderr);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

std::optional<std::string> readstandardinput(std::string& reason) {
  _setmode(_fileno(stdin), _O_BINARY);
  std::string text;
  char buffer[65536];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, stdin)) != 0) text.append(buffer, n);
  if (std::ferror(stdin)) {
    reason = std::strerror(errno);
    return std::nullopt;
  }
  return text;
}

const char* defaultformat() { return "cmd"; }

bool msysshell() {
  // MSYS2 sets a word (MINGW64, UCRT64, MSYS...); blanks are no such word.
  const std::string value = getenvexact("MSYSTEM").value_or("");
  return value.find_first_not_of(" \t") != std::string::npos;
}

namespace {

UINT systemoemcodepage() {
  DWORD codepage = 0;
  const int ok =
      GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTCODEPAGE | LOCALE_RETURN_NUMBER,
                     reinterpret_cast<wchar_t*>(&codepage), sizeof codepage / sizeof(wchar_t));
  return ok != 0 && codepage != 0 ? codepage : GetOEMCP();
}

}  // namespace

std::optional<std::string> tocmdtext(const std::u16string& text) {
  if (text.empty()) return std::string();
  // cmd decodes each line of a batch file in the console's output code page,
  // which is the system's OEM one unless chcp changed it.  GetOEMCP() will
  // not do: the host's manifest makes it answer UTF-8 for this process only.
  UINT codepage = GetConsoleOutputCP();
  if (codepage == 0) codepage = systemoemcodepage();
  const std::wstring wide(text.begin(), text.end());
  const int size = static_cast<int>(wide.size());
  const int n = WideCharToMultiByte(codepage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(codepage, 0, wide.data(), size, &bytes[0], n, nullptr, nullptr);
  // Best-fit and default characters would silently change the value: only
  // a text that decodes back to itself is exact.
  const int m = MultiByteToWideChar(codepage, 0, bytes.data(), n, nullptr, 0);
  std::wstring back(static_cast<std::size_t>(m > 0 ? m : 0), L'\0');
  if (m > 0) MultiByteToWideChar(codepage, 0, bytes.data(), n, &back[0], m);
  if (back != wide) return std::nullopt;
  return bytes;
}

}  // namespace vornenv::cli

// --- Files and folders ---

namespace vornenv::cli {

std::string currentdir() {
  const DWORD n = GetCurrentDirectoryW(0, nullptr);
  std::wstring dir(n, L'\0');
  const DWORD m = GetCurrentDirectoryW(n, &dir[0]);
  if (n == 0 || m == 0 || m >= n)
    throw failure("cannot read the working directory: " + windowserror(GetLastError()));
  return narrow(dir.data(), m);
}

std::string absolutepath(const std::string& path) {
  const std::wstring wide = widen(path);
  const DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring full(n, L'\0');
  const DWORD m = GetFullPathNameW(wide.c_str(), n, &full[0], nullptr);
  if (m == 0 || m >= n) return path;
  return narrow(full.data(), m);
}

const char* dirseparators() { return "\\/"; }

bool loadersearchespath() { return true; }

std::size_t rootlength(const std::string& path) {
  const auto separator = [&path](std::size_t i) {
    return i < path.size() && (path[i] == '\\' || path[i] == '/');
  };
  if (path.size() >= 2 && path[1] == ':') return separator(2) ? 3 : 2;
  if (!separator(0)) return 0;
  if (!separator(1)) return 1;  // \x: the root of the current drive
  // \\server\share\: two names after the two separators.
  std::size_t at = 2;
  for (int names = 0; names < 2; ++names) {
    while (at < path.size() && !separator(at)) ++at;
    if (names == 0 && at < path.size()) ++at;
  }
  return separator(at) ? at + 1 : at;
}

std::optional<std::string> filestamp(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return std::nullopt;
  }
  return std::to_string(data.ftLastWriteTime.dwHighDateTime) + "." +
         std::to_string(data.ftLastWriteTime.dwLowDateTime) + "." +
         std::to_string(data.nFileSizeHigh) + "." + std::to_string(data.nFileSizeLow);
}

namespace {

std::uint64_t ticks(const FILETIME& t) {
  return (std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime;
}

}  // namespace

bool markfiletime(const std::string& path, const std::string& mark) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return false;
  }
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  // FILETIME counts 100 ns.
  if (ticks(data.ftLastWriteTime) + 20000000 >= ticks(now)) return false;
  const HANDLE h = CreateFileW(widen(mark).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = SetFileTime(h, nullptr, nullptr, &data.ftLastWriteTime) != 0;
  CloseHandle(h);
  return ok;
}

void pruneolderthan(const std::string& dir, int days) {
  WIN32_FIND_DATAW found;
  const std::wstring wide = widen(dir) + L"\\";
  const HANDLE h = FindFirstFileW((wide + L"*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const std::uint64_t cut = ticks(now) - std::uint64_t(days) * 864000000000ULL;
  do {
    // The creation time is when the mark was made: its write time is the
    // marked file's.
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
        ticks(found.ftCreationTime) < cut) {
      DeleteFileW((wide + found.cFileName).c_str());
    }
  } while (FindNextFileW(h, &found));
  FindClose(h);
}

std::string userdatadir() {
  // A relative one would let the working directory, a project's folder,
  // hold the list of the files the hook trusts.
  auto local = getenvexact("LOCALAPPDATA");
  if (!local || rootlength(*local) < 3)
    throw failure("LOCALAPPDATA is not set to an absolute path");
  return *local + "\\vornenv";
}

std::vector<std::string> userdatavariables() { return {"LOCALAPPDATA"}; }

bool makedirs(const std::string& path) {
  const std::wstring wide = widen(path);
  for (std::size_t pos = 1; pos <= wide.size(); ++pos) {
    if (pos != wide.size() && wide[pos] != L'\\' && wide[pos] != L'/') continue;
    if (pos == 2 && wide[1] == L':') continue;  // "C:" itself
    const std::wstring part = wide.substr(0, pos);
    if (!CreateDirectoryW(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS &&
        GetLastError() != ERROR_ACCESS_DENIED) {
      return false;
    }
  }
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<std::string> readwholefile(const std::string& path) {
  ownedhandle file(CreateFileW(widen(path).c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string text;
  char buffer[65536];
  DWORD n = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr) && n != 0) text.append(buffer, n);
  return text;
}

openedfile openforreading(const std::string& path) {
  openedfile opened;
  opened.file.reset(_wfopen(widen(path).c_str(), L"rb"));
  if (!opened.file) opened.reason = std::strerror(errno);
  return opened;
}

boundedfile readregularfile(const std::string& path, std::size_t limit) {
  boundedfile read;
  ownedhandle file(CreateFileW(widen(path).c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    read.outcome = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND
                       ? boundedfile::status::missing
                       : boundedfile::status::unreadable;
    read.reason = windowserror(code);
    return read;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileType(file.get()) != FILE_TYPE_DISK || !GetFileInformationByHandle(file.get(), &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    read.outcome = boundedfile::status::notregular;
    return read;
  }
  read.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  if (read.size > limit) {
    read.outcome = boundedfile::status::toolarge;
    return read;
  }
  // The size the system gave, and room to see the file grow past it; it may
  // grow up to one byte past the limit, which tells.
  read.bytes.resize(static_cast<std::size_t>(read.size) + 1);
  std::size_t got = 0;
  while (got <= limit) {
    if (got == read.bytes.size()) read.bytes.resize(std::min(limit + 1, 2 * got));
    DWORD n = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(read.bytes.size() - got, 1u << 20));
    if (!ReadFile(file.get(), &read.bytes[got], want, &n, nullptr)) {
      read.reason = windowserror(GetLastError());
      read.bytes.clear();
      return read;
    }
    if (n == 0) break;
    got += n;
  }
  read.size = got;
  if (got > limit) {
    read.outcome = boundedfile::status::toolarge;
    read.bytes.clear();
    return read;
  }
  read.bytes.resize(got);
  read.outcome = boundedfile::status::ok;
  return read;
}

std::optional<std::string> resolvedir(const std::string& dir) {
  ownedhandle handle(CreateFileW(widen(dir).c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (handle.get() == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle.get(), &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return std::nullopt;
  }
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n =
        GetFinalPathNameByHandleW(handle.get(), &path[0], static_cast<DWORD>(path.size()),
                                  FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) return std::nullopt;
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(n + 1);
  }
  // "\\?\C:\w" is "C:\w", "\\?\UNC\server\share" is "\\server\share".
  if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) {
    path.replace(0, 8, L"\\\\");
  } else if (path.compare(0, 4, L"\\\\?\\") == 0) {
    path.erase(0, 4);
  }
  return narrow(path.data(), path.size());
}

std::string storedname(const std::string& folder, const std::string& name) {
  WIN32_FIND_DATAW found;
  // No wildcard can stand in a name that a folder holds.
  if (name.find_first_of("*?") != std::string::npos) return name;
  const std::wstring wide = widen(folder + "\\" + name);
  const HANDLE search = FindFirstFileW(wide.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return name;
  FindClose(search);
  return narrow(found.cFileName, std::wcslen(found.cFileName));
}

std::optional<bool> regularfileat(const std::string& path, std::string& reason) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &data)) {
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  }
  const DWORD code = GetLastError();
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return false;
  reason = windowserror(code);
  return std::nullopt;
}

std::string pathkey(const std::string& path) {
  std::string slashes = path;
  for (char& c : slashes) {
    if (c == '/') c = '\\';
  }
  return vornplatform::exactkey(slashes);
}

filelock::filelock(const std::string& path)
    : handle_(reinterpret_cast<std::intptr_t>(
          CreateFileW(widen(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr))) {
  const HANDLE h = reinterpret_cast<HANDLE>(handle_);
  if (h == INVALID_HANDLE_VALUE) {
    throw failure("cannot open the lock " + printable(path) + ": " + windowserror(GetLastError()));
  }
  OVERLAPPED at{};
  if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at)) {
    const DWORD code = GetLastError();
    CloseHandle(h);
    throw failure("cannot lock " + printable(path) + ": " + windowserror(code));
  }
}

filelock::~filelock() {
  const HANDLE h = reinterpret_cast<HANDLE>(handle_);
  OVERLAPPED at{};
  UnlockFileEx(h, 0, 1, 0, &at);
  CloseHandle(h);
}

bool replacefile(const std::string& path, const std::string& text) {
  // A name of this write's own, made afresh (CREATE_NEW) and never followed:
  // whatever stands at a name tried already is left alone.
  const std::wstring target = widen(path);
  std::wstring temporary;
  HANDLE made = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && made == INVALID_HANDLE_VALUE; ++attempt) {
    temporary = target + L".new" + std::to_wstring(GetCurrentProcessId()) + L"." +
                std::to_wstring(GetTickCount64()) + L"." + std::to_wstring(attempt);
    made = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (made == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return false;
  }
  {
    ownedhandle file(made);
    if (file.get() == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size() || !FlushFileBuffers(file.get())) {
      DeleteFileW(temporary.c_str());
      return false;
    }
  }
  if (!MoveFileExW(temporary.c_str(), target.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(temporary.c_str());
    return false;
  }
  return true;
}

std::string selfpath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (n == 0) return "vornenv";
    if (n < path.size()) return narrow(path.data(), n);
    path.resize(path.size() * 2);
  }
}

}  // namespace vornenv::cli
