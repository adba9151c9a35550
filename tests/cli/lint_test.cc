// The pieces of check that need no process: the rules' matching, the edit
// distance behind the section-name rule and the URIs that SARIF is given.

#include <gtest/gtest.h>

#include <map>

#include "cli/commands/check.h"
#include "support/testsupport.h"

namespace vornenv::cli {
namespace {

TEST(lint_test, edit_distance) {
  const struct {
    const char* a;
    const char* b;
    std::size_t distance;
  } cases[] = {
      {"", "", 0},
      {"environment", "environment", 0},
      {"enviroment", "environment", 1},
      {"envirnoment", "environment", 2},
      {"", "abc", 3},
      {"library path", "library paths", 1},
      {"board", "environment", 10},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(editdistance(c.a, c.b), c.distance) << c.a << " / " << c.b;
    EXPECT_EQ(editdistance(c.b, c.a), c.distance) << c.b << " / " << c.a;
  }
}

TEST(lint_test, sarif_uris) {
  const std::pair<const char*, const char*> cases[] = {
      {"dev.ini", "dev.ini"},
      {"conf/dev env.ini", "conf/dev%20env.ini"},
      {"conf\\dev.ini", "conf/dev.ini"},
      {"/etc/vorn/d\xC3\xA9v.ini", "file:///etc/vorn/d%C3%A9v.ini"},
      {"C:\\Users\\me\\dev.ini", "file:///C:/Users/me/dev.ini"},
      {"\\\\server\\share\\a#b.ini", "file://server/share/a%23b.ini"},
      {"100%.ini", "100%25.ini"},
  };
  for (const auto& [file, uri] : cases) EXPECT_EQ(sarifuri(file), uri) << file;
}

// Each rule fires on the suspicious entry of its case and on nothing in the
// sound ones around it.
TEST(lint_test, rules_fire_on_their_case_only) {
  testing::scopedtempdir dir;
  testing::scopedenv set("VORNENV_LINT_SET", "1");
  const struct {
    const char* text;
    std::map<std::size_t, std::string> rules;  // line -> rule
  } cases[] = {
      {"[Environment]\nA = $(VORNENV_LINT_SET)\nB = a$b\nC = 50% off\n", {{3, "shell-reference"}}},
      {"[Environment]\nA = 'x'\nB = 'x\nC = \"\n", {{2, "quoted-value"}}},
      {"[Environment]\nexported = 1\nset X = 1\n", {{3, "export-name"}}},
      {"[Environment]\n_ok9 = 1\nmy-var = 1\n9x = 1\n[Other]\nmy-key = 1\n",
       {{3, "shell-name"}, {4, "shell-name"}}},
      {"[Environment]\nA = $(VORNENV_LINT_SET)\nVORNENV_LINT_SET = 2\nB = $(VORNENV_LINT_SET)\n",
       {{2, "later-reference"}}},
      {"[ENVIRONMENT]\n[Environments]\n[Env]\n[Libraries]\n",
       {{1, "section-name"}, {2, "section-name"}}},
      {"[Library Paths]\n[Board]\n", {{1, "empty-path-section"}}},
  };
  int n = 0;
  for (const auto& c : cases) {
    envbuilder builder{vornfile::filepath(dir.write("c" + std::to_string(++n) + ".ini", c.text))};
    builder();
    std::map<std::size_t, std::string> found;
    for (const finding& f : lint(builder)) {
      EXPECT_EQ(f.severity, finding::level::warning);
      EXPECT_TRUE(found.emplace(f.line, f.rule).second) << c.text << f.line;
    }
    EXPECT_EQ(found, c.rules) << c.text;
  }
}

}  // namespace
}  // namespace vornenv::cli
