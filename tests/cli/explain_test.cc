// explain as the library tells it: every variable of the bundled example,
// and files that refer to the folder vornenv names for each of them.

#include <gtest/gtest.h>
#include <vornenv/vornenv.h>

#include <optional>
#include <string>
#include <vector>

#include "cli/clirun.h"
#include "support/testsupport.h"

namespace vornenv::testing {
namespace {

// The example sets each variable once, at its entry's line.
TEST(explain_test, tells_every_variable_of_the_bundled_example) {
  const std::string file = VORNENV_SOURCE_DIR "/examples/toolchain.ini";
  // The entries of its [Environment], read by hand: applying the file here
  // would need the folder that only the tool sets.
  const std::string text = slurp(file);
  std::size_t told = 0, number = 0;
  bool environment = false;
  for (std::size_t at = 0, end; at < text.size(); at = end + 1) {
    end = text.find('\n', at);
    const std::string line = text.substr(at, end - at);
    ++number;
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      environment = line == "[Environment]";
      continue;
    }
    if (!environment) continue;
    const std::size_t eq = line.find('=');
    const std::string name = line.substr(0, line.find(' '));
    const std::string value = line.substr(line.find_first_not_of(' ', eq + 1));
    const ranprogram r = runvornenv({"explain", name, nativepath(file)});
    EXPECT_EQ(r.status, 0) << name << ": " << r.err;
    EXPECT_NE(r.out.find("set once, at " + nativepath(file) + ':' + std::to_string(number)),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("    written: " + value + '\n'), std::string::npos) << r.out;
    ++told;
  }
  EXPECT_EQ(told, 7u);
  const ranprogram path = runvornenv({"explain", "PATH", nativepath(file)});
  EXPECT_EQ(path.status, 0) << path.err;
  EXPECT_NE(path.out.find("changed 2 times"), std::string::npos) << path.out;
}

// Each file sees VORNENV_DIR name its own folder while it applies.
TEST(explain_test, follows_references_to_each_files_own_folder) {
  scopedtempdir dir;
  scopedenv base("VORNENV_EX_BASE", std::nullopt), all("VORNENV_EX_ALL", std::nullopt);
  dir.mkdir("one");
  dir.mkdir("two");
  const std::string a =
      dir.write("one/a.ini", "[Environment]\nVORNENV_EX_BASE = $(VORNENV_DIR)/base\n");
  const std::string b =
      dir.write("two/b.ini", "[Environment]\nVORNENV_EX_ALL = $(VORNENV_EX_BASE)+$(VORNENV_DIR)\n");
  const ranprogram r = runvornenv({"explain", "VORNENV_EX_ALL", a, b});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = [&] {
    std::vector<std::string> out;
    for (std::size_t at = 0, end; at < r.out.size(); at = end + 1) {
      end = r.out.find('\n', at);
      out.push_back(r.out.substr(at, end - at));
    }
    return out;
  }();
  // The chain: the entry of b, the one of a it refers to, and each folder
  // as the environment held it at that moment.
  const auto folder = [](const std::string& line, const std::string& name) {
    const std::string tail = name + "  (the environment)";
    return line.find("$(VORNENV_DIR) = ") != std::string::npos && line.size() > tail.size() &&
           line.compare(line.size() - tail.size(), tail.size(), tail) == 0;
  };
  std::vector<std::string> seen;
  for (const std::string& line : lines) {
    if (folder(line, "one")) seen.push_back("one");
    if (folder(line, "two")) seen.push_back("two");
    if (line.find("$(VORNENV_EX_BASE) = ") != std::string::npos) seen.push_back("base");
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"base", "one", "two"})) << r.out;
  EXPECT_NE(r.out.find(b + ":2: [Environment] sets VORNENV_EX_ALL"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("(" + a + ":2)"), std::string::npos) << r.out;
}

// A file that extends VORNENV_DIR expanded $(VORNENV_DIR) to its folder, as
// the host set it for the file: explain must say that value, not the one
// from before the file (which the change log, rightly, reports as "before").
TEST(explain_test, tells_the_folder_a_file_extending_vornenv_dir_expanded) {
  scopedtempdir dir;
  dir.mkdir("proj");
  const std::string file =
      dir.write("proj/a.ini", "[Environment]\nVORNENV_DIR = $(VORNENV_DIR)/x\n");
  const struct {
    const char* what;
    std::optional<std::string> before;
  } cases[] = {{"unset before", std::nullopt}, {"set before", std::string("review-pre")}};
  for (const auto& c : cases) {
    const scopedenv pre("VORNENV_DIR", c.before);
    const ranprogram r = runvornenv({"explain", "VORNENV_DIR", file});
    ASSERT_EQ(r.status, 0) << c.what << ": " << r.err;
    // The value after is the folder the reference stood for, then "/x".
    const std::string marker = "    after:   ";
    const std::size_t at = r.out.find(marker);
    ASSERT_NE(at, std::string::npos) << r.out;
    const std::string after =
        r.out.substr(at + marker.size(), r.out.find('\n', at) - at - marker.size());
    ASSERT_GT(after.size(), 2u) << r.out;
    ASSERT_EQ(after.substr(after.size() - 2), "/x") << r.out;
    const std::string folder = after.substr(0, after.size() - 2);
    EXPECT_NE(r.out.find("    $(VORNENV_DIR) = " + folder + "  ("), std::string::npos)
        << c.what << ":\n"
        << r.out;
  }
}

}  // namespace
}  // namespace vornenv::testing
