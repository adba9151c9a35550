// The per-project commands where Windows differs: names compared without
// letter case, as the system compares them.

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace vornenv::testing
