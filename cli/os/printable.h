// Texts from files and the environment made safe to show on a terminal.

#ifndef VORNENV_CLI_OS_PRINTABLE_H_
#define VORNENV_CLI_OS_PRINTABLE_H_

#include <string>

namespace vornenv::cli {

// text with the bytes that would upset a terminal shown as escapes
// (\n, \t, \r, \xHH), for the person reading human output: the C0
// controls, DEL, and the C1 controls U+0080 to U+009F written in UTF-8.
std::string printable(const std::string& text);

}  // namespace vornenv::cli

#endif  // VORNENV_CLI_OS_PRINTABLE_H_
