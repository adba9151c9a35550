// Expansion of environment-variable references.

#ifndef VORNENV_EXPANDVAR_H_
#define VORNENV_EXPANDVAR_H_

#include <string>

#include "vornenv/export.h"

namespace vornenv {

// Returns text with every reference "$(" name ")" replaced by the variable's
// current value, itself expanded by the same rules.  The name runs to the
// first ')' and is used exactly as written.  Nothing else is special: a '$'
// without '(' stays, and "$(" without a later ')' is copied unchanged.
//
// Fails (envassert) with
//   "'" name "' this variable recursively refers to it's self, failed
//   expansion!"
// when a variable's value refers back to it, directly or through others, and
//   "'" name "' envvar is not set yet!"
// for a variable that is not set or is set to "", and with
//   "'" name "' expansion is longer than an environment variable can hold!"
// as soon as the text grows past vornplatform::longestvalue() (name: the
// reference of text being expanded then, or the last one expanded), so that
// references that double at each level cannot exhaust memory.  Reads the
// environment, never writes it.  Chains of any depth are expanded without deep
// recursion.
VORNENV_EXPORT std::string expandvar(const std::string& text);

}  // namespace vornenv

#endif  // VORNENV_EXPANDVAR_H_
