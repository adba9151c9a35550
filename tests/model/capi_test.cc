// The C interface gives what the C++ builder gives: the same sections and
// entries, the same failure in every detail, the same reports and the same
// environment, whether the description comes as text or as an opened file.

#include "vornenv/capi.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "support/testsupport.h"
#include "vornenv/diagnostics.h"
#include "vornenv/envbuilder.h"
#include "vornplatform/vornplatform.h"

namespace vornenv {
namespace {

using testing::scopedenv;
using testing::scopedtempdir;

// The variables the cases set or read, cleared before each run.
const std::vector<std::string> variables = {"CAPI_A", "CAPI_B", "CAPI_LOOP"};

std::string variablestate() {
  std::string out;
  for (const std::string& name : variables) {
    const auto value = vornplatform::findenvexact(name);
    out += name + (value ? "=" + *value : " unset") + "\n";
  }
  return out;
}

std::string failuretext(int kind, const std::string& message, const std::string& file,
                        std::size_t line, const std::string& section, const std::string& entry,
                        const std::string& subject) {
  return "failed " + std::to_string(kind) + " " + file + ":" + std::to_string(line) + " [" +
         section + "] " + entry + " {" + subject + "} " + message + "\n";
}

class capi_test : public ::testing::Test {
 protected:
  // What one run did, as text: what it threw, what it read, what it
  // reported and the variables afterwards.
  template <class Run>
  std::string record(Run run) {
    std::deque<scopedenv> fresh;
    for (const std::string& name : variables) fresh.emplace_back(name, std::nullopt);
    scopedenv loop("CAPI_LOOP", "<$(CAPI_LOOP)>");
    std::string read;
    const testing::outcome o = testing::capture([&] { read = run(); });
    return read + "stderr: " + o.err + variablestate();
  }

  static std::string cplusplus(const std::string& text) {
    envbuilder b;
    std::string out;
    try {
      b.parsetext(text, "case.ini");
    } catch (const error& e) {
      out = failuretext(static_cast<int>(e.what_kind()), e.message(), e.file(), e.line(),
                        e.section(), e.entry(), e.subject());
    }
    for (const envbuilder::section& s : b.sections()) {
      out += "[" + s.name() + "] " + std::to_string(s.line()) + "\n";
      for (const envbuilder::entry& e : s) {
        out += e.name() + "=" + e.value() + " " + std::to_string(e.line()) + "\n";
      }
    }
    return out;
  }

  // The same through the C interface, from the builder that apply made.
  template <class Apply>
  static std::string c(Apply apply) {
    vornenv_builder* b = nullptr;
    vornenv_failure* f = nullptr;
    const vornenv_status status = apply(&b, &f);
    std::string out;
    EXPECT_EQ(status, f != nullptr ? VORNENV_FAILED : VORNENV_OK);
    if (f != nullptr) {
      out = failuretext(f->kind, std::string(f->message, f->message_size), f->file, f->line,
                        f->section, f->entry, std::string(f->subject, f->subject_size));
    }
    std::size_t count = 0;
    EXPECT_EQ(vornenv_section_count(b, &count), VORNENV_OK);
    for (std::size_t i = 0; i < count; ++i) {
      const vornenv_section* s = nullptr;
      const char* name = nullptr;
      std::size_t line = 0, entries = 0;
      EXPECT_EQ(vornenv_section_at(b, i, &s), VORNENV_OK);
      EXPECT_EQ(vornenv_section_info(s, &name, &line, &entries), VORNENV_OK);
      out += "[" + std::string(name) + "] " + std::to_string(line) + "\n";
      const vornenv_section* found = nullptr;
      EXPECT_EQ(vornenv_section_find(b, name, &found), VORNENV_OK);
      EXPECT_EQ(found, s);
      for (std::size_t j = 0; j < entries; ++j) {
        const char *key = nullptr, *value = nullptr, *looked = nullptr;
        EXPECT_EQ(vornenv_entry_at(s, j, &key, &value, &line), VORNENV_OK);
        out += std::string(key) + "=" + value + " " + std::to_string(line) + "\n";
        EXPECT_EQ(vornenv_entry_find(s, key, &looked, nullptr), VORNENV_OK);
        EXPECT_EQ(looked, value);
      }
    }
    vornenv_failure_free(f);
    vornenv_builder_free(b);
    return out;
  }

