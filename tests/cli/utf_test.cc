// The host's UTF-8/UTF-16 conversions: pairs, lone surrogates as the
// environment holds them, and what is replaced or refused.

#include "cli/os/utf.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace vornenv::cli {
namespace {

TEST(utf_test, utf8_decoding_pairs_surrogates_and_replaces_bad_bytes) {
  EXPECT_EQ(utf8to16("a\xF0\x9F\x98\x80"), std::u16string(u"a\xD83D\xDE00"));
  EXPECT_EQ(utf8to16("\xE2\x82"), std::u16string(u"\xFFFD\xFFFD"));
  EXPECT_EQ(utf8to16("\xF4\x90\x80\x80"), std::u16string(4, u'\xFFFD'));  // past U+10FFFF
  EXPECT_EQ(utf8to16exact("\xE2\x82"), std::nullopt);
  // A lone surrogate, as the platform layer holds one, comes back as itself;
  // one cut short does not.
  EXPECT_EQ(utf8to16("a\xED\xA0\x80"
                     "b"),
            std::u16string(u"a\xD800"
                           u"b"));
  EXPECT_EQ(utf8to16("\xED\xBF\xBF"), std::u16string(u"\xDFFF"));
  EXPECT_EQ(utf8to16("\xED\xA0"), std::u16string(2, u'\xFFFD'));
  EXPECT_EQ(utf8to16exact("\xED\xA0\x80"), std::nullopt);
  const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
  EXPECT_EQ(utf16to8(*utf8to16exact(text)), text);
  EXPECT_EQ(utf16to8(u"a\xD83D"), std::nullopt);  // unpaired surrogates
  EXPECT_EQ(utf16to8(u"\xDE00"
                     u"a"),
            std::nullopt);
}

}  // namespace
}  // namespace vornenv::cli
