// The variables live in environ: what child processes inherit.

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/testsupport.h"
#include "vornplatform/vornplatform.h"

extern char** environ;

namespace vornplatform {
namespace {

using vornenv::testing::scopedenv;

// Runs printenv_child, which the build puts beside this executable, with
// the given arguments and the current environ; returns its exit status.
int runchild(std::vector<std::string> args) {
  const std::filesystem::path exe =
      std::filesystem::read_symlink("/proc/self/exe").parent_path() / "printenv_child";
  args.insert(args.begin(), exe.string());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid;
  if (::posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
    ADD_FAILURE() << "cannot start " << exe;
    return 101;
  }
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return 102;
  return WEXITSTATUS(status);
}

TEST(vornplatform_posix_test, child_process_inherits_what_putenvvar_sets) {
  scopedenv guard("VORNENV_TEST_CHILD", std::nullopt);
  EXPECT_EQ(runchild({"VORNENV_TEST_CHILD"}), 1);
  putenvvar("VORNENV_TEST_CHILD", "from parent");
  EXPECT_EQ(runchild({"VORNENV_TEST_CHILD", "from parent"}), 0);
  putenvvar("VORNENV_TEST_CHILD", "");
  EXPECT_EQ(runchild({"VORNENV_TEST_CHILD"}), 1);
}

// Names are bytes here, matched as they are: letter case counts.
TEST(vornplatform_posix_test, a_name_is_its_own_key) {
  for (const std::string name : {"Mixed_Case", "\xC3\xA9t\xC3\xA9", "\xFF\xFE bytes"}) {
    EXPECT_EQ(exactkey(name), name);
  }
  EXPECT_NE(exactkey("path"), exactkey("PATH"));
}

}  // namespace
}  // namespace vornplatform
