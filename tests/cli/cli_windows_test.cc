// vornenv on Windows (and under Wine): the command line that run builds,
// and export --format cmd run by cmd itself.  cmd_codepage_* runs again in a
// double-byte locale (tests/CMakeLists.txt).

#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/clirun.h"
#include "cli/jsonread.h"
#include "cli/os/platform.h"
#include "cli/os/utf.h"
#include "cli/output/quote.h"
#include "support/testsupport.h"
#include "vornplatform/vornplatform.h"

namespace vornenv::testing {
namespace {

TEST(cli_windows_test, run_quotes_arguments_as_the_c_runtime_reads_them) {
  scopedtempdir dir;
  const std::string file = dir.write("empty.ini", "[Settings]\n");
  const std::vector<std::string> args = {"a b", "q\"uote",    "trail\\",   "\\\\server\\share\\",
                                         "",    "x\\\"y",     "tab\there", "%PATH%",
                                         "a&b", "two  blanks"};
  std::vector<std::string> cmd = {"run", file, "--", probe(), "args"};
  cmd.insert(cmd.end(), args.begin(), args.end());
  const ranprogram r = runvornenv(cmd);
  EXPECT_EQ(r.status, 0) << r.err;
  std::string expected;
  for (const std::string& a : args) expected += hex(a) + "\n";
  EXPECT_EQ(lf(r.out), expected);
}

TEST(cli_windows_test, export_cmd_run_by_cmd_gives_what_run_gives) {
  scopedtempdir dir;
  const std::string mark = dir.file("marker");
  scopedenv inherited("VORNENV_CLI_HOSTILE", "in \"side\" & type nul > " + mark + " ^ %PATH% !b!");
  const std::string file = dir.write("hostile.ini",
                                     "[Environment]\n"
                                     "VORNENV_CLI_COPY = $(VORNENV_CLI_HOSTILE)\n"
                                     "VORNENV_CLI_FILE = it's \"q\"\" & type nul > " +
                                         mark +
                                         " | x < y ^ (z) %PATH% !b! 50%\n"
                                         "[Executable Paths]\n"
                                         "bin = " +
                                         dir.mkdir("bin") + "\n");
  const std::vector<std::string> names = {"VORNENV_CLI_COPY", "VORNENV_CLI_FILE", "PATH"};

  std::vector<std::string> run = {"run", file, "--", probe(), "env"};
  run.insert(run.end(), names.begin(), names.end());
  const ranprogram byrun = runvornenv(run);
  ASSERT_EQ(byrun.status, 0) << byrun.err;

  const ranprogram exported = runvornenv({"export", "--format", "cmd", file});
  ASSERT_EQ(exported.status, 0) << exported.err;
  std::string script = exported.out + "@" + probe() + " env";
  for (const std::string& n : names) script += " " + n;
  const std::string batch = dir.write("apply.cmd", script + "\r\n");
  const ranprogram bycmd = runprogram({"cmd", "/c", batch});
  EXPECT_EQ(bycmd.status, 0) << bycmd.err;
  EXPECT_EQ(bycmd.out, byrun.out);
  EXPECT_FALSE(std::filesystem::exists(mark));
}

TEST(cli_windows_test, batch_files_get_no_argument_that_cmd_would_act_on) {
  scopedtempdir dir;
  const std::string file = dir.write("empty.ini", "[Settings]\n");
  const std::string batch = dir.write("quiet.bat", "@exit /b 0\r\n");
  EXPECT_EQ(runvornenv({"run", file, "--", batch, "plain"}).status, 0);
  // Windows drops trailing dots and blanks from a file name, ignores case,
  // and a shell finds vornenvquiet.cmd by its bare name through PATHEXT.
  const std::string bin = dir.mkdir("bin");
  dir.write("bin/vornenvquiet.cmd", "@exit /b 0\r\n");
  scopedenv path("PATH", bin + ";" + std::getenv("PATH"));
  const std::string canary = dir.file("PWNED");
  for (const std::string& name : {batch, bin + "\\vornenvquiet.cmd.", bin + "\\vornenvquiet.cmd ",
                                  bin + "\\vornenvquiet.cmd...", bin + "\\vornenvquiet.cmd. .",
                                  bin + "\\VORNENVQUIET.CMD", std::string("vornenvquiet")}) {
    const ranprogram r = runvornenv({"run", file, "--", name, "\"&mkdir " + canary + "&"});
    EXPECT_EQ(r.status, 126) << name;
    EXPECT_NE(r.err.find("safely to the batch file"), std::string::npos) << name << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(canary));
}

// cmd reads a batch file's own name as well: it must run as itself, never
// split at an operator or expanded.
TEST(cli_windows_test, batch_file_names_are_not_read_as_commands) {
  scopedtempdir dir;
  const std::string file = dir.write("empty.ini", "[Settings]\n");
  dir.mkdir("R&D");
  dir.mkdir("D");
  const std::string marker = dir.file("ran"), canary = dir.file("PWNED");
  const std::string good = dir.write("R&D/build.cmd", "@echo x> \"" + marker + "\"\r\n");
  dir.write("D/build.cmd", "@echo x> \"" + canary + "\"\r\n");
  const ranprogram r = runvornenv({"run", file, "--", good});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(std::filesystem::exists(marker));
  EXPECT_FALSE(std::filesystem::exists(canary));
  const std::string expanding = dir.write("a%OS%b.cmd", "@exit /b 0\r\n");
  const ranprogram refused = runvornenv({"run", file, "--", expanding});
  EXPECT_EQ(refused.status, 126);
  EXPECT_NE(refused.err.find("cmd would expand its name"), std::string::npos) << refused.err;
}

// The text in the host's narrow encoding, or "" when it has none.
std::string narrow(const std::u16string& text) {
  const std::wstring wide(text.begin(), text.end());
  BOOL lossy = FALSE;
  const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(),
                                    static_cast<int>(wide.size()), nullptr, 0, nullptr, &lossy);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                      &out[0], n, nullptr, &lossy);
  return lossy ? std::string() : out;
}

