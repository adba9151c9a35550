// Path rules of the POSIX backend.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

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
  const std::vector<filepath> dirs = getsystemdirs();
  for (const filepath& d : dirs) EXPECT_TRUE(direxists(d)) << d.str();
  // Every Linux has /usr/lib, and the C library lies in one of the folders.
  EXPECT_NE(std::find(dirs.begin(), dirs.end(), filepath("/usr/lib")), dirs.end());
  const std::set<filepath> libs = getsystemlibs();
  EXPECT_TRUE(std::any_of(libs.begin(), libs.end(),
                          [](const filepath& l) { return l.str().rfind("libc.", 0) == 0; }));
}

TEST(filepath_posix_test, direxists_follows_links_and_long_paths) {
  scopedtempdir dir;
  const std::string d = dir.mkdir("d");
  const std::string f = dir.write("f", "x");
  std::filesystem::create_directory_symlink(d, dir.file("to-d"));
  std::filesystem::create_symlink(f, dir.file("to-f"));
  std::filesystem::create_symlink(dir.file("nowhere"), dir.file("dangling"));
  EXPECT_TRUE(direxists(filepath(dir.file("to-d"))));
  EXPECT_FALSE(direxists(filepath(dir.file("to-f"))));
  EXPECT_FALSE(direxists(filepath(dir.file("dangling"))));
  EXPECT_FALSE(direxists(filepath(f + "/x")));
  EXPECT_TRUE(direxists(filepath("/")));
  EXPECT_TRUE(direxists(filepath(".")));
  // A directory that nobody may read or enter is still a directory.
  const std::string closed = dir.mkdir("closed");
  ::chmod(closed.c_str(), 0);
  EXPECT_TRUE(direxists(filepath(closed)));
  ::chmod(closed.c_str(), 0700);
  // Long paths take another road: they must answer the same.
  std::string deep = "deep";
  while (deep.size() < 1500) deep += "/level-of-a-long-path";
  const std::string longdir = dir.mkdir(deep);
  EXPECT_TRUE(direxists(filepath(longdir)));
  EXPECT_FALSE(direxists(filepath(longdir + "/missing")));
  EXPECT_FALSE(direxists(filepath(dir.write(deep + "/file", "x"))));
}

}  // namespace
}  // namespace vornfile
