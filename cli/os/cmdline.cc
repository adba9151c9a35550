#include "cli/os/cmdline.h"

#include "cli/os/errors.h"

namespace vornenv::cli {

std::string windowscommandline(const std::vector<std::string>& argv) {
  std::string out;
  for (std::size_t i = 0; i < argv.size(); ++i) {
    const std::string& arg = argv[i];
    if (i != 0) out += ' ';
    const bool plain = !arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos;
    if (plain) {
      out += arg;
      continue;
    }
    if (i == 0) {
      // The program name ends at the next '"', whatever precedes it.
      if (arg.find('"') != std::string::npos) {
        throw failure("a program name cannot hold '\"' on Windows");
      }
      out += '"' + arg + '"';
      continue;
    }
    out += '"';
    std::size_t backslashes = 0;
    for (char c : arg) {
      if (c == '\\') {
        ++backslashes;
        continue;
      }
      // Backslashes are literal unless a '"' follows them.
      if (c == '"') {
        out.append(backslashes * 2 + 1, '\\');
      } else {
        out.append(backslashes, '\\');
      }
      backslashes = 0;
      out += c;
    }
    out.append(backslashes * 2, '\\');
    out += '"';
  }
  return out;
}

}  // namespace vornenv::cli
