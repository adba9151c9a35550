// The files that the shell hook may apply: each recorded by its identity
// (cli/identity.h) and the SHA-256 of its content, in one file of the
// user's data folder:
//
//   vornenv allowed v2
//   HASH PATH              one line a file, PATH written as cli/undo.h
//                          writes fields
//
// A list without the first line was written by an older vornenv, which
// kept paths as they were typed: its paths are resolved again as it is
// read.  The list is changed only under a lock and replaced whole, so that
// concurrent commands lose no entry and a reader never sees half of it.

#ifndef VORNENV_CLI_PROJECT_TRUST_H_
#define VORNENV_CLI_PROJECT_TRUST_H_

#include <cstddef>
#include <optional>
#include <string>

namespace vornenv::cli {

// The largest description file that allow records and the hook reads: a
// description file is a few kilobytes.
constexpr std::size_t largestdescription = std::size_t{1} << 20;

// The file that holds the list: userdatadir() + "/allowed".
std::string trustfile();

// The hash that the list holds for the file of that identity, or
// std::nullopt when it holds none.
std::optional<std::string> allowedhash(const std::string& identity);

}  // namespace vornenv::cli

#endif  // VORNENV_CLI_PROJECT_TRUST_H_
