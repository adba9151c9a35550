// The host's one JSON writer: its layout and escaping byte for byte, that
// what it writes reads back as the data given, and that calls out of order
// throw.  Also the tests' reader, which must refuse what is not JSON for
// the field comparisons elsewhere to mean anything.

#include "cli/output/json.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

#include "cli/jsonread.h"

namespace vornenv::testing {
namespace {

using cli::jsonwriter;

TEST(json_test, writer_lays_out_and_escapes) {
  const std::size_t big = std::size_t{1} << 32;
  const struct {
    const char* what;
    std::function<void(jsonwriter&)> write;
    std::string text;
    jsonvalue read;  // the data, read back
  } cases[] = {
      {"empty object", [](jsonwriter& j) { j.beginobject().endobject(); }, "{}\n", jsonobject({})},
      {"empty array", [](jsonwriter& j) { j.beginarray().endarray(); }, "[]\n", jsonarray({})},
      {"nesting and every kind of value",
       [big](jsonwriter& j) {
         j.beginobject().key("a").beginarray().value(1).null().value(true).value(false);
         j.beginobject().endobject().beginarray().endarray();
         j.beginobject().key("b").beginarray().value("x").endarray().endobject().endarray();
         j.key("unset").value(std::optional<std::string>());
         j.key("set").value(std::optional<std::string>("v"));
         j.key("big").value(big).key("neg").value(-1).endobject();
       },
       "{\n"
       "  \"a\": [\n"
       "    1,\n"
       "    null,\n"
       "    true,\n"
       "    false,\n"
       "    {},\n"
       "    [],\n"
       "    {\n"
       "      \"b\": [\n"
       "        \"x\"\n"
       "      ]\n"
       "    }\n"
       "  ],\n"
       "  \"unset\": null,\n"
       "  \"set\": \"v\",\n"
       "  \"big\": 4294967296,\n"
       "  \"neg\": -1\n"
       "}\n",
       jsonobject({{"a", jsonarray({1, nullptr, true, false, jsonobject({}), jsonarray({}),
                                    jsonobject({{"b", jsonarray({"x"})}})})},
                   {"unset", nullptr},
                   {"set", "v"},
                   {"big", big},
                   {"neg", -1}})},
      {"quotes, backslash and control characters",
       [](jsonwriter& j) { j.value(std::string("q\"b\\/\n\t\r\x01\x1f\x7f\0.", 13)); },
       "\"q\\\"b\\\\/\\n\\t\\r\\u0001\\u001F\\u007F\\u0000.\"\n",
       std::string("q\"b\\/\n\t\r\x01\x1f\x7f\0.", 13)},
      // Valid UTF-8 as it is; each byte outside it as the Latin-1 character
      // of its value: lone, overlong, a surrogate, cut short, over U+10FFFF.
      {"non-ASCII bytes",
       [](jsonwriter& j) {
         j.value(
             "caf\xC3\xA9 \xF0\x9F\x98\x80 \xFF \xC0\x80 \xED\xA0\x80 \xE2\x82 \xF4\x90\x80\x80");
       },
       "\"caf\xC3\xA9 \xF0\x9F\x98\x80 \\u00FF \\u00C0\\u0080 \\u00ED\\u00A0\\u0080 "
       "\\u00E2\\u0082 \\u00F4\\u0090\\u0080\\u0080\"\n",
       "caf\xC3\xA9 \xF0\x9F\x98\x80 \xC3\xBF \xC3\x80\xC2\x80 \xC3\xAD\xC2\xA0\xC2\x80 "
       "\xC3\xA2\xC2\x82 \xC3\xB4\xC2\x90\xC2\x80\xC2\x80"},
      {"keys escape as values do",
       [](jsonwriter& j) { j.beginobject().key("k\"\x01\xFF").value(0).endobject(); },
       "{\n  \"k\\\"\\u0001\\u00FF\": 0\n}\n", jsonobject({{"k\"\x01\xC3\xBF", 0}})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    jsonwriter writer;
    c.write(writer);
    const std::string text = writer.finish();
    EXPECT_EQ(text, c.text);
    EXPECT_EQ(readjson(text), c.read);
  }
  EXPECT_EQ(cli::quotejson("a\"\x01\xFF"), "\"a\\\"\\u0001\\u00FF\"");
}

TEST(json_test, writer_refuses_calls_out_of_order) {
  const std::function<void(jsonwriter&)> cases[] = {
      [](jsonwriter& j) { j.beginobject().value(1); },
      [](jsonwriter& j) { j.beginarray().key("k"); },
      [](jsonwriter& j) { j.beginobject().key("k").key("l"); },
      [](jsonwriter& j) { j.beginobject().key("k").endobject(); },
      [](jsonwriter& j) { j.beginobject().endarray(); },
      [](jsonwriter& j) { j.endarray(); },
      [](jsonwriter& j) { j.value(1).value(2); },
      [](jsonwriter& j) { j.beginarray().finish(); },
      [](jsonwriter& j) { j.finish(); },
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    jsonwriter writer;
    EXPECT_THROW(cases[i](writer), std::logic_error) << "case " << i;
  }
}

TEST(json_test, reader_refuses_what_is_not_json) {
  for (const std::string text : {
           "",
           "{\"a\": 1,}",
           "[1 2]",
           "{\"a\" 1}",
           "{\"a\": 1}\n{\"b\": 2}\n",
           "{\"a\": 1, \"a\": 2}",
           "\"\x01\"",
           "\"\xFF\"",
           "\"\\ud800\"",
           "\"\\x41\"",
           "\"open",
           "1.5",
           "01",
           "nul",
       }) {
    EXPECT_THROW(readjson(text), std::runtime_error) << text;
  }
}

}  // namespace
}  // namespace vornenv::testing
