// vornenv with the POSIX shells: what export prints, evaluated by a real
// sh, bash and fish, must give a program exactly what run gives it, and
// must run nothing that the values hold.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "cli/clirun.h"
#include "cli/output/quote.h"
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
    file_ = dir_.write("hostile.ini",
                       "[Environment]\n"
                       // "$(" alone stays as it is, so this builds "$(touch MARK)" without
                       // the library taking it for a reference.
                       "VORNENV_CLI_OPEN = $(\n"
                       "VORNENV_CLI_EVIL = $(VORNENV_CLI_OPEN)touch " +
                           mark_ +
                           ")\n"
                           "VORNENV_CLI_COPY = $(VORNENV_CLI_HOSTILE)\n"
                           "VORNENV_CLI_FILE = it's \"q\" `touch " +
                           mark_ +
                           "` \\ %P% !b! $HOME ; x | y & z > w\n"
                           "[Executable Paths]\n"
                           "bin = " +
                           dir_.mkdir("bin") + "\n");
  }

  const std::string& file() const { return file_; }
  bool marked() const { return std::filesystem::exists(mark_); }

  // What probe prints for the variables, after run applied the file.
  std::string expected() const {
    return "VORNENV_CLI_EVIL=" + hex("$(touch " + mark_ + ")") + "\n" +
           "VORNENV_CLI_COPY=" + hex(hostilevalue(mark_)) + "\n" + "VORNENV_CLI_FILE=" +
           hex("it's \"q\" `touch " + mark_ + "` \\ %P% !b! $HOME ; x | y & z > w") + "\n" +
           "PATH=" + hex(dir_.file("bin") + ":/usr/bin:/bin:" + dir_.file(pathelement(mark_))) +
           "\n";
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

// check reads a file once: a FIFO or a pipe, which cannot be read again,
// still gives the failing line, and check does not wait for a second
// writer.  timeout(1) turns a hang into status 124.
TEST(cli_posix_test, check_reads_pipes_once_and_names_the_line) {
  scopedtempdir dir;
  scopedenv unset("VORNENV_CLI_PIPE", std::nullopt);
  const std::string text = "[Environment]\nA = 1\nB = $(VORNENV_CLI_PIPE)\n";
  const std::string failure = ":3: error: 'VORNENV_CLI_PIPE' envvar is not set yet!\n";

  const std::string fifo = dir.file("fifo.ini");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&] {
    const int fd = ::open(fifo.c_str(), O_WRONLY);
    if (fd < 0) return;
    // Shorter than a pipe's buffer: written whole whether or not anyone reads.
    EXPECT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    ::close(fd);
  });
  ranprogram r = runprogram({"/usr/bin/timeout", "20", VORNENV_EXE, "check", fifo});
  // Frees the writer if the tool never opened the FIFO.
  const int unblock = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  writer.join();
  if (unblock >= 0) ::close(unblock);
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(r.out, fifo + failure);

  const std::string file = dir.write("piped.ini", text);
  r = runprogram({"/usr/bin/timeout", "20", "/bin/sh", "-c",
                  "cat " + quotesh(file) + " | " + quotesh(VORNENV_EXE) + " check /dev/stdin"});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(r.out, "/dev/stdin" + failure);
}

// A library file name is shown, not obeyed: libs lists both copies and the
// warning names it with its escape sequence and line break escaped.  Each
// copy is told as what it is, never as loaded: the dynamic loader does not
// read PATH, which the section extends.
TEST(cli_posix_test, libs_escapes_library_names) {
  scopedtempdir dir;
  const std::string sys = dir.mkdir("sys"), lib = dir.mkdir("lib");
  const std::string name = "libe\x1b[2J\nvil.so";
  dir.write("sys/" + name, "");
  dir.write("lib/" + name, "");
  scopedenv path("PATH", ":");
  const std::string file = dir.write("l.ini", "; libraries\n[Library Paths]\nlib = " + lib + "\n");
  const ranprogram r = runvornenv({"libs", "--system-dirs", sys, file});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, sys + "/libe\\x1B[2J\\nvil.so  (a system copy of the same name as " + lib +
                       "/libe\\x1B[2J\\nvil.so)\n");
  const std::string warning =
      ": warning: These libraries are going to be overridden as they are available in windows, "
      "system or system32 directory: libe\\x1B[2J\\nvil.so\n";
  EXPECT_EQ(r.err, file + ":2" + warning);
}

}  // namespace
}  // namespace vornenv::testing
