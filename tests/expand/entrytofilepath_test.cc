#include "vornenv/entrytofilepath.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/testsupport.h"
#include "vornenv/platform.h"
#include "vornenv/sections.h"

namespace vornenv {
namespace {

using entry = envbuilder::entry;
using testing::scopedenv;
using testing::scopedtempdir;
using vornfile::filepath;

std::vector<std::string> comps(const filepath& p) {
  std::vector<std::string> out;
  for (const vornfile::pathcomp& c : p) out.push_back(c.str());
  return out;
}

TEST(entrytofilepath_test, short_components_stay_as_written) {
  scopedenv u("X", std::nullopt);
  // "$(X)" has 4 characters: never expanded, never checked.
  EXPECT_EQ(comps(entrytofilepath::convert(entry("n", "a/$(X)/bin"))),
            (std::vector<std::string>{"a", "$(X)", "bin"}));
}

TEST(entrytofilepath_test, long_components_expand_into_several) {
  scopedenv home("VX_HOME", "one/two/three");
  EXPECT_EQ(comps(entrytofilepath::convert(entry("n", "$(VX_HOME)/tools/bin"))),
            (std::vector<std::string>{"one", "two", "three", "tools", "bin"}));
  EXPECT_EQ(comps(entrytofilepath::convert(entry("n", "pre/x$(VX_HOME)y"))),
            (std::vector<std::string>{"pre", "xone", "two", "threey"}));
}

TEST(entrytofilepath_test, expanded_root_makes_the_path_absolute) {
  scopedtempdir dir;
  const filepath root(dir.path().string());
  scopedenv home("VX_ROOT", root.str());
  const filepath converted = entrytofilepath::convert(entry("n", "$(VX_ROOT)/tools"));
  EXPECT_EQ(converted, filepath(dir.path().string() + "/tools"));
  EXPECT_EQ(converted.str(), filepath(root.str() + "/tools").str());
}

TEST(entrytofilepath_test, invalid_expansion_and_unset_variable_fail) {
  scopedenv bad("VX_BAD", "a|b"), u("VX_UNSET", std::nullopt);
  EXPECT_ASSERTION(entrytofilepath::convert(entry("n", "x/$(VX_BAD)")),
                   "a|b entrytofilepath - expanded envvar to invalid path!");
  EXPECT_ASSERTION(entrytofilepath::convert(entry("n", "$(VX_UNSET)/x")),
                   "'VX_UNSET' envvar is not set yet!");
  // Long components are checked even without a reference.
  EXPECT_ASSERTION(entrytofilepath::convert(entry("n", "ok/bad<name")),
                   "bad<name entrytofilepath - expanded envvar to invalid path!");
}

TEST(entrytofilepath_test, values_without_references_read_as_expanded) {
  // Plain long components come out as written, normalised like any path.
  EXPECT_EQ(entrytofilepath::convert(entry("n", "first//second/./third/")),
            filepath("first/second/third"));
  if (pathlistsep == ';') {
    // A long component that reads as a drive loses it, as its expansion
    // would, where a root cannot go.
    EXPECT_EQ(entrytofilepath::convert(entry("n", "dir/x:tools")).str(), "dir\\tools");
  } else {
    EXPECT_ASSERTION(entrytofilepath::convert(entry("n", "dir/x:tools")),
                     "x:tools entrytofilepath - expanded envvar to invalid path!");
  }
  // Short components are never checked, long ones always.
  EXPECT_EQ(comps(entrytofilepath::convert(entry("n", "a|b/okay"))),
            (std::vector<std::string>{"a|b", "okay"}));
  EXPECT_ASSERTION(entrytofilepath::convert(entry("n", "okay/a|bcd")),
                   "a|bcd entrytofilepath - expanded envvar to invalid path!");
}

TEST(entrytofilepath_test, copies_append_to_the_same_list) {
  std::vector<filepath> list;
  entrytofilepath first(list);
  entrytofilepath second(first);
  second(entry("a", "one"));
  first(entry("b", "two"));
  scopedenv u("VX_UNSET", std::nullopt);
  EXPECT_THROW(first(entry("c", "$(VX_UNSET)")), std::runtime_error);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].str(), "one");
  EXPECT_EQ(list[1].str(), "two");
}

// System, section and PATH directories, each with its own libraries.
class liblocations_test : public ::testing::Test {
 protected:
  void SetUp() override {
    sys_ = dir_.mkdir("sys");
    mine_ = dir_.mkdir("mine");
    onpath_ = dir_.mkdir("onpath");
    lib("sys", "shared");
    lib("mine", "shared");
    lib("mine", "own");
    lib("mine", "zeta");
    lib("onpath", "own");
    lib("onpath", "extra");
    vornfile::setsystemdirs({filepath(sys_)});
  }
  void TearDown() override { vornfile::resetsystemdirs(); }

  // A library file named for this platform.
  void lib(const std::string& folder, const std::string& name) {
    dir_.write(folder + "/" + libname(name), "");
  }
  static std::string libname(const std::string& name) {
    return pathlistsep == ';' ? name + ".dll" : "lib" + name + ".so";
  }
  std::string at(const std::string& folder, const std::string& name) {
    return (filepath(dir_.file(folder)) + vornfile::pathcomp(libname(name))).str();
  }

  scopedtempdir dir_;
  std::string sys_, mine_, onpath_;
};

TEST_F(liblocations_test, system_then_section_then_path_each_library_once) {
  anonsection s("Libs");
  s.newentry(entry("m", mine_));
  s.newentry(entry("gone", dir_.file("missing")));  // listed, yields nothing
  scopedenv path("PATH", std::string(1, pathlistsep) + dir_.file("nowhere") + pathlistsep +
                             onpath_ + pathlistsep + sys_ + pathlistsep);
  std::vector<std::string> got;
  for (const filepath& p : getliblocations(s)) got.push_back(p.str());
  EXPECT_EQ(got, (std::vector<std::string>{at("sys", "shared"), at("mine", "own"),
                                           at("mine", "zeta"), at("onpath", "extra")}));
}

TEST_F(liblocations_test, invalid_section_gives_nothing) {
  class invalidsection final : public envbuilder::section {
   public:
    using section::section;
    bool valid() const override { return false; }

   private:
    bool donewentry(entry&) override { return true; }
    bool operator()() override { return true; }
  } s("x");
  s.newentry(entry("m", mine_));
  EXPECT_TRUE(getliblocations(s).empty());
}

}  // namespace
}  // namespace vornenv
