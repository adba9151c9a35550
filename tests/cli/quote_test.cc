// The host's quoting, checked without a shell: the formats whose shell is
// not at hand here (PowerShell, cmd, the Windows argument parser) and the
// refusals.  tests/cli/cli_posix_test.cc hands sh and fish output to the
// real shells.

#include "cli/output/quote.h"

#include <gtest/gtest.h>

#include "cli/os/cmdline.h"
#include "cli/os/errors.h"
#include "cli/os/utf.h"
#include "cli/output/printable.h"

namespace vornenv::cli {
namespace {

std::string one(shellformat f, const std::string& name, std::optional<std::string> value) {
  return formatchanges({{name, std::move(value)}}, f);
}

// The C runtime's reading of a command line (and CommandLineToArgvW's),
// written from the other side to check windowscommandline().
std::vector<std::string> parsewindows(const std::string& line) {
  std::vector<std::string> args;
  std::size_t i = 0;
  const std::size_t n = line.size();
  std::string prog;
  if (i < n && line[i] == '"') {
    const std::size_t close = line.find('"', 1);
    prog = line.substr(1, close - 1);
    i = close == std::string::npos ? n : close + 1;
  } else {
    while (i < n && line[i] != ' ' && line[i] != '\t') prog += line[i++];
  }
  args.push_back(prog);
  for (;;) {
    while (i < n && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= n) break;
    std::string arg;
    bool quoted = false;
    while (i < n && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
      if (line[i] == '\\') {
        std::size_t count = 0;
        while (i < n && line[i] == '\\') ++count, ++i;
        if (i < n && line[i] == '"') {
          arg.append(count / 2, '\\');
          if (count % 2 == 1) arg += '"', ++i;
        } else {
          arg.append(count, '\\');
        }
      } else if (line[i] == '"') {
        quoted = !quoted;
        ++i;
      } else {
        arg += line[i++];
      }
    }
    args.push_back(arg);
  }
  return args;
}

TEST(quote_test, windows_arguments_read_back_exactly) {
  const std::vector<std::string> argv = {"C:\\Program Files\\tool.exe",
                                         "",
                                         "plain",
                                         "a b",
                                         "tab\there",
                                         "q\"uote",
                                         "trail\\",
                                         "two\\\\",
                                         "\\\\server\\share\\",
                                         "mid\\\"q",
                                         "\\\"",
                                         "new\nline",
                                         "\"\"",
                                         "a\\\\\"b c"};
  EXPECT_EQ(parsewindows(windowscommandline(argv)), argv);
  EXPECT_EQ(windowscommandline({"tool", "a", "b"}), "tool a b");
  EXPECT_THROW(windowscommandline({"a\"b.exe"}), failure);
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

TEST(quote_test, json_escapes_and_keeps_the_bytes_it_can) {
  const std::string value = std::string("q\"b\\\n\t\x01\x7f", 8) + "\xC3\xA9" +  // valid UTF-8
                            "\xFF" + "\xC0\x80" +                 // invalid, overlong
                            "\xED\xA0\x80" + "\xF0\x9F\x98\x80";  // surrogate, U+1F600
  EXPECT_EQ(quotejson(value),
            "\"q\\\"b\\\\\\n\\t\\u0001\\u007F\xC3\xA9\\u00FF\\u00C0\\u0080"
            "\\u00ED\\u00A0\\u0080\xF0\x9F\x98\x80\"");
  EXPECT_EQ(formatchanges({{"A", "1"}, {"B", std::nullopt}}, shellformat::json),
            "{\n  \"A\": \"1\",\n  \"B\": null\n}\n");
  EXPECT_EQ(formatchanges({}, shellformat::json), "{}\n");
}

// What a terminal would act on is shown; other text, non-ASCII included,
// passes as it is.
TEST(quote_test, printable_escapes_c0_del_and_c1_controls) {
  EXPECT_EQ(printable(std::string("a\x1b[2J\n\t\r\0\x7f", 10)), "a\\x1B[2J\\n\\t\\r\\x00\\x7F");
  // U+009B (CSI) and U+0085 in UTF-8; U+00A0, U+00E9 and U+1F600 are text;
  // bytes outside UTF-8 (a lone 0x9B, CSI to an 8-bit terminal, a lone 0xC2)
  // show their values.
  EXPECT_EQ(printable("\xC2\x9B"
                      "31m \xC2\x85|\xC2\xA0\xC3\xA9\xF0\x9F\x98\x80\x9B"
                      "2J\xC2"),
            "\\xC2\\x9B"
            "31m \\xC2\\x85|\xC2\xA0\xC3\xA9\xF0\x9F\x98\x80\\x9B"
            "2J\\xC2");
}

TEST(quote_test, utf8_decoding_pairs_surrogates_and_replaces_bad_bytes) {
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
