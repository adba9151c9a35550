// The command line that run hands a Windows program, read back by the C
// runtime's rules on every platform.

#include "cli/os/cmdline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/os/errors.h"

namespace vornenv::cli {
namespace {

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

TEST(cmdline_test, windows_arguments_read_back_exactly) {
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

}  // namespace
}  // namespace vornenv::cli
