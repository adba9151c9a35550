// Shared fixtures of the tests.

#ifndef VORNENV_TESTS_SUPPORT_TESTSUPPORT_H_
#define VORNENV_TESTS_SUPPORT_TESTSUPPORT_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "vornenv/envbuilder.h"
#include "vornfile/vornfile.h"

namespace vornenv::testing {

// Sets (or, for std::nullopt, removes) a variable and restores the old value
// when it goes out of scope.
class scopedenv {
 public:
  scopedenv(std::string name, std::optional<std::string> value);
  ~scopedenv();
  scopedenv(const scopedenv&) = delete;
  scopedenv& operator=(const scopedenv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// A fresh directory, removed with everything in it at the end of the scope.
class scopedtempdir {
 public:
  scopedtempdir();
  ~scopedtempdir();
  scopedtempdir(const scopedtempdir&) = delete;
  scopedtempdir& operator=(const scopedtempdir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Path of name inside the directory, as text.
  std::string file(const std::string& name) const;
  // Writes the bytes to name inside the directory; returns its path as text.
  std::string write(const std::string& name, const std::string& bytes) const;
  // Creates the directory name (and its parents); returns its path as text.
  std::string mkdir(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

// What one call wrote to std::cerr and the text of the std::runtime_error it
// threw (std::nullopt when it threw none).
struct outcome {
  std::string err;
  std::optional<std::string> thrown;
};
outcome capture(const std::function<void()>& call);

// What std::runtime_error::what() gives for message: a C string, so cut at
// the first NUL.
inline std::string what(const std::string& message) {
  return message.substr(0, message.find('\0'));
}

// The components of p, as text, in order.
std::vector<std::string> comps(const vornfile::filepath& p);

// A fixture that parses description files written to a scratch directory.
class parsetest : public ::testing::Test {
 protected:
  // Writes text to a file, parses it with a new builder and returns the
  // builder; last_ holds what the parse wrote to std::cerr and threw.
  std::unique_ptr<envbuilder> parse(const std::string& text, const std::string& file = "test.ini");

  scopedtempdir dir_;
  outcome last_;
};

}  // namespace vornenv::testing

// The call fails through envassert with exactly this message.
#define EXPECT_ASSERTION(call, message)                                                     \
  do {                                                                                      \
    const auto vornenv_outcome_ = ::vornenv::testing::capture([&] { call; });               \
    EXPECT_EQ(vornenv_outcome_.thrown,                                                      \
              std::optional<std::string>(::vornenv::testing::what(message)));               \
    EXPECT_EQ(vornenv_outcome_.err, std::string("****ASSERTION****: ") + (message) + "\n"); \
  } while (0)

#endif  // VORNENV_TESTS_SUPPORT_TESTSUPPORT_H_
