// The built vornenv, run as a user runs it: exit status, what goes to
// stdout and what to stderr.

#include <gtest/gtest.h>
#include <vornenv/vornenv.h>

#include <cerrno>
#include <cstring>

#include "cli/clirun.h"
#include "cli/jsonread.h"
#include "cli/os/platform.h"
#include "support/testsupport.h"

namespace vornenv::testing {
namespace {

const std::string sep(1, pathlistsep);

// Usage errors: exit 2, one line naming the trouble and the help to read,
// nothing on stdout, and no file read.
TEST(cli_test, usage_errors_exit_2_with_one_line) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"frob"},
      {"--frob"},
      {"show", "--frob", "never-read.ini"},
      {"run", "never-read.ini", "cmd"},
      {"run", "never-read.ini", "--"},
      {"run", "--", "cmd"},
      {"export", "never-read.ini", "--format", "tcsh"},
      {"libs", "a.ini", "b.ini"},
      {"libs", "a.ini", "--section"},
      {"libs", "never-read.ini", "--format", "sh"},
      {"show", "never-read.ini", "--all"},
      {"explain", "NAME"},
      {"expand"},
      // Each command takes only its own options.
      {"export", "--strict", "never-read.ini"},
      {"check", "--all", "never-read.ini"},
      {"show", "--section", "X", "never-read.ini"},
      {"libs", "never-read.ini", "--each"},
      {"run", "--format", "sh", "never-read.ini", "--", "cmd"},
      {"expand", "--format=sh", "x"},
      {"explain", "--strict", "NAME", "never-read.ini"},
      {"check", "--undo", "never-read.ini"},
      {"revert", "--undo"},
      {"revert", "never-read.ini"},
      {"revert", "--format", "tcsh"},
      {"hook", "--format", "sh", "bash"},
      {"hook"},
      {"prompt", "--format=sh"},
      {"prompt", "cmd"},
      {"allow", "--undo", "never-read.ini"},
      {"allow", "--list", "never-read.ini"},
      {"allow", "--list", "--prune"},
      {"deny", "--list"},
      {"deny", "a.ini", "b.ini"},
  };
  for (const auto& args : cases) {
    const ranprogram r = runvornenv(args);
    const std::string shown = args.empty() ? "(none)" : args[0] + " ...";
    EXPECT_EQ(r.status, 2) << shown;
    EXPECT_EQ(r.out, "") << shown;
    ASSERT_FALSE(r.err.empty()) << shown;
    EXPECT_EQ(r.err.rfind("vornenv: ", 0), 0u) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    EXPECT_NE(r.err.find("--help')"), std::string::npos) << r.err;
  }
}

