// The undo record and the PATH it gives back; SHA-256 against known vectors.

#include "cli/undo.h"

#include <gtest/gtest.h>
#include <vornenv/vornenv.h>

#include <string>
#include <vector>

#include "cli/sha256.h"

namespace vornenv::cli {
namespace {

envmap environment(const std::vector<std::pair<std::string, std::string>>& vars) {
  envmap env;
  for (const auto& [name, value] : vars) env[envkey(name)] = {name, value};
  return env;
}

std::string list(const std::vector<std::string>& elements) {
  std::string out;
  for (const std::string& e : elements) out += (out.empty() ? "" : std::string(1, pathlistsep)) + e;
  return out;
}

TEST(undo_test, sha256_matches_known_vectors) {
  const struct {
    std::string input, digest;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      // 55, 56 and 64 bytes: the padding fits, just misses, and needs a block.
      {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
      {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
      {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& c : cases) EXPECT_EQ(sha256hex(c.input), c.digest) << c.input.size();
}

TEST(undo_test, fields_read_back_every_byte) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  for (const std::string& text : {std::string(), all, std::string("C:\\Users\\Ελένη\\bin;x"),
                                  std::string("a=b,c~d\n'\"%!^")}) {
    const std::string field = encodefield(text);
    EXPECT_EQ(field.find_first_of(",=\n\r\"'%!^&|<>"), std::string::npos) << field;
    EXPECT_EQ(decodefield(field), text);
  }
  for (const char* bad : {"~", "~4", "~4g", "a,b", "a=b", "%"})
    EXPECT_FALSE(decodefield(bad)) << bad;
}

TEST(undo_test, path_gets_back_its_elements_keeping_the_users_changes) {
  const struct {
    const char* what;
    std::vector<std::string> old, set, now, want;
  } cases[] = {
      {"untouched since", {"/a", "/b"}, {"/x", "/a", "/b"}, {"/x", "/a", "/b"}, {"/a", "/b"}},
      {"moved element goes back",
       {"/a", "/b", "/c"},
       {"/x", "/c", "/a", "/b"},
       {"/x", "/c", "/a", "/b"},
       {"/a", "/b", "/c"}},
      {"user prepended", {"/a"}, {"/x", "/a"}, {"/u", "/x", "/a"}, {"/u", "/a"}},
      {"user appended", {"/a"}, {"/x", "/a"}, {"/x", "/a", "/u"}, {"/a", "/u"}},
      {"user inserted in the middle",
       {"/a", "/b"},
       {"/x", "/a", "/b"},
       {"/x", "/a", "/u", "/b"},
       {"/a", "/u", "/b"}},
      {"user removed an old element", {"/a", "/b"}, {"/x", "/a", "/b"}, {"/x", "/b"}, {"/b"}},
      {"user removed an added element", {"/a"}, {"/x", "/y", "/a"}, {"/y", "/a"}, {"/a"}},
      {"duplicates come back",
       {"/a", "/b", "/a"},
       {"/x", "/a", "/b"},
       {"/x", "/a", "/b"},
       {"/a", "/b", "/a"}},
      {"non-ASCII kept",
       {"/Ελένη", "/用户"},
       {"/x", "/用户", "/Ελένη"},
       {"/x", "/用户", "/Ελένη", "/ü"},
       {"/Ελένη", "/用户", "/ü"}},
  };
  for (const auto& c : cases) EXPECT_EQ(restorepathlist(c.old, c.set, c.now), c.want) << c.what;
}

TEST(undo_test, record_undoes_set_changed_removed_and_stacks) {
  const envmap before =
      environment({{"KEEP", "1"}, {"OLD", "was"}, {"GONE", "é"}, {"PATH", list({"/a", "/b"})}});
  const envmap after = environment(
      {{"KEEP", "1"}, {"OLD", "new"}, {"NEW", "ü"}, {"PATH", list({"/x", "/a", "/b"})}});
  const std::string record = makeundo(before, after);
  envmap now = after;
  now[envkey(undovariable)] = {undovariable, record};
  now[envkey("PATH")].value = list({"/u", "/x", "/a", "/b"});
  const auto changes = undochanges(record, now);
  ASSERT_TRUE(changes);
  std::map<std::string, std::optional<std::string>> got;
  for (const change& c : *changes) got[c.name] = c.value;
  const std::map<std::string, std::optional<std::string>> want = {
      {undovariable, std::nullopt},
      {"OLD", "was"},
      {"GONE", "é"},
      {"NEW", std::nullopt},
      {"PATH", list({"/u", "/a", "/b"})}};
  EXPECT_EQ(got, want);

  // A second export records the first record, and undoing it brings that back.
  const std::string second = makeundo(now, environment({{"Y", "1"}}));
  const auto back = undochanges(second, environment({{"Y", "1"}}));
  ASSERT_TRUE(back);
  bool restored = false;
  for (const change& c : *back) restored |= c.name == undovariable && c.value == record;
  EXPECT_TRUE(restored) << second;

  for (const char* bad : {"", "v2", "v1,x", "v1,sA", "v1,pPATH=a", "v1,uA,uA", "v1,", "v1,u"}) {
    EXPECT_FALSE(undochanges(bad, now)) << bad;
  }
}

}  // namespace
}  // namespace vornenv::cli
