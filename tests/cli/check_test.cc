// check as a user meets it: broken and suspicious files written as people
// write them, each with the exact lines check prints.

#include <gtest/gtest.h>
#include <vornenv/vornenv.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "cli/clirun.h"
#include "cli/jsonread.h"
#include "support/testsupport.h"

namespace vornenv::testing {
namespace {

// A file, the options check is given, and what it prints: each expected line
// after "FILE" (":LINE: ...", or ": ok").
struct checkcase {
  const char* name;
  std::string text;
  std::vector<std::string> options;
  int status;
  std::vector<std::string> lines;
};

class check_test : public ::testing::Test {
 protected:
  scopedtempdir dir_;
  // A variable set before the file, which the file sets again later.
  scopedenv before_{"VORNENV_CT_BEFORE", "early"};
  scopedenv unset_{"VORNENV_CT_LATE", std::nullopt};
  scopedenv root_{"VORNENV_CT_ROOT", std::nullopt};
};

// Checks each case's file, written to dir, and compares what check prints.
void expectchecks(const scopedtempdir& dir, const std::vector<checkcase>& cases) {
  for (const checkcase& c : cases) {
    const std::string file = dir.write(c.name, c.text);
    std::vector<std::string> args = {"check"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(file);
    const ranprogram r = runvornenv(args);
    std::string expected;
    for (const std::string& line : c.lines) expected += file + line + "\n";
    EXPECT_EQ(r.status, c.status) << c.name << "\n" << r.out;
    EXPECT_EQ(r.out, expected) << c.name;
    EXPECT_EQ(r.err, "") << c.name;
  }
}

const char* const sectionhint =
    ": hint: only [Environment], [Executable Paths] and [Library Paths] act, spelt exactly so; "
    "other sections only hold settings";

TEST_F(check_test, broken_and_suspicious_files_get_their_lines_warnings_and_hints) {
  const std::string d = dir_.mkdir(
      "d\xC3\xAF"
      "r");
  const std::string missing = vornfile::filepath(d + "/n\xC3\xB6pe").str();
  const std::vector<checkcase> cases = {
      {"typos.ini",
       "; sections that look right\n[Enviroment]\nA = 1\n\n[environment]\nB = 2\n"
       "[Executable Path]\nbin = /\n[Library Path]\nlib = /\n[Board]\nname = m4\n",
       {},
       0,
       {":2: warning: [Enviroment] does nothing when applied: did you mean [Environment]? "
        "[section-name]",
        std::string(":2") + sectionhint,
        ":5: warning: [environment] does nothing when applied: did you mean [Environment]? "
        "[section-name]",
        std::string(":5") + sectionhint,
        ":7: warning: [Executable Path] does nothing when applied: did you mean [Executable "
        "Paths]? [section-name]",
        std::string(":7") + sectionhint,
        ":9: warning: [Library Path] does nothing when applied: did you mean [Library Paths]? "
        "[section-name]",
        std::string(":9") + sectionhint, ": ok, 4 warnings"}},
      {"shellish.ini",
       "[Environment]\nexport GR\xC3\x9c\xC3\x9f"
       "E = \"hall\xC3\xB6\"\nX = $HOME/x\nY = ${HOME}\n"
       "Z = %USERPROFILE%\\bin\nW = $(VORNENV_CT_BEFORE)/w\nVORNENV_CT_BEFORE = late\n"
       "OK = 100% $ $$ $(VORNENV_CT_BEFORE)\n[Executable Paths]\n",
       {},
       0,
       {":2: warning: the value of 'export GR\xC3\x9c\xC3\x9f"
        "E' is wrapped in quotes, which "
        "are kept [quoted-value]",
        ":2: hint: quotes are part of the value here: write it without them",
        ":2: warning: the variable set is named 'export GR\xC3\x9c\xC3\x9f"
        "E', with its "
        "'export' [export-name]",
        ":2: hint: write 'GR\xC3\x9c\xC3\x9f"
        "E = ...'",
        ":3: warning: '$HOME' is kept as written, not replaced [shell-reference]",
        ":3: hint: a reference to a variable is written $(HOME)",
        ":4: warning: '${HOME}' is kept as written, not replaced [shell-reference]",
        ":4: hint: a reference to a variable is written $(HOME)",
        ":5: warning: '%USERPROFILE%' is kept as written, not replaced [shell-reference]",
        ":5: hint: a reference to a variable is written $(USERPROFILE)",
        ":6: warning: 'VORNENV_CT_BEFORE' is set at line 7, after this line [later-reference]",
        ":6: hint: here it has the value it had before this file",
        ":9: warning: [Executable Paths] lists no directory [empty-path-section]",
        ": ok, 7 warnings"}},
      {"relative.ini",
       "[Executable Paths]\nhere = .\n",
       {"--strict"},
       1,
       {":2: error: the directory '.' is relative: it depends on the working directory "
        "[relative-directory]",
        ":2: hint: start it from a variable that holds an absolute directory"}},
      {"bom.ini",
       "\xEF\xBB\xBF[Environment]\nA = 1\n",
       {},
       1,
       {":1: error: \xEF\xBB\xBF[Environment] invalid entry found in ini file!",
        ":1: hint: the file starts with a UTF-8 byte-order mark: save it without one"}},
      {"hash.ini",
       "[Environment]\nA = 1\n# a note\nB = 2\n",
       {},
       1,
       {":3: error: # a note invalid entry found in ini file!",
        ":3: hint: '#' does not start a comment here, ';' does"}},
      {"equals.ini",
       "[Environment]\nCFLAGS = -DLEVEL=2\n",
       {},
       1,
       {":2: error: CFLAGS = -DLEVEL=2 invalid entry found in ini file!",
        ":2: hint: a value cannot hold '='"}},
      {"headcomment.ini",
       "[Environment] ; the build's\nA = 1\n",
       {},
       1,
       {":1: error: [Environment] ; the build's invalid entry found in ini file!",
        ":1: hint: a comment cannot follow a header: put it on a line of its own"}},
      {"noheader.ini",
       "; settings\nA = 1\n",
       {},
       1,
       {":2: error: A = 1 invalid entry found in ini file!",
        ":2: hint: entries follow a section header, such as [Environment]"}},
      {"later.ini",
       "[Environment]\nA = $(VORNENV_CT_LATE)/x\n\nVORNENV_CT_LATE = b\n",
       {},
       1,
       {":2: error: 'VORNENV_CT_LATE' envvar is not set yet!",
        ":2: hint: VORNENV_CT_LATE is set at line 4, after this line"}},
      {"plain.ini",
       "[Board]\nVORNENV_CT_LATE = m4\n[Environment]\nA = $(VORNENV_CT_LATE)\n",
       {},
       1,
       {":4: error: 'VORNENV_CT_LATE' envvar is not set yet!",
        ":4: hint: VORNENV_CT_LATE is an entry of [Board] at line 2, which sets no variable"}},
      {"missing.ini",
       "[Environment]\nVORNENV_CT_ROOT = " + d +
           "\n[Executable Paths]\nbin = $(VORNENV_CT_ROOT)/n\xC3\xB6pe\n",
       {},
       1,
       {":4: error: bin --> $(VORNENV_CT_ROOT)/n\xC3\xB6pe invalid entry found!",
        ":4: hint: looked for the directory '" + missing + "'"}},
      {"quotedpath.ini",
       "[Environment]\nVORNENV_CT_ROOT = \"opt-app\"\n[Executable Paths]\nbin = "
       "$(VORNENV_CT_ROOT)/bin\n",
       {},
       1,
       {":2: warning: the value of 'VORNENV_CT_ROOT' is wrapped in quotes, which are kept "
        "[quoted-value]",
        ":2: hint: quotes are part of the value here: write it without them",
        ":4: error: \"opt-app\" entrytofilepath - expanded envvar to invalid path!"}},
      {"dup.ini",
       "[Environment]\nA = 1\nB = 2\nA = 3\n",
       {},
       1,
       {":4: error: A duplicate entry in section!", ":4: hint: A is given at line 2 already"}},
  };
  expectchecks(dir_, cases);
}

// What the format keeps as written: a comment after a value, and a
// reference in a path component of 4 characters or fewer, which is no
// relative directory for that (a directory before it is).  And the hints of
// a UTF-16 file and of an entry with an empty side.
TEST_F(check_test, kept_comments_short_references_utf16_and_empty_sides) {
  using namespace std::string_literals;
  // "$(V)/bin" and "bin/$(V)" exist, as written, in the working directory.
  dir_.mkdir("$(V)/bin");
  dir_.mkdir("bin/$(V)");
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir_.path());
  const std::string kept =
      ": hint: there are no end-of-line comments: put it on a line of its own, starting with ';'";
  const std::string shortref =
      ": error: '$(V)' is kept as written, not replaced: a path component of 4 characters or "
      "fewer is not expanded [short-reference]";
  const std::string shorthint =
      ": hint: set 'V_DIR = $(V)' in [Environment] before this section and write $(V_DIR): a "
      "longer component is expanded";
  const std::string utf16[] = {
      ": hint: the line holds a NUL byte",
      ": hint: the file looks like UTF-16, as Windows PowerShell 5.1's '>' writes it: save it as "
      "UTF-8 without a byte-order mark",
      ": hint: in PowerShell 7: (Get-Content FILE) | Set-Content -Encoding utf8 FILE (5.1's utf8 "
      "adds a byte-order mark: there use -Encoding ascii, for ASCII text); in an editor: save "
      "with encoding UTF-8"};
  const std::vector<checkcase> cases = {
      {"comment.ini",
       "[Environment]\nFOO = bar ; trailing comment\nPATHS = a;b\nX = a;#b\n"
       "[Board]\nk = v\t# note\n",
       {},
       0,
       {":2: warning: the value of 'FOO' ends in '; trailing comment', which is kept as part of "
        "it [trailing-comment]",
        ":2" + kept,
        ":6: warning: the value of 'k' ends in '# note', which is kept as part of it "
        "[trailing-comment]",
        ":6" + kept, ": ok, 2 warnings"}},
      {"short.ini",
       "[Executable Paths]\np = $(V)/bin\nr = bin/$(V)\n",
       {"--strict"},
       1,
       {":2" + shortref, ":2" + shorthint, ":3" + shortref, ":3" + shorthint,
        ":3: error: the directory '" + vornfile::filepath("bin/$(V)").str() +
            "' is relative: it depends on the working directory [relative-directory]",
        ":3: hint: start it from a variable that holds an absolute directory"}},
      // As Windows PowerShell 5.1's '>' writes, and big-endian without a mark.
      {"le.ini",
       "\xFF\xFE[\0A\0]\0\n\0"s,
       {},
       1,
       {":1: error: \\xFF\\xFE[\\x00A\\x00]\\x00 invalid entry found in ini file!", ":1" + utf16[0],
        ":1" + utf16[1], ":1" + utf16[2]}},
      {"be.ini",
       "\0[\0A\0]\0\n"s,
       {},
       1,
       {":1: error: \\x00[\\x00A\\x00]\\x00 invalid entry found in ini file!", ":1" + utf16[0],
        ":1" + utf16[1], ":1" + utf16[2]}},
      {"novalue.ini",
       "[Environment]\nFOO =\n",
       {},
       1,
       {":2: error: FOO -->  either the name or value is null in entry!",
        ":2: hint: write the value after '=', as 'FOO = <value>', or leave the line out: no entry "
        "sets a variable to the empty text"}},
      {"noname.ini",
       "[Environment]\n= bar\n",
       {},
       1,
       {":2: error:  --> bar either the name or value is null in entry!",
        ":2: hint: write the name of the variable to set before '=', as 'NAME = bar'"}},
  };
  expectchecks(dir_, cases);
  std::filesystem::current_path(before);
}

// The same failure, hints and all, once on stderr from the other commands.
TEST_F(check_test, every_command_prints_the_hints_once) {
  const std::string file =
      dir_.write("later.ini", "[Environment]\nA = $(VORNENV_CT_LATE)\nVORNENV_CT_LATE = b\n");
  const std::string expected = file + ":2: error: 'VORNENV_CT_LATE' envvar is not set yet!\n" +
                               file +
                               ":2: hint: VORNENV_CT_LATE is set at line 3, after this line\n";
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"export", file}, {"show", file}, {"run", file, "--", "never-run"}}) {
    const ranprogram r = runvornenv(args);
    EXPECT_EQ(r.status, 1) << args[0];
    EXPECT_EQ(r.out, "") << args[0];
    EXPECT_EQ(r.err, expected) << args[0];
  }
}