// No PowerShell runs here: the hook's text is held to this one.  The user's
// $? and $LASTEXITCODE reach the prompt they had, and the tool's own path
// goes through export's quoting, plain ASCII, so no quote character of any
// code page can end it.
TEST(cli_test, the_powershell_hook_keeps_the_users_status) {
  const ranprogram r = runvornenv({"hook", "powershell"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string call = "  $vornenvout = & (", tail = ") prompt powershell | Out-String\n";
  const std::size_t from = r.out.find(call), to = r.out.find(tail);
  ASSERT_NE(from, std::string::npos) << r.out;
  ASSERT_NE(to, std::string::npos) << r.out;
  const std::string self = r.out.substr(from + call.size(), to - from - call.size());
  EXPECT_EQ(self.front(), '\'') << self;
  for (char c : self) EXPECT_LT(static_cast<unsigned char>(c), 0x80) << self;
  EXPECT_EQ(r.out.substr(0, from + call.size()) + "SELF" + r.out.substr(to),
            "if (-not $global:__vornenvprompt) { $global:__vornenvprompt = $function:prompt }\n"
            "function global:prompt {\n"
            "  $vornenvok = $global:?\n"
            "  $vornenvexit = $global:LASTEXITCODE\n"
            "  $vornenvout = & (SELF) prompt powershell | Out-String\n"
            "  if ($vornenvout) { Invoke-Expression $vornenvout }\n"
            "  $global:LASTEXITCODE = $vornenvexit\n"
            "  if (-not $vornenvok) { Write-Error '' -ErrorAction Ignore }\n"
            "  & $global:__vornenvprompt\n"
            "}\n");
}

TEST(cli_test, help_and_version) {
  ranprogram r = runvornenv({"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, std::string("vornenv ") + VORNENV_VERSION + "\n");
  for (const char* cmd : {"run", "export", "show", "libs", "check", "expand", "explain", "revert",
                          "hook", "prompt", "allow"}) {
    r = runvornenv({cmd, "--help"});
    EXPECT_EQ(r.status, 0) << cmd;
    EXPECT_EQ(r.out.rfind(std::string("usage: vornenv ") + cmd, 0), 0u) << r.out;
    EXPECT_EQ(r.err, "");
  }
  r = runvornenv({"export", "--help"});
  EXPECT_NE(r.out.find(std::string("The default is ") + cli::defaultformat() + ".  "),
            std::string::npos)
      << r.out;
  r = runvornenv({"--help"});
  EXPECT_EQ(r.status, 0);
  for (const char* line : {"\n  run FILE... -- COMMAND", "\n  check FILE...", "\n  explain NAME",
                           "\n  revert [--format F]", "\n  allow [FILE] | deny [FILE]"}) {
    EXPECT_NE(r.out.find(line), std::string::npos) << line;
  }
}

// A failing file exits 1 with one line, compiler style, whatever the
// command; the library's own assertion line is not written.
// sh and fish would read a name such as my-var as code: export refuses it
// at the line that set it, and revert refuses it too.
TEST(cli_test, a_name_the_shell_cannot_set_is_a_located_error) {
  scopedtempdir dir;
  scopedenv unset("VORNENV_CLI_OK", std::nullopt);
  const std::string file = dir.write("n.ini", "[Environment]\nVORNENV_CLI_OK = 1\nmy-var = 1\n");
  for (const char* format : {"sh", "fish"}) {
    const ranprogram r = runvornenv({"export", "--format", format, file});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, file + ":3: error: " + format +
                         " cannot set the variable 'my-var' (not a valid name)\n" + file +
                         ":3: hint: sh and fish take names of letters, digits and '_' that do not "
                         "start with a digit\n");
  }
  const ranprogram json = runvornenv({"export", "--undo", "--format", "json", file});
  ASSERT_EQ(json.status, 0) << json.err;
  // The environment as the export left it.
  scopedenv undo("VORNENV_UNDO", readjson(json.out)["VORNENV_UNDO"].str());
  scopedenv set("VORNENV_CLI_OK", "1");
  scopedenv named("my-var", "1");
  const ranprogram reverted = runvornenv({"revert", "--format", "sh"});
  EXPECT_EQ(reverted.status, 1);
  EXPECT_EQ(reverted.err,
            "vornenv: revert: sh cannot set the variable 'my-var' (not a valid name)\n");
}

TEST(cli_test, failing_files_exit_1_with_one_located_line) {
  scopedtempdir dir;
  scopedenv unset("VORNENV_CLI_UNSET", std::nullopt);
  const std::string missing = dir.file("missing.ini");
  const std::string bad =
      dir.write("bad.ini", "[Environment]\n; note\nA = 1\nB = $(VORNENV_CLI_UNSET)\n");
  // Named exactly as given, with the system's reason.
  const std::string unreadable =
      missing + ": error: " + missing + " Provided ini file does not exist or is not readable!\n" +
      missing + ": hint: the system says: " + std::strerror(ENOENT) + "\n";
  const std::string unsetline = bad + ":4: error: 'VORNENV_CLI_UNSET' envvar is not set yet!\n";
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"export", missing}, unreadable},
      {{"export", bad}, unsetline},
      {{"show", bad}, unsetline},
      // Nothing of the file before is shown: no half listing, no half JSON.
      {{"show", "--format", "json", dir.write("good.ini", "[S]\nk = v\n"), bad}, unsetline},
      {{"libs", bad}, unsetline},
      {{"explain", "A", bad}, unsetline},
      {{"run", bad, "--", probe(), "exit", "0"}, unsetline},
  };
  for (const auto& [args, err] : cases) {
    const ranprogram r = runvornenv(args);
    EXPECT_EQ(r.status, 1) << args[0];
    EXPECT_EQ(r.out, "") << args[0];
    EXPECT_EQ(r.err, err) << args[0];
  }

  const ranprogram r = runvornenv({"expand", "ok", "$(VORNENV_CLI_UNSET)"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "ok\n");
  EXPECT_EQ(r.err, "vornenv: error: 'VORNENV_CLI_UNSET' envvar is not set yet!\n");
}

// check --each: each file on the starting environment.
TEST(cli_test, check_applies_each_file_afresh_and_names_the_line) {
  scopedtempdir dir;
  scopedenv unset("VORNENV_CLI_A", std::nullopt);
  const std::string good = dir.write("good.ini", "[Environment]\nVORNENV_CLI_A = 1\n");
  // Passes only when good.ini's variable leaks into it.
  const std::string leaks = dir.write("leaks.ini", "[Environment]\nB = $(VORNENV_CLI_A)\n");
  const std::string bad =
      dir.write("bad.ini", "; missing directory\n[Executable Paths]\nok = " + dir.path().string() +
                               "\nno = " + dir.file("nope") + "\n");
  const std::string unreadable = dir.file("absent.ini");
  const ranprogram r = runvornenv({"check", "--each", good, leaks, bad, unreadable});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, good + ": ok\n" + leaks + ":2: error: 'VORNENV_CLI_A' envvar is not set yet!\n" +
                       bad + ":4: error: no --> " + dir.file("nope") + " invalid entry found!\n" +
                       unreadable + ": error: " + unreadable +
                       " Provided ini file does not exist or is not readable!\n" + unreadable +
                       ": hint: the system says: " + std::strerror(ENOENT) + "\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(runvornenv({"check", good}).status, 0);
}

// Names and lines from the file reach a terminal only escaped: in show's
// listing and in the failure written to stderr.  The failing line is given
// whole, past a NUL byte.
TEST(cli_test, failures_and_names_are_escaped_for_the_terminal) {
  scopedtempdir dir;
  const std::string dup = dir.write("dup.ini", "[Sec\x1b[2Jtion]\nk = v\n\n[Sec\x1b[2Jtion]\n");
  const std::string dupline = dup + ":4: error: Sec\\x1B[2Jtion duplicate sections defined!\n" +
                              dup + ":4: hint: [Sec\\x1B[2Jtion] begins at line 1 already\n";
  ranprogram r = runvornenv({"show", dup});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, dupline);
  r = runvornenv({"check", dup});
  EXPECT_EQ(r.out, dupline);

  // (Not "nul.ini": Windows takes that for its null device.)
  const std::string nul = dir.write("zero.ini", std::string("[S]\nA = 1\nbad\0line\x1b\n", 20));
  r = runvornenv({"check", nul});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, nul + ":3: error: bad\\x00line\\x1B invalid entry found in ini file!\n" + nul +
                       ":3: hint: the line holds a NUL byte\n");
  EXPECT_EQ(r.err, "");

  const std::string shown = dir.write("shown.ini", "[a\x1b]0;title\x07]\nk = v\n");
  r = runvornenv({"show", shown});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("  [a\\x1B]0;title\\x07]  plain\n"), std::string::npos) << r.out;
}

