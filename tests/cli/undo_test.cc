// The undo record and the PATH it gives back.

#include "cli/apply/undo.h"

#include <gtest/gtest.h>
#include <vornenv/vornenv.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cli/os/platform.h"

namespace vornenv::cli {
namespace {

// An environment as a table, by envkey().
struct envvar {
  std::string name, value;
};
using envmap = std::map<std::string, envvar>;

envlookup lookup(const envmap& env) {
  return [&env](const std::string& name) -> std::optional<std::string> {
    auto it = env.find(envkey(name));
    if (it == env.end()) return std::nullopt;
    return it->second.value;
  };
}

// What a changelog would hold for the step from before to after.
std::vector<difference> differences(const envmap& before, envmap after) {
  std::vector<difference> out;
  for (const auto& [key, var] : before) {
    auto it = after.find(key);
    if (it == after.end()) {
      out.push_back({var.name, var.value, std::nullopt});
    } else {
      out.push_back({it->second.name, var.value, it->second.value});
      after.erase(it);
    }
  }
  for (const auto& [key, var] : after) out.push_back({var.name, std::nullopt, var.value});
  return out;
}

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

// The environment that applying changes to env gives.
envmap applied(envmap env, const std::vector<change>& changes) {
  for (const change& c : changes) {
    if (c.value) {
      env[envkey(c.name)] = {c.name, *c.value};
    } else {
      env.erase(envkey(c.name));
    }
  }
  return env;
}

// The newest level of record undone against now.
undostep pop(const std::string& record, const envmap& now) {
  std::optional<undostep> step = popundolevel(record, lookup(now));
  EXPECT_TRUE(step) << record;
  return step.value_or(undostep());
}

TEST(undo_test, a_level_undoes_what_it_set_and_leaves_what_changed_since) {
  const envmap before = environment({{"KEEP", "1"},
                                     {"OLD", "was"},
                                     {"GONE", "é"},
                                     {"MINE", "a"},
                                     {"PATH", list({"/a", "", "/b", "/a"})}});
  const envmap after = environment({{"KEEP", "1"},
                                    {"OLD", "new"},
                                    {"NEW", "ü"},
                                    {"MINE", "b"},
                                    {"LATER", "x"},
                                    {"PATH", list({"/x", "/a", "/b"})},
                                    {undovariable, "v2|"}});
  const std::string level = makeundolevel(differences(before, after));
  EXPECT_EQ(level.find("KEEP"), std::string::npos) << level;
  EXPECT_EQ(level.find(undovariable), std::string::npos) << level;
  const std::optional<std::string> record = pushundolevel(std::nullopt, level);
  ASSERT_TRUE(record);
  const struct {
    const char* what;
    std::vector<std::pair<std::string, std::string>> since;  // set after the export
    std::vector<std::pair<std::string, std::optional<std::string>>> want;
  } cases[] = {
      {"untouched: everything back, PATH's text exactly",
       {},
       {{"OLD", "was"},
        {"GONE", "é"},
        {"NEW", std::nullopt},
        {"MINE", "a"},
        {"LATER", std::nullopt},
        {"PATH", list({"/a", "", "/b", "/a"})}}},
      {"the user's own values stay; the empty element goes back before /b",
       {{"MINE", "user"}, {"NEW", "user"}, {"PATH", list({"/u", "/x", "/a", "/b"})}},
       {{"OLD", "was"},
        {"MINE", "user"},
        {"NEW", "user"},
        {"PATH", list({"/u", "/a", "", "/b", "/a"})}}},
  };
  for (const auto& c : cases) {
    envmap now = after;
    for (const auto& [name, value] : c.since) now[envkey(name)] = {name, value};
    const undostep step = pop(*record, now);
    EXPECT_FALSE(step.dropped);
    EXPECT_FALSE(step.rest);
    const envmap back = applied(now, step.changes);
    for (const auto& [name, value] : c.want) {
      auto it = back.find(envkey(name));
      EXPECT_EQ(it == back.end() ? std::nullopt : std::optional<std::string>(it->second.value),
                value)
          << c.what << ": " << name;
    }
  }
}

TEST(undo_test, records_stay_within_their_bound_and_say_what_they_dropped) {
  // Two files exported in turn, a thousand times, over a 1 KB PATH: the
  // record never grows past its bound, and the newest levels undo in turn.
  std::string longpath;
  for (int i = 0; longpath.size() < 1024; ++i) {
    longpath += (longpath.empty() ? "" : std::string(1, pathlistsep)) + "/usr/tool" +
                std::to_string(i) + "/bin";
  }
  envmap env = environment({{"PATH", longpath}});
  std::vector<envmap> history;
  for (int i = 0; i < 1000; ++i) {
    history.push_back(env);
    envmap next = env;
    const std::string dir = i % 2 == 0 ? "/a/bin" : "/b/bin";
    // As a path section merges: the directory in front, once.
    std::vector<std::string> merged{dir};
    for (const std::string& e : splitelements(env[envkey("PATH")].value)) {
      if (e != dir) merged.push_back(e);
    }
    next[envkey("PATH")].value = list(merged);
    next[envkey("WHICH")] = {"WHICH", dir};
    const auto old = env.find(envkey(undovariable));
    const std::optional<std::string> record = pushundolevel(
        old == env.end() ? std::nullopt : std::optional<std::string>(old->second.value),
        makeundolevel(differences(env, next)));
    ASSERT_TRUE(record);
    ASSERT_LE(record->size(), undorecordmax);
    next[envkey(undovariable)] = {undovariable, *record};
    env = next;
  }
  for (int i = 0; i < 10; ++i) {
    const undostep step = pop(env[envkey(undovariable)].value, env);
    ASSERT_FALSE(step.dropped) << i;
    ASSERT_TRUE(step.rest) << i;
    env = applied(env, step.changes);
    env.erase(envkey(undovariable));
    envmap want = history[history.size() - 1 - static_cast<std::size_t>(i)];
    want.erase(envkey(undovariable));
    EXPECT_EQ(env.size(), want.size()) << i;
    for (const auto& [key, var] : want) EXPECT_EQ(env[key].value, var.value) << i << " " << key;
    env[envkey(undovariable)] = {undovariable, *step.rest};
  }
  // Popping on reaches the mark of what was dropped.
  std::optional<std::string> record = env[envkey(undovariable)].value;
  for (int guard = 0; record && guard < 1000; ++guard) {
    const undostep step = pop(*record, env);
    if (step.dropped) break;
    record = step.rest;
  }
  ASSERT_TRUE(record);
  EXPECT_TRUE(pop(*record, env).dropped);

  // A level that cannot fit alone is refused; a record not ours counts as
  // dropped.
  EXPECT_FALSE(pushundolevel(std::nullopt, std::string(undorecordmax, 'u')));
  EXPECT_EQ(pushundolevel(std::string("v1,uX"), ""), "v2||-");
}

TEST(undo_test, only_records_of_this_form_are_read) {
  const envmap now = environment({{"A", "1"}});
  for (const char* bad : {"", "v1,uA", "v2|x", "v2|uA", "v2|uA=123", "v2|sA=1", "v2|-|uA=-",
                          "v2|uA=-,uA=-", "v2|pPATH=a=b", "v2|pPATH=a==5", "v2|u=-", "v2|,"}) {
    EXPECT_FALSE(popundolevel(bad, lookup(now))) << bad;
  }
  EXPECT_TRUE(popundolevel("v2|uA=-", lookup(now)));
  // No record is written longer than the bound, so none longer is read.
  EXPECT_FALSE(popundolevel("v2|uA=-," + std::string(undorecordmax, 'u'), lookup(now)));
  EXPECT_TRUE(popundolevel("v2||-", lookup(now)));
}

}  // namespace
}  // namespace vornenv::cli
