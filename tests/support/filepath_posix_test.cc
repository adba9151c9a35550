// Path rules of the POSIX backend.

#include <gtest/gtest.h>

#include <filesystem>

#include "support/testsupport.h"
#include "vornfile/vornfile.h"

namespace vornfile {
namespace {

using vornenv::testing::scopedtempdir;

TEST(filepath_posix_test, root_and_separator) {
  EXPECT_EQ(filepath("//usr\\\\lib/").str(), "/usr/lib");
  EXPECT_EQ(filepath("/").str(), "/");
  EXPECT_TRUE(filepath("/").valid());
  EXPECT_NE(filepath("/usr"), filepath("usr"));
  EXPECT_FALSE(filepath("/a:b").valid());  // ':' separates path lists here
}

TEST(filepath_posix_test, letter_case_is_significant) {
  EXPECT_NE(filepath("/A/b"), filepath("/a/b"));
  EXPECT_TRUE(filepath("/A") < filepath("/a"));
}

TEST(filepath_posix_test, bare_root_replacing_first_component) {
  filepath p("$(ROOT)/usr/bin");
  p.assign(p.begin(), filepath("/"));
  EXPECT_EQ(p.str(), "/usr/bin");
}

TEST(filepath_posix_test, shared_libraries_are_so_files_and_links_to_them) {
  scopedtempdir dir;
  dir.write("libalpha.so", "");
  dir.write("libbeta.so.1.2", "");
  dir.write("alpha.dll", "");
  dir.write("notes.txt", "");
  dir.write("solo.sox", "");
  dir.mkdir("dir.so");
  std::filesystem::create_symlink(dir.file("libbeta.so.1.2"), dir.file("libbeta.so"));
  std::filesystem::create_symlink(dir.file("missing"), dir.file("libdangling.so"));
  std::vector<std::string> names;
  for (const filepath& l : getshliblist(filepath(dir.path().string()))) names.push_back(l.str());
  EXPECT_EQ(names, (std::vector<std::string>{"libalpha.so", "libbeta.so", "libbeta.so.1.2"}));
}

TEST(filepath_posix_test, platform_system_directories_exist) {
  resetsystemdirs();
  for (const filepath& d : getsystemdirs()) EXPECT_TRUE(direxists(d)) << d.str();
}

}  // namespace
}  // namespace vornfile
