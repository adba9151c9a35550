#include "vornenv/expandvar.h"

#include <gtest/gtest.h>

#include <list>
#include <string>

#include "support/testsupport.h"
#include "vornplatform/vornplatform.h"

namespace vornenv {
namespace {

using testing::scopedenv;

const std::string kself = " this variable recursively refers to it's self, failed expansion!";
const std::string knotset = " envvar is not set yet!";
const std::string ktoolong = " expansion is longer than an environment variable can hold!";

TEST(expandvar_test, texts_without_references_are_unchanged) {
  EXPECT_EQ(expandvar(""), "");
  EXPECT_EQ(expandvar("plain $ ( ) text$"), "plain $ ( ) text$");
  EXPECT_EQ(expandvar("$ (A) $A"), "$ (A) $A");
}

TEST(expandvar_test, references_nest_and_repeat) {
  scopedenv a("VX_A", "x");
  EXPECT_EQ(expandvar("$(VX_A)$(VX_A)"), "xx");
  scopedenv b("VX_B", "b"), c("VX_C", "$(VX_B)-");
  EXPECT_EQ(expandvar("pre$(VX_C)post"), "preb-post");
  scopedenv d("VX_D", "[$(VX_C)$(VX_C)]");
  EXPECT_EQ(expandvar("$(VX_D)|$(VX_A)"), "[b-b-]|x");
}

TEST(expandvar_test, unterminated_reference_is_copied) {
  EXPECT_EQ(expandvar("abc$(def"), "abc$(def");
  scopedenv a("VX_A", "x"), v("VX_V", "open $(never");
  EXPECT_EQ(expandvar("$(VX_A)$(VX_A"), "x$(VX_A");
  EXPECT_EQ(expandvar("<$(VX_V)>"), "<open $(never>");
}

TEST(expandvar_test, self_reference_names_the_variable_met_again) {
  scopedenv a("VX_A", "$(VX_A)");
  EXPECT_ASSERTION(expandvar("$(VX_A)"), "'VX_A'" + kself);
  scopedenv p("VX_P", "$(VX_Q)"), q("VX_Q", "<$(VX_P)>");
  EXPECT_ASSERTION(expandvar("$(VX_P)"), "'VX_P'" + kself);
  EXPECT_ASSERTION(expandvar("x $(VX_Q)"), "'VX_Q'" + kself);
}

TEST(expandvar_test, caller_text_may_name_the_variable_it_sets) {
  scopedenv p("VX_PATHLIKE", "/bin");
  EXPECT_EQ(expandvar("$(VX_PATHLIKE);C:\\tools"), "/bin;C:\\tools");
}

TEST(expandvar_test, unset_and_empty_variables_fail) {
  scopedenv u("VX_UNSET", std::nullopt);
  EXPECT_ASSERTION(expandvar("a $(VX_UNSET) b"), "'VX_UNSET'" + knotset);
  EXPECT_ASSERTION(expandvar("$()"), "''" + knotset);
  EXPECT_ASSERTION(expandvar("$($(VX_UNSET))"), "'$(VX_UNSET'" + knotset);
}

TEST(expandvar_test, self_reference_wins_over_unset) {
  scopedenv u("VX_UNSET", std::nullopt), a("VX_A", "$(VX_A)$(VX_UNSET)");
  EXPECT_ASSERTION(expandvar("$(VX_A)"), "'VX_A'" + kself);
}

TEST(expandvar_test, names_are_used_exactly_as_written) {
  scopedenv a("VX_A", "x"), sp(" VX_A", std::nullopt);
  EXPECT_ASSERTION(expandvar("$( VX_A)"), "' VX_A'" + knotset);
}

TEST(expandvar_test, sibling_references_do_not_count_as_cycles) {
  // The same variable in two branches of the tree is no self-reference.
  scopedenv leaf("VX_LEAF", "l"), left("VX_LEFT", "$(VX_LEAF)"),
      right("VX_RIGHT", "$(VX_LEAF)$(VX_LEFT)"), top("VX_TOP", "$(VX_LEFT)$(VX_RIGHT)");
  EXPECT_EQ(expandvar("$(VX_TOP)"), "lll");
}

TEST(expandvar_test, self_reference_found_deep_and_after_unwinding) {
  // Chains deep enough that the set of names being expanded grows several
  // times, is emptied again, and filled anew by the next branch.
  std::list<scopedenv> chain;
  for (int i = 0; i < 300; ++i) {
    const std::string value = i + 1 < 300 ? "$(VX_C" + std::to_string(i + 1) + ")" : "x";
    chain.emplace_back("VX_C" + std::to_string(i), value);
  }
  scopedenv twice("VX_TWICE", "$(VX_C0)-$(VX_C0)-$(VX_C150)");
  EXPECT_EQ(expandvar("$(VX_TWICE)"), "x-x-x");
  scopedenv back("VX_C299", "$(VX_C7)");
  EXPECT_ASSERTION(expandvar("$(VX_TWICE)"), "'VX_C7'" + kself);
  EXPECT_ASSERTION(expandvar("$(VX_C150)"), "'VX_C150'" + kself);
}

TEST(expandvar_test, long_chains_and_many_references) {
  // Long enough to switch from direct lookups to the indexed copy mid-way.
  const int depth = 2000;
  std::list<scopedenv> chain;
  for (int i = 0; i < depth; ++i) {
    const std::string value = i + 1 < depth ? "$(VX_CHAIN" + std::to_string(i + 1) + ")" : "x";
    chain.emplace_back("VX_CHAIN" + std::to_string(i), value);
  }
  EXPECT_EQ(expandvar("<$(VX_CHAIN0)>"), "<x>");
  std::string many, expected;
  for (int i = 0; i < 500; ++i) {
    many += "$(VX_CHAIN" + std::to_string(depth - 1 - i % 3) + ")/";
    expected += "x/";
  }
  EXPECT_EQ(expandvar(many), expected);
  // A cycle met after the switch is still reported for the right name.
  scopedenv loop("VX_CHAIN1999", "$(VX_CHAIN1000)");
  EXPECT_ASSERTION(expandvar(many), "'VX_CHAIN1999'" + kself);
}

TEST(expandvar_test, stops_at_the_longest_value_a_variable_holds) {
  // Exactly the longest value expands; a byte more fails, blaming the
  // reference being expanded.
  const std::size_t longest = vornplatform::longestvalue();
  const std::string fill(longest - 1, 'f');
  scopedenv f("VX_FILL", fill);
  EXPECT_EQ(expandvar("$(VX_FILL)x"), fill + "x");
  EXPECT_ASSERTION(expandvar("$(VX_FILL)xy"), "'VX_FILL'" + ktoolong);
  EXPECT_ASSERTION(expandvar("$(VX_FILL)$(VX_FILL)"), "'VX_FILL'" + ktoolong);
  // References that double at each of 40 levels would need terabytes; the
  // expansion stops at the bound, blaming the outermost reference.
  std::list<scopedenv> levels;
  levels.emplace_back("VX_D0", "xxxxxxxxxxxxxxxx");
  for (int i = 1; i <= 40; ++i) {
    const std::string below = "$(VX_D" + std::to_string(i - 1) + ")";
    levels.emplace_back("VX_D" + std::to_string(i), below + below);
  }
  EXPECT_ASSERTION(expandvar("<$(VX_D40)>"), "'VX_D40'" + ktoolong);
}

}  // namespace
}  // namespace vornenv
