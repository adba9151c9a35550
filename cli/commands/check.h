// check: whether description files apply, and the lint warnings for
// mistakes that apply cleanly but do not do what their writer meant.  Both
// are derived from what the library reports (the failure with its subject,
// the builder's sections and entries with their lines); nothing here reads
// the file again, so a FIFO or standard input is read once, as applying it
// reads it.

#ifndef VORNENV_CLI_COMMANDS_CHECK_H_
#define VORNENV_CLI_COMMANDS_CHECK_H_

#include <vornenv/vornenv.h>

#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

#include "cli/apply/finding.h"

namespace vornenv::cli {

// The lint warnings for what builder holds, ordered by line.  None of them
// changes what applies.
std::vector<finding> lint(const envbuilder& builder);

enum class checkformat { text, json, sarif };

struct checkoptions {
  bool strict = false;  // warnings fail the file
  bool each = false;    // each file on the starting environment, not in turn
  checkformat format = checkformat::text;
};

// The format of that name ("text", "json", "sarif").
bool parsecheckformat(const std::string& name, checkformat& format);

// Applies the files as run does, in order on one environment (with
// options.each, each on a fresh copy of the starting environment), and
// writes for each its warnings and failure, then "FILE: ok" for one that
// applies.  In order, the files after a failing one are skipped.  The
// environment is left as it was.  Returns 1 when a file fails (or, with
// options.strict, warns), 0 otherwise.
int checkcmd(const std::vector<std::string>& files, const checkoptions& options, std::ostream& out);

// Edit distance (insertions, deletions, substitutions) between a and b.
std::size_t editdistance(const std::string& a, const std::string& b);

// The URI under which SARIF names file: relative paths stay relative, with
// '/' between components; absolute ones become file: URIs; bytes outside the
// unreserved characters are percent-encoded.
std::string sarifuri(const std::string& file);

}  // namespace vornenv::cli

#endif  // VORNENV_CLI_COMMANDS_CHECK_H_
