// The library's two reports, both on std::cerr.  They are its only logging:
// no levels, no files, no switches.

#ifndef VORNENV_DIAGNOSTICS_H_
#define VORNENV_DIAGNOSTICS_H_

#include <string>

#include "vornenv/export.h"

namespace vornenv {

// Does nothing when condition holds.  Otherwise writes "****ASSERTION****: ",
// the message and std::endl to std::cerr, then throws a std::runtime_error
// whose what() is the message alone.
VORNENV_EXPORT void envassert(bool condition, const std::string& message);

// Does nothing when condition holds.  Otherwise writes "****WARNING****: ",
// the message and std::endl to std::cerr, and returns.
VORNENV_EXPORT void envwarn(bool condition, const std::string& message);

}  // namespace vornenv

#endif  // VORNENV_DIAGNOSTICS_H_
