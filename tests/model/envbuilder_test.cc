#include "vornenv/envbuilder.h"

#include <gtest/gtest.h>

#include <iterator>
#include <thread>
#include <vector>

#include "support/testsupport.h"
#include "vornenv/entrytofilepath.h"
#include "vornenv/platform.h"
#include "vornenv/sections.h"
#include "vornplatform/vornplatform.h"

namespace vornenv {
namespace {

using testing::capture;
using testing::scopedenv;
using testing::scopedtempdir;
using vornfile::filepath;
using vornplatform::getenvvar;
using vornplatform::putenvvar;

class envbuilder_test : public testing::parsetest {
 protected:
  scopedenv path_{"PATH", std::nullopt}, home_{"VX_HOME", dir_.path().string()},
      tools_{"VX_TOOLS", std::nullopt}, a_{"VX_A", std::nullopt};
};

TEST_F(envbuilder_test, traced_typical_file) {
  const std::string bin = filepath(dir_.mkdir("tools/bin")).str();
  putenvvar("PATH", bin + pathlistsep + "elsewhere");
  auto b = parse(
      "[Environment]\nVX_TOOLS = $(VX_HOME)\\tools\n"
      "[Executable Paths]\nbin = $(VX_TOOLS)\\bin\n");
  EXPECT_FALSE(last_.thrown) << last_.err;
  EXPECT_EQ(getenvvar("VX_TOOLS").str(), dir_.path().string() + "\\tools");
  EXPECT_EQ(b->getsection("Executable Paths").getentry("bin").value(), bin);
  EXPECT_EQ(getenvvar("PATH").str(), bin + pathlistsep + "elsewhere");
  EXPECT_EQ(b->sectionnames(), (std::vector<std::string>{"Environment", "Executable Paths"}));
}

TEST_F(envbuilder_test, kinds_are_chosen_by_exact_names) {
  const std::string d = filepath(dir_.mkdir("d")).str();
  auto b = parse("[environment]\nVX_A = lower\n[executable paths]\np = " + d +
                 "\n[Library paths]\np = " + d + "\n[Settings]\nlevel = 3\n");
  EXPECT_FALSE(last_.thrown) << last_.err;
  EXPECT_EQ(getenvvar("VX_A").str(), "");
  EXPECT_EQ(getenvvar("PATH").str(), "");
  // Kept as written, found under their own names only.
  EXPECT_EQ(b->getsection("environment").getentry("VX_A").value(), "lower");
  EXPECT_EQ(b->getsection("Settings").getentry("level").value(), "3");
  EXPECT_EQ(b->getsection("Environment").name(), "");
}

// The kind a name selects, as the builder creates it.
sectionkind createdkind(const envbuilder::section& s) {
  if (dynamic_cast<const libpathlist*>(&s) != nullptr) return sectionkind::librarypaths;
  if (dynamic_cast<const pathlist*>(&s) != nullptr) return sectionkind::executablepaths;
  if (dynamic_cast<const envblock*>(&s) != nullptr) return sectionkind::environment;
  if (dynamic_cast<const anonsection*>(&s) != nullptr) return sectionkind::plain;
  ADD_FAILURE() << s.name() << ": no kind of the library";
  return sectionkind::plain;
}

TEST_F(envbuilder_test, the_kind_table_is_what_the_builder_creates) {
  const struct {
    const char* name;
    sectionkind kind;
  } cases[] = {
      {"Environment", sectionkind::environment},
      {"Executable Paths", sectionkind::executablepaths},
      {"Library Paths", sectionkind::librarypaths},
      {"environment", sectionkind::plain},
      {"Library paths", sectionkind::plain},
      {"ExecutablePaths", sectionkind::plain},
      {"Environment2", sectionkind::plain},
      {"Settings", sectionkind::plain},
  };
  std::string text;
  for (const auto& c : cases) text += "[" + std::string(c.name) + "]\n";
  auto b = parse(text);
  ASSERT_FALSE(last_.thrown) << last_.err;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(kindof(c.name), c.kind);
    EXPECT_EQ(createdkind(b->getsection(c.name)), c.kind);
  }
  // Each name of the table maps back to its kind, and none selects plain.
  for (const namedkind& k : namedkinds) {
    EXPECT_NE(k.kind, sectionkind::plain) << k.name;
    EXPECT_EQ(kindof(k.name), k.kind) << k.name;
  }
  EXPECT_EQ(std::size(namedkinds), 3u);
}

TEST_F(envbuilder_test, later_sections_see_earlier_ones) {
  dir_.mkdir("one/lib");
  auto b = parse(
      "[Environment]\nVX_A = $(VX_HOME)/one\n"
      "[Library Paths]\nlib = $(VX_A)/lib\n"
      "[Executable Paths]\nbin = $(VX_A)\n");
  EXPECT_FALSE(last_.thrown) << last_.err;
  EXPECT_EQ(getenvvar("PATH").str(),
            filepath(dir_.file("one")).str() + pathlistsep + filepath(dir_.file("one/lib")).str());
}

TEST_F(envbuilder_test, failure_keeps_earlier_sections_applied_and_the_failing_one_stored) {
  auto b = parse("[Environment]\nVX_A = applied\n[Settings]\nkept = 1\nkept = 2\n[Later]\n");
  EXPECT_EQ(last_.thrown, std::optional<std::string>("kept duplicate entry in section!"));
  EXPECT_EQ(getenvvar("VX_A").str(), "applied");
  EXPECT_EQ(b->getsection("Settings").getentry("kept").value(), "1");
  EXPECT_EQ(b->sectionnames(), (std::vector<std::string>{"Environment", "Settings"}));
}

TEST_F(envbuilder_test, missing_section_is_the_null_section) {
  auto b = parse("[Settings]\na = 1\n");
  const envbuilder::section& none = b->getsection("Nothing");
  EXPECT_EQ(none.name(), "");
  EXPECT_EQ(none.begin(), none.end());
  EXPECT_EQ(none.getentry("a").name(), "");
  EXPECT_FALSE(none.valid());
  EXPECT_EQ(&none, &b->getsection("Other"));
  EXPECT_EQ(&none, &b->getsection(nullptr));
  EXPECT_EQ(&none.getentry(nullptr), &none.getentry("a"));
  EXPECT_TRUE(getliblocations(none).empty());
}

TEST_F(envbuilder_test, second_parse_fails_at_the_first_section) {
  auto b = parse("[Environment]\nVX_A = first\n[Settings]\nx = 1\n");
  putenvvar("VX_A", "changed");
  auto again = capture([&] { (*b)(); });
  EXPECT_EQ(again.thrown, std::optional<std::string>(
                              "Environment envbuilder::beginsection - failed to insert section!"));
  EXPECT_EQ(getenvvar("VX_A").str(), "changed");
  EXPECT_EQ(b->getsection("Settings").getentry("x").value(), "1");
}

TEST_F(envbuilder_test, construction_reads_nothing) {
  const std::string path = dir_.file("later.ini");
  envbuilder b{filepath(path)};
  EXPECT_TRUE(b.sectionnames().empty());
  EXPECT_ASSERTION(b(),
                   filepath(path).str() + " Provided ini file does not exist or is not readable!");
  dir_.write("later.ini", "[S]\n");
  b();
  EXPECT_EQ(b.sectionnames(), (std::vector<std::string>{"S"}));
  EXPECT_ASSERTION(envbuilder{filepath("")}, " Provided ini file path is invalid!");
}

TEST_F(envbuilder_test, copy_outlives_its_source) {
  auto b = parse("[Settings]\na = 1\n[Other]\n");
  auto copy = std::make_unique<envbuilder>(*b);
  b.reset();
  EXPECT_EQ(copy->getsection("Settings").getentry("a").value(), "1");
  EXPECT_EQ(copy->sectionnames(), (std::vector<std::string>{"Other", "Settings"}));
  envbuilder second(*copy);
  copy.reset();
  EXPECT_EQ(second.getsection("Settings").getentry("a").value(), "1");
}

TEST_F(envbuilder_test, copy_of_an_aborted_parse_stands_alone) {
  // The failing section stays current; the copy's position must lie in its
  // own map, not in the source's.
  auto b = parse("[Settings]\na = 1\na = 2\n");
  ASSERT_TRUE(last_.thrown);
  envbuilder copy(*b);
  b.reset();
  EXPECT_EQ(copy.getsection("Settings").getentry("a").value(), "1");
  auto again = capture([&] { copy(); });
  EXPECT_EQ(again.thrown, std::optional<std::string>(
                              "Settings envbuilder::beginsection - failed to insert section!"));
}

}  // namespace
}  // namespace vornenv

