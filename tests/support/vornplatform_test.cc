#include "vornplatform/vornplatform.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/testsupport.h"

namespace vornplatform {
namespace {

using vornenv::testing::scopedenv;

TEST(vornplatform_test, set_read_and_remove) {
  scopedenv guard("VORNENV_TEST_VAR", std::nullopt);
  EXPECT_EQ(getenvvar("VORNENV_TEST_VAR").str(), "");
  putenvvar("VORNENV_TEST_VAR", "a value; with $(stuff)");
  EXPECT_EQ(getenvvar("VORNENV_TEST_VAR").str(), "a value; with $(stuff)");
  putenvvar("VORNENV_TEST_VAR", "");
  EXPECT_EQ(getenvvar(std::string("VORNENV_TEST_VAR")).str(), "");
}

TEST(vornplatform_test, removing_an_unset_variable_is_quiet) {
  scopedenv guard("VORNENV_TEST_UNSET", std::nullopt);
  auto out = vornenv::testing::capture([] { putenvvar("VORNENV_TEST_UNSET", ""); });
  EXPECT_FALSE(out.thrown);
  EXPECT_EQ(out.err, "");
}

TEST(vornplatform_test, long_values_survive) {
  scopedenv guard("VORNENV_TEST_LONG", std::nullopt);
  const std::string value(30000, 'x');
  putenvvar("VORNENV_TEST_LONG", value);
  EXPECT_EQ(getenvvar("VORNENV_TEST_LONG").str(), value);
}

TEST(vornplatform_test, refused_names_fail_loudly) {
  EXPECT_ASSERTION(putenvvar("", "x"), " putenvvar - failed to set environment variable!");
  EXPECT_ASSERTION(putenvvar("A=B", "x"), "A=B putenvvar - failed to set environment variable!");
  EXPECT_ASSERTION(putenvvar("=C:", "x"), "=C: putenvvar - failed to set environment variable!");
  EXPECT_ASSERTION(putenvvar(std::string("A\0B", 3), "x"),
                   std::string("A\0B", 3) + " putenvvar - failed to set environment variable!");
}

// The quiet form fails alike and writes nothing: the caller reports.
TEST(vornplatform_test, quiet_put_throws_without_a_line) {
  for (const auto& put :
       std::vector<std::function<void()>>{[] { putenvvar("A=B", "x", report::quiet); },
                                          [] { putenvexact("A=B", "x", report::quiet); }}) {
    const auto out = vornenv::testing::capture(put);
    EXPECT_EQ(out.err, "");
    EXPECT_EQ(out.thrown,
              std::optional<std::string>("A=B putenvvar - failed to set environment variable!"));
  }
}

TEST(vornplatform_test, null_text_is_empty) {
  EXPECT_EQ(vornstr(static_cast<const char*>(nullptr)).str(), "");
}

TEST(envsnapshot_test, answers_as_getenvvar_did_when_taken) {
  scopedenv a("VORNENV_SNAP_A", "one=two"), b("VORNENV_SNAP_B", std::nullopt);
  const envsnapshot snap;
  putenvvar("VORNENV_SNAP_A", "changed");
  putenvvar("VORNENV_SNAP_B", "later");
  EXPECT_EQ(snap.get("VORNENV_SNAP_A").str(), "one=two");
  EXPECT_EQ(snap.get("VORNENV_SNAP_B").str(), "");
  EXPECT_EQ(snap.get("").str(), getenvvar("").str());
  EXPECT_EQ(snap.get("VORNENV_SNAP_A=one").str(), getenvvar("VORNENV_SNAP_A=one").str());
  bool listed = false;
  for (const auto& [name, value] : snap.vars()) {
    listed = listed || (name == "VORNENV_SNAP_A" && value == "one=two");
  }
  EXPECT_TRUE(listed);
}

// Each letter with the spellings a platform may count as the same letter:
// ASCII, Latin-1 bytes (the Western code page), UTF-8 (Greek, Cyrillic,
// Latin) and Shift-JIS (Greek, full width).  Whatever the narrow text's
// encoding, the snapshot must match names exactly as the platform does.
const std::vector<std::vector<std::string>> spellings = {
    {"a", "A"},
    {"q", "Q"},
    {"\xE0", "\xC0"},                      // a grave, Latin-1
    {"\xFF", "\x9F"},                      // y diaeresis, Windows-1252
    {"\x9A", "\x8A"},                      // s caron, Windows-1252
    {"\xCE\xAC", "\xCE\x86"},              // alpha tonos, UTF-8
    {"\xCE\xBB", "\xCE\x9B"},              // lambda, UTF-8
    {"\xD0\xB6", "\xD0\x96"},              // zhe, UTF-8
    {"\xC3\xA9", "\xC3\x89"},              // e acute, UTF-8
    {"\xC7\x86", "\xC7\x85", "\xC7\x84"},  // dz caron in three cases, UTF-8
    {"\x83\xBF", "\x83\x9F"},              // alpha, Shift-JIS
    {"\x82\x81", "\x82\x60"},              // full-width a, Shift-JIS
};

// The exact listing holds each variable once, under the key that finds it,
// and nothing without a name of its own.
TEST(vornplatform_test, exact_listing_holds_each_variable_once) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"VORNENV_LIST_A", "plain"},
      {"VORNENV_LIST_B", "a=b; $(x) "},
      {"VORNENV_LIST_C", "\xE2\x82\xAC \xF0\x9F\x98\x80"},  // euro sign, emoji
  };
  for (const auto& [name, value] : cases) putenvexact(name, value);
  const std::vector<std::pair<std::string, std::string>> listed = listexact();
  for (const auto& [name, value] : cases) {
    std::size_t hits = 0;
    for (const auto& [n, v] : listed) {
      if (exactkey(n) != exactkey(name)) continue;
      ++hits;
      EXPECT_EQ(n, name);
      EXPECT_EQ(v, value) << name;
    }
    EXPECT_EQ(hits, 1u) << name;
    putenvexact(name, "");
  }
  for (const auto& [n, v] : listed) {
    EXPECT_FALSE(n.empty());
    EXPECT_EQ(n.find('='), std::string::npos) << n;
  }
}

