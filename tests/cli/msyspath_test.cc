// PATH in the form of Git Bash and MSYS2, without such a shell: the
// conversion by table, and the sh format that uses it.

#include "cli/output/msyspath.h"

#include <gtest/gtest.h>

#include "cli/os/errors.h"
#include "cli/output/quote.h"

namespace vornenv::cli {
namespace {

TEST(msyspath_test, converts_each_element_or_drops_it) {
  const struct {
    const char* windows;
    const char* msys;
  } cases[] = {
      {"C:\\Tools\\bin", "/c/Tools/bin"},
      {"d:\\x;C:/Tools;Z:\\y\\", "/d/x:/c/Tools:/z/y/"},
      {"C:\\;C:;C:/", "/c/:/c:/c/"},
      {"\\\\server\\share\\dir;//srv/s", "//server/share/dir://srv/s"},
      {"\\\\?\\C:\\x;\\\\?\\UNC\\server\\share;\\\\.\\D:\\y", "/c/x://server/share:/d/y"},
      {"\\\\?\\Volume{1234}\\bin;\\\\.\\pipe\\p", ""},
      {"C:\\Program Files\\Git\\bin", "/c/Program Files/Git/bin"},
      {"C:\\Users\\\xCE\x95\xCE\xBB\\bin;C:\\\xE7\x94\xA8\xE6\x88\xB7",
       "/c/Users/\xCE\x95\xCE\xBB/bin:/c/\xE7\x94\xA8\xE6\x88\xB7"},
      {"/usr/bin;/c/x;C:\\a", "/usr/bin:/c/x:/c/a"},
      {";C:\\a;;C:\\b;", "/c/a:/c/b"},
      {"", ""},
      {";;", ""},
      // Relative: the same folder under the working directory either way.
      {"bin;.\\tools\\bin;..", "bin:./tools/bin:.."},
      // A current folder of a drive, a stream, a drive letter that is no
      // letter: no MSYS form, and never a ':' inside an element.
      {"C:foo;\\Windows;C:\\a:s;1:\\x;C:\\ok", "/c/ok"},
      // Quotes that pair are dropped, and a ';' they keep would split the
      // element again on the way back to Windows; one that does not pair
      // swallows nothing.
      {"\"C:\\a;b\"\\x;\"D:\\q\"", "/d/q"},
      {"C:\\a;C:\\b\";C:\\c", "/c/a:/c/b:/c/c"},
      // A leading ~ is no home folder.
      {"~\\bin;~", "./~/bin:./~"},
  };
  for (const auto& c : cases) EXPECT_EQ(msyspathlist(c.windows), c.msys) << c.windows;
}

TEST(msyspath_test, sh_writes_path_in_msys_form_only_when_asked) {
  formatoptions msys;
  msys.msyspath = true;
  const std::vector<change> changes = {{"Path", std::string("C:\\a;D:\\it's")},
                                       {"OTHER", std::string("C:\\a;b")}};
  EXPECT_EQ(formatchanges(changes, shellformat::sh, msys),
            "export PATH='/c/a:/d/it'\\''s'\nexport OTHER='C:\\a;b'\n");
  EXPECT_EQ(formatchanges(changes, shellformat::sh),
            "export Path='C:\\a;D:\\it'\\''s'\nexport OTHER='C:\\a;b'\n");
  EXPECT_EQ(formatchanges({{"pATh", std::nullopt}}, shellformat::sh, msys), "unset PATH\n");
  // Nothing left would be the current folder: refused, nothing written.
  EXPECT_THROW(formatchanges({{"PATH", std::string("C:x;;")}}, shellformat::sh, msys), failure);
  // Only sh: fish and the rest are no MSYS shell's.
  EXPECT_EQ(formatchanges(changes, shellformat::fish, msys),
            formatchanges(changes, shellformat::fish));
  EXPECT_EQ(formatchanges(changes, shellformat::json, msys),
            formatchanges(changes, shellformat::json));
  // The hook's code for a variable it keeps: the shell's own PATH by name.
  msys.keepshellvars = true;
  EXPECT_EQ(formatchanges({{"Path", std::nullopt}}, shellformat::sh, msys),
            formatchanges({{"PATH", std::nullopt}}, shellformat::sh, [] {
              formatoptions o;
              o.keepshellvars = true;
              return o;
            }()));
}

}  // namespace
}  // namespace vornenv::cli