namespace vornenv {
namespace {

TEST_F(envbuilder_test, entry_whose_conversion_throws_is_not_stored) {
  const std::string d = filepath(dir_.mkdir("d")).str();
  auto b = parse("[Executable Paths]\nok = " + d + "\nbad = $(VX_A)/x\n");
  EXPECT_EQ(last_.thrown, std::optional<std::string>("'VX_A' envvar is not set yet!"));
  const envbuilder::section& s = b->getsection("Executable Paths");
  ASSERT_EQ(s.end() - s.begin(), 1);
  EXPECT_EQ(s.begin()->name(), "ok");
  EXPECT_EQ(s.getentry("bad").name(), "");
}

TEST_F(envbuilder_test, lookups_from_several_threads_agree) {
  // The first lookup of a section builds its index; threads racing to it
  // must all see every entry.
  std::string text = "[Settings]\n";
  constexpr int kentries = 2000;
  for (int i = 0; i < kentries; ++i)
    text += "k" + std::to_string(i) + " = " + std::to_string(i) + "\n";
  auto b = parse(text);
  ASSERT_FALSE(last_.thrown) << last_.err;
  const envbuilder::section& s = b->getsection("Settings");
  std::vector<int> wrong(4, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&s, &wrong, t] {
      for (int i = t; i < kentries; i += 3) {
        const std::string name = "k" + std::to_string(i);
        if (s.getentry(name.c_str()).value() != std::to_string(i)) ++wrong[t];
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(wrong, std::vector<int>(4, 0));
  EXPECT_EQ(s.getentry("k2000").name(), "");
}

}  // namespace
}  // namespace vornenv
