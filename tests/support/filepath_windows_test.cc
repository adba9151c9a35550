// Path rules of the Windows backend.

#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "support/testsupport.h"
#include "vornfile/vornfile.h"
#include "vornplatform/vornplatform.h"

namespace vornfile {
namespace {

using vornenv::testing::comps;
using vornenv::testing::scopedtempdir;

TEST(filepath_windows_test, drive_roots) {
  EXPECT_EQ(filepath("C:/a\\b/").str(), "C:\\a\\b");
  EXPECT_EQ(filepath("c:/").str(), "c:\\");
  EXPECT_EQ(filepath("C:\\\\").str(), "C:\\");
  EXPECT_EQ(comps(filepath("C:\\a")), (std::vector<std::string>{"a"}));
  // Drive-relative: the root has no separator, the rest stays relative.
  EXPECT_EQ(filepath("C:").str(), "C:");
  EXPECT_EQ(filepath("C:tools/bin").str(), "C:tools\\bin");
  EXPECT_EQ(comps(filepath("C:tools")), (std::vector<std::string>{"tools"}));
  EXPECT_NE(filepath("C:tools"), filepath("C:\\tools"));
  EXPECT_NE(filepath("C:\\tools"), filepath("D:\\tools"));
  EXPECT_NE(filepath("C:tools"), filepath("tools"));
  // Only a letter before the colon makes a drive.
  EXPECT_EQ(comps(filepath("1:/a")), (std::vector<std::string>{"1:", "a"}));
}

TEST(filepath_windows_test, separator_and_unc_roots) {
  EXPECT_EQ(filepath("/").str(), "\\");
  EXPECT_EQ(filepath("/a/b").str(), "\\a\\b");
  EXPECT_EQ(filepath("///a").str(), "\\a");
  EXPECT_NE(filepath("\\a"), filepath("a"));
  EXPECT_NE(filepath("\\a"), filepath("C:\\a"));
  EXPECT_EQ(filepath("//server/share/dir/").str(), "\\\\server\\share\\dir");
  EXPECT_EQ(filepath("\\\\server\\share").str(), "\\\\server\\share\\");
  EXPECT_EQ(filepath("\\\\server/share").str(), "\\\\server\\share\\");
  EXPECT_EQ(filepath("\\\\server").str(), "\\\\server\\");
  // Server and share are the root, not components.
  EXPECT_EQ(comps(filepath("//server/share/dir")), (std::vector<std::string>{"dir"}));
  EXPECT_NE(filepath("//server/share"), filepath("/server/share"));
  EXPECT_TRUE(filepath("\\\\server\\share\\dir").valid());
}

TEST(filepath_windows_test, list_separator_is_semicolon) {
  EXPECT_FALSE(filepath("C:\\a;b").valid());
  EXPECT_TRUE(filepath("C:\\a:b").valid());
  auto parts = splitpathlist("C:\\a;d:/b;;", ';');
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(mergepathlist(parts, ';'), "C:\\a;d:\\b");
}

TEST(filepath_windows_test, letter_case_is_folded) {
  EXPECT_EQ(filepath("C:\\a\\b"), filepath("c:/A/b/"));
  EXPECT_FALSE(filepath("C:\\a\\b") < filepath("c:/A/b/"));
  EXPECT_FALSE(filepath("c:/A/b/") < filepath("C:\\a\\b"));
  EXPECT_EQ(filepath("\\\\SERVER\\Share\\x"), filepath("//server/share/X"));
  // Folded before comparing: 'a' < 'B' here, unlike byte order.
  EXPECT_TRUE(filepath("a") < filepath("B"));
  EXPECT_TRUE(pathcomp("a") < pathcomp("B"));
  // Written as given.
  EXPECT_EQ(filepath("C:\\Program Files").str(), "C:\\Program Files");
  std::set<filepath> s{filepath("C:\\Tools"), filepath("c:/tools/"), filepath("C:\\TOOLS\\.")};
  EXPECT_EQ(s.size(), 1u);
}

// Win32 drops a single trailing dot from each component of a path:
// "bin1.\\x" opens "bin1\\x".  Trailing blanks, and more dots, it drops only
// at the very end of a path, which a directory on PATH never is: there they
// name other folders.
TEST(filepath_windows_test, a_single_trailing_dot_does_not_count) {
  EXPECT_EQ(filepath("C:\\d\\bin1."), filepath("c:/d/bin1"));
  EXPECT_EQ(filepath("C:\\d.\\bin1."), filepath("C:\\d\\bin1"));
  EXPECT_EQ(filepath("C:\\d\\bin1.").str(), "C:\\d\\bin1.");  // written as given
  EXPECT_EQ(filepath("C:\\d\\bin1.").name(), pathcomp("BIN1"));
  for (const char* other : {"C:\\d\\bin1 ", "C:\\d\\bin1..", "C:\\d\\bin1. ", "C:\\d\\bin.1"}) {
    EXPECT_NE(filepath(other), filepath("C:\\d\\bin1")) << other;
  }
  EXPECT_NE(filepath("C:\\d\\.."), filepath("C:\\d"));
  EXPECT_NE(filepath("C:\\d\\..."), filepath("C:\\d"));
  EXPECT_EQ(mergeuniquepathlist({filepath("C:\\d\\bin1")}, "C:\\d\\bin1.;C:\\e", ';'),
            "C:\\d\\bin1;C:\\e");
}

TEST(filepath_windows_test, drive_like_component_is_not_standalone) {
  EXPECT_TRUE(filepath("C:\\tools\\bin").standalonecomponents());
  EXPECT_TRUE(filepath("\\\\server\\share\\dir").standalonecomponents());
  EXPECT_TRUE(filepath("1:/a").standalonecomponents());
  // "x:tools" alone reads as a drive and a component.
  EXPECT_FALSE(filepath("dir/x:tools").standalonecomponents());
}

TEST(filepath_windows_test, merge_unique_folds_letter_case) {
  EXPECT_EQ(mergeuniquepathlist({filepath("C:\\Tools")}, "c:/tools/;D:\\x;d:/X;C:\\TOOLS\\.", ';'),
            "C:\\Tools;D:\\x");
  EXPECT_EQ(mergeuniquepathlist({}, "\\\\SERVER\\Share\\x;//server/share/X", ';'),
            "\\\\SERVER\\Share\\x");
}

TEST(filepath_windows_test, bare_root_replacing_first_component) {
  filepath p("$(DRIVE)/tools");
  p.assign(p.begin(), filepath("C:"));
  EXPECT_EQ(p.str(), "C:\\tools");
  EXPECT_EQ(p, filepath("C:\\tools"));

  filepath unc("$(SHARE)/tools");
  unc.assign(unc.begin(), filepath("\\\\server\\share"));
  EXPECT_EQ(unc.str(), "\\\\server\\share\\tools");
  // A server without its share: what follows is the share.
  filepath server("$(SERVER)/share/tools");
  server.assign(server.begin(), filepath("//server"));
  EXPECT_EQ(server.str(), "\\\\server\\share\\tools");

  // Alone it stays drive-relative; further in, only components go in.
  filepath alone("$(DRIVE)");
  alone.assign(alone.begin(), filepath("C:"));
  EXPECT_EQ(alone.str(), "C:");
  filepath inner("a/$(DRIVE)/tools");
  inner.assign(inner.begin() + 1, filepath("C:"));
  EXPECT_EQ(inner.str(), "a\\tools");
}

TEST(filepath_windows_test, assigned_path_is_the_path_of_its_own_text) {
  // A server without its share: the share joins the root, and stepping on
  // from the position returned reaches what follows.
  filepath server("$(SERVER)/share/tools");
  filepath::iterator at = server.assign(server.begin(), filepath("//server"));
  EXPECT_EQ(server, filepath("\\\\server\\share\\tools"));
  EXPECT_EQ(comps(server), std::vector<std::string>{"tools"});
  EXPECT_EQ((++at)->str(), "tools");
  // The root of the current drive after a drive or a share stays on it.
  struct {
    const char* path;
    const char* with;
    const char* expected;
  } cases[] = {
      {"D:\\$(SUB)\\x", "\\tools", "D:\\tools\\x"},
      {"D:$(SUB)\\x", "/tools", "D:\\tools\\x"},
      {"\\\\srv\\sh\\$(SUB)", "\\tools", "\\\\srv\\sh\\tools"},
      {"$(SUB)\\x", "\\tools", "\\tools\\x"},
      {"D:\\$(SUB)\\x", "E:\\tools", "E:\\tools\\x"},
      {"\\$(SUB)\\x", "\\\\srv\\sh", "\\\\srv\\sh\\x"},
  };
  for (const auto& c : cases) {
    filepath p(c.path);
    p.assign(p.begin(), filepath(c.with));
    EXPECT_EQ(p.str(), c.expected) << c.path;
    EXPECT_EQ(p, filepath(p.str())) << c.path;
  }
}

TEST(filepath_windows_test, double_byte_characters_are_not_folded_byte_by_byte) {
  // tests/CMakeLists.txt runs this once more with LC_ALL=ja_JP.UTF-8, which
  // gives Wine the ANSI code page 932.
  if (::GetACP() != 932) {
    const char* ci = std::getenv("CI");
    if (std::getenv("VORNENV_DBCS_TEST") != nullptr && ci != nullptr &&
        std::strcmp(ci, "true") == 0) {
      FAIL() << "the ANSI code page is " << ::GetACP() << ", not 932: is ja_JP.UTF-8 installed?";
    }
    GTEST_SKIP() << "needs the ANSI code page 932 (LC_ALL=ja_JP.UTF-8 under Wine)";
  }
  // Katakana A (83 41) and small YA (83 61) differ only in a second byte
  // that, alone, would be 'A' and 'a'.
  const std::string a = "C:\\\x83\x41", ya = "C:\\\x83\x61";
  EXPECT_NE(filepath(a), filepath(ya));
  EXPECT_TRUE(filepath(a) < filepath(ya) || filepath(ya) < filepath(a));
  EXPECT_NE(pathcomp("\x83\x41"), pathcomp("\x83\x61"));
  EXPECT_EQ(mergeuniquepathlist({}, a + ";" + ya, ';'), a + ";" + ya);
  // Single-byte letters around them still fold.
  EXPECT_EQ(filepath("C:\\X\x83\x41Y"), filepath("c:\\x\x83\x41y"));
}

TEST(filepath_windows_test, shared_libraries_are_dll_files_in_any_case) {
  scopedtempdir dir;
  dir.write("alpha.dll", "");
  dir.write("BETA.DLL", "");
  dir.write("gamma.Dll", "");
  dir.write("libdelta.so", "");
  dir.write("libdelta.so.1", "");
  dir.write("epsilon.dllx", "");
  dir.write("dll", "");
  dir.write("notes.txt", "");
  dir.mkdir("folder.dll");
  std::vector<std::string> names;
  for (const filepath& l : getshliblist(filepath(dir.path().string() + "/"))) {
    names.push_back(l.str());
  }
  EXPECT_EQ(names, (std::vector<std::string>{"alpha.dll", "BETA.DLL", "gamma.Dll"}));
  // The same library under another spelling is the same file.
  EXPECT_EQ(filepath("ALPHA.DLL"), filepath(names[0]));
}

TEST(filepath_windows_test, platform_system_directories) {
  resetsystemdirs();
  const std::string root = vornplatform::getenvvar("SystemRoot").str();
  ASSERT_FALSE(root.empty());
  const filepath windows(root);
  const std::vector<filepath> dirs = getsystemdirs();
  ASSERT_GE(dirs.size(), 2u);
  ASSERT_LE(dirs.size(), 3u);
  // Search order: system32, the 16-bit system folder when there is one,
  // the Windows directory.  Compared with letter case folded.
  EXPECT_EQ(dirs.front(), windows + pathcomp("SYSTEM32")) << dirs.front().str();
  if (dirs.size() == 3) {
    EXPECT_EQ(dirs[1], windows + pathcomp("system")) << dirs[1].str();
  }
  EXPECT_EQ(dirs.back(), windows) << dirs.back().str();
  for (const filepath& d : dirs) EXPECT_TRUE(direxists(d)) << d.str();
  EXPECT_EQ(getsystemlibs().count(filepath("KERNEL32.DLL")), 1u);
}

}  // namespace
}  // namespace vornfile