TEST(cli_test, run_passes_the_environment_and_the_status_on) {
  scopedtempdir dir;
  scopedenv unset("VORNENV_CLI_CC", std::nullopt);
  const std::string bin = dir.mkdir("bin");
  scopedenv oldpath("PATH", dir.mkdir("other"));
  const std::string file = dir.write(
      "dev.ini",
      "[Environment]\nVORNENV_CLI_ROOT = " + dir.path().string() +
          "\nVORNENV_CLI_CC = $(VORNENV_CLI_ROOT)/bin/cc\n[Executable Paths]\nbin = " + bin + "\n");
  ranprogram r = runvornenv({"run", file, "--", probe(), "env", "VORNENV_CLI_CC", "PATH"});
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string path =
      vornfile::filepath(bin).str() + sep + vornfile::filepath(dir.file("other")).str();
  EXPECT_EQ(lf(r.out), "VORNENV_CLI_CC=" + hex(dir.path().string() + "/bin/cc") +
                           "\nPATH=" + hex(path) + "\n");

  r = runvornenv({"run", file, "--", probe(), "exit", "7"});
  EXPECT_EQ(r.status, 7);
  r = runvornenv({"run", file, "--", dir.file("no-such-program")});
  EXPECT_EQ(r.status, 127);
  EXPECT_EQ(r.err.rfind("vornenv: run: cannot run '", 0), 0u) << r.err;
  EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
}