// export --format cmd, called by cmd, sets what run sets, or exits 1 and
// prints nothing when cmd's code page (here the OEM one) lacks a character.
// Each case names the OEM code pages that hold it; a case that the ANSI code
// page cannot hold is skipped.
TEST(cli_windows_test, cmd_codepage_reads_back_exactly_or_refuses) {
  const unsigned oem = GetOEMCP();
  const char* ci = std::getenv("CI");
  if (const char* want = std::getenv("VORNENV_TEST_OEMCP"); want && std::to_string(oem) != want) {
    if (ci == nullptr || std::string(ci) != "true") {
      GTEST_SKIP() << "Wine runs in code page " << oem << ", not " << want
                   << ": the locale is missing (locale-gen ja_JP.UTF-8 zh_CN.UTF-8)";
    }
    FAIL() << "Wine runs in code page " << oem << ", not " << want;
  }
  scopedtempdir dir;
  const std::string canary = dir.file("PWNED");
  // 0x81 0x7C: in 932 and 936 one character whose second byte is '|'.
  std::u16string trail = u"?";
  const char pair[] = "\x81\x7c";
  wchar_t decoded[2];
  if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, pair, 2, decoded, 2) == 1) {
    trail = std::u16string(1, static_cast<char16_t>(decoded[0]));
  }
  std::u16string wcanary;
  for (char c : canary) wcanary += static_cast<char16_t>(static_cast<unsigned char>(c));
  struct testcase {
    std::u16string value;
    std::vector<unsigned> holds;
  };
  const std::vector<testcase> cases = {
      {u"caf\u00e9 na\u00efve \u00dcber \u00ff", {437, 850}},
      {u"\u00e9\"|&^<>()%x% \u00fc\"\u00e9|", {437, 850, 936}},
      {u"caf\u00e9 \u2013 \u20ac", {936}},
      {u"\u65e5\u672c\u8a9e \u30c6\u30b9\u30c8|^\"", {932, 936}},
      {u"x\"" + trail + u"cmd /c mkdir " + wcanary + u" " + trail + u"rem", {932, 936}},
  };
  int ran = 0;
  for (const testcase& c : cases) {
    const std::string value = narrow(c.value);
    if (value.empty() || value.find('?') != std::string::npos) continue;
    ++ran;
    // The host reads description files as UTF-8 (its manifest); cmd's own
    // set prints in the ANSI code page.
    const std::string file =
        dir.write("cp.ini", "[Environment]\nVORNENV_CLI_CP = " + *cli::utf16to8(c.value) + "\n");
    const ranprogram exported = runvornenv({"export", "--format", "cmd", file});
    const bool holds = std::find(c.holds.begin(), c.holds.end(), oem) != c.holds.end();
    if (!holds) {
      EXPECT_EQ(exported.status, 1) << value;
      EXPECT_EQ(exported.out, "") << value;
      continue;
    }
    ASSERT_EQ(exported.status, 0) << exported.err;
    const std::vector<std::string> run = {"run", file, "--", probe(), "env", "VORNENV_CLI_CP"};
    ranprogram byrun = runvornenv(run);
    // Wine, in a prefix it has only just made, now and then fails to start
    // a process (see runprogram()): here the host's child.  Once more, then
    // it must have run.
    if (byrun.status != 0) byrun = runvornenv(run);
    ASSERT_EQ(byrun.status, 0) << byrun.err;
    const std::string batch =
        dir.write("apply.cmd",
                  exported.out + "@" + probe() + " env VORNENV_CLI_CP\r\n@set VORNENV_CLI_CP\r\n");
    const ranprogram bycmd = runprogram({"cmd", "/c", batch});
    EXPECT_EQ(bycmd.status, 0) << bycmd.err;
    EXPECT_EQ(bycmd.out, byrun.out + "VORNENV_CLI_CP=" + value + "\r\n") << value;
    EXPECT_FALSE(std::filesystem::exists(canary)) << value;
  }
  EXPECT_GT(ran, 1);
}

