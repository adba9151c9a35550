#include "vornenv/diagnostics.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <iostream>

#include "support/testsupport.h"

namespace vornenv {
namespace {

using testing::capture;

TEST(diagnostics_test, true_condition_is_silent) {
  auto out = capture([] {
    envassert(true, "never shown");
    envwarn(true, "never shown");
  });
  EXPECT_EQ(out.err, "");
  EXPECT_FALSE(out.thrown);
}

TEST(diagnostics_test, assertion_writes_prefix_and_throws_bare_message) {
  EXPECT_ASSERTION(envassert(false, " leading blank kept"), " leading blank kept");
  EXPECT_ASSERTION(envassert(false, ""), "");
}

TEST(diagnostics_test, warning_writes_prefix_and_returns) {
  auto out = capture([] {
    envwarn(false, "look out");
    envwarn(false, "");
  });
  EXPECT_FALSE(out.thrown);
  EXPECT_EQ(out.err, "****WARNING****: look out\n****WARNING****: \n");
}

TEST(diagnostics_test, prefix_honours_a_field_width) {
  auto out = capture([] {
    std::cerr << std::setw(20);
    envwarn(false, "w");
  });
  EXPECT_EQ(out.err, "   ****WARNING****: w\n");
}

}  // namespace
}  // namespace vornenv
