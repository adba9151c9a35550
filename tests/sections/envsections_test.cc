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

class envsections_test : public ::testing::Test {
 protected:
  // Parses text as a description file; returns the builder.
  std::unique_ptr<envbuilder> parse(const std::string& text) {
    auto b = std::make_unique<envbuilder>(vornfile::filepath(dir_.write("env.ini", text)));
    last_ = capture([&] { (*b)(); });
    return b;
  }

  scopedtempdir dir_;
  testing::outcome last_;
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