// Only what the files change is exported; a variable they empty is null.
TEST(cli_test, export_json_lists_changes_only) {
  scopedtempdir dir;
  scopedenv untouched("VORNENV_CLI_UNTOUCHED", "same");
  scopedenv same("VORNENV_CLI_SAME", "v");
  // A PATH of empty elements only is rewritten as nothing, which removes it.
  scopedenv path("PATH", sep + sep);
  const std::string file = dir.write(
      "j.ini",
      "[Environment]\nVORNENV_CLI_SAME = v\nVORNENV_CLI_J = \"q\" \\ \x01 caf\xC3\xA9 \xFF\n"
      "[Executable Paths]\n");
  const ranprogram r = runvornenv({"export", "--format", "json", file});
  if (const std::optional<std::string> ff = jsonofbyteff()) {
    EXPECT_EQ(r.status, 0) << r.err;
    // The byte FF, outside UTF-8, written as \u00FF: U+00FF when read.
    EXPECT_EQ(
        readjson(r.out),
        jsonobject({{"PATH", nullptr}, {"VORNENV_CLI_J", "\"q\" \\ \x01 caf\xC3\xA9 \xC3\xBF"}}));
    EXPECT_NE(r.out.find(*ff), std::string::npos) << r.out;
  } else {
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot represent"), std::string::npos) << r.err;
  }
}

TEST(cli_test, export_cmd_refuses_a_line_break_and_prints_nothing) {
  scopedtempdir dir;
  scopedenv multi("VORNENV_CLI_MULTI", "one\ntwo");
  const std::string file =
      dir.write("m.ini", "[Environment]\nA_FIRST = fine\nVORNENV_CLI_M = $(VORNENV_CLI_MULTI)\n");
  const ranprogram r = runvornenv({"export", "--format", "cmd", file});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err,
            "vornenv: export: cmd cannot hold the value of VORNENV_CLI_M (it holds a line "
            "break or Ctrl-Z)\n");
}

TEST(cli_test, show_lists_sections_and_changes_without_colour_off_a_terminal) {
  scopedtempdir dir;
  scopedenv unset("VORNENV_CLI_S", std::nullopt);
  scopedenv old("VORNENV_CLI_OLD", "before");
  const std::string file =
      dir.write("s.ini",
                "[Environment]\nVORNENV_CLI_S = $(VORNENV_CLI_OLD)!\nVORNENV_CLI_OLD = after\n"
                "[Settings]\nmode = fast\nescape = a\x1b[31mb\n");
  const ranprogram r = runvornenv({"show", file});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, file +
                       "\n"
                       "  [Environment]  environment\n"
                       "    VORNENV_CLI_S   = $(VORNENV_CLI_OLD)!\n"
                       "    VORNENV_CLI_OLD = after\n"
                       "  [Settings]  plain\n"
                       "    mode   = fast\n"
                       "    escape = a\\x1B[31mb\n"
                       "\n"
                       "changed variables\n"
                       "  VORNENV_CLI_OLD  before -> after\n"
                       "  VORNENV_CLI_S    (unset) -> before!\n");
}

// Sections come in the order the file wrote them, not by name, in both
// formats; JSON carries the lines and the text as it is, control
// characters escaped.
TEST(cli_test, show_keeps_file_order_in_text_and_json) {
  scopedtempdir dir;
  scopedenv unset("VORNENV_CLI_SHOWN", std::nullopt);
  const std::string file =
      dir.write("o.ini",
                "[Zeta]\nk = v\x01\n; note\n[Environment]\nVORNENV_CLI_SHOWN = caf\xC3\xA9\n"
                "[Alpha]\n");
  const jsonvalue shown = jsonobject(
      {{"files",
        jsonarray({jsonobject(
            {{"file", file},
             {"sections",
              jsonarray(
                  {jsonobject(
                       {{"name", "Zeta"},
                        {"kind", "plain"},
                        {"line", 1},
                        {"entries", jsonarray({jsonobject(
                                        {{"name", "k"}, {"value", "v\x01"}, {"line", 2}})})}}),
                   jsonobject({{"name", "Environment"},
                               {"kind", "environment"},
                               {"line", 4},
                               {"entries", jsonarray({jsonobject({{"name", "VORNENV_CLI_SHOWN"},
                                                                  {"value", "caf\xC3\xA9"},
                                                                  {"line", 5}})})}}),
                   jsonobject({{"name", "Alpha"},
                               {"kind", "plain"},
                               {"line", 6},
                               {"entries", jsonarray({})}})})}})})},
       {"changes",
        jsonarray({jsonobject(
            {{"name", "VORNENV_CLI_SHOWN"}, {"before", nullptr}, {"after", "caf\xC3\xA9"}})})}});
  // clang-format off: the lines as the program writes them
  const struct {
    std::vector<std::string> args;
    std::string text;
    std::optional<jsonvalue> json;  // or the data it writes
  } cases[] = {
      {{"show", file},
       file + "\n"
              "  [Zeta]  plain\n"
              "    k = v\\x01\n"
              "  [Environment]  environment\n"
              "    VORNENV_CLI_SHOWN = caf\xC3\xA9\n"
              "  [Alpha]  plain\n"
              "    (no entries)\n"
              "\n"
              "changed variables\n"
              "  VORNENV_CLI_SHOWN  (unset) -> caf\xC3\xA9\n",
       std::nullopt},
      {{"show", "--format", "json", file}, "", shown},
  };
  // clang-format on
  for (const auto& c : cases) {
    const ranprogram r = runvornenv(c.args);
    EXPECT_EQ(r.status, 0) << r.err;
    if (c.json) {
      EXPECT_EQ(readjson(r.out), *c.json);
    } else {
      EXPECT_EQ(r.out, c.text);
    }
    EXPECT_EQ(r.err, "");
  }
}

