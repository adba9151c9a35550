#include "vornplatform/vornplatform.h"

#include <gtest/gtest.h>

#include "support/testsupport.h"

namespace vornplatform {
namespace {

using vornenv::testing::scopedenv;

TEST(vornplatform_test, set_read_and_remove) {
  scopedenv guard("VORNENV_TEST_VAR", std::nullopt);
  EXPECT_EQ(getenvvar("VORNENV_TEST_VAR").str(), "");
  putenvvar("VORNENV_TEST_VAR", "a value; with $(stuff)");
  EXPECT_EQ(getenvvar("VORNENV_TEST_VAR").str(), "a value; with $(stuff)");
  putenvvar("VORNENV_TEST_VAR", "");
  EXPECT_EQ(getenvvar(std::string("VORNENV_TEST_VAR")).str(), "");
}

TEST(vornplatform_test, removing_an_unset_variable_is_quiet) {
  scopedenv guard("VORNENV_TEST_UNSET", std::nullopt);
  auto out = vornenv::testing::capture([] { putenvvar("VORNENV_TEST_UNSET", ""); });
  EXPECT_FALSE(out.thrown);
  EXPECT_EQ(out.err, "");
}

TEST(vornplatform_test, long_values_survive) {
  scopedenv guard("VORNENV_TEST_LONG", std::nullopt);
  const std::string value(30000, 'x');
  putenvvar("VORNENV_TEST_LONG", value);
  EXPECT_EQ(getenvvar("VORNENV_TEST_LONG").str(), value);
}

TEST(vornplatform_test, refused_names_fail_loudly) {
  EXPECT_ASSERTION(putenvvar("", "x"), " putenvvar - failed to set environment variable!");
  EXPECT_ASSERTION(putenvvar("A=B", "x"), "A=B putenvvar - failed to set environment variable!");
  EXPECT_ASSERTION(putenvvar("=C:", "x"), "=C: putenvvar - failed to set environment variable!");
  EXPECT_ASSERTION(putenvvar(std::string("A\0B", 3), "x"),
                   std::string("A\0B", 3) + " putenvvar - failed to set environment variable!");
}

// The quiet form fails alike and writes nothing: the caller reports.
TEST(vornplatform_test, quiet_put_throws_without_a_line) {
  const auto out = vornenv::testing::capture([] { putenvvarquiet("A=B", "x"); });
  EXPECT_EQ(out.err, "");
  EXPECT_EQ(out.thrown,
            std::optional<std::string>("A=B putenvvar - failed to set environment variable!"));
}

TEST(vornplatform_test, null_text_is_empty) {
  EXPECT_EQ(vornstr(static_cast<const char*>(nullptr)).str(), "");
}

TEST(envsnapshot_test, answers_as_getenvvar_did_when_taken) {
  scopedenv a("VORNENV_SNAP_A", "one=two"), b("VORNENV_SNAP_B", std::nullopt);
  const envsnapshot snap;
  putenvvar("VORNENV_SNAP_A", "changed");
  putenvvar("VORNENV_SNAP_B", "later");
  EXPECT_EQ(snap.get("VORNENV_SNAP_A").str(), "one=two");
  EXPECT_EQ(snap.get("VORNENV_SNAP_B").str(), "");
  EXPECT_EQ(snap.get("").str(), getenvvar("").str());
  EXPECT_EQ(snap.get("VORNENV_SNAP_A=one").str(), getenvvar("VORNENV_SNAP_A=one").str());
  bool listed = false;
  for (const auto& [name, value] : snap.vars()) {
    listed = listed || (name == "VORNENV_SNAP_A" && value == "one=two");
  }
  EXPECT_TRUE(listed);
}

}  // namespace
}  // namespace vornplatform
