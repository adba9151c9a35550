// The variables live in the process environment block: what the Win32 calls
// and child processes see.

#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>

#include "support/testsupport.h"
#include "vornplatform/vornplatform.h"

namespace vornplatform {
namespace {

using vornenv::testing::scopedenv;

// Runs printenv_child, which the build puts beside this executable, with
// the given arguments and the inherited environment; returns its exit code.
DWORD runchild(const std::string& args) {
  char self[MAX_PATH];
  const DWORD n = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
  if (n == 0 || n == MAX_PATH) return 100;
  std::string exe(self, n);
  exe.erase(exe.find_last_of("\\/") + 1);
  exe += "printenv_child.exe";
  std::string cmdline = "\"" + exe + "\" " + args;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  // A null environment: the child inherits the block as it is now.
  if (!::CreateProcessA(exe.c_str(), cmdline.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &si, &pi)) {
    ADD_FAILURE() << "cannot start " << exe << ": error " << ::GetLastError();
    return 101;
  }
  ::WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 102;
  ::GetExitCodeProcess(pi.hProcess, &code);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return code;
}

TEST(vornplatform_windows_test, child_process_inherits_what_putenvvar_sets) {
  scopedenv guard("VORNENV_TEST_CHILD", std::nullopt);
  EXPECT_EQ(runchild("VORNENV_TEST_CHILD"), 1u);
  putenvvar("VORNENV_TEST_CHILD", "from-parent");
  EXPECT_EQ(runchild("VORNENV_TEST_CHILD from-parent"), 0u);
  putenvvar("VORNENV_TEST_CHILD", "");
  EXPECT_EQ(runchild("VORNENV_TEST_CHILD"), 1u);
}

TEST(vornplatform_windows_test, reads_and_writes_the_environment_block) {
  scopedenv guard("VORNENV_TEST_BLOCK", std::nullopt);
  // Set behind the C runtime's back: only the block has it.
  ASSERT_TRUE(::SetEnvironmentVariableA("VORNENV_TEST_BLOCK", "set by Win32"));
  EXPECT_EQ(getenvvar("VORNENV_TEST_BLOCK").str(), "set by Win32");
  putenvvar("VORNENV_TEST_BLOCK", "set by putenvvar");
  char buffer[64];
  EXPECT_EQ(::GetEnvironmentVariableA("VORNENV_TEST_BLOCK", buffer, sizeof buffer), 16u);
  EXPECT_STREQ(buffer, "set by putenvvar");
  putenvvar("VORNENV_TEST_BLOCK", "");
  EXPECT_EQ(::GetEnvironmentVariableA("VORNENV_TEST_BLOCK", buffer, sizeof buffer), 0u);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ENVVAR_NOT_FOUND));
}

TEST(vornplatform_windows_test, values_up_to_the_platform_limit) {
  scopedenv guard("VORNENV_TEST_LONG", std::nullopt);
  const std::string value(32766, 'y');  // 32767 with the terminating NUL
  putenvvar("VORNENV_TEST_LONG", value);
  EXPECT_EQ(getenvvar("VORNENV_TEST_LONG").str(), value);
}

TEST(vornplatform_windows_test, names_are_case_insensitive) {
  scopedenv guard("VORNENV_TEST_CASE", "upper");
  EXPECT_EQ(getenvvar("vornenv_test_case").str(), "upper");
}

TEST(vornplatform_windows_test, snapshot_looks_names_up_as_the_platform_does) {
  scopedenv guard("VORNENV_Mixed_Case", "v");
  const envsnapshot snap;
  EXPECT_EQ(snap.get("vornenv_mixed_case").str(), "v");
  EXPECT_EQ(snap.get("VORNENV_MIXED_CASE").str(), getenvvar("VORNENV_MIXED_CASE").str());
  for (const auto& [name, value] : snap.vars()) EXPECT_NE(name.front(), '=');
}

