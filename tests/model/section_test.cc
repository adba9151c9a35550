#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/testsupport.h"
#include "vornenv/envbuilder.h"
#include "vornenv/sections.h"

namespace vornenv {
namespace {

using entry = envbuilder::entry;

// A kind whose hook can rewrite, refuse or throw, to test the base's rules.
class probesection final : public envbuilder::section {
 public:
  using section::section;
  std::string rewrite;
  bool accept = true;
  bool fail = false;
  int hooked = 0;

 private:
  bool donewentry(entry& e) override {
    ++hooked;
    if (fail) throw std::runtime_error("hook failed");
    if (!rewrite.empty()) e = entry(e.name(), rewrite);
    return accept;
  }
  bool valid() const override { return true; }
  bool operator()() override { return true; }
};

std::vector<std::string> names(const envbuilder::section& s) {
  std::vector<std::string> out;
  for (const entry& e : s) out.push_back(e.name() + "=" + e.value());
  return out;
}

TEST(entry_test, validity) {
  EXPECT_FALSE(entry().valid());
  EXPECT_FALSE(entry("", "").valid());
  EXPECT_TRUE(entry("", "value").valid());
  EXPECT_TRUE(entry("name", "").valid());
}

TEST(entry_test, equality_and_order_look_at_the_name_alone) {
  EXPECT_EQ(entry("A", "1"), entry("A", "2"));
  EXPECT_FALSE(entry("A", "1") < entry("A", "2"));
  EXPECT_FALSE(entry("A", "2") < entry("A", "1"));
  EXPECT_NE(entry("a", "1"), entry("A", "1"));
  EXPECT_TRUE(entry("A", "") < entry("a", ""));
  EXPECT_TRUE(entry("ab", "") < entry("abc", ""));      // a proper prefix first
  EXPECT_TRUE(entry("z", "") < entry("\xC3\xA9", ""));  // unsigned bytes
}

TEST(section_test, adds_in_order_and_finds_by_exact_name) {
  probesection s("S");
  EXPECT_TRUE(s.newentry(entry("Path", "1")));
  EXPECT_TRUE(s.newentry(entry("PATH", "2")));  // differs in case: accepted
  EXPECT_EQ(names(s), (std::vector<std::string>{"Path=1", "PATH=2"}));
  EXPECT_EQ(s.getentry("PATH").value(), "2");
  EXPECT_EQ(s.getentry("Path").value(), "1");
  EXPECT_EQ(s.name(), "S");
}

TEST(section_test, missing_name_gives_the_same_default_entry) {
  probesection s("S");
  s.newentry(entry("a", "1"));
  const entry& d = s.getentry("missing");
  EXPECT_EQ(d.name(), "");
  EXPECT_EQ(d.value(), "");
  EXPECT_EQ(&d, &s.getentry("other"));
}

TEST(section_test, invalid_and_duplicate_entries_fail_before_the_hook) {
  probesection s("S");
  s.newentry(entry("a", "1"));
  EXPECT_ASSERTION(s.newentry(entry("", "")), " -->  section::newentry - Invalid entry provided!");
  EXPECT_ASSERTION(s.newentry(entry("a", "2")), "a section::newentry - entry already exists!");
  EXPECT_EQ(s.hooked, 1);
  EXPECT_EQ(names(s), (std::vector<std::string>{"a=1"}));
}

TEST(section_test, hook_rewrites_the_stored_copy_only) {
  probesection s("S");
  s.rewrite = "new";
  const entry given("a", "old");
  EXPECT_TRUE(s.newentry(given));
  EXPECT_EQ(given.value(), "old");
  EXPECT_EQ(s.getentry("a").value(), "new");
}

TEST(section_test, refused_entry_is_stored_all_the_same) {
  probesection s("S");
  s.accept = false;
  EXPECT_FALSE(s.newentry(entry("a", "1")));
  EXPECT_EQ(names(s), (std::vector<std::string>{"a=1"}));
}

TEST(section_test, throwing_hook_stores_nothing) {
  probesection s("S");
  s.fail = true;
  EXPECT_THROW(s.newentry(entry("a", "1")), std::runtime_error);
  EXPECT_EQ(s.begin(), s.end());
  s.fail = false;
  EXPECT_TRUE(s.newentry(entry("a", "1")));  // the name is still free
}

TEST(section_test, sections_compare_by_name) {
  probesection a("S"), b("S"), c("T");
  a.newentry(entry("x", "1"));
  EXPECT_EQ(a, b);
  EXPECT_TRUE(a < c);
  EXPECT_FALSE(a < b);
}

TEST(section_test, copy_owns_its_entries_and_index) {
  auto original = std::make_unique<anonsection>("S");
  for (int i = 0; i < 100; ++i) original->newentry(entry("k" + std::to_string(i), "v"));
  anonsection copy(*original);
  original.reset();
  EXPECT_EQ(copy.getentry("k42").name(), "k42");
  EXPECT_ASSERTION(copy.newentry(entry("k7", "again")),
                   "k7 section::newentry - entry already exists!");
  EXPECT_TRUE(copy.newentry(entry("k100", "v")));
  EXPECT_EQ(std::distance(copy.begin(), copy.end()), 101);
}

TEST(section_test, references_survive_growth) {
  anonsection s("S");
  s.newentry(entry("first", "1"));
  const entry& first = s.getentry("first");
  for (int i = 0; i < 10000; ++i) s.newentry(entry("k" + std::to_string(i), "v"));
  EXPECT_EQ(first.value(), "1");
  EXPECT_EQ(&first, &s.getentry("first"));
}

}  // namespace
}  // namespace vornenv
