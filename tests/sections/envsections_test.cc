#include <gtest/gtest.h>

#include "support/testsupport.h"
#include "vornenv/envbuilder.h"
#include "vornplatform/vornplatform.h"

namespace vornenv {
namespace {

using testing::capture;
using testing::scopedenv;
using testing::scopedtempdir;
using vornplatform::getenvvar;
using vornplatform::putenvvar;

class envsections_test : public testing::parsetest {
 protected:
  // Parses text as a description file; returns the builder.
  scopedenv a_{"VX_A", std::nullopt}, b_{"VX_B", std::nullopt}, c_{"VX_C", std::nullopt};
};

TEST_F(envsections_test, sets_variables_in_entry_order) {
  auto b = parse("[Environment]\nVX_A = one\nVX_B = $(VX_A)-two\nVX_C = $(VX_B)$(VX_B)\n");
  EXPECT_FALSE(last_.thrown);
  EXPECT_EQ(getenvvar("VX_A").str(), "one");
  EXPECT_EQ(getenvvar("VX_B").str(), "one-two");
  EXPECT_EQ(getenvvar("VX_C").str(), "one-twoone-two");
  // The stored entries keep the text as written.
  EXPECT_EQ(b->getsection("Environment").getentry("VX_B").value(), "$(VX_A)-two");
}

// Nothing a child could not receive whole is set, literal or expanded: the
// longest value that fits with its name is set, a byte more fails, and so
// does a name too long for any value.
TEST_F(envsections_test, names_and_values_are_set_whole_or_not_at_all) {
  const auto largest = [](auto fits) {
    std::size_t n = 0;
    while (fits(n + 1)) ++n;
    return n;
  };
  const std::size_t value = largest([](std::size_t n) { return vornplatform::fitsvariable(4, n); });
  const std::size_t name = largest([](std::size_t n) { return vornplatform::fitsvariable(n, 1); });
  const std::string fits(value, 'v');
  const std::string toolong = " expansion is longer than an environment variable can hold!";
  const struct {
    const char* what;
    std::string text;
    std::string thrown;  // its end; "" when it applies
  } cases[] = {
      {"the longest value", "[Environment]\nVX_A = " + fits + "\n", ""},
      {"a byte more", "[Environment]\nVX_A = " + fits + "v\n", "'VX_A'" + toolong},
      // Blamed on VX_B where the expansion itself outgrows the bound first.
      {"expanded", "[Environment]\nVX_B = " + fits.substr(2) + "\nVX_A = $(VX_B)vvv\n", toolong},
      {"the longest name", "[Environment]\n" + std::string(name, 'N') + " = x\n", ""},
      {"a longer name", "[Environment]\n" + std::string(name + 1, 'N') + " = x\n",
       "' name is longer than an environment variable can hold!"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    putenvvar("VX_A", "");
    parse(c.text);
    const std::string thrown = last_.thrown.value_or("");
    EXPECT_EQ(thrown.size() >= c.thrown.size() &&
                  thrown.compare(thrown.size() - c.thrown.size(), c.thrown.size(), c.thrown) == 0,
              true)
        << thrown.substr(0, 80);
    EXPECT_EQ(thrown.empty(), c.thrown.empty());
  }
  EXPECT_EQ(getenvvar("VX_A").str(), "");
  parse("[Environment]\nVX_A = " + fits + "\n");
  EXPECT_EQ(getenvvar("VX_A").str().size(), value);
  putenvvar(std::string(name, 'N'), "");
}

TEST_F(envsections_test, earlier_value_seen_before_a_later_entry_sets_it) {
  putenvvar("VX_A", "before");
  parse("[Environment]\nVX_B = $(VX_A)\nVX_A = after\n");
  EXPECT_EQ(getenvvar("VX_B").str(), "before");
  EXPECT_EQ(getenvvar("VX_A").str(), "after");
}

TEST_F(envsections_test, entry_may_extend_its_own_variable) {
  putenvvar("VX_A", "base");
  parse("[Environment]\nVX_A = $(VX_A);more\n");
  EXPECT_EQ(getenvvar("VX_A").str(), "base;more");
}

TEST_F(envsections_test, failure_leaves_earlier_entries_applied) {
  auto b = parse("[Environment]\nVX_A = set\nVX_B = $(VX_C)\nVX_C = late\n");
  EXPECT_EQ(last_.thrown, std::optional<std::string>("'VX_C' envvar is not set yet!"));
  EXPECT_EQ(getenvvar("VX_A").str(), "set");
  EXPECT_EQ(getenvvar("VX_B").str(), "");
  EXPECT_EQ(getenvvar("VX_C").str(), "");
  // The section was stored with every entry before its action ran.
  EXPECT_EQ(b->getsection("Environment").getentry("VX_C").value(), "late");
}

TEST_F(envsections_test, empty_section_and_plain_sections_change_nothing) {
  auto b = parse("[Environment]\n[environment]\nVX_A = $(VX_UNSET_EITHER)\n[Tools]\nVX_B = x\n");
  EXPECT_FALSE(last_.thrown);
  EXPECT_EQ(getenvvar("VX_A").str(), "");
  EXPECT_EQ(getenvvar("VX_B").str(), "");
  EXPECT_EQ(b->getsection("environment").getentry("VX_A").value(), "$(VX_UNSET_EITHER)");
  EXPECT_EQ(b->getsection("Tools").getentry("VX_B").value(), "x");
}

}  // namespace
}  // namespace vornenv