// The lines of each part of text between "--" lines, each part sorted: cmd's
// own set orders names by rules of its own.
std::vector<std::vector<std::string>> sortedparts(const std::string& text) {
  std::vector<std::vector<std::string>> parts(1);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line == "--") {
      parts.emplace_back();
    } else {
      parts.back().push_back(line);
    }
  }
  for (auto& part : parts) std::sort(part.begin(), part.end());
  return parts;
}

// export --format cmd --undo, then revert --format cmd, both run by cmd in
// one session, with the user's own changes in between: the environment after
// is the one before plus those changes, names and values outside ASCII too.
TEST(cli_windows_test, revert_cmd_in_cmd_gives_back_the_environment_before) {
  const unsigned oem = GetOEMCP();
  if (oem != 437 && oem != 850) GTEST_SKIP() << "the case needs OEM code page 437 or 850";
  scopedtempdir dir;
  const std::string newname = narrow(u"HOOKTEST_\u00dcBER");
  const std::string oldvalue = narrow(u"alt \u00e9"), newvalue = narrow(u"neu \u00fc");
  const std::string added = narrow(u"caf\u00e9");
  ASSERT_FALSE(newname.empty() || oldvalue.empty() || newvalue.empty() || added.empty());
  // The test process holds texts in the ANSI code page.
  const scopedenv old("HOOKTEST_OLD", oldvalue);
  const scopedenv gone(newname, std::nullopt);
  const scopedenv mine("HOOKTEST_MINE", std::nullopt);
  const scopedenv undo("VORNENV_UNDO", std::nullopt);
  dir.mkdir("bin");
  const std::string user = dir.mkdir("user");
  const std::string file = dir.write("dev.ini",
                                     "[Environment]\nHOOKTEST_\xC3\x9C"
                                     "BER = caf\xC3\xA9\n"
                                     "HOOKTEST_OLD = neu \xC3\xBC\n"
                                     "[Executable Paths]\nbin = $(VORNENV_DIR)\\bin\n");
  const ranprogram exported = runvornenv({"export", "--format", "cmd", "--undo", file});
  ASSERT_EQ(exported.status, 0) << exported.err;
  const std::string path = std::getenv("PATH");
  const std::string batch = dir.write(
      "session.cmd", "@" + probe() + " env PATH VORNENV_UNDO\r\n@set HOOKTEST_\r\n@echo --\r\n" +
                         exported.out +
                         "@set HOOKTEST_\r\n@echo --\r\n"
                         "@set \"PATH=" +
                         user +
                         ";%PATH%\"\r\n@set \"HOOKTEST_MINE=mine\"\r\n"
                         "@" +
                         nativepath(VORNENV_EXE) + " revert --format cmd > " +
                         dir.file("revert.cmd") + "\r\n@call " + dir.file("revert.cmd") +
                         "\r\n"
                         "@" +
                         probe() + " env PATH VORNENV_UNDO\r\n@set HOOKTEST_\r\n");
  const ranprogram session = runprogram({"cmd", "/c", batch});
  EXPECT_EQ(session.status, 0) << session.err;
  EXPECT_EQ(session.err, "");
  const std::vector<std::vector<std::string>> want = {
      {"HOOKTEST_OLD=" + oldvalue, "PATH=" + hex(path), "VORNENV_UNDO unset"},
      {"HOOKTEST_OLD=" + newvalue, newname + "=" + added},
      {"HOOKTEST_MINE=mine", "HOOKTEST_OLD=" + oldvalue, "PATH=" + hex(user + ";" + path),
       "VORNENV_UNDO unset"},
  };
  EXPECT_EQ(sortedparts(session.out), want) << session.out;
}

