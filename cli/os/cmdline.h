// The command line that Windows hands a new process, built from an argument
// vector.  Plain text rules, kept apart from the backend that starts the
// process so that they are tested on every platform.

#ifndef VORNENV_CLI_OS_CMDLINE_H_
#define VORNENV_CLI_OS_CMDLINE_H_

#include <string>
#include <vector>

namespace vornenv::cli {

// The Windows command line for argv, by the rules that the C runtime's
// argument parser (and CommandLineToArgvW) undoes: arguments holding blanks
// or '"' are quoted, '"' and the backslashes before it or before the closing
// quote are escaped.  argv[0] is read by simpler rules, without escapes, so
// it is only quoted; a program name holding '"' throws failure.
std::string windowscommandline(const std::vector<std::string>& argv);

}  // namespace vornenv::cli

#endif  // VORNENV_CLI_OS_CMDLINE_H_
