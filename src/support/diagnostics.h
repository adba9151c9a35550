// Internal companion of <vornenv/diagnostics.h>.

#ifndef VORNENV_SUPPORT_DIAGNOSTICS_H_
#define VORNENV_SUPPORT_DIAGNOSTICS_H_

#include <string>

#include "vornenv/diagnostics.h"

namespace vornenv {

// envassert(false, message): for callers that have already tested the
// condition and build the message only when it fails.
[[noreturn]] void envfail(const std::string& message);

}  // namespace vornenv

#endif  // VORNENV_SUPPORT_DIAGNOSTICS_H_
