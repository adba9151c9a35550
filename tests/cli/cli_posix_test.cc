// vornenv with the POSIX shells: what export prints, evaluated by a real
// sh, bash and fish, must give a program exactly what run gives it, and
// must run nothing that the values hold.

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "cli/clirun.h"
#include "cli/quote.h"
#include "support/testsupport.h"

namespace vornenv::testing {
namespace {

using cli::quotesh;

// A description file and an environment whose values hold everything a
// shell might act on.  MARK is created by any of them that gets run.
class hostile {
 public:
  // A directory on PATH, whose name holds commands too.
  static std::string pathelement(const std::string& mark) {
    return "it's `touch " + mark + "` $(touch " + mark + ")";
  }

  static std::string hostilevalue(const std::string& mark) {
    return "it's \"q\" `touch " + mark + "` \\ %P% !b! $HOME\nline2 '\\'' $x ${y}";
  }

  hostile()
      : mark_(dir_.file("marker")),
        // No "$(...)": the library would take it for a reference.
        inherited_("VORNENV_CLI_HOSTILE", hostilevalue(mark_)),
        path_("PATH", "/usr/bin:/bin:" + dir_.mkdir(pathelement(mark_)) + ":/usr/bin") {
    file_ = dir_.write(
        "hostile.ini",
        "[Environment]\n"
        // "$(" alone stays as it is, so this builds "$(touch MARK)" without
        // the library taking it for a reference.
        "VORNENV_CLI_OPEN = $(\n"
        "VORNENV_CLI_EVIL = $(VORNENV_CLI_OPEN)touch " + mark_ + ")\n"
        "VORNENV_CLI_COPY = $(VORNENV_CLI_HOSTILE)\n"
        "VORNENV_CLI_FILE = it's \"q\" `touch " + mark_ + "` \\ %P% !b! $HOME ; x | y & z > w\n"
        "[Executable Paths]\n"
        "bin = " + dir_.mkdir("bin") + "\n");
  }

  const std::string& file() const { return file_; }
  bool marked() const { return std::filesystem::exists(mark_); }

  // What probe prints for the variables, after run applied the file.
  std::string expected() const {
    return "VORNENV_CLI_EVIL=" + hex("$(touch " + mark_ + ")") + "\n" +
           "VORNENV_CLI_COPY=" + hex(hostilevalue(mark_)) + "\n" +
           "VORNENV_CLI_FILE=" + hex("it's \"q\" `touch " + mark_ + "` \\ %P% !b! $HOME ; x | y & z > w") + "\n" +
           "PATH=" + hex(dir_.file("bin") + ":/usr/bin:/bin:" + dir_.file(pathelement(mark_))) + "\n";
  }

  static std::vector<std::string> names() {
    return {"VORNENV_CLI_EVIL", "VORNENV_CLI_COPY", "VORNENV_CLI_FILE", "PATH"};
  }

 private:
  scopedtempdir dir_;
  std::string mark_;
  scopedenv inherited_;
  scopedenv path_;
  std::string file_;
};

std::string probecall() {
  std::string call = quotesh(VORNENV_PROBE) + " env";
  for (const std::string& n : hostile::names()) call += " " + n;
  return call;
}

TEST(cli_posix_test, run_gives_the_values_exactly_and_runs_none) {
  hostile h;
  std::vector<std::string> args = {"run", h.file(), "--", VORNENV_PROBE, "env"};
  for (const std::string& n : hostile::names()) args.push_back(n);
  const ranprogram r = runvornenv(args);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, h.expected());
  EXPECT_FALSE(h.marked());
}

TEST(cli_posix_test, export_evaluated_by_sh_and_bash_gives_what_run_gives) {
  hostile h;
  for (const char* shell : {"/bin/sh", "/bin/bash"}) {
    const std::string script = "eval \"$(" + quotesh(VORNENV_EXE) + " export " + quotesh(h.file()) +
                               ")\" && exec " + probecall();
    const ranprogram r = runprogram({shell, "-c", script});
    EXPECT_EQ(r.status, 0) << shell << ": " << r.err;
    EXPECT_EQ(r.out, h.expected()) << shell;
  }
  EXPECT_FALSE(h.marked());
}

TEST(cli_posix_test, export_sourced_by_fish_gives_what_run_gives) {
  std::string fish;
  for (const char* dir : {"/usr/bin/fish", "/usr/local/bin/fish", "/bin/fish"}) {
    if (::access(dir, X_OK) == 0) fish = dir;
  }
  if (fish.empty()) GTEST_SKIP() << "fish is not installed";
  hostile h;
  // Inside fish's '...' only \ and ' are special.
  const auto word = [](const std::string& s) {
    std::string w = "'";
    for (char c : s) w += c == '\\' || c == '\'' ? std::string("\\") + c : std::string(1, c);
    return w + "'";
  };
  const std::string script = word(VORNENV_EXE) + " export --format fish " + word(h.file()) +
                             " | source; and exec " + probecall();
  const ranprogram r = runprogram({fish, "-c", script});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, h.expected());
  EXPECT_FALSE(h.marked());
}

TEST(cli_posix_test, commands_that_cannot_run_give_126_and_127) {
  scopedtempdir dir;
  const std::string file = dir.write("empty.ini", "[Settings]\n");
  const std::string script = dir.write("script.sh", "#!/bin/sh\nexit 0\n");
  ::chmod(script.c_str(), 0644);
  EXPECT_EQ(runvornenv({"run", file, "--", script}).status, 126);
  EXPECT_EQ(runvornenv({"run", file, "--", dir.path().string()}).status, 126);
  EXPECT_EQ(runvornenv({"run", file, "--", "vornenv-no-such-command"}).status, 127);
  ::chmod(script.c_str(), 0755);
  EXPECT_EQ(runvornenv({"run", file, "--", script}).status, 0);
}

}  // namespace
}  // namespace vornenv::testing
