// Path lists on Windows: ';' between elements, and letter case folded when
// paths are compared.

#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "support/testsupport.h"
#include "vornenv/entrytofilepath.h"
#include "vornenv/platform.h"
#include "vornplatform/vornplatform.h"

namespace vornenv {
namespace {

using testing::scopedenv;
using vornfile::filepath;

class pathlist_windows_test : public testing::parsetest {
 protected:
  scopedenv path_{"PATH", std::nullopt};
};

std::string upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

TEST_F(pathlist_windows_test, spellings_of_one_directory_count_once) {
  ASSERT_EQ(pathlistsep, ';');
  const std::string a = filepath(dir_.mkdir("Alpha")).str();
  const std::string b = filepath(dir_.mkdir("beta")).str();
  // The variable holds b in capitals and with '/' separators.
  std::string other = upper(b);
  std::replace(other.begin(), other.end(), '\\', '/');
  vornplatform::putenvvar("PATH", other + ";" + upper(a) + ";C:\\windows");
  auto builder = parse("[Executable Paths]\nfirst = " + a + "\nsecond = " + b + "\n");
  EXPECT_FALSE(last_.thrown) << last_.err;
  // Each directory once, at the section's place, in the section's spelling.
  EXPECT_EQ(vornplatform::getenvvar("PATH").str(), a + ";" + b + ";C:\\windows");
}

// "bin1" and "bin1." are one folder to Win32: it goes onto PATH once.
TEST_F(pathlist_windows_test, trailing_dots_name_the_same_directory) {
  const std::string d = filepath(dir_.mkdir("bin1")).str();
  vornplatform::putenvvar("PATH", "C:\\windows");
  auto builder = parse("[Executable Paths]\nplain = " + d + "\ndotted = " + d + ".\n");
  EXPECT_FALSE(last_.thrown) << last_.err;
  EXPECT_EQ(vornplatform::getenvvar("PATH").str(), d + ";C:\\windows");
}

std::wstring wide(const std::string& narrow) {
  std::wstring out(narrow.size(), L'\0');
  out.resize(static_cast<std::size_t>(
      ::MultiByteToWideChar(CP_ACP, 0, narrow.data(), static_cast<int>(narrow.size()), out.data(),
                            static_cast<int>(out.size()))));
  return out;
}

std::wstring widevar(const wchar_t* name) {
  std::wstring value(40000, L'\0');
  value.resize(::GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size())));
  return value;
}

TEST_F(pathlist_windows_test, elements_outside_the_code_page_come_back_exactly) {
  const std::wstring greek = L"C:\\Users\\\u0395\u03bb\u03ad\u03bd\u03b7\\bin";
  const std::wstring cjk = L"C:\\\u7528\u6237\\bin";
  const std::string a = filepath(dir_.mkdir("new")).str();
  // The Greek folder twice, the second time with a trailing separator.
  const std::wstring before = greek + L";" + cjk + L";" + greek + L"\\;C:\\windows";
  ASSERT_TRUE(::SetEnvironmentVariableW(L"PATH", before.c_str()));
  auto builder = parse("[Executable Paths]\nnew = " + a + "\n");
  EXPECT_FALSE(last_.thrown) << last_.err;
  EXPECT_EQ(widevar(L"PATH"), wide(a) + L";" + greek + L";" + cjk + L";C:\\windows");
}

TEST_F(pathlist_windows_test, converted_paths_keep_their_drive_and_share) {
  scopedenv sub("VX_SUB", "\\tools"), server("VX_SERVER", "\\\\server"), share("VX_SHARE", "share");
  struct {
    const char* value;
    const char* expected;
  } cases[] = {
      {"D:\\$(VX_SUB)\\x", "D:\\tools\\x"},
      {"$(VX_SERVER)\\$(VX_SHARE)\\tools", "\\\\server\\share\\tools"},
  };
  for (const auto& c : cases) {
    const filepath p = entrytofilepath::convert(envbuilder::entry("a", c.value));
    EXPECT_EQ(p.str(), c.expected) << c.value;
    EXPECT_EQ(p, filepath(c.expected)) << c.value;
  }
}

}  // namespace
}  // namespace vornenv
