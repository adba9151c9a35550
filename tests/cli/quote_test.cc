// The host's quoting, checked without a shell: the formats whose shell is
// not at hand here (PowerShell, cmd) and the refusals.
// tests/cli/cli_posix_test.cc hands sh and fish output to the real shells.

#include "cli/output/quote.h"

#include <gtest/gtest.h>

#include "cli/os/errors.h"

namespace vornenv::cli {
namespace {

std::string one(shellformat f, const std::string& name, std::optional<std::string> value) {
  return formatchanges({{name, std::move(value)}}, f);
}

TEST(quote_test, sh_and_fish_refuse_names_they_would_run) {
  for (const char* name : {"my-var", "1X", "X$(id)", "A B", ""}) {
    EXPECT_THROW(one(shellformat::sh, name, "v"), failure) << name;
    EXPECT_THROW(one(shellformat::fish, name, std::nullopt), failure) << name;
  }
  EXPECT_EQ(one(shellformat::sh, "_x1", "it's"), "export _x1='it'\\''s'\n");
  EXPECT_EQ(one(shellformat::sh, "GONE", std::nullopt), "unset GONE\n");
  EXPECT_EQ(one(shellformat::fish, "X", "a\\'b"), "set -gx X 'a\\\\\\'b'\n");
  EXPECT_EQ(one(shellformat::fish, "GONE", std::nullopt), "set -e GONE\n");
}

TEST(quote_test, powershell_output_is_ascii_and_quotes_only_ascii) {
  EXPECT_EQ(one(shellformat::powershell, "X", "it's\n$x`\t"),
            "$env:X = 'it''s' + [char]0x000A + '$x`' + [char]0x0009\n");
  EXPECT_EQ(one(shellformat::powershell, "X", "\x01"), "$env:X = '' + [char]0x0001\n");
  EXPECT_EQ(one(shellformat::powershell, "X", ""), "$env:X = ''\n");
  EXPECT_EQ(one(shellformat::powershell, "ProgramFiles(x86)", std::nullopt),
            "[Environment]::SetEnvironmentVariable('ProgramFiles(x86)', $null)\n");
  // U+2019 in UTF-8, a quote to PowerShell; and 0x92, the same quote in
  // Windows-1252.  However the platform decodes them, no byte of the output
  // is outside ASCII, so no code page can make a quote of one.
  const std::string out = one(shellformat::powershell, "X",
                              "a\xE2\x80\x99"
                              "b\x92"
                              "c\xC3\xA9");
  EXPECT_EQ(out.rfind("$env:X = 'a' + [char]0x", 0), 0u) << out;
  for (char c : out) EXPECT_LT(static_cast<unsigned char>(c), 0x80) << out;
  // The hook's own path, quoted the same way.
  EXPECT_EQ(quotepowershell("C:\\x\xE2\x80\x99y\\v.exe"), "'C:\\x' + [char]0x2019 + 'y\\v.exe'");
}

TEST(quote_test, cmd_escapes_what_each_quote_leaves_outside) {
  // The '"' in the value closes cmd's quotes: the & after it needs ^.
  EXPECT_EQ(one(shellformat::cmd, "X", "a\"&calc&\"b(%PATH%)"),
            "@set \"X=a\"^&calc^&\"b(%%PATH%%)\"\r\n");
  EXPECT_EQ(one(shellformat::cmd, "X", "\"^|<>()"), "@set \"X=\"^^^|^<^>^(^)\"\r\n");
  EXPECT_EQ(one(shellformat::cmd, "GONE", std::nullopt), "@set \"GONE=\"\r\n");
}

TEST(quote_test, cmd_guards_bangs_and_refuses_what_it_cannot_hold) {
  const std::string out = formatchanges({{"A", "x"}, {"B", "bang!"}}, shellformat::cmd);
  EXPECT_EQ(out.rfind("@if \"!!\"==\"\" (", 0), 0u) << out;
  EXPECT_EQ(one(shellformat::cmd, "A", "x").find("!!"), std::string::npos);
  for (const char* bad : {"a\nb", "a\rb", "a\x1a"}) {
    EXPECT_THROW(formatchanges({{"A", "fine"}, {"B", bad}}, shellformat::cmd), failure);
  }
  EXPECT_THROW(formatchanges({{"\"x", "y"}}, shellformat::cmd), failure);
  // cmd's limit holds for the line as written, escapes included: 9
  // characters of "@set "X=" and the closing quote, then the value.
  const struct {
    std::string value;
    bool fits;
  } lengths[] = {{std::string(8182, 'x'), true},  {std::string(8183, 'x'), false},
                 {std::string(4091, '%'), true},  {std::string(4092, '%'), false},
                 {std::string(5000, '%'), false}, {"\"" + std::string(4091, '&'), false}};
  for (const auto& l : lengths) {
    if (l.fits) {
      EXPECT_EQ(one(shellformat::cmd, "X", l.value).size(), 8193u) << l.value.size();
    } else {
      EXPECT_THROW(one(shellformat::cmd, "X", l.value), failure) << l.value.size();
    }
  }
}

// The strings' escapes are the JSON writer's, tested with it
// (json_test.cc); here, the list of changes it is given.
TEST(quote_test, json_lists_changes_and_removals_as_null) {
  EXPECT_EQ(formatchanges({{"A", "1"}, {"B", std::nullopt}}, shellformat::json),
            "{\n  \"A\": \"1\",\n  \"B\": null\n}\n");
  EXPECT_EQ(formatchanges({}, shellformat::json), "{}\n");
}

// The names people type for the shells; letter case is no part of a name.
TEST(quote_test, formats_take_the_shells_names) {
  const std::vector<std::pair<std::string, std::optional<shellformat>>> names = {
      {"sh", shellformat::sh},
      {"bash", shellformat::sh},
      {"zsh", shellformat::sh},
      {"fish", shellformat::fish},
      {"pwsh", shellformat::powershell},
      {"powershell", shellformat::powershell},
      {"cmd", shellformat::cmd},
      {"json", shellformat::json},
      {"Bash", std::nullopt},
      {"tcsh", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [name, format] : names) EXPECT_EQ(parseformat(name), format) << name;
}

}  // namespace
}  // namespace vornenv::cli