// Folders named in Greek and in Chinese already on PATH, outside most ANSI
// code pages; the host works in UTF-8 whatever the code page is.
class cli_windows_wide_test : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::wstring value = greek_ + L";" + cjk_ + L";" + original_;
    ASSERT_TRUE(SetEnvironmentVariableW(L"PATH", value.c_str()));
  }

  const std::wstring greek_ = L"C:\\Users\\\u0395\u03bb\u03ad\u03bd\u03b7\\bin";
  const std::wstring cjk_ = L"C:\\\u7528\u6237\\bin";
  const std::string greek8_ = "C:\\Users\\\xCE\x95\xCE\xBB\xCE\xAD\xCE\xBD\xCE\xB7\\bin";
  const std::string cjk8_ = "C:\\\xE7\x94\xA8\xE6\x88\xB7\\bin";
  std::wstring original_ = [] {
    std::wstring value(40000, L'\0');
    value.resize(GetEnvironmentVariableW(L"PATH", value.data(), 40000));
    return value;
  }();
  scopedenv restore_{"PATH", vornplatform::getenvvar("PATH").str()};
  scopedtempdir dir_;
  const std::string bin_ = dir_.mkdir("bin");
  const std::string file_ = dir_.write("bin.ini", "[Executable Paths]\nbin = " + bin_ + "\n");
};

