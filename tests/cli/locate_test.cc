// Finding the line of a failure, and the section kinds that show names.

#include "cli/locate.h"

#include <gtest/gtest.h>
#include <vornenv/vornenv.h>

#include "cli/commands.h"
#include "support/testsupport.h"

namespace vornenv::cli {
namespace {

using lines = std::vector<std::size_t>;

TEST(locate_test, reader_failures_point_at_the_line_the_reader_stopped_at) {
  // "a = b" is fine inside [S] but stray before any header.
  EXPECT_EQ(locatefailure("; c\na = b\n[S]\na = b\n", "a = b invalid entry found in ini file!"),
            lines{2});
  // After a stray line the reader expects a header again.
  EXPECT_EQ(locatefailure("[S]\nx = 1\n\njunk\n", "junk invalid entry found in ini file!"),
            lines{4});
  EXPECT_EQ(locatefailure("[S]\n[T]\n[S]\n[S]\n", "S duplicate sections defined!"), lines{3});
  // The same name in two sections is no duplicate; the repeat within one is.
  EXPECT_EQ(locatefailure("[S]\na=1\n[T]\na=1\nb=2\n a = 3\n", "a duplicate entry in section!"),
            lines{6});
  EXPECT_EQ(locatefailure("[S]\r\nok = 1\r\n = v\r\n", " --> v either the name or value is null in entry!"),
            lines{3});
  EXPECT_EQ(locatefailure("[S]\n[ ]\n", "invalid section provided with no name!"), lines{2});
}

TEST(locate_test, section_failures_look_in_the_sections_that_could_fail) {
  const std::string file =
      "[Settings]\n"
      "bin = /missing\n"
      "ref = $(NOPE)\n"
      "[Executable Paths]\n"
      "bin = /missing\n"
      "short = $(AB)/x\n"
      "[Environment]\n"
      "V = pre$(NOPE)post\n"
      "W = $(AB)\n";
  EXPECT_EQ(locatefailure(file, "bin --> /missing invalid entry found!"), lines{5});
  EXPECT_EQ(locatefailure(file, "'NOPE' envvar is not set yet!"), lines{8});
  // $(AB) is a component of 5 characters in line 6: expanded there too.
  EXPECT_EQ(locatefailure(file, "'AB' this variable recursively refers to it's self, failed expansion!"),
            (lines{6, 9}));
  // A component of 4 characters is never expanded.
  EXPECT_EQ(locatefailure("[Executable Paths]\nx = $(A)/y\n", "'A' envvar is not set yet!"), lines{});
  EXPECT_EQ(locatefailure(file, "V putenvvar - failed to set environment variable!"), lines{8});
}

TEST(locate_test, messages_without_a_text_of_the_file_find_nothing) {
  const std::string file = "[Executable Paths]\nbin = $(TOOLS)/bin\n";
  EXPECT_EQ(locatefailure(file, "/x<y entrytofilepath - expanded envvar to invalid path!"), lines{});
  EXPECT_EQ(locatefailure(file, "'OTHER' envvar is not set yet!"), lines{});
  EXPECT_EQ(locatefailure(file, "something else entirely"), lines{});
  EXPECT_TRUE(isfilefailure("a.ini Provided ini file does not exist or is not readable!"));
  EXPECT_TRUE(isfilefailure("a*b Provided ini file path is invalid!"));
  EXPECT_FALSE(isfilefailure("'A' envvar is not set yet!"));
}

// show derives a section's kind from its name; the builder must agree.
TEST(locate_test, section_kinds_match_the_builder) {
  testing::scopedtempdir dir;
  testing::scopedenv path("PATH", "");
  const std::string file = dir.write(
      "kinds.ini", "[Library Paths]\n[Executable Paths]\n[Environment]\n[environment]\n[Other]\n");
  envbuilder builder{vornfile::filepath(file)};
  builder();
  ASSERT_EQ(builder.sectionnames().size(), 5u);
  for (const std::string& name : builder.sectionnames()) {
    const envbuilder::section* s = &builder.getsection(name.c_str());
    const char* kind = dynamic_cast<const libpathlist*>(s) ? "library paths"
                       : dynamic_cast<const pathlist*>(s) ? "executable paths"
                       : dynamic_cast<const envblock*>(s) ? "environment"
                                                          : "plain";
    EXPECT_STREQ(sectionkind(name), kind) << name;
  }
}

}  // namespace
}  // namespace vornenv::cli