// explain retraces the files: each change with its place, the value before
// and after, and every reference with its value and origin, in turn.
TEST(cli_test, explain_tells_where_a_value_came_from) {
  scopedtempdir dir;
  scopedenv root("VORNENV_CLI_ROOT", "/r");
  scopedenv base("VORNENV_CLI_BASE", std::nullopt), tools("VORNENV_CLI_TOOLS", std::nullopt),
      none("VORNENV_CLI_NONE", std::nullopt);
  const std::string other = vornfile::filepath(dir.mkdir("other")).str();
  const std::string bin = vornfile::filepath(dir.mkdir("bin")).str();
  scopedenv path("PATH", other);
  const std::string a = dir.write("a.ini",
                                  "[Environment]\nVORNENV_CLI_BASE = $(VORNENV_CLI_ROOT)/x\n"
                                  "VORNENV_CLI_TOOLS = $(VORNENV_CLI_BASE)/tools\n");
  const std::string b = dir.write(
      "b.ini", "; later\n[Executable Paths]\nbin = " + bin +
                   "\n[Environment]\nVORNENV_CLI_TOOLS = $(VORNENV_CLI_TOOLS) caf\xC3\xA9\x1b\n");
  // clang-format off: the lines as the program writes them
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"VORNENV_CLI_TOOLS", a, b},
       "VORNENV_CLI_TOOLS = /r/x/tools caf\xC3\xA9\\x1B\n"
       "  before these files: (unset)\n"
       "  changed 2 times, last at " +
           b +
           ":5\n"
           "\n" +
           a +
           ":3: [Environment] sets VORNENV_CLI_TOOLS\n"
           "    written: $(VORNENV_CLI_BASE)/tools\n"
           "    before:  (unset)\n"
           "    after:   /r/x/tools\n"
           "    $(VORNENV_CLI_BASE) = /r/x  (" +
           a +
           ":2)\n"
           "      written: $(VORNENV_CLI_ROOT)/x\n"
           "      $(VORNENV_CLI_ROOT) = /r  (the environment)\n"
           "\n" +
           b +
           ":5: [Environment] sets VORNENV_CLI_TOOLS\n"
           "    written: $(VORNENV_CLI_TOOLS) caf\xC3\xA9\\x1B\n"
           "    before:  /r/x/tools\n"
           "    after:   /r/x/tools caf\xC3\xA9\\x1B\n"
           "    $(VORNENV_CLI_TOOLS) = /r/x/tools  (" +
           a + ":3, as above)\n"},
      {{"PATH", a, b},
       "PATH = " + bin + sep + other +
           "\n"
           "  before these files: " +
           other +
           "\n"
           "  set once, at " +
           b +
           ":2\n"
           "\n" +
           b +
           ":2: [Executable Paths] puts its directories in front of PATH\n"
           "    line 3: bin = " +
           bin +
           "\n"
           "    before:  " +
           other +
           "\n"
           "    after:   " +
           bin + sep + other + "\n"},
      {{"VORNENV_CLI_ROOT", a},
       "VORNENV_CLI_ROOT is not set by this file; its value comes from the environment:\n  /r\n"},
      {{"VORNENV_CLI_NONE", a, b},
       "VORNENV_CLI_NONE is not set by these files, nor by the environment\n"},
  };
  // clang-format on
  for (const auto& [args, out] : cases) {
    std::vector<std::string> call = {"explain"};
    call.insert(call.end(), args.begin(), args.end());
    const ranprogram r = runvornenv(call);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, out);
    EXPECT_EQ(r.err, "");
  }
}

