// The variables live in the process environment block: what the Win32 calls
// and child processes see.

#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <gtest/gtest.h>

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
  if (!::CreateProcessA(exe.c_str(), cmdline.data(), nullptr, nullptr, TRUE, 0,
                        nullptr, nullptr, &si, &pi)) {
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

}  // namespace
}  // namespace vornplatform
