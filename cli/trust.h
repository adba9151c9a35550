// The files that the shell hook may apply: each recorded by its absolute
// path and the SHA-256 of its content, in one file of the user's data folder,
// a line "HASH PATH" each (PATH written as cli/undo.h writes fields).

#ifndef VORNENV_CLI_TRUST_H_
#define VORNENV_CLI_TRUST_H_

#include <optional>
#include <string>

namespace vornenv::cli {

// The file that holds the list: userdatadir() + "/allowed".
std::string trustfile();

// The nearest .vornenv.ini (a regular file) in the working directory or a
// folder above it, as an absolute path.
std::optional<std::string> nearestdescription();

// True when path (absolute) is listed with the hash of content.
bool isallowed(const std::string& path, const std::string& content);

}  // namespace vornenv::cli

#endif  // VORNENV_CLI_TRUST_H_