TEST_F(cli_windows_wide_test, run_hands_the_child_every_character) {
  const ranprogram r = runvornenv({"run", file_, "--", probe(), "env", "PATH"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string expected = "PATH=" + hex(bin_ + ";" + greek8_ + ";" + cjk8_ + ";");
  EXPECT_EQ(lf(r.out).substr(0, expected.size()), expected) << r.out;
}

TEST_F(cli_windows_wide_test, every_export_format_writes_every_character) {
  const std::string utf8 = bin_ + ";" + greek8_ + ";" + cjk8_ + ";";
  std::string escaped;  // fish and JSON double each backslash
  for (char c : utf8) escaped += c == '\\' ? std::string(2, c) : std::string(1, c);
  const std::vector<std::pair<std::string, std::string>> formats = {
      {"sh", utf8},
      {"fish", escaped},
      {"json", escaped},
      {"powershell",
       "\\Users\\' + [char]0x0395 + [char]0x03BB + [char]0x03AD + [char]0x03BD + "
       "[char]0x03B7 + '\\bin;C:\\' + [char]0x7528 + [char]0x6237 + '\\bin;"}};
  for (const auto& [format, text] : formats) {
    const ranprogram r = runvornenv({"export", "--format", format, file_});
    EXPECT_EQ(r.status, 0) << format << ": " << r.err;
    EXPECT_NE(r.out.find(text), std::string::npos) << format << ": " << r.out;
  }
  // No code page that cmd reads a batch file in here holds Greek and Chinese
  // at once (only 65001, after chcp): refused whole, never written with '?'.
  const ranprogram r = runvornenv({"export", "--format", "cmd", file_});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("cmd cannot hold the value of PATH"), std::string::npos) << r.err;
}

// Git Bash and MSYS2 start the Windows program with MSYSTEM set: sh, and
// only sh, then writes PATH as those shells read it, for export and for
// revert, while the record stays in the Windows form this process reads.
TEST_F(cli_windows_wide_test, sh_writes_path_for_git_bash_when_msystem_is_set) {
  const scopedenv undo("VORNENV_UNDO", std::nullopt);
  const scopedenv nomsys("MSYSTEM", std::nullopt);
  const auto exported = [this](const std::string& format) {
    const ranprogram r = runvornenv({"export", "--format", format, "--undo", file_});
    EXPECT_EQ(r.status, 0) << format << ": " << r.err;
    return r.out;
  };
  ASSERT_EQ(bin_.substr(1, 2), ":\\");
  std::string bin = "/" + std::string(1, static_cast<char>(bin_[0] | 0x20)) + bin_.substr(2);
  std::replace(bin.begin(), bin.end(), '\\', '/');
  const std::string greek = "/c/Users/\xCE\x95\xCE\xBB\xCE\xAD\xCE\xBD\xCE\xB7/bin";
  const std::string cjk = "/c/\xE7\x94\xA8\xE6\x88\xB7/bin";
  const std::string windows = exported("sh");
  EXPECT_NE(windows.find("export PATH='" + bin_ + ";" + greek8_ + ";" + cjk8_ + ";"),
            std::string::npos)
      << windows;
  std::vector<std::string> others;
  for (const char* format : {"fish", "powershell", "json"}) others.push_back(exported(format));

  const scopedenv msys("MSYSTEM", "MINGW64");
  const std::string out = exported("bash");
  const std::string line = "export PATH='" + bin + ":" + greek + ":" + cjk + ":";
  ASSERT_EQ(out.rfind(line, 0), 0u) << out;
  EXPECT_EQ(out.substr(0, out.find('\n')).find_first_of(";\\"), std::string::npos) << out;
  EXPECT_EQ(others,
            (std::vector<std::string>{exported("fish"), exported("powershell"), exported("json")}));

  // The record is the same Windows one: revert, in an MSYS shell, gives the
  // old PATH back in MSYS form.
  const jsonvalue set = readjson(exported("json"));
  ASSERT_TRUE(SetEnvironmentVariableW(
      L"PATH", reinterpret_cast<const wchar_t*>(cli::utf8to16(set["PATH"].str()).c_str())));
  const scopedenv record("VORNENV_UNDO", set["VORNENV_UNDO"].str());
  const ranprogram reverted = runvornenv({"revert", "--format", "sh"});
  ASSERT_EQ(reverted.status, 0) << reverted.err;
  const std::string back = "export PATH='" + greek + ":" + cjk + ":";
  ASSERT_EQ(reverted.out.rfind(back, 0), 0u) << reverted.out;
  EXPECT_EQ(reverted.out.substr(0, reverted.out.find('\n')).find_first_of(";\\"), std::string::npos)
      << reverted.out;
}

TEST_F(cli_windows_wide_test, the_host_runs_in_utf8) {
  // Its narrow texts hold what no ANSI code page but UTF-8 holds at once:
  // the manifest is honoured.
  const ranprogram r = runvornenv({"expand", "$(PATH)"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, greek8_.size() + cjk8_.size() + 1), greek8_ + ";" + cjk8_);
}

// Windows folds names one UTF-16 unit at a time, so a letter beyond the
// first plane keeps its case: U+10428 does not name U+10400.  The answer
// stays the same after the expansion switches to its snapshot.
TEST(cli_windows_test, lookups_fold_as_the_platform_does_beyond_the_first_plane) {
  ASSERT_TRUE(SetEnvironmentVariableW(L"VORNENV_CLI_X\U00010400", L"upper"));
  scopedtempdir dir;
  std::string many;
  for (int i = 0; i < 40; ++i) many += "$(VORNENV_CLI_D)";
  for (const std::string& before : {std::string(), many}) {
    // Description files are UTF-8 to the host, whatever this process's code
    // page: the names reach it whole there.
    const std::string file =
        dir.write("x.ini", "[Environment]\nVORNENV_CLI_D = d\nVORNENV_CLI_R = " + before +
                               "$(VORNENV_CLI_X\xF0\x90\x90\xA8)\n");
    const ranprogram r = runvornenv({"check", file});
    EXPECT_EQ(r.status, 1) << before.size() << ": " << r.out;
    EXPECT_NE(r.out.find("envvar is not set yet!"), std::string::npos) << r.out;
    const std::string same =
        dir.write("y.ini", "[Environment]\nVORNENV_CLI_D = d\nVORNENV_CLI_R = " + before +
                               "$(VORNENV_CLI_X\xF0\x90\x90\x80)\n");
    const ranprogram ok = runvornenv({"run", same, "--", probe(), "env", "VORNENV_CLI_R"});
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(lf(ok.out),
              "VORNENV_CLI_R=" + hex(std::string(before.size() / 16, 'd') + "upper") + "\n");
  }
  SetEnvironmentVariableW(L"VORNENV_CLI_X\U00010400", nullptr);
}

// Windows names variables without regard to case: explain finds the
// entries that set a variable under another spelling, and the references
// to it, and keeps names and values outside the ANSI code page whole.
TEST(cli_windows_test, explain_matches_names_as_windows_does) {
  scopedtempdir dir;
  scopedenv a("VORNENV_CLI_CASED", std::nullopt), b("VORNENV_CLI_NA\xC3\x8FVE", std::nullopt);
  // clang-format off: the lines as the program writes them
  const std::string file =
      dir.write("w.ini",
                "[Environment]\nVornenv_Cli_Na\xC3\xAFve = \xCE\x95\xCE\xBB \xE2\x82\xAC\n"
                "vornenv_cli_cased = $(VORNENV_CLI_NA\xC3\x8FVE)!\n");
  const ranprogram r = runvornenv({"explain", "VORNENV_CLI_CASED", file});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "VORNENV_CLI_CASED = \xCE\x95\xCE\xBB \xE2\x82\xAC!\n"
            "  before these files: (unset)\n"
            "  set once, at " +
                file +
                ":3\n"
                "\n" +
                file +
                ":3: [Environment] sets vornenv_cli_cased\n"
                "    written: $(VORNENV_CLI_NA\xC3\x8FVE)!\n"
                "    before:  (unset)\n"
                "    after:   \xCE\x95\xCE\xBB \xE2\x82\xAC!\n"
                "    $(VORNENV_CLI_NA\xC3\x8FVE) = \xCE\x95\xCE\xBB \xE2\x82\xAC  (" +
                file +
                ":2)\n"
                "      written: \xCE\x95\xCE\xBB \xE2\x82\xAC\n");
  // clang-format on
}

