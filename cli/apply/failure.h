// How a description file's failure reads: the library's error as a finding
// with hints drawn from what the error and the builder tell (the failure's
// kind, place and subject, the sections and entries read), never from its
// message; and the compiler-style text of a finding.

#ifndef VORNENV_CLI_APPLY_FAILURE_H_
#define VORNENV_CLI_APPLY_FAILURE_H_

#include <vornenv/vornenv.h>

#include <string>

#include "cli/apply/finding.h"

namespace vornenv::cli {

// The failure e as an error finding, with the hints that builder allows:
// the builder that failed, holding what was read before the failure, or
// nullptr when none was made.
finding explainfailure(const error& e, const envbuilder* builder);

// The rule name that a failure of that kind is reported under.
const char* rulename(error::kind kind);

// "FILE:LINE: error: message", then a "FILE:LINE: hint: ..." line for each
// hint (":LINE" left out for line 0), escaped for a terminal, without a final
// line break.  A warning reads "warning:" and ends in " [rule]".
std::string describe(const std::string& file, const finding& f);

}  // namespace vornenv::cli

#endif  // VORNENV_CLI_APPLY_FAILURE_H_
