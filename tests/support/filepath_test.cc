// Path rules shared by every platform.  The separator that str() writes
// differs, so expectations are built with sep().

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <utility>

#include "support/testsupport.h"
#include "vornenv/platform.h"
#include "vornfile/vornfile.h"

namespace vornfile {
namespace {

using vornenv::testing::comps;
using vornenv::testing::scopedtempdir;

// Rewrites '/' into the separator that str() writes.
std::string native(std::string text) {
  const char sep = filepath("a/b").str()[1];
  std::replace(text.begin(), text.end(), '/', sep);
  return text;
}

TEST(filepath_test, both_separators_and_normalisation) {
  EXPECT_EQ(filepath("a\\b/c").str(), native("a/b/c"));
  EXPECT_EQ(filepath("a//b///c/").str(), native("a/b/c"));
  EXPECT_EQ(filepath("./a/./b/.").str(), native("a/b"));
  EXPECT_EQ(filepath("a/../b").str(), native("a/../b"));
  EXPECT_EQ(comps(filepath("x/y z/w")), (std::vector<std::string>{"x", "y z", "w"}));
}

TEST(filepath_test, dot_alone_stays_here_and_empty_is_invalid) {
  EXPECT_EQ(filepath(".").str(), ".");
  EXPECT_EQ(filepath("././/").str(), ".");
  EXPECT_TRUE(filepath(".").valid());
  EXPECT_FALSE(filepath("").valid());
  EXPECT_FALSE(filepath().valid());
  EXPECT_FALSE(filepath(static_cast<const char*>(nullptr)).valid());
  EXPECT_TRUE(filepath().empty());
}

TEST(filepath_test, validity) {
  EXPECT_TRUE(filepath("tools/bin").valid());
  EXPECT_TRUE(filepath("with blank/and-dash_under.dot").valid());
  for (const char* bad : {"a<b", "a>b", "a\"b", "a|b", "a?b", "a*b", "a\tb", "a\x1f"}) {
    EXPECT_FALSE(filepath(bad).valid()) << bad;
  }
  EXPECT_FALSE(filepath(std::string("a") + vornenv::pathlistsep + "b").valid());
  EXPECT_TRUE(filepath("caf\xC3\xA9").valid());
}

TEST(filepath_test, assign_replaces_one_component_by_many) {
  filepath p("a/$(X)/d");
  auto pos = p.begin() + 1;
  auto last = p.assign(pos, filepath("b/c"));
  EXPECT_EQ(p.str(), native("a/b/c/d"));
  EXPECT_EQ(last->str(), "c");
  ++last;
  EXPECT_EQ(last->str(), "d");
}

TEST(filepath_test, assign_of_nothing_returns_position_before) {
  filepath p("$(X)/d");
  auto last = p.assign(p.begin(), filepath("."));
  ++last;
  EXPECT_EQ(last, p.begin());
  EXPECT_EQ(p.str(), "d");
  filepath q("$(X)");
  auto l2 = q.assign(q.begin(), filepath("."));
  EXPECT_EQ(q.str(), ".");
  EXPECT_EQ(++l2, q.end());
}

TEST(filepath_test, assign_at_first_component_takes_root) {
  scopedtempdir dir;  // an absolute path on every platform
  const filepath home(dir.path().string());
  filepath p("$(HOME)/tools");
  p.assign(p.begin(), home);
  EXPECT_EQ(p.str(), home.str() + native("/tools"));
  EXPECT_EQ(p, filepath(dir.path().string() + "/tools"));
  // Elsewhere only the components go in, without the root (nor a drive).
  filepath q("a/$(HOME)");
  q.assign(q.begin() + 1, home);
  const std::string relative = dir.path().relative_path().string();
  ASSERT_FALSE(relative.empty());
  EXPECT_EQ(q.str(), filepath("a/" + relative).str());
  EXPECT_EQ(comps(q).front(), "a");
  EXPECT_EQ(comps(q).size(), comps(home).size() + 1);
}

TEST(filepath_test, positions_read_components_and_step_both_ways) {
  filepath p("a/bb/ccc");
  auto it = p.begin();
  EXPECT_EQ(it->str(), "a");
  EXPECT_EQ(it[2].str(), "ccc");
  EXPECT_EQ((*(p.end() - 1)).str(), "ccc");
  ++it;
  EXPECT_EQ(it->str(), "bb");
  --it;
  --it;  // one before the first, and back
  ++it;
  EXPECT_EQ(it, p.begin());
  filepath::const_iterator cit = p.begin() + 1;  // mutable converts to read-only
  EXPECT_EQ(cit->str(), "bb");
  EXPECT_EQ(std::as_const(p).end() - cit, 2);
  EXPECT_EQ(comps(filepath("one")), (std::vector<std::string>{"one"}));
  EXPECT_TRUE(comps(filepath()).empty());
}

TEST(filepath_test, assign_keeps_text_and_order_in_step) {
  // Last component replaced by several, then the first by none: what reads
  // back, what compares and what str() gives all agree.
  filepath p("x/$(LAST)");
  auto last = p.assign(p.begin() + 1, filepath("p/q/r"));
  EXPECT_EQ(last->str(), "r");
  EXPECT_EQ(++last, p.end());
  EXPECT_EQ(comps(p), (std::vector<std::string>{"x", "p", "q", "r"}));
  EXPECT_EQ(p, filepath("x/p/q/r"));
  EXPECT_FALSE(p < filepath("x/p/q/r") || filepath("x/p/q/r") < p);
  auto before = p.assign(p.begin(), filepath("./."));
  EXPECT_EQ(++before, p.begin());
  EXPECT_EQ(p.str(), native("p/q/r"));
  EXPECT_EQ(p, filepath("p/q/r"));
  // A component replaced by itself leaves the path as it was.
  filepath same("aa/bbbb/cc");
  same.assign(same.begin() + 1, filepath("bbbb"));
  EXPECT_EQ(same.str(), native("aa/bbbb/cc"));
  EXPECT_EQ(same, filepath("aa/bbbb/cc"));
}

TEST(filepath_test, standalone_components) {
  EXPECT_TRUE(filepath("tools/bin/x.y").standalonecomponents());
  EXPECT_TRUE(filepath(".").standalonecomponents());
  EXPECT_TRUE(filepath().standalonecomponents());
  EXPECT_TRUE(filepath(scopedtempdir().path().string()).standalonecomponents());
  // Against its REQUIRES, a component holding the other separator.
  const char other = native("/") == "/" ? '\\' : '/';
  EXPECT_FALSE((filepath("a") + pathcomp(std::string("b") + other + "c")).standalonecomponents());
}

TEST(filepath_test, name_and_append) {
  EXPECT_EQ(filepath("a/b/lib.so").name().str(), "lib.so");
  EXPECT_EQ(filepath().name().str(), "");
  EXPECT_EQ((filepath("a") + pathcomp("b")).str(), native("a/b"));
  EXPECT_EQ((filepath(".") + pathcomp("b")).str(), "b");
}

TEST(filepath_test, ordering_is_component_wise) {
  EXPECT_TRUE(filepath("a") < filepath("a/b"));
  EXPECT_TRUE(filepath("a/b") < filepath("a b"));  // component "a" < "a b"
  EXPECT_TRUE(filepath("a/b") < filepath("a/c"));
  EXPECT_FALSE(filepath("a//b/") < filepath("a/b"));
  EXPECT_EQ(filepath("a//b/"), filepath("a\\b"));
  EXPECT_TRUE(filepath("rel") < filepath(scopedtempdir().path().string()));
  // Bytes compare as unsigned.
  EXPECT_TRUE(filepath("z") < filepath("\xC3\xA9"));
  std::set<filepath> s{filepath("a/b"), filepath("a//b"), filepath("a/./b/")};
  EXPECT_EQ(s.size(), 1u);
}

TEST(pathlist_test, split_drops_empty_pieces_and_merge_joins) {
  auto parts = splitpathlist(";a;;b/c;", ';');
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[0].str(), "a");
  EXPECT_EQ(parts[1].str(), native("b/c"));
  EXPECT_TRUE(splitpathlist("", ';').empty());
  EXPECT_EQ(mergepathlist(parts, '|'), "a|" + native("b/c"));
  EXPECT_EQ(mergepathlist({}, ';'), "");
}

TEST(pathlist_test, merge_unique_keeps_each_path_once_at_its_first_place) {
  const char sep = vornenv::pathlistsep;
  const std::string s(1, sep);
  const std::vector<filepath> front{filepath("a/b"), filepath("c"), filepath("a//b/")};
  // Other spellings of one path count once, in the spelling met first.
  EXPECT_EQ(
      mergeuniquepathlist(front, "c/" + s + s + "./d" + s + "a/./b" + s + "d/" + s + "e", sep),
      native("a/b") + s + "c" + s + "d" + s + "e");
  EXPECT_EQ(mergeuniquepathlist({}, s + "x" + s + s + "x" + s, sep), "x");
  EXPECT_EQ(mergeuniquepathlist({}, "", sep), "");
  EXPECT_EQ(mergeuniquepathlist({filepath("f")}, "", sep), "f");
  // Component boundaries count: "a b" and "a/b" stay apart.
  EXPECT_EQ(mergeuniquepathlist({filepath("a b")}, "a/b", sep), "a b" + s + native("a/b"));
  // Equivalence is the ordering's, even for a text holding a NUL byte: one
  // component that compares like two.
  const filepath nul(std::string("a\0b", 3));
  ASSERT_FALSE(nul < filepath("a/b") || filepath("a/b") < nul);
  EXPECT_EQ(mergeuniquepathlist({nul}, "a/b" + s + "c", sep), std::string("a\0b", 3) + s + "c");
  EXPECT_EQ(
      mergeuniquepathlist({filepath("a/b")}, std::string("x") + s + std::string("a\0b", 3), sep),
      native("a/b") + s + "x");
  // Many paths, every second one twice: the table grows past its first size.
  std::vector<filepath> many;
  std::string list, expected;
  for (int i = 0; i < 500; ++i) {
    const std::string p = "dir" + std::to_string(i) + "/bin";
    many.emplace_back(p);
    if (i % 2 == 0) list += p + "/" + s;
    list += "extra" + std::to_string(i) + s;
    if (!expected.empty()) expected += s;
    expected += native(p);
  }
  for (int i = 0; i < 500; ++i) expected += s + "extra" + std::to_string(i);
  EXPECT_EQ(mergeuniquepathlist(many, list, sep), expected);
}

TEST(systemdirs_test, override_and_libraries) {
  scopedtempdir dir;
  const std::string sys1 = dir.mkdir("sys1"), sys2 = dir.mkdir("sys2");
  dir.write("sys1/zeta.dll", "");
  dir.write("sys1/alpha.dll", "");
  dir.write("sys1/libalpha.so", "");
  dir.write("sys1/libbeta.so.1.2", "");
  dir.write("sys1/notes.txt", "");
  dir.write("sys1/solo.sox", "");
  dir.mkdir("sys1/dir.so");
  dir.mkdir("sys1/dir.dll");
  dir.write("sys2/alpha.dll", "");
  dir.write("sys2/libalpha.so", "");
  setsystemdirs({filepath(sys1), filepath(sys2)});
  auto dirs = getsystemdirs();
  ASSERT_EQ(dirs.size(), 2u);
  EXPECT_EQ(dirs[0], filepath(sys1));
  // Sorted bare names; which files count is each platform's own affair.
  auto libs = getshliblist(filepath(sys1));
  const std::vector<std::string> expected =
      vornenv::pathlistsep == ';' ? std::vector<std::string>{"alpha.dll", "zeta.dll"}
                                  : std::vector<std::string>{"libalpha.so", "libbeta.so.1.2"};
  std::vector<std::string> names;
  for (const filepath& l : libs) names.push_back(l.str());
  EXPECT_EQ(names, expected);
  for (const filepath& l : libs) EXPECT_EQ(std::distance(l.begin(), l.end()), 1);
  // sys2 holds nothing new, under the same names.
  EXPECT_EQ(getsystemlibs(), std::set<filepath>(libs.begin(), libs.end()));
  resetsystemdirs();
  EXPECT_NE(getsystemdirs().size(), 0u);
  EXPECT_TRUE(getshliblist(filepath(dir.file("missing"))).empty());
}

TEST(direxists_test, only_existing_directories) {
  scopedtempdir dir;
  EXPECT_TRUE(direxists(filepath(dir.mkdir("d"))));
  EXPECT_FALSE(direxists(filepath(dir.write("f", "x"))));
  EXPECT_FALSE(direxists(filepath(dir.file("missing"))));
  EXPECT_FALSE(direxists(filepath()));
}

}  // namespace
}  // namespace vornfile
