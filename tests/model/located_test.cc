// Failures carry their place: the file, the line of the header or entry,
// the section, the entry and a kind, with the message unchanged.

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/testsupport.h"
#include "vornenv/diagnostics.h"
#include "vornenv/envbuilder.h"
#include "vornfile/vornfile.h"

namespace vornenv {
namespace {

using testing::scopedenv;
using testing::scopedtempdir;
using vornfile::filepath;

struct locatedcase {
  std::string text;
  error::kind kind;
  std::size_t line;
  std::string section, entry, message;
};

class located_test : public ::testing::Test {
 protected:
  // The error that call throws, with what went to std::cerr.
  static error thrown(const std::function<void()>& call, std::string* err = nullptr) {
    std::optional<error> caught;
    const auto out = testing::capture([&] {
      try {
        call();
      } catch (const error& e) {
        caught = e;
        throw;
      }
    });
    if (err != nullptr) *err = out.err;
    if (!caught) throw std::logic_error("no vornenv::error");
    return *caught;
  }
  // The error that applying text throws.
  error fail(const std::string& text, std::string* err = nullptr) {
    const std::string file = dir_.write("f.ini", text);
    return thrown([&] { envbuilder{filepath(file)}(); }, err);
  }

  scopedtempdir dir_;
  scopedenv path_{"PATH", std::nullopt}, a_{"VX_A", std::nullopt}, b_{"VX_B", std::nullopt},
      c_{"VX_C", std::nullopt}, o_{"VX_O", std::nullopt}, unset_{"VX_UNSET", std::nullopt},
      bad_{"VX_BAD", "a|b"};
};

TEST_F(located_test, each_failure_names_its_line_section_and_entry) {
  const std::string dir = dir_.mkdir("d");
  const std::string nope = filepath(dir_.file("nope")).str();
  using k = error::kind;
  const std::vector<locatedcase> cases = {
      {"[S]\n\nk = v\r\njunk\n", k::syntax, 4, "", "", "junk invalid entry found in ini file!"},
      {"; c\n[ ]\n", k::syntax, 2, "", "", "invalid section provided with no name!"},
      {"[A]\n[B]\n[A]\n", k::duplicate, 3, "A", "", "A duplicate sections defined!"},
      {"[A]\nk = 1\n; c\nk = 2\n", k::duplicate, 4, "A", "k", "k duplicate entry in section!"},
      {"[Gr\xC3\xBC\xC3\x9F"
       "e]\n\xC3\xA9 = 1\n\xC3\xA9 = 2\n",
       k::duplicate, 3,
       "Gr\xC3\xBC\xC3\x9F"
       "e",
       "\xC3\xA9", "\xC3\xA9 duplicate entry in section!"},
      {"[A]\nk =\n", k::emptyside, 2, "A", "", "k -->  either the name or value is null in entry!"},
      {"[Executable Paths]\nok = " + dir + "\nno = " + nope + "\n", k::missingdir, 3,
       "Executable Paths", "no", "no --> " + nope + " invalid entry found!"},
      {"[Executable Paths]\n\nbin = $(VX_BAD)\n", k::invalidpath, 3, "Executable Paths", "bin",
       filepath("a|b").str() + " entrytofilepath - expanded envvar to invalid path!"},
      // Expanded as the section ends: the entry's own line, not the header's
      // nor the last one read.
      {"[Environment]\nVX_A = 1\n\n; c\nVX_B = $(VX_UNSET)\nVX_C = 3\n[Next]\n", k::unset, 5,
       "Environment", "VX_B", "'VX_UNSET' envvar is not set yet!"},
      // "$(" alone is plain text: VX_A is set to "$(VX_A)".
      {"[Other]\n[Environment]\nVX_O = $(\nVX_A = $(VX_O)VX_A)\n\nVX_B = $(VX_A)\n",
       k::selfreference, 6, "Environment", "VX_B",
       "'VX_A' this variable recursively refers to it's self, failed expansion!"},
  };
  for (const locatedcase& c : cases) {
    std::string err;
    const error e = fail(c.text, &err);
    EXPECT_EQ(e.what_kind(), c.kind) << c.text;
    EXPECT_EQ(e.line(), c.line) << c.text;
    EXPECT_EQ(e.section(), c.section) << c.text;
    EXPECT_EQ(e.entry(), c.entry) << c.text;
    EXPECT_EQ(e.message(), c.message) << c.text;
    EXPECT_EQ(std::string(e.what()), c.message) << c.text;
    EXPECT_EQ(e.file(), filepath(dir_.file("f.ini")).str()) << c.text;
    // Reported once, as before.
    EXPECT_EQ(err, "****ASSERTION****: " + c.message + "\n") << c.text;
  }
}

TEST_F(located_test, file_failures_have_no_line) {
  const std::string missing = dir_.file("missing.ini");
  error e = thrown([&] { envbuilder{filepath(missing)}(); });
  EXPECT_EQ(e.what_kind(), error::kind::unreadable);
  EXPECT_EQ(e.line(), 0u);
  EXPECT_EQ(e.file(), filepath(missing).str());
  EXPECT_EQ(e.section(), "");
  e = thrown([] { envbuilder{filepath("a|b")}; });
  EXPECT_EQ(e.what_kind(), error::kind::invalidpath);
  EXPECT_EQ(e.line(), 0u);
  EXPECT_EQ(e.file(), filepath("a|b").str());
}

// The line count carries across the blocks the file is read in, and a NUL
// byte leaves the message whole.
TEST_F(located_test, lines_are_counted_across_a_large_file) {
  std::string text = "[S]\n";
  for (int i = 0; i < 150000; ++i) text += "key" + std::to_string(i) + " = some value\n";
  text += std::string("bad\0line\n", 9);
  const error e = fail(text);
  EXPECT_EQ(e.line(), 150002u);
  EXPECT_EQ(e.message(), std::string("bad\0line invalid entry found in ini file!", 41));
}

// Entries and headers remember their line, also when a path section
// rewrites the entries; a copy of the builder keeps them.
TEST_F(located_test, entries_and_headers_keep_their_line) {
  const std::string dir = dir_.mkdir("d");
  const std::string file = dir_.write(
      "ok.ini", "[S]\nfirst = 1\n\n; c\nsecond = 2\n[Executable Paths]\n\nbin = " + dir + "//./\n");
  envbuilder b{filepath(file)};
  b();
  EXPECT_EQ(b.getsection("S").getentry("first").line(), 2u);
  EXPECT_EQ(b.getsection("S").getentry("second").line(), 5u);
  const envbuilder::entry& bin = b.getsection("Executable Paths").getentry("bin");
  EXPECT_EQ(bin.value(), filepath(dir).str());
  EXPECT_EQ(bin.line(), 8u);
  EXPECT_EQ(envbuilder::entry("made", "here").line(), 0u);
  EXPECT_EQ(b.currentline(), 0u);
  // Headers too, in a copy of the builder as well; a section made by hand
  // was read from no line.
  const envbuilder copy(b);
  EXPECT_EQ(copy.getsection("S").line(), 1u);
  EXPECT_EQ(copy.getsection("Executable Paths").line(), 6u);
  EXPECT_EQ(b.getsection("absent").line(), 0u);
}

}  // namespace
}  // namespace vornenv