// Several files are checked as run applies them; --each checks each alone;
// after a failure the rest are skipped, and the environment is left as it was.
TEST_F(check_test, files_in_order_on_one_environment) {
  const std::string base = dir_.write("base.ini", "[Environment]\nVORNENV_CT_LATE = b\n");
  const std::string over = dir_.write("over.ini", "[Environment]\nC = $(VORNENV_CT_LATE)/c\n");
  ranprogram r = runvornenv({"check", base, over});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, base + ": ok\n" + over + ": ok\n");

  const std::string unset = over + ":2: error: 'VORNENV_CT_LATE' envvar is not set yet!\n";
  r = runvornenv({"check", "--each", base, over});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, base + ": ok\n" + unset);

  r = runvornenv({"check", over, base});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, unset + base +
                       ": skipped: an earlier file failed ('check --each' checks it on its own)\n");
}

TEST_F(check_test, json_and_sarif_name_the_rule_file_and_line) {
  const std::string warns = dir_.write("w s.ini", "[Enviroment]\nA = \"q\"\n");
  const std::string fails = dir_.write("f.ini", "[Environment]\nA = $(VORNENV_CT_LATE)\n");
  const std::string message = "[Enviroment] does nothing when applied: did you mean [Environment]?";
  const std::string hint = std::string(sectionhint).substr(std::strlen(": hint: "));
  ranprogram r = runvornenv({"check", "--format", "json", warns, fails});
  EXPECT_EQ(r.status, 1);
  const jsonvalue warned = jsonobject({{"line", 1},
                                       {"level", "warning"},
                                       {"rule", "section-name"},
                                       {"message", message},
                                       {"hints", jsonarray({hint})}});
  const jsonvalue unset = jsonobject({{"line", 2},
                                      {"level", "error"},
                                      {"rule", "unset"},
                                      {"message", "'VORNENV_CT_LATE' envvar is not set yet!"},
                                      {"hints", jsonarray({})}});
  EXPECT_EQ(readjson(r.out),
            jsonobject({{"status", "failed"},
                        {"files", jsonarray({jsonobject({{"file", warns},
                                                         {"status", "ok"},
                                                         {"findings", jsonarray({warned})}}),
                                             jsonobject({{"file", fails},
                                                         {"status", "failed"},
                                                         {"findings", jsonarray({unset})}})})}}));

  r = runvornenv({"check", "--format=sarif", "--strict", warns});
  EXPECT_EQ(r.status, 1);
  const jsonvalue sarif = readjson(r.out);
  EXPECT_EQ(sarif["$schema"], jsonvalue("https://json.schemastore.org/sarif-2.1.0.json"));
  EXPECT_EQ(sarif["version"], jsonvalue("2.1.0"));
  ASSERT_EQ(sarif["runs"].items.size(), 1u) << sarif;
  const jsonvalue& run = sarif["runs"][0];
  const jsonvalue& driver = run["tool"]["driver"];
  EXPECT_EQ(driver["name"], jsonvalue("vornenv"));
  EXPECT_EQ(driver["version"], jsonvalue(VORNENV_VERSION));
  // Each rule once, with its text; the finding's among them.
  std::set<std::string> ids;
  for (const jsonvalue& rule : driver["rules"].items) {
    ids.insert(rule["id"].str());
    EXPECT_NE(rule["shortDescription"]["text"].str(), "") << rule;
  }
  EXPECT_EQ(ids.size(), driver["rules"].items.size());
  EXPECT_EQ(ids.count("section-name"), 1u);
  const std::string& uri =
      run["results"][0]["locations"][0]["physicalLocation"]["artifactLocation"]["uri"].str();
  EXPECT_EQ(uri.rfind("file://", 0), 0u) << uri;
  EXPECT_EQ(uri.substr(uri.rfind('/')), "/w%20s.ini") << uri;
  const jsonvalue location =
      jsonobject({{"physicalLocation", jsonobject({{"artifactLocation", jsonobject({{"uri", uri}})},
                                                   {"region", jsonobject({{"startLine", 1}})}})}});
  EXPECT_EQ(run["results"],
            jsonarray({jsonobject({{"ruleId", "section-name"},
                                   {"level", "error"},
                                   {"message", jsonobject({{"text", message + "\nhint: " + hint}})},
                                   {"locations", jsonarray({location})}})}));

  r = runvornenv({"check", "--format", "yaml", warns});
  EXPECT_EQ(r.status, 2);
}

}  // namespace
}  // namespace vornenv::testing