TEST(cli_test, libs_lists_locations_system_dirs_first) {
  scopedtempdir dir;
  const std::string sys = dir.mkdir("sys"), lib = dir.mkdir("lib");
  dir.write("sys/" + libfile("shared"), "");
  dir.write("lib/" + libfile("shared"), "");
  dir.write("lib/" + libfile("own"), "");
  // Beaten by lib's copy, which comes first.
  const std::string later = dir.mkdir("later");
  dir.write("later/" + libfile("own"), "");
  scopedenv path("PATH", sep);
  const std::string file =
      dir.write("l.ini", "[Library Paths]\nlib = " + lib + "\n\nlater = " + later + "\n[Other]\n");
  const auto at = [](const std::string& d, const std::string& f) {
    return (vornfile::filepath(d) + vornfile::pathcomp(f)).str();
  };
  const std::string own = libfile("own"), shared = libfile("shared");
  // Windows searches PATH, which the section extends, for DLLs: the first
  // copy found is the one loaded.  The POSIX loader does not read PATH: each
  // copy is told as what it is.
  const bool loads = cli::loadersearchespath();
  const char* const copykey = loads ? "loaded" : "path";
  const auto place = [&](const std::string& name, const std::string& copy, const char* from) {
    return jsonobject({{"name", name}, {copykey, copy}, {"from", from}});
  };
  const auto sectionplace = [&](const std::string& name, const std::string& copy, const char* from,
                                const std::string& own, bool overridden) {
    jsonvalue o = jsonobject(
        {{"name", name}, {copykey, copy}, {"from", from}, {"section_copy", own}, {"line", 2}});
    if (loads) {
      o.keys.push_back("overridden");
      o.items.emplace_back(overridden);
    }
    return o;
  };
  const struct {
    std::vector<std::string> options;
    std::string text;
    std::optional<jsonvalue> json;  // or the data it writes
  } cases[] = {
      // The section's own libraries, each once, the system's copy beside
      // the one it beats.
      {{},
       loads ? at(lib, own) + "\n" + at(sys, shared) +
                   "  (a system directory's copy, loaded instead of " + at(lib, shared) + ")\n"
             : at(lib, own) + "  (the section's copy)\n" + at(sys, shared) +
                   "  (a system copy of the same name as " + at(lib, shared) + ")\n",
       std::nullopt},
      {{"--all"}, at(sys, shared) + "\n" + at(lib, own) + "\n", std::nullopt},
      {{"--format", "json"},
       "",
       jsonarray({sectionplace(own, at(lib, own), "section", at(lib, own), false),
                  sectionplace(shared, at(sys, shared), "system", at(lib, shared), true)})},
      {{"--all", "--format=json"},
       "",
       jsonarray({place(shared, at(sys, shared), "system"), place(own, at(lib, own), "section")})},
      {{"--section", "Other", "--format", "json"}, "", jsonarray({})},
  };
  // Once, as the section ends, at its header: libs does not repeat it.
  const std::string warning =
      file +
      ":1: warning: These libraries are going to be overridden as they are available in "
      "windows, system or system32 directory: " +
      shared + "\n";
  for (const auto& c : cases) {
    std::vector<std::string> args = {"libs", "--system-dirs", sys, file};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const ranprogram r = runvornenv(args);
    EXPECT_EQ(r.status, 0) << r.err;
    if (c.json) {
      EXPECT_EQ(readjson(r.out), *c.json) << args.back();
    } else {
      EXPECT_EQ(r.out, c.text) << args.back();
    }
    EXPECT_EQ(r.err, warning) << args.back();
  }

  const ranprogram r = runvornenv({"libs", file, "--section", "Nope"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "vornenv: libs: " + file + " has no section 'Nope'\n");
}

// The bundled example finds its folder through VORNENV_DIR, whatever PWD says.
TEST(cli_test, bundled_example_applies) {
  scopedenv pwd("PWD", std::nullopt);
  const std::string example = nativepath(VORNENV_SOURCE_DIR "/examples/toolchain.ini");
  const ranprogram r = runvornenv({"check", example});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.out, example + ": ok\n");
}

}  // namespace
}  // namespace vornenv::testing