TEST(envsnapshot_test, matches_names_as_the_platform_does) {
  std::mt19937 random(12);
  std::vector<std::unique_ptr<scopedenv>> set;
  std::vector<std::vector<std::string>> variants;
  for (int n = 0; n < 60; ++n) {
    // One spelling is set, every mix of spellings is looked up.
    std::vector<std::size_t> letters(1 + random() % 4);
    for (std::size_t& l : letters) l = random() % spellings.size();
    std::vector<std::string> names(4, "VORNENV_FOLD_");
    for (std::string& name : names) {
      for (std::size_t l : letters) name += spellings[l][random() % spellings[l].size()];
    }
    // Bytes that the code page reads as no character name no variable.
    if (!holdsexactly(names[0])) continue;
    if (vornplatform::getenvvar(names[0]).str().empty()) {
      set.push_back(std::make_unique<scopedenv>(names[0], "v" + std::to_string(n)));
    }
    variants.push_back(names);
  }
  const envsnapshot snap;
  std::size_t found = 0;
  for (const auto& names : variants) {
    for (const std::string& name : names) {
      const std::string platform = getenvvar(name).str();
      EXPECT_EQ(snap.get(name).str(), platform) << ::testing::PrintToString(name);
      found += !platform.empty();
    }
  }
  EXPECT_GE(found, variants.size());
}

// No variable has a name holding '=' or a NUL byte: an exact read of one
// finds nothing, as setenvexact() refuses to set one.  (The C library's
// getenv("A=B") answers with the tail of A's value when A holds "B=...".)
TEST(vornplatform_test, exact_reads_of_names_no_variable_can_have_find_nothing) {
  const vornenv::testing::scopedenv a("REVIEW_EQ", std::string("B=tail"));
  const std::string names[] = {"REVIEW_EQ=B", std::string("REVIEW_EQ\0B", 11),
                               std::string("REVIEW_EQ\0", 10)};
  for (const std::string& name : names) {
    EXPECT_EQ(findenvexact(name), std::nullopt) << name.size();
    EXPECT_EQ(getenvexact(name), "") << name.size();
  }
}

// With surrogates kept, a surrogate crosses as itself: UTF-8 holding the
// three-byte forms of a high and a low surrogate must not come back as the
// four-byte form of the pair they would make.  Either the text is refused or
// it round-trips; an exact value set so must read back as it was set.
TEST(vornplatform_test, kept_surrogates_cross_as_themselves) {
  const std::string texts[] = {
      "\xED\xA0\x80\xED\xB0\x80",  // U+D800 U+DC00 as two three-byte forms
      "a\xED\xAF\xBF\xED\xBF\xBF"
      "b",  // U+DBFF U+DFFF between letters
  };
  for (const std::string& text : texts) {
    std::optional<std::u16string> units;
    try {
      units = toutf16(text, surrogates::keep);
    } catch (const std::runtime_error&) {
      continue;  // refused: no look-alike made
    }
    EXPECT_EQ(toutf8(*units, surrogates::keep), text);
    bool set = true;
    try {
      setenvexact("REVIEW_SURROGATES", text, report::quiet);
    } catch (const std::runtime_error&) {
      set = false;
    }
    if (set) {
      EXPECT_EQ(findenvexact("REVIEW_SURROGATES"), text);
      setenvexact("REVIEW_SURROGATES", std::nullopt);
    }
  }
}

}  // namespace
}  // namespace vornplatform
