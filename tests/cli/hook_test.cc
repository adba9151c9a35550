// VORNENV_FILE and VORNENV_DIR while a file applies, export --undo with
// revert through json, and the trust list that the hook's prompt command
// obeys.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "cli/apply/apply.h"
#include "cli/clirun.h"
#include "cli/commands/commands.h"
#include "cli/jsonread.h"
#include "cli/os/platform.h"
#include "cli/output/quote.h"
#include "cli/project.h"
#include "support/testsupport.h"

namespace vornenv::testing {
namespace {

// The test process holds its texts in the ANSI code page on Windows, while
// the host reads and writes UTF-8: non-ASCII folders are made through
// std::filesystem paths and variables set as exact texts, and what the host
// prints is compared with UTF-8.

// Sets (std::nullopt: removes) a variable as an exact text and puts the old
// one back at the end of the scope.
class scopedexactenv {
 public:
  scopedexactenv(std::string name, const std::optional<std::string>& value)
      : name_(std::move(name)), old_(cli::getenvexact(name_)) {
    EXPECT_TRUE(cli::setenvexact(name_, value)) << name_;
  }
  ~scopedexactenv() { cli::setenvexact(name_, old_); }
  scopedexactenv(const scopedexactenv&) = delete;
  scopedexactenv& operator=(const scopedexactenv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// Makes dir the working directory, which a child started meanwhile
// inherits, until the end of the scope.
class scopedworkdir {
 public:
  explicit scopedworkdir(const std::filesystem::path& dir) : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~scopedworkdir() {
    std::error_code ec;
    std::filesystem::current_path(old_, ec);
  }
  scopedworkdir(const scopedworkdir&) = delete;
  scopedworkdir& operator=(const scopedworkdir&) = delete;

 private:
  std::filesystem::path old_;
};

TEST(hook_test, file_and_folder_are_set_while_applying_and_not_left_behind) {
  const scopedtempdir dir;
  const std::filesystem::path folder = dir.path() / std::filesystem::u8path(u8"Ελένη 用户");
  std::filesystem::create_directories(folder);
  std::filesystem::rename(
      dir.write("dev.ini", "[Environment]\nWHERE = $(VORNENV_DIR)|$(VORNENV_FILE)\n"),
      folder / "dev.ini");
  const std::string plain =
      dir.write("plain/dev.ini", "[Environment]\nWHERE = $(VORNENV_DIR)|$(VORNENV_FILE)\n");
  const std::string own = dir.write("own.ini", "[Environment]\nVORNENV_DIR = mine\n");
  const auto where = [](const std::filesystem::path& file) {
    return jsonobject({{"WHERE", utf8path(file.parent_path()) + "|" + utf8path(file)}});
  };
  const struct {
    const char* what;
    std::optional<std::filesystem::path> workdir;  // std::nullopt: the test's own
    std::string file;
    jsonvalue out;
  } cases[] = {
      // The file named from its own folder, which only UTF-8 can spell.
      {"relative", folder, "dev.ini", where(folder / "dev.ini")},
      {"absolute", std::nullopt, nativepath(plain),
       where(std::filesystem::path(plain).make_preferred())},
      {"set by the file", std::nullopt, nativepath(own), jsonobject({{"VORNENV_DIR", "mine"}})},
  };
  const scopedenv file("VORNENV_FILE", std::nullopt);
  const scopedenv folderset("VORNENV_DIR", std::nullopt);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::optional<scopedworkdir> in;
    if (c.workdir) in.emplace(*c.workdir);
    const ranprogram r = runvornenv({"export", "--format", "json", c.file});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readjson(r.out), c.out);
  }
}

TEST(hook_test, revert_in_json_gives_back_what_export_changed) {
  const scopedtempdir dir;
  dir.mkdir("bin");
  // Non-ASCII text reaches the host through the file, read as UTF-8, and
  // through the variables, set as exact texts.
  const std::string file = dir.write("dev.ini",
                                     "[Environment]\nHOOKTEST_OLD = new\nHOOKTEST_NEW = \xC3\xBC\n"
                                     "[Executable Paths]\nbin = $(VORNENV_DIR)/bin\n");
  const std::string oldvalue = u8"Ελένη";
  const scopedexactenv old("HOOKTEST_OLD", oldvalue);
  const scopedexactenv none("HOOKTEST_NEW", std::nullopt);
  const std::optional<std::string> path = cli::getenvexact("PATH");
  ASSERT_TRUE(path.has_value());
  const ranprogram exported =
      runvornenv({"export", "--undo", "--format", "json", nativepath(file)});
  ASSERT_EQ(exported.status, 0) << exported.err;
  const std::optional<std::string> record = jsonchanges(exported.out)["VORNENV_UNDO"];
  const std::optional<std::string> exportedpath = jsonchanges(exported.out)["PATH"];
  ASSERT_TRUE(record.has_value()) << exported.out;
  ASSERT_TRUE(exportedpath.has_value()) << exported.out;
  ASSERT_NE(*exportedpath, *path);
  EXPECT_EQ(readjson(exported.out)["HOOKTEST_NEW"], jsonvalue("\xC3\xBC")) << exported.out;
  ranprogram reverted;
  {
    // The environment as the shell has it after the export.
    const scopedexactenv undo("VORNENV_UNDO", record);
    const scopedexactenv added("HOOKTEST_NEW", std::string("\xC3\xBC"));
    const scopedexactenv changed("HOOKTEST_OLD", std::string("new"));
    const scopedexactenv exportpath("PATH", exportedpath);
    reverted = runvornenv({"revert", "--format", "json"});
  }
  EXPECT_EQ(reverted.status, 0) << reverted.err;
  const jsonvalue back = readjson(reverted.out);
  EXPECT_EQ(back["HOOKTEST_OLD"], jsonvalue(oldvalue));
  EXPECT_EQ(back["HOOKTEST_NEW"], jsonvalue(nullptr));
  EXPECT_EQ(back["VORNENV_UNDO"], jsonvalue(nullptr));
  EXPECT_EQ(jsonchanges(reverted.out)["PATH"], path) << reverted.out;

  const scopedenv norecord("VORNENV_UNDO", std::nullopt);
  EXPECT_EQ(runvornenv({"revert"}).status, 1);
}

TEST_F(projecttest, prompt_applies_only_allowed_files_once_per_change) {
  const std::string file = dir_.write("proj/.vornenv.ini", "[Environment]\nHOOKTEST_X = 1\n");
  const std::string sub = dir_.mkdir("proj/sub");
  std::filesystem::current_path(sub);
  const ranprogram denied = runvornenv({"prompt", "json"});
  EXPECT_EQ(denied.out.find("HOOKTEST_X"), std::string::npos) << denied.out;
  EXPECT_NE(denied.err.find("is not allowed"), std::string::npos) << denied.err;
  EXPECT_EQ(runvornenv({"allow"}).status, 0);
  const ranprogram applied = runvornenv({"prompt", "json"});
  EXPECT_EQ(jsonchanges(applied.out)["HOOKTEST_X"], "1") << applied.out;
  EXPECT_EQ(applied.err, "vornenv: loaded " + shownpath(file) + ": +HOOKTEST_X\n");
  // An edit needs allowing again.
  dir_.write("proj/.vornenv.ini", "[Environment]\nHOOKTEST_X = 22\n");
  const ranprogram edited = runvornenv({"prompt", "json"});
  EXPECT_NE(jsonchanges(edited.out)["HOOKTEST_X"], "22") << edited.out;
  EXPECT_NE(edited.err.find("changed since it was allowed"), std::string::npos) << edited.err;
  EXPECT_EQ(runvornenv({"deny", nativepath(file)}).status, 0);
}

TEST_F(projecttest, allow_and_deny_know_a_file_by_its_folder_and_name) {
  dir_.write("proj/.vornenv.ini", "[Environment]\nHOOKTEST_T = 1\n");
  const std::filesystem::path proj = dir_.path() / "proj";
  const std::filesystem::path sub = proj / "sub";
  std::filesystem::create_directories(sub);
  const std::string file = utf8path(std::filesystem::canonical(proj) / ".vornenv.ini");
  const struct {
    const char* what;
    std::filesystem::path workdir;
    std::vector<std::string> args;
    int status;
    std::string out;  // "" for any
    bool listed;      // afterwards
  } steps[] = {
      {"deny before allow", sub, {"deny"}, 1, "", false},
      {"allow ./", proj, {"allow", "./.vornenv.ini"}, 0, "allowed: " + file + "\n", true},
      {"deny ../ from below", sub, {"deny", "../.vornenv.ini"}, 0, "denied: " + file + "\n", false},
      {"deny again", sub, {"deny", "../.vornenv.ini"}, 1, "", false},
      {"allow through ..", dir_.path(), {"allow", "proj/sub/../.vornenv.ini"}, 0, "", true},
      {"deny the nearest", sub, {"deny"}, 0, "denied: " + file + "\n", false},
      {"allow a missing file", proj, {"allow", "missing.ini"}, 1, "", false},
      {"allow a folder", proj, {"allow", "sub"}, 1, "", false},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.what);
    std::filesystem::current_path(s.workdir);
    const ranprogram r = runvornenv(s.args);
    EXPECT_EQ(r.status, s.status) << r.err;
    if (!s.out.empty()) {
      EXPECT_EQ(r.out, s.out);
    }
    EXPECT_EQ(listed().find(file) != std::string::npos, s.listed) << listed();
  }
  // A file that is gone is denied by its path as written, normalised.
  std::filesystem::current_path(proj);
  ASSERT_EQ(runvornenv({"allow"}).status, 0);
  std::filesystem::current_path(dir_.path());
  std::filesystem::remove_all(proj);
  EXPECT_EQ(listed(), "missing     " + file + "\n");
  EXPECT_EQ(runvornenv({"deny", "proj/./sub/../.vornenv.ini"}).status, 0);
  EXPECT_EQ(listed(), "");
}

TEST_F(projecttest, list_and_prune_tell_stale_entries) {
  const std::string kept = dir_.write("a/.vornenv.ini", "[Environment]\nHOOKTEST_A = 1\n");
  const std::string edited = dir_.write("b/.vornenv.ini", "[Environment]\nHOOKTEST_B = 1\n");
  const std::string gone = dir_.write("c/.vornenv.ini", "[Environment]\nHOOKTEST_C = 1\n");
  for (const std::string& f : {kept, edited, gone}) {
    ASSERT_EQ(runvornenv({"allow", nativepath(f)}).status, 0);
  }
  dir_.write("b/.vornenv.ini", "[Environment]\nHOOKTEST_B = 2\n");
  std::filesystem::remove(gone);
  const auto id = [](const std::string& f) {
    return utf8path(std::filesystem::canonical(std::filesystem::path(f).parent_path()) /
                    ".vornenv.ini");
  };
  EXPECT_EQ(listed(), "allowed     " + id(kept) + "\nedited      " + id(edited) + "\nmissing     " +
                          utf8path(std::filesystem::path(gone).make_preferred()) + "\n");
  const ranprogram pruned = runvornenv({"allow", "--prune"});
  EXPECT_EQ(pruned.status, 0) << pruned.err;
  EXPECT_EQ(listed(), "allowed     " + id(kept) + "\n");

  // Lines that no vornenv wrote are dropped: a hash that is no hash, a path
  // that is relative (it would name a file wherever the hook runs).
  const std::string list = dir_.write("data/vornenv/allowed", "");
  const std::string hash(64, 'a');
  dir_.write("data/vornenv/allowed", "echo${IFS}CODE;:" + std::string(48, '#') +
                                         " /x/.vornenv.ini\n" + hash + " .vornenv.ini\n" + hash +
                                         " ../sub/.vornenv.ini\n");
  EXPECT_EQ(listed(), "");
  // A list that cannot be read is never written over.
  std::filesystem::remove(list);
  std::filesystem::create_directories(list);
  EXPECT_EQ(runvornenv({"allow", nativepath(kept)}).status, 1);
  EXPECT_EQ(runvornenv({"allow", "--list"}).status, 1);
  EXPECT_TRUE(std::filesystem::is_directory(list));
}

// Each thing the prompt cannot apply is said once per version of the file:
// the note remembers what it saw.
TEST_F(projecttest, the_prompt_says_each_refusal_once) {
  const std::filesystem::path proj = dir_.path() / "proj";
  const std::string file =
      dir_.write("proj/.vornenv.ini", "[Environment]\nmy-var = 1\nHOOKTEST_N = 1\n");
  ASSERT_EQ(runvornenv({"allow", nativepath(file)}).status, 0);
  const ranprogram named = prompt(proj, "sh");
  EXPECT_EQ(named.err, utf8path(std::filesystem::path(file).make_preferred()) +
                           ":2: error: sh cannot set the variable 'my-var' (not a valid name)\n" +
                           utf8path(std::filesystem::path(file).make_preferred()) +
                           ":2: hint: the hook does not apply this file\n")
      << named.err;
  EXPECT_EQ(named.out.find("HOOKTEST_N"), std::string::npos) << named.out;
  EXPECT_EQ(prompt(proj, "sh").err, "");
  EXPECT_EQ(runvornenv({"check", "--strict", nativepath(file)}).status, 1);

  // Allowed while small, then grown past what the hook reads.
  dir_.write("proj/.vornenv.ini", "[Environment]\nHOOKTEST_N = 1\n");
  ASSERT_EQ(runvornenv({"allow", nativepath(file)}).status, 0);
  EXPECT_EQ(jsonchanges(prompt(proj).out)["HOOKTEST_N"], "1");
  std::filesystem::resize_file(file, (std::size_t{1} << 20) + 1);
  const ranprogram large = prompt(proj);
  EXPECT_NE(large.err.find("the most the hook reads; not applied"), std::string::npos) << large.err;
  EXPECT_EQ(jsonchanges(large.out)["HOOKTEST_N"], std::nullopt) << large.out;
  EXPECT_EQ(prompt(proj).err, "");
  EXPECT_EQ(runvornenv({"allow", nativepath(file)}).status, 1);
}

// A file may not choose what the hook trusts next or gives back on leaving:
// where the list of allowed files is, the hook's own state and the names it
// keeps the shell's variables in.  Nor what the shell keeps for itself.
TEST_F(projecttest, files_cannot_move_the_list_or_touch_the_hooks_state) {
  const std::filesystem::path proj = dir_.path() / "proj";
  const struct {
    std::string name, format, why;
  } cases[] = {
      {cli::userdatavariables().front(), "sh", "it says where the list of allowed files is"},
      {"VORNENV_UNDO", "sh", "it holds vornenv's own state"},
      {"VORNENV_QUIET", "fish", "it holds vornenv's own state"},
      {"PROMPT_COMMAND", "sh", "bash runs the hook from it"},
      {"_vornenv_shell_EDITOR", "fish", "the hook keeps the shell's own variables in such names"},
      {"PPID", "sh", "sh cannot set the variable 'PPID' (the shell keeps it for itself)"},
      {"status", "fish", "fish cannot set the variable 'status' (the shell keeps it for itself)"},
      {"zsh_eval_context", "sh",
       "sh cannot set the variable 'zsh_eval_context' (the shell keeps it for itself)"},
      {"status_generation", "fish",
       "fish cannot set the variable 'status_generation' (the shell keeps it for itself)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file =
        dir_.write("proj/.vornenv.ini", "[Environment]\nHOOKTEST_R = 1\n" + c.name + " = x\n");
    ASSERT_EQ(runvornenv({"allow", nativepath(file)}).status, 0);
    const ranprogram r = prompt(proj, c.format);
    EXPECT_NE(r.err.find(":3: error: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(c.why), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("HOOKTEST_R"), std::string::npos) << r.out;
    prompt(dir_.path(), c.format);
  }
}

// The hook's note follows the file's own entry in the list, and its record
// is its own: nothing else the user does is undone by it.
TEST_F(projecttest, the_hook_undoes_only_its_own_changes) {
  const std::filesystem::path proj = dir_.path() / "proj";
  const std::filesystem::path other = dir_.path() / "other";
  const std::string file =
      dir_.write("proj/.vornenv.ini", "[Environment]\nHOOKTEST_CFLAGS = -O2\nHOOKTEST_K = k\n");
  const std::string byhand = dir_.write("byhand.ini", "[Environment]\nHOOKTEST_HAND = 1\n");
  dir_.write("other/.vornenv.ini", "[Environment]\nHOOKTEST_O = 1\n");
  ASSERT_EQ(runvornenv({"allow", nativepath(file)}).status, 0);
  prompt(proj);
  ASSERT_EQ(cli::getenvexact("HOOKTEST_CFLAGS"), "-O2");
  // The user's own value, then another project allowed: nothing to do here.
  cli::setenvexact("HOOKTEST_CFLAGS", "-O0 -g");
  ASSERT_EQ(runvornenv({"allow", utf8path(other / ".vornenv.ini")}).status, 0);
  EXPECT_TRUE(readjson(prompt(proj).out).keys.empty());  // one object, empty
  EXPECT_EQ(cli::getenvexact("HOOKTEST_CFLAGS"), "-O0 -g");
  // An export by hand inside the project survives leaving it, and revert
  // still undoes it.
  const ranprogram exported =
      runvornenv({"export", "--undo", "--format", "json", nativepath(byhand)});
  ASSERT_EQ(exported.status, 0) << exported.err;
  for (const auto& [name, value] : jsonchanges(exported.out)) cli::setenvexact(name, value);
  prompt(dir_.path());
  EXPECT_EQ(cli::getenvexact("HOOKTEST_K"), std::nullopt);
  EXPECT_EQ(cli::getenvexact("HOOKTEST_CFLAGS"), "-O0 -g");
  EXPECT_EQ(cli::getenvexact("HOOKTEST_HAND"), "1");
  const ranprogram reverted = runvornenv({"revert", "--format", "json"});
  ASSERT_EQ(reverted.status, 0) << reverted.err;
  EXPECT_EQ(jsonchanges(reverted.out),
            (std::map<std::string, std::optional<std::string>>{{"HOOKTEST_HAND", std::nullopt},
                                                               {"VORNENV_UNDO", std::nullopt}}));
  // Another project that fails leaves this one's settings behind all the
  // same.
  const std::string failing =
      dir_.write("failing/.vornenv.ini", "[Environment]\nA = $(HOOKTEST_UNSET)\n");
  ASSERT_EQ(runvornenv({"allow", nativepath(failing)}).status, 0);
  prompt(proj);
  EXPECT_EQ(cli::getenvexact("HOOKTEST_K"), "k");
  EXPECT_NE(prompt(dir_.path() / "failing").err.find("error:"), std::string::npos);
  EXPECT_EQ(cli::getenvexact("HOOKTEST_K"), std::nullopt);
}

// VORNENV_DIR is the folder itself, whichever way the file was named; a
// folder whose path would expand again gets neither variable.
TEST_F(projecttest, the_files_folder_is_named_once_and_plainly) {
  dir_.write("p/.vornenv.ini", "[Environment]\nHOOKTEST_D = $(VORNENV_DIR)|$(VORNENV_FILE)\n");
  const std::filesystem::path real = std::filesystem::canonical(dir_.path() / "p");
  std::filesystem::create_directories(real / "sub");
  std::filesystem::current_path(real / "sub");
  const ranprogram r = runvornenv({"export", "--format", "json", "..//./.vornenv.ini"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(jsonchanges(r.out)["HOOKTEST_D"],
            utf8path(real) + "|" + utf8path(real / ".vornenv.ini"));

  const std::filesystem::path odd = dir_.path() / "$(HOOKTEST_HOME)";
  std::filesystem::create_directories(odd);
  std::filesystem::copy_file(real / ".vornenv.ini", odd / ".vornenv.ini");
  const scopedenv home("HOOKTEST_HOME", "elsewhere");
  const scopedenv outer("VORNENV_DIR", "stale");
  std::filesystem::current_path(odd);
  const ranprogram held = runvornenv({"export", ".vornenv.ini"});
  EXPECT_EQ(held.status, 1);
  EXPECT_NE(held.err.find(":2: error: 'VORNENV_DIR' envvar is not set yet!\n"), std::string::npos)
      << held.err;
  EXPECT_NE(held.err.find("hint: VORNENV_DIR is not set for this file: its folder '"),
            std::string::npos)
      << held.err;
}

// Writers of the list hold a lock and replace it whole: no update is lost,
// whatever runs at the same time.
TEST_F(projecttest, concurrent_allows_and_denies_lose_nothing) {
  std::vector<std::string> first, second;
  for (int i = 0; i < 20; ++i) {
    first.push_back(shownpath(dir_.write("p" + std::to_string(i) + "/.vornenv.ini",
                                         "[Environment]\nHOOKTEST_P = " + std::to_string(i))));
    second.push_back(shownpath(dir_.write("q" + std::to_string(i) + "/.vornenv.ini",
                                          "[Environment]\nHOOKTEST_Q = " + std::to_string(i))));
  }
  const auto together = [](const std::vector<std::vector<std::string>>& commands) {
    std::vector<std::thread> threads;
    std::vector<int> status(commands.size(), -1);
    for (std::size_t i = 0; i < commands.size(); ++i) {
      threads.emplace_back([&status, &commands, i] { status[i] = runvornenv(commands[i]).status; });
    }
    for (std::thread& t : threads) t.join();
    return status;
  };
  std::vector<std::vector<std::string>> allows;
  for (const std::string& f : first) allows.push_back({"allow", f});
  for (int status : together(allows)) EXPECT_EQ(status, 0);
  std::string list = listed();
  for (const std::string& f : first) EXPECT_NE(list.find(f), std::string::npos) << f;

  // Each deny of a first file beside an allow of a second one.
  std::vector<std::vector<std::string>> pairs;
  for (std::size_t i = 0; i < first.size(); ++i) {
    pairs.push_back({"deny", first[i]});
    pairs.push_back({"allow", second[i]});
  }
  for (int status : together(pairs)) EXPECT_EQ(status, 0);
  list = listed();
  for (const std::string& f : first) EXPECT_EQ(list.find(f), std::string::npos) << f;
  for (const std::string& f : second) EXPECT_NE(list.find(f), std::string::npos) << f;
}

}  // namespace
// status at each stage of a project's life, and the hint that names the
// reload once a missing folder is there.
TEST_F(projecttest, status_tells_file_trust_and_what_the_hook_did) {
  const std::filesystem::path proj = dir_.mkdir("proj");
  const std::string file = dir_.write("proj/.vornenv.ini", "[Environment]\nHOOKTEST_S = 1\n");
  auto status = [&] {
    std::filesystem::current_path(proj);
    const ranprogram r = runvornenv({"status"});
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
  };
  const std::string shown = "file:    " + shownpath(file) + "\n";
  EXPECT_EQ(status(),
            shown + "allowed: no, never allowed ('vornenv allow' allows it)\n" +
                "hook:    has not run in this shell ('vornenv hook --help' installs it)\n");
  EXPECT_EQ(runvornenv({"allow"}).status, 0);
  prompt(proj);
  EXPECT_EQ(status(), shown + "allowed: yes\nhook:    applied this file in this shell\n" +
                          "changed: +HOOKTEST_S\n");
  dir_.write("proj/.vornenv.ini", "[Environment]\nHOOKTEST_S = 2\n");
  EXPECT_NE(status().find("allowed: no, edited since it was allowed"), std::string::npos);

  // A folder that is missing fails until it is there; the hook names the
  // reload, and --again applies the file as it is.
  dir_.write("proj/.vornenv.ini", "[Executable Paths]\nd = $(VORNENV_DIR)/later\n");
  EXPECT_EQ(runvornenv({"allow"}).status, 0);
  const ranprogram failed = prompt(proj);
  EXPECT_NE(failed.err.find("hint: once it is there, 'vornenv_reload' applies the file again"),
            std::string::npos)
      << failed.err;
  // The version applied before stays until this one applies.
  EXPECT_NE(status().find("changed: +HOOKTEST_S\n"), std::string::npos);
  dir_.mkdir("proj/later");
  EXPECT_EQ(prompt(proj).out, "{}\n");
  std::filesystem::current_path(proj);
  const ranprogram again = runvornenv({"prompt", "json", "--again"});
  EXPECT_NE(again.err.find(": ~PATH -HOOKTEST_S\n"), std::string::npos) << again.err;
}

}  // namespace vornenv::testing
