// Path lists on Windows: ';' between elements, and letter case folded when
// paths are compared.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "support/testsupport.h"
#include "vornenv/platform.h"
#include "vornplatform/vornplatform.h"

namespace vornenv {
namespace {

using testing::scopedenv;
using vornfile::filepath;

class pathlist_windows_test : public testing::parsetest {
 protected:
  scopedenv path_{"PATH", std::nullopt};
};

std::string upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

TEST_F(pathlist_windows_test, spellings_of_one_directory_count_once) {
  ASSERT_EQ(pathlistsep, ';');
  const std::string a = filepath(dir_.mkdir("Alpha")).str();
  const std::string b = filepath(dir_.mkdir("beta")).str();
  // The variable holds b in capitals and with '/' separators.
  std::string other = upper(b);
  std::replace(other.begin(), other.end(), '\\', '/');
  vornplatform::putenvvar("PATH", other + ";" + upper(a) + ";C:\\windows");
  auto builder = parse("[Executable Paths]\nfirst = " + a + "\nsecond = " + b + "\n");
  EXPECT_FALSE(last_.thrown) << last_.err;
  // Each directory once, at the section's place, in the section's spelling.
  EXPECT_EQ(vornplatform::getenvvar("PATH").str(), a + ";" + b + ";C:\\windows");
}

}  // namespace
}  // namespace vornenv
