// The per-project commands where POSIX allows what Windows does not: any
// byte but '/' in a folder name, links, FIFOs, and a working directory that
// is removed under the shell.

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "cli/clirun.h"
#include "cli/project.h"
#include "support/testsupport.h"

namespace vornenv::testing {
namespace {

// Counts the times a file is opened from its construction on (inotify).
class opencounter {
 public:
  explicit opencounter(const std::string& path) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    EXPECT_GE(fd_, 0);
    EXPECT_GE(inotify_add_watch(fd_, path.c_str(), IN_OPEN), 0);
  }
  ~opencounter() { close(fd_); }
  opencounter(const opencounter&) = delete;
  opencounter& operator=(const opencounter&) = delete;

  int opens() {
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = read(fd_, buffer, sizeof buffer)) > 0;) {
      for (ssize_t at = 0; at < n;) {
        const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
        if ((e->mask & IN_OPEN) != 0) ++opens_;
        at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
      }
    }
    return opens_;
  }

 private:
  int fd_;
  int opens_ = 0;
};

// Every folder name here holds a byte that a path inside a description file
// may not: the project is still found, allowed, applied and checked, and
// "a\b" is never read as "a/b".
TEST_F(projecttest, folder_names_hold_any_byte_but_the_separator) {
  dir_.write("a/b/.vornenv.ini", "[Environment]\nHOOKTEST_W = never allowed\n");
  for (const std::string name : {"a\\b", "colon:dir", "it's \"q\"", "pipe|star*what?"}) {
    SCOPED_TRACE(name);
    const std::string file =
        dir_.write(name + "/.vornenv.ini", "[Environment]\nHOOKTEST_W = " + name + "\n");
    const std::filesystem::path folder = dir_.path() / name;
    std::filesystem::current_path(folder);
    const ranprogram allowed = runvornenv({"allow"});
    EXPECT_EQ(allowed.status, 0) << allowed.err;
    EXPECT_EQ(jsonchanges(prompt(folder).out)["HOOKTEST_W"], name);
    cli::setenvexact("HOOKTEST_W", std::nullopt);
    for (const std::string& given : {file, std::string(".vornenv.ini")}) {
      const ranprogram exported = runvornenv({"export", "--format", "json", given});
      EXPECT_EQ(jsonchanges(exported.out)["HOOKTEST_W"], name) << exported.err;
      const ranprogram checked = runvornenv({"check", given});
      EXPECT_EQ(checked.out, given + ": ok\n") << checked.err;
      const ranprogram ran = runvornenv({"run", given, "--", VORNENV_PROBE, "env", "HOOKTEST_W"});
      EXPECT_EQ(ran.out, "HOOKTEST_W=" + hex(name) + "\n") << ran.err;
    }
  }
}

TEST_F(projecttest, links_are_followed_to_the_folder_not_to_the_file) {
  const std::string file = dir_.write("proj/.vornenv.ini", "[Environment]\nHOOKTEST_L = 1\n");
  const std::filesystem::path real = std::filesystem::canonical(dir_.path() / "proj");
  std::filesystem::create_directory_symlink(real, dir_.path() / "link");
  const ranprogram allowed = runvornenv({"allow", (dir_.path() / "link/.vornenv.ini").string()});
  EXPECT_EQ(allowed.out, "allowed: " + (real / ".vornenv.ini").string() + "\n");
  EXPECT_EQ(runvornenv({"deny", file}).status, 0);

  // A .vornenv.ini that is itself a link is trusted under its own name, and
  // read through the link.
  const std::string target = dir_.write("elsewhere/x.ini", "[Environment]\nHOOKTEST_L = 2\n");
  const std::filesystem::path linked = dir_.path() / "linked";
  std::filesystem::create_directories(linked);
  std::filesystem::create_symlink(target, linked / ".vornenv.ini");
  std::filesystem::current_path(linked);
  EXPECT_EQ(runvornenv({"allow"}).out,
            "allowed: " + (std::filesystem::canonical(linked) / ".vornenv.ini").string() + "\n");
  EXPECT_EQ(jsonchanges(prompt(linked).out)["HOOKTEST_L"], "2");
  dir_.write("elsewhere/x.ini", "[Environment]\nHOOKTEST_L = 3\n");
  const ranprogram edited = prompt(linked);
  EXPECT_EQ(jsonchanges(edited.out)["HOOKTEST_L"], std::nullopt) << edited.out;
  EXPECT_NE(edited.err.find("changed since it was allowed"), std::string::npos) << edited.err;
}