  scopedtempdir dir_;
};

TEST_F(capi_test, gives_what_the_builder_gives) {
  const std::string there = dir_.mkdir("bin ä");
  const std::vector<std::string> texts = {
      "; ok\n[Environment]\nCAPI_A = é 1\nCAPI_B = $(CAPI_A)x\n[Executable Paths]\nd = " + there +
          "\n[Other]\nk = v\n",
      "",
      "k = v\n",                                       // no header
      "[a]\nk = 1\nk = 2\n",                           // duplicate
      "[Environment]\n = v\n",                         // empty side
      "[Environment]\nCAPI_A = $(CAPI_NOT_SET)\n",     // unset
      "[Environment]\n\nCAPI_B = $(CAPI_LOOP)\n",      // refers to itself
      "[Executable Paths]\nd = " + there + "/none\n",  // missing directory
      std::string("[a]\nk = v\0w\n", 11),              // a NUL byte
      "[a]\nk = v\n\x1a\n",                            // Ctrl-Z ends it
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    scopedenv path("PATH", vornplatform::findenvexact("PATH"));
    const std::string expected = record([&] { return cplusplus(text); });
    EXPECT_EQ(record([&] {
                return c([&](vornenv_builder** b, vornenv_failure** f) {
                  return vornenv_apply_text(text.data(), text.size(), "case.ini", b, f);
                });
              }),
              expected);
    const std::string file = dir_.write("case.ini", text);
    EXPECT_EQ(record([&] {
                std::FILE* opened = std::fopen(file.c_str(), "rb");
                const std::string out = c([&](vornenv_builder** b, vornenv_failure** f) {
                  return vornenv_apply_file(opened, "case.ini", b, f);
                });
                std::fclose(opened);
                return out;
              }),
              expected);
  }
}

TEST_F(capi_test, refuses_what_it_cannot_take_and_leaves_nothing_behind) {
  vornenv_builder* b = reinterpret_cast<vornenv_builder*>(this);
  vornenv_failure* f = reinterpret_cast<vornenv_failure*>(this);
  const vornenv_section* s = reinterpret_cast<const vornenv_section*>(this);
  char* text = reinterpret_cast<char*>(this);
  std::size_t count = 7;
  EXPECT_EQ(vornenv_apply_path(nullptr, &b, &f), VORNENV_INVALID_ARGUMENT);
  EXPECT_EQ(vornenv_apply_text(nullptr, 3, "x", &b, &f), VORNENV_INVALID_ARGUMENT);
  EXPECT_TRUE(b == nullptr && f == nullptr);
  EXPECT_EQ(vornenv_section_count(nullptr, &count), VORNENV_INVALID_ARGUMENT);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(vornenv_section_find(nullptr, "a", &s), VORNENV_INVALID_ARGUMENT);
  EXPECT_EQ(s, nullptr);
  EXPECT_EQ(vornenv_expand(nullptr, &text, nullptr), VORNENV_INVALID_ARGUMENT);
  EXPECT_EQ(text, nullptr);
  // An empty text is a description without sections; a null name is "".
  EXPECT_EQ(vornenv_apply_text(nullptr, 0, nullptr, &b, nullptr), VORNENV_OK);
  EXPECT_EQ(vornenv_section_count(b, &count), VORNENV_OK);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(vornenv_section_find(b, "", &s), VORNENV_NOT_FOUND);
  vornenv_builder_free(b);
  // (size_t)-1 for "up to the NUL" is no size.
  EXPECT_EQ(vornenv_apply_text("[a]\n", SIZE_MAX, "x", &b, &f), VORNENV_INVALID_ARGUMENT);
  // A file that cannot be opened (a null FILE*) or read (one opened only to
  // write, on which msvcrt's fread sets no flag): unreadable, not a hang.
  const std::string there = dir_.write("w.ini", "[a]\nk = v\n");
  std::FILE* writeonly = std::fopen(there.c_str(), "ab");
  for (std::FILE* file : {static_cast<std::FILE*>(nullptr), writeonly}) {
    testing::capture(
        [&] { EXPECT_EQ(vornenv_apply_file(file, "gone.ini", nullptr, &f), VORNENV_FAILED); });
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->kind, VORNENV_KIND_UNREADABLE);
    EXPECT_STREQ(f->file, "gone.ini");
    vornenv_failure_free(f);
  }
  std::fclose(writeonly);
}

TEST_F(capi_test, handler_hears_each_report_and_null_restores_the_default) {
  std::vector<std::pair<int, std::string>> heard;
  const auto listen = [](void* context, int severity, const char* message, std::size_t size) {
    static_cast<decltype(heard)*>(context)->emplace_back(severity, std::string(message, size));
  };
  ASSERT_EQ(vornenv_set_diagnostic_handler(listen, &heard), VORNENV_OK);
  const std::string nul("[a]\nk = v\0w\n", 11);
  const testing::outcome quiet = testing::capture([&] {
    EXPECT_EQ(vornenv_apply_text(nul.data(), nul.size(), "n.ini", nullptr, nullptr),
              VORNENV_FAILED);
  });
  ASSERT_EQ(heard.size(), 1u);
  EXPECT_EQ(heard[0].first, VORNENV_SEVERITY_ASSERTION);
  EXPECT_NE(heard[0].second.find('\0'), std::string::npos);  // the whole message
  EXPECT_EQ(quiet.err, "");
  ASSERT_EQ(vornenv_set_diagnostic_handler(nullptr, nullptr), VORNENV_OK);
  const testing::outcome loud = testing::capture(
      [&] { vornenv_apply_text(nul.data(), nul.size(), "n.ini", nullptr, nullptr); });
  EXPECT_EQ(loud.err.rfind("****ASSERTION****: ", 0), 0u);
  EXPECT_EQ(heard.size(), 1u);
}

}  // namespace
}  // namespace vornenv
