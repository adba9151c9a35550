// A chain of 100000 variables.  setenv() searches the whole environment
// every time, so the test installs the variables by swapping environ, which
// POSIX allows, and restores it afterwards.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vornenv/expandvar.h"

extern char** environ;

namespace vornenv {
namespace {

class bulkenviron {
 public:
  explicit bulkenviron(std::vector<std::string> vars) : vars_(std::move(vars)), old_(environ) {
    for (std::string& v : vars_) table_.push_back(v.data());
    for (char** e = old_; e != nullptr && *e != nullptr; ++e) table_.push_back(*e);
    table_.push_back(nullptr);
    environ = table_.data();
  }
  ~bulkenviron() { environ = old_; }
  bulkenviron(const bulkenviron&) = delete;
  bulkenviron& operator=(const bulkenviron&) = delete;

 private:
  std::vector<std::string> vars_;
  std::vector<char*> table_;
  char** old_;
};

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