// The prompt opens an allowed file once, hashes those bytes and parses the
// same bytes; it never opens a file that the list does not hold, however
// large, nor waits on a FIFO.
TEST_F(projecttest, the_prompt_opens_an_allowed_file_once_and_others_never) {
  const std::string file = dir_.write("proj/.vornenv.ini", "[Environment]\nHOOKTEST_O = 1\n");
  const std::filesystem::path proj = dir_.path() / "proj";
  ASSERT_EQ(runvornenv({"allow", file}).status, 0);
  {
    opencounter counter(file);
    EXPECT_EQ(jsonchanges(prompt(proj).out)["HOOKTEST_O"], "1");
    EXPECT_EQ(counter.opens(), 1);
  }
  const std::filesystem::path huge = dir_.path() / "huge";
  std::filesystem::create_directories(huge / "sub");
  dir_.write("huge/.vornenv.ini", "");
  std::filesystem::resize_file(huge / ".vornenv.ini", std::uintmax_t{4} << 30);
  {
    opencounter counter((huge / ".vornenv.ini").string());
    const ranprogram r = prompt(huge / "sub");
    EXPECT_NE(r.err.find("is not allowed"), std::string::npos) << r.err;
    EXPECT_EQ(prompt(huge / "sub").err, "");
    EXPECT_EQ(counter.opens(), 0);
  }
}

// Deeper than a path the system takes whole: the folder's own file cannot be
// looked at, and the one of a folder above must not be taken instead.
TEST_F(projecttest, a_folder_that_cannot_be_looked_in_is_not_skipped) {
  dir_.write(".vornenv.ini", "[Environment]\nHOOKTEST_DEEP = parent\n");
  std::filesystem::current_path(dir_.path());
  const std::string name(200, 'd');
  for (int i = 0; i < 25; ++i) {
    std::filesystem::create_directory(name);
    std::filesystem::current_path(name);
  }
  {
    std::ofstream own(".vornenv.ini");
    own << "[Environment]\nHOOKTEST_DEEP = own\n";
  }
  const ranprogram allowed = runvornenv({"allow"});
  EXPECT_EQ(allowed.status, 1);
  EXPECT_NE(allowed.err.find("cannot look for"), std::string::npos) << allowed.err;
  const ranprogram r = runvornenv({"prompt", "json"});
  EXPECT_EQ(r.out.find("HOOKTEST_DEEP"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("cannot look for"), std::string::npos) << r.err;
  std::filesystem::current_path(dir_.path());
  std::filesystem::remove_all(name);
}

TEST_F(projecttest, a_removed_working_directory_is_said_once) {
  const std::filesystem::path gone = dir_.path() / "gone";
  std::filesystem::create_directories(gone);
  const scopedenv pwd("PWD", gone.string());
  std::filesystem::current_path(gone);
  std::filesystem::remove(gone);
  const ranprogram first = runvornenv({"prompt", "json"});
  EXPECT_NE(first.err.find("working directory"), std::string::npos) << first.err;
  for (const auto& [name, value] : jsonchanges(first.out)) cli::setenvexact(name, value);
  EXPECT_EQ(runvornenv({"prompt", "json"}).err, "");
}

}  // namespace
// A relative HOME would let the project's own folder hold the list: there
// is no list then, and what was applied is undone, said once.
TEST_F(projecttest, a_relative_home_holds_no_list) {
  const std::filesystem::path proj = dir_.path() / "proj";
  dir_.write("proj/.vornenv.ini", "[Environment]\nHOOKTEST_H = 1\n");
  ASSERT_EQ(runvornenv({"allow", utf8path(proj / ".vornenv.ini")}).status, 0);
  prompt(proj);
  ASSERT_EQ(cli::getenvexact("HOOKTEST_H"), "1");
  const scopedenv xdg("XDG_DATA_HOME", std::nullopt), home("HOME", ".");
  const ranprogram r = prompt(proj);
  EXPECT_NE(r.err.find("HOME is set to an absolute path; "), std::string::npos) << r.err;
  EXPECT_EQ(cli::getenvexact("HOOKTEST_H"), std::nullopt);
  EXPECT_EQ(prompt(proj).err, "");
}

}  // namespace vornenv::testing
