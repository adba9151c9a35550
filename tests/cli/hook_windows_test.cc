// The per-project commands where Windows differs: names compared without
// letter case, as the system compares them.

#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <filesystem>
#include <string>

#include "cli/clirun.h"
#include "cli/project.h"
#include "support/testsupport.h"

namespace vornenv::testing {
namespace {

TEST_F(projecttest, one_file_however_its_path_is_spelt) {
  dir_.write("Proj/.vornenv.ini", "[Environment]\nHOOKTEST_C = 1\n");
  const std::string file = utf8path(dir_.path() / "Proj" / ".vornenv.ini");
  std::string shouted = file;
  for (char& c : shouted) {
    c = c == '\\' ? '/' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  shouted[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(shouted[0])));
  const ranprogram allowed = runvornenv({"allow", file});
  ASSERT_EQ(allowed.status, 0) << allowed.err;
  // Allowed once, under the name the system gives the folder.
  EXPECT_EQ(runvornenv({"allow", shouted}).status, 0);
  EXPECT_EQ(listed().find("allowed     "), 0u) << listed();
  EXPECT_EQ(listed().find('\n'), listed().size() - 1) << listed();
  const ranprogram denied = runvornenv({"deny", shouted});
  EXPECT_EQ(denied.status, 0) << denied.err;
  EXPECT_EQ(listed(), "");
  EXPECT_EQ(runvornenv({"deny", file}).status, 1);
  // A file that is gone is denied by any spelling too.
  ASSERT_EQ(runvornenv({"allow", file}).status, 0);
  std::filesystem::remove_all(dir_.path() / "Proj");
  EXPECT_EQ(runvornenv({"deny", shouted}).status, 0);
  EXPECT_EQ(listed(), "");
}

// The environment may hold a lone surrogate that no text of the code page
// can: it comes back as itself when the hook puts PATH back after a failing
// file, and PowerShell gets it as itself too.
TEST_F(projecttest, a_lone_surrogate_on_path_comes_back_as_itself) {
  std::wstring path(40000, L'\0');
  path.resize(GetEnvironmentVariableW(L"PATH", path.data(), 40000));
  ASSERT_TRUE(SetEnvironmentVariableW(L"PATH", (L"C:\\x\xD800;" + path).c_str()));
  const std::string bin = utf8path(dir_.path() / "bin");
  std::filesystem::create_directories(dir_.path() / "bin");
  const std::string failing =
      dir_.write("proj/.vornenv.ini",
                 "[Executable Paths]\np = " + bin + "\n[Environment]\nX = $(HOOKTEST_NO)\n");
  ASSERT_EQ(runvornenv({"allow", nativepath(failing)}).status, 0);
  const ranprogram r = prompt(dir_.path() / "proj");
  EXPECT_NE(r.err.find("error:"), std::string::npos) << r.err;
  EXPECT_EQ(jsonchanges(r.out).count("PATH"), 0u) << r.out;
  const std::string good = dir_.write("good.ini", "[Executable Paths]\np = " + bin + "\n");
  const ranprogram ps = runvornenv({"export", "--format", "powershell", nativepath(good)});
  EXPECT_NE(ps.out.find("C:\\x' + [char]0xD800 + ';"), std::string::npos) << ps.out;
  EXPECT_EQ(ps.out.find("0xFFFD"), std::string::npos) << ps.out;
}

}  // namespace
}  // namespace vornenv::testing