// What one and the same file means on Linux it means here, or it fails here
// with the platform's reason: never a silent look-alike, a cut text, or a
// crash of the host's own hints.
TEST(cli_windows_test, what_the_platform_cannot_hold_fails_and_is_never_cut) {
  scopedtempdir dir;
  // A folder named with U+FFFD, which a Latin-1 byte would turn into.
  std::filesystem::create_directories(dir.path() / L"d" / L"caf\uFFFD");
  const std::string d = (dir.path() / L"d").u8string();
  const std::string longest(32766, 'v');
  std::string emoji;
  for (int i = 0; i < 16384; ++i) emoji += "\xF0\x9F\x98\x80";  // 32,768 units
  const struct {
    const char* what;
    std::string text;
    std::string error;  // "" when the file applies
  } cases[] = {
      {"a byte that is no UTF-8", "[Environment]\nLAT = caf\xE9\n",
       ":2: error: LAT putenvvar - the value holds characters that the ANSI code page cannot "
       "represent!"},
      {"such a byte in a path", "[Executable Paths]\na = " + d + "/caf\xE9\n",
       ":2: error: a --> " + d + "/caf\\xE9 invalid entry found!"},
      {"the longest value", "[Environment]\nL = " + longest + "\n", ""},
      {"a value one longer", "[Environment]\nL = " + longest + "v\n",
       ":2: error: 'L' expansion is longer than an environment variable can hold!"},
      {"a literal of 40,000", "[Environment]\nL = " + std::string(40000, 'v') + "\n",
       ":2: error: 'L' expansion is longer than an environment variable can hold!"},
      {"a reference that grows too long", "[Environment]\nA = " + longest + "\nL = $(A)z\n",
       ":3: error: 'A' expansion is longer than an environment variable can hold!"},
      {"a name of 40,000", "[Environment]\n" + std::string(40000, 'N') + " = x\n",
       ":2: error: '" + std::string(40000, 'N') +
           "' name is longer than an environment variable "
           "can hold!"},
      {"emoji past the bound", "[Environment]\nE = " + emoji + "\n",
       ":2: error: 'E' expansion is longer than an environment variable can hold!"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string file = nativepath(dir.write("c.ini", c.text));
    const ranprogram r = runvornenv({"check", file});
    EXPECT_EQ(r.status, c.error.empty() ? 0 : 1) << r.out;
    if (!c.error.empty()) {
      EXPECT_EQ(r.out.substr(0, file.size() + c.error.size()), file + c.error) << r.out;
    }
    // One line ending on both streams.
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
    const ranprogram exported = runvornenv({"export", "--format", "json", file});
    EXPECT_EQ(exported.status, c.error.empty() ? 0 : 1);
    EXPECT_EQ(exported.err.find('\r'), std::string::npos);
    EXPECT_EQ(exported.err.find("filesystem"), std::string::npos) << exported.err;
  }
}

// A share is as absolute as a drive: no "relative" warning, and the hint
// does not send the reader to the working directory.
TEST(cli_windows_test, unc_paths_are_absolute) {
  scopedtempdir dir;
  const std::string file =
      nativepath(dir.write("unc.ini", "[Executable Paths]\na = //server/share/x\n"));
  const ranprogram r = runvornenv({"check", file});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.find("relative-directory"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("working directory"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(":2: error: a --> //server/share/x invalid entry found!"), std::string::npos)
      << r.out;
}

// One codec: a variable that no UTF-8 text holds (a lone surrogate) reads
// back as the same bytes through every way the library and the host read
// the environment.
TEST(cli_windows_test, every_read_of_a_variable_gives_the_same_bytes) {
  scopedenv clean("VORNENV_CODEC", std::nullopt);
  ASSERT_TRUE(SetEnvironmentVariableW(L"VORNENV_CODEC", L"x\xD800y\x00E9\xD83D\xDE00"));
  const std::string want = "x\xED\xA0\x80y\xC3\xA9\xF0\x9F\x98\x80";
  EXPECT_EQ(vornplatform::getenvexact("VORNENV_CODEC"), want);
  EXPECT_EQ(vornplatform::findenvexact("VORNENV_CODEC"), want);
  EXPECT_EQ(cli::getenvexact("VORNENV_CODEC"), want);
  std::optional<std::string> listed;
  for (const auto& [name, value] : vornplatform::listexact()) {
    if (name == "VORNENV_CODEC") listed = value;
  }
  EXPECT_EQ(listed, want);
  EXPECT_EQ(vornplatform::toutf8(u"x\xD800y\x00E9\xD83D\xDE00", vornplatform::surrogates::keep),
            want);
  // And back: the host's writers get the same units the block holds.
  EXPECT_EQ(cli::utf8to16(want), u"x\xD800y\x00E9\xD83D\xDE00");
  // Strictly, a lone surrogate is no text: it fails, never U+FFFD.
  EXPECT_THROW(vornplatform::toutf8(u"x\xD800"), std::runtime_error);
  EXPECT_EQ(cli::utf16to8(u"x\xD800"), std::nullopt);
}

}  // namespace
}  // namespace vornenv::testing
