// Installs many variables at once by swapping environ, which POSIX allows
// (setenv() searches the whole environment for each one, so 100000 of them
// would take seconds), and puts the old environment back at the end of the
// scope.  Header-only: the tests and the benchmarks share it.

#ifndef VORNENV_TESTS_SUPPORT_BULKENVIRON_POSIX_H_
#define VORNENV_TESTS_SUPPORT_BULKENVIRON_POSIX_H_

#include <string>
#include <utility>
#include <vector>

extern char** environ;

namespace vornenv::testing {

class bulkenviron {
 public:
  // vars: "NAME=VALUE" texts, placed in front of the current environment.
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

}  // namespace vornenv::testing

#endif  // VORNENV_TESTS_SUPPORT_BULKENVIRON_POSIX_H_
