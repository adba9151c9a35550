// help, -V and completion; the bash, zsh and fish scripts are driven in
// those shells by completion_session.sh.

#include <gtest/gtest.h>

#include "cli/clirun.h"

namespace vornenv::testing {
namespace {

// Each spelling prints what its twin prints.
TEST(completion_test, help_and_version_have_two_spellings) {
  const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> twins = {
      {{"help"}, {"--help"}},
      {{"help", "export"}, {"export", "--help"}},
      {{"help", "completion"}, {"completion", "-h"}},
      {{"-V"}, {"--version"}},
  };
  for (const auto& [one, other] : twins) {
    const ranprogram a = runvornenv(one), b = runvornenv(other);
    EXPECT_EQ(a.status, 0) << one[0];
    EXPECT_NE(a.out, "") << one[0];
    EXPECT_EQ(a.out, b.out) << one[0];
  }
  const std::vector<std::vector<std::string>> usage = {
      {"help", "frob"},
      {"help", "run", "show"},
      {"completion"},
      {"completion", "tcsh"},
      {"hook", "bash", "--system-dirs", "/x"},
  };
  for (const auto& args : usage) {
    const ranprogram r = runvornenv(args);
    EXPECT_EQ(r.status, 2) << args[0] << " " << args[1 % args.size()];
    EXPECT_EQ(r.out, "");
  }
}

// No PowerShell runs here: its script is held to this one, which a change
// to the command table changes too (regenerate it with 'vornenv completion
// powershell > tests/cli/completion.ps1' and read the difference).
TEST(completion_test, the_powershell_script_is_the_one_reviewed) {
  const ranprogram r = runvornenv({"completion", "powershell"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, slurp(nativepath(VORNENV_SOURCE_DIR "/tests/cli/completion.ps1")));
}

}  // namespace
}  // namespace vornenv::testing