// Folders named in Greek and in Chinese, outside most ANSI code pages.
const std::wstring greek = L"C:\\Users\\\u0395\u03bb\u03ad\u03bd\u03b7\\bin";
const std::wstring cjk = L"C:\\\u7528\u6237\\bin";

std::string utf8(const std::wstring& text) {
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
  return out;
}

// The text in the process's ANSI code page, when that holds it exactly.
std::optional<std::string> ansi(const std::wstring& text) {
  const int n = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
  std::wstring back(text.size() + 1, L'\0');
  back.resize(static_cast<std::size_t>(
      ::MultiByteToWideChar(CP_ACP, 0, out.data(), n, back.data(), static_cast<int>(back.size()))));
  if (back != text) return std::nullopt;
  return out;
}

std::wstring widevar(const wchar_t* name) {
  std::wstring value(40000, L'\0');
  value.resize(::GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size())));
  return value;
}

TEST(vornplatform_windows_test, characters_outside_the_code_page_are_never_replaced) {
  for (const std::wstring& value : {greek, cjk, greek + L";" + cjk}) {
    scopedenv guard("VORNENV_TEST_WIDE", std::nullopt);
    ASSERT_TRUE(::SetEnvironmentVariableW(L"VORNENV_TEST_WIDE", value.c_str()));
    const envsnapshot snap;
    // The narrow text holds the value exactly, or reading it fails.
    if (const std::optional<std::string> narrow = ansi(value)) {
      EXPECT_EQ(getenvvar("VORNENV_TEST_WIDE").str(), *narrow);
      EXPECT_EQ(snap.get("VORNENV_TEST_WIDE").str(), *narrow);
    } else {
      const std::string message =
          "VORNENV_TEST_WIDE getenvvar - the value holds characters that the "
          "ANSI code page "
          "cannot represent!";
      EXPECT_ASSERTION(getenvvar("VORNENV_TEST_WIDE"), message);
      EXPECT_ASSERTION(snap.get("vornenv_test_wide"), "vornenv_test_wide" + message.substr(17));
    }
    // The exact text is UTF-8, and writing it back loses nothing.
    EXPECT_EQ(getenvexact("VORNENV_TEST_WIDE"), utf8(value));
    putenvexact("VORNENV_TEST_WIDE", getenvexact("VORNENV_TEST_WIDE") + ";" + exacttext("x"));
    EXPECT_EQ(widevar(L"VORNENV_TEST_WIDE"), value + L";x");
  }
}

// The exact listing holds what the narrow texts cannot: a name and a value
// outside the code page, keyed by the upper case Windows matches names by.
TEST(vornplatform_windows_test, exact_listing_holds_names_outside_the_code_page) {
  const std::wstring name = L"Vornenv_\u03b5\u03bb\u7528";  // epsilon lambda, a CJK sign
  ASSERT_TRUE(::SetEnvironmentVariableW(name.c_str(), cjk.c_str()));
  const std::string key = exactkey(utf8(L"VORNENV_\u03b5\u039b\u7528"));
  EXPECT_EQ(key, utf8(L"VORNENV_\u0395\u039b\u7528"));
  EXPECT_EQ(exactkey(utf8(name)), key);
  EXPECT_NE(exactkey("VORNENV_\xCE\x95X"), key);
  std::size_t hits = 0;
  for (const auto& [n, v] : listexact()) {
    if (exactkey(n) != key) continue;
    ++hits;
    EXPECT_EQ(n, utf8(name));
    EXPECT_EQ(v, utf8(cjk));
  }
  EXPECT_EQ(hits, 1u);
  const envsnapshot snap;
  if (!ansi(name)) {
    for (const auto& [n, v] : snap.vars()) EXPECT_NE(v, utf8(cjk)) << n;
  }
  ::SetEnvironmentVariableW(name.c_str(), nullptr);
}

}  // namespace
}  // namespace vornplatform
