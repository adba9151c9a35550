// What the tests of the per-project commands share: the changes a JSON
// export or prompt printed, and a project folder with its own list of
// allowed files and a prompt run as a shell runs it.

#ifndef VORNENV_TESTS_CLI_PROJECT_H_
#define VORNENV_TESTS_CLI_PROJECT_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/clirun.h"
#include "cli/os/platform.h"
#include "support/testsupport.h"

namespace vornenv::testing {

// The path as the host prints it: UTF-8, a Unix path of a Wine build on Z:.
std::string utf8path(const std::filesystem::path& path);

// A path of the tests' own making as the host writes it when it names the
// file itself: the platform's separators throughout.
std::string shownpath(const std::string& path);

// The changes that a JSON export or prompt printed: name to value, or
// std::nullopt for null; none for empty output.  Anything but one object of
// strings and nulls (read by readjson()) throws.
std::map<std::string, std::optional<std::string>> jsonchanges(const std::string& json);

// A project folder, a list of allowed files of its own, and the prompt run
// as a shell runs it: what it prints is applied to this process, whose
// environment goes back as it was at the end.
class projecttest : public ::testing::Test {
 protected:
  projecttest();
  ~projecttest() override;

  // Runs the prompt in folder and applies what it printed.  For sh, where
  // the names a shell can set count, only the hook's own variables are
  // taken from the output: enough for the prompt after it.
  ranprogram prompt(const std::filesystem::path& folder, const std::string& format = "json");

  // The list of allowed files as allow --list shows it.
  std::string listed();

  const scopedtempdir dir_;

 private:
  const std::vector<std::pair<std::string, std::string>> start_;
  const std::filesystem::path workdir_;
  const scopedenv data_, local_;
};

}  // namespace vornenv::testing

#endif  // VORNENV_TESTS_CLI_PROJECT_H_
