// What the builder tells a host: sections in file order, the subject of a
// failure, and an observer's account of each variable set and each path
// merge.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "support/testsupport.h"
#include "vornenv/envbuilder.h"
#include "vornenv/platform.h"
#include "vornfile/vornfile.h"
#include "vornplatform/vornplatform.h"

namespace vornenv {
namespace {

using testing::scopedenv;
using testing::scopedtempdir;
using vornfile::filepath;

// Everything the observer is told, as one line each.
struct recorder : envbuilder::observer {
  void set(const setting& s) override {
    said.push_back("set " + s.name + " " + s.before.value_or("<unset>") + " -> " + s.after + " @" +
                   std::to_string(s.from.line()) + " [" + s.in.name() + "]");
  }
  void merged(const merge& m) override {
    std::string line = "merge " + m.variable + " " + m.before.value_or("<unset>") + " -> " +
                       m.after + " [" + m.in.name() + "]";
    for (const auto* list : {&m.added, &m.moved}) {
      line += list == &m.added ? " added" : " moved";
      for (const element& e : *list) line += " " + e.path + "@" + std::to_string(e.from->line());
    }
    said.push_back(line);
  }
  std::vector<std::string> said;
};

class observer_test : public ::testing::Test {
 protected:
  scopedtempdir dir_;
  scopedenv path_{"PATH", std::nullopt}, a_{"VX_A", std::nullopt}, b_{"VX_B", std::nullopt};
};

TEST_F(observer_test, sections_walk_in_file_order) {
  envbuilder b;
  b.parsetext("[Zeta]\nk = 1\n[Alpha]\n[Environment]\nVX_A = a\n[Mid]\n", "f.ini");
  std::vector<std::string> names;
  std::vector<std::size_t> lines;
  for (const envbuilder::section& s : b.sections()) {
    names.push_back(s.name());
    lines.push_back(s.line());
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Zeta", "Alpha", "Environment", "Mid"}));
  EXPECT_EQ(lines, (std::vector<std::size_t>{1, 3, 4, 6}));
  const auto range = b.sections();
  EXPECT_EQ(range.size(), 4u);
  EXPECT_EQ(range.end() - range.begin(), 4);
  EXPECT_EQ(range.begin()[2].name(), "Environment");
  EXPECT_TRUE(envbuilder().sections().empty());
}

TEST_F(observer_test, told_each_set_and_each_merge) {
  const std::string one = filepath(dir_.mkdir("one")).str();
  const std::string two = filepath(dir_.mkdir("two")).str();
  vornplatform::putenvvar("PATH", two + pathlistsep + "elsewhere");
  vornplatform::putenvvar("VX_B", "old");
  recorder r;
  envbuilder b;
  b.setobserver(&r);
  b.parsetext("[Environment]\nVX_A = x\nVX_B = $(VX_A)y\n[Executable Paths]\np = " + one +
                  "\nq = " + two + "\nr = " + one + "\n",
              "f.ini");
  const std::string after = one + pathlistsep + two + pathlistsep + "elsewhere";
  EXPECT_EQ(r.said, (std::vector<std::string>{
                        "set VX_A <unset> -> x @2 [Environment]",
                        "set VX_B old -> xy @3 [Environment]",
                        "merge PATH " + two + pathlistsep + "elsewhere -> " + after +
                            " [Executable Paths] added " + one + "@5 moved " + two + "@6",
                    }));
}

TEST_F(observer_test, a_copy_does_not_keep_it_and_its_exception_passes) {
  recorder r;
  envbuilder b;
  b.setobserver(&r);
  envbuilder copy(b);
  copy.parsetext("[Environment]\nVX_A = x\n", "f.ini");
  EXPECT_TRUE(r.said.empty());

  struct thrower : envbuilder::observer {
    void set(const setting&) override { throw std::logic_error("observer"); }
  } t;
  envbuilder c;
  c.setobserver(&t);
  EXPECT_THROW(c.parsetext("[Environment]\nVX_B = y\n", "f.ini"), std::logic_error);
  EXPECT_EQ(vornplatform::getenvvar("VX_B").str(), "y");  // set before it was told
}

TEST_F(observer_test, failures_name_their_subject) {
  const struct {
    const char* text;
    error::kind kind;
    const char* subject;
  } cases[] = {
      {"[Environment]\nVX_A = $(VX_NOWHERE)\n", error::kind::unset, "VX_NOWHERE"},
      {"[Environment]\nVX_A = $(VX_A)\n", error::kind::unset, "VX_A"},
      {"[Environment]\nVX_A = $(VX_B)\n[E2]\n", error::kind::unset, "VX_B"},
      {"[Environment]\nnot an entry\n", error::kind::syntax, "not an entry"},
      {"[Executable Paths]\np = /no/such/$(VX_A)dir\n", error::kind::unset, "VX_A"},
      {"[Executable Paths]\np = /no/such/dir\n", error::kind::missingdir, "/no/such/dir"},
      {"[A]\nk = 1\nk = 2\n", error::kind::duplicate, ""},
      {"[A]\n  k =\t\n", error::kind::emptyside, "k ="},
      {"[A]\n= v\n", error::kind::emptyside, "= v"},
  };
  for (const auto& c : cases) {
    envbuilder b;
    try {
      b.parsetext(c.text, "f.ini");
      ADD_FAILURE() << c.text;
    } catch (const error& e) {
      EXPECT_EQ(e.what_kind(), c.kind) << c.text;
      EXPECT_EQ(e.subject(), c.subject) << c.text;
    }
  }
  vornplatform::putenvvar("VX_A", "$(VX_B)");
  vornplatform::putenvvar("VX_B", "$(VX_A)");
  envbuilder b;
  try {
    b.parsetext("[Environment]\nVX_C = $(VX_A)\n", "f.ini");
    ADD_FAILURE();
  } catch (const error& e) {
    EXPECT_EQ(e.what_kind(), error::kind::selfreference);
    EXPECT_EQ(e.subject(), "VX_A");
  }
}

}  // namespace
}  // namespace vornenv
