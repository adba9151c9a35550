// A chain of 100000 variables: deep enough that expanding it with one
// machine-stack frame per level would overflow the stack.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/bulkenviron_posix.h"
#include "vornenv/expandvar.h"

namespace vornenv {
namespace {

using testing::bulkenviron;

TEST(expandvar_posix_test, hundred_thousand_deep_chain_expands) {
  const int depth = 100000;
  std::vector<std::string> vars;
  for (int i = 0; i < depth; ++i) {
    vars.push_back("VX_DEEP" + std::to_string(i) + "=" +
                   (i + 1 < depth ? "$(VX_DEEP" + std::to_string(i + 1) + ")" : "x"));
  }
  bulkenviron env(std::move(vars));
  EXPECT_EQ(expandvar("$(VX_DEEP0)"), "x");
  EXPECT_EQ(expandvar("$(VX_DEEP99990)$(VX_DEEP5)"), "xx");
}

}  // namespace
}  // namespace vornenv
