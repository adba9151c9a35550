// vornenv on Windows (and under Wine): the command line that run builds,
// and export --format cmd run by cmd itself.

#include <filesystem>

#include <gtest/gtest.h>

#include "cli/clirun.h"
#include "support/testsupport.h"

namespace vornenv::testing {
namespace {

std::string probe() { return nativepath(VORNENV_PROBE); }

TEST(cli_windows_test, run_quotes_arguments_as_the_c_runtime_reads_them) {
  scopedtempdir dir;
  const std::string file = dir.write("empty.ini", "[Settings]\n");
  const std::vector<std::string> args = {"a b", "q\"uote", "trail\\", "\\\\server\\share\\", "",
                                         "x\\\"y", "tab\there", "%PATH%", "a&b", "two  blanks"};
  std::vector<std::string> cmd = {"run", file, "--", probe(), "args"};
  cmd.insert(cmd.end(), args.begin(), args.end());
  const ranprogram r = runvornenv(cmd);
  EXPECT_EQ(r.status, 0) << r.err;
  std::string expected;
  for (const std::string& a : args) expected += hex(a) + "\n";
  EXPECT_EQ(lf(r.out), expected);
}

TEST(cli_windows_test, export_cmd_run_by_cmd_gives_what_run_gives) {
  scopedtempdir dir;
  const std::string mark = dir.file("marker");
  scopedenv inherited("VORNENV_CLI_HOSTILE", "in \"side\" & type nul > " + mark + " ^ %PATH% !b!");
  const std::string file = dir.write(
      "hostile.ini",
      "[Environment]\n"
      "VORNENV_CLI_COPY = $(VORNENV_CLI_HOSTILE)\n"
      "VORNENV_CLI_FILE = it's \"q\"\" & type nul > " + mark + " | x < y ^ (z) %PATH% !b! 50%\n"
      "[Executable Paths]\n"
      "bin = " + dir.mkdir("bin") + "\n");
  const std::vector<std::string> names = {"VORNENV_CLI_COPY", "VORNENV_CLI_FILE", "PATH"};

  std::vector<std::string> run = {"run", file, "--", probe(), "env"};
  run.insert(run.end(), names.begin(), names.end());
  const ranprogram byrun = runvornenv(run);
  ASSERT_EQ(byrun.status, 0) << byrun.err;

  const ranprogram exported = runvornenv({"export", "--format", "cmd", file});
  ASSERT_EQ(exported.status, 0) << exported.err;
  std::string script = exported.out + "@" + probe() + " env";
  for (const std::string& n : names) script += " " + n;
  const std::string batch = dir.write("apply.cmd", script + "\r\n");
  const ranprogram bycmd = runprogram({"cmd", "/c", batch});
  EXPECT_EQ(bycmd.status, 0) << bycmd.err;
  EXPECT_EQ(bycmd.out, byrun.out);
  EXPECT_FALSE(std::filesystem::exists(mark));
}

TEST(cli_windows_test, batch_files_get_no_argument_that_cmd_would_act_on) {
  scopedtempdir dir;
  const std::string file = dir.write("empty.ini", "[Settings]\n");
  const std::string batch = dir.write("quiet.bat", "@exit /b 0\r\n");
  EXPECT_EQ(runvornenv({"run", file, "--", batch, "plain"}).status, 0);
  const ranprogram r = runvornenv({"run", file, "--", batch, "a&calc"});
  EXPECT_EQ(r.status, 126);
  EXPECT_NE(r.err.find("safely to the batch file"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace vornenv::testing
