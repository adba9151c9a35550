// "-" as a description file: standard input, read to its end as bytes.

#include <gtest/gtest.h>

#include "cli/clirun.h"
#include "cli/os/platform.h"

namespace vornenv::testing {
namespace {

// Every command that reads FILEs takes "-": the bytes as they are (a
// Ctrl-Z before the end is no end of input), named <stdin>, without
// VORNENV_FILE, VORNENV_DIR the working directory.
TEST(stdin_test, a_dash_is_standard_input) {
  const std::string value = "\xc3\xa9\xe6\x97\xa5 ";  // "é日 "
  const std::string good = "[Environment]\r\nSTDIN_A = " + value + "$(VORNENV_DIR)\r\n";
  const std::string here = cli::currentdir();
  struct testcase {
    std::vector<std::string> args;
    std::string input;
    int status;
    std::string out;  // contained in stdout
    std::string err;  // contained in stderr; "" for none at all
  };
  const std::vector<testcase> cases = {
      {{"run", "-", "--", probe(), "env", "STDIN_A", "VORNENV_FILE"},
       good,
       0,
       "STDIN_A=" + hex(value + here) + "\nVORNENV_FILE unset\n",
       "vornenv: warning: the description is read from standard input"},
      {{"export", "--format", "json", "-"}, good, 0, "STDIN_A", ""},
      {{"show", "-"}, good, 0, "<stdin>\n", ""},
      {{"libs", "-"}, good, 1, "", "<stdin> has no section"},
      {{"explain", "STDIN_A", "-"}, good, 0, "<stdin>:2", ""},
      {{"check", "-"}, "[Environment]\nA = 1\n\x1a\nB = 2\n", 1, "<stdin>:3: error: ", ""},
      {{"export", "-"}, "[Environment]\nB = $(STDIN_UNSET)\n", 1, "", "<stdin>:2: error: "},
      // Read once, so only once.
      {{"check", "-", "-"}, good, 2, "", "standard input ('-') given twice"},
      {{"allow", "-"}, good, 2, "", "not standard input"},
      {{"deny", "-"}, good, 2, "", "not standard input"},
  };
  for (const testcase& c : cases) {
    const ranprogram r = runvornenv(c.args, c.input);
    const std::string shown = c.args[0] + " " + c.args[1];
    EXPECT_EQ(r.status, c.status) << shown << '\n' << r.err;
    EXPECT_NE(lf(r.out).find(c.out), std::string::npos) << shown << '\n' << r.out;
    if (c.err.empty()) {
      EXPECT_EQ(r.err, "") << shown;
    } else {
      EXPECT_NE(r.err.find(c.err), std::string::npos) << shown << '\n' << r.err;
    }
  }
}

}  // namespace
}  // namespace vornenv::testing
