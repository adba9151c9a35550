// Windows side of the test runner: CreateProcessA, output into files.

#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "cli/clirun.h"
#include "cli/os/cmdline.h"
#include "support/testsupport.h"

namespace vornenv::testing {

namespace {

HANDLE openinheritable(const std::string& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, disposition,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

ranprogram runprogram(const std::vector<std::string>& argv,
                      const std::optional<std::string>& input) {
  scopedtempdir dir;
  const std::string out = dir.file("out"), err = dir.file("err"), inpath = dir.file("in");
  if (input) std::ofstream(inpath, std::ios::binary) << *input;
  ranprogram r;
  {
    HANDLE in = openinheritable(input ? inpath : "NUL", GENERIC_READ, OPEN_EXISTING);
    HANDLE o = openinheritable(out, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE e = openinheritable(err, GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in;
    si.hStdOutput = o;
    si.hStdError = e;
    PROCESS_INFORMATION pi{};
    std::string line = cli::windowscommandline(argv);
    // Wine, in a prefix it has only just made, now and then fails to start
    // a process at all; a second try is no test of the program.
    BOOL started = FALSE;
    DWORD error = 0;
    for (int attempt = 0; attempt < 3 && !started; ++attempt) {
      if (attempt != 0) Sleep(500);
      started =
          CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
      if (!started) error = GetLastError();
    }
    CloseHandle(in);
    CloseHandle(o);
    CloseHandle(e);
    if (!started) {
      throw std::runtime_error("cannot start " + argv[0] + " (error " + std::to_string(error) +
                               ")");
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    r.status = static_cast<int>(code);
  }
  r.out = slurp(out);
  // stderr is in text mode: "\r\n" becomes "\n" for the comparisons.
  r.err = lf(slurp(err));
  return r;
}

// A cross build under Wine knows its files by Unix paths, which Windows
// programs reach through drive Z:.
std::string nativepath(const std::string& path) {
  return !path.empty() && path[0] == '/' ? "Z:" + path : path;
}

std::string libfile(const std::string& base) { return base + ".dll"; }

std::optional<std::string> jsonofbyteff() { return std::nullopt; }

}  // namespace vornenv::testing
