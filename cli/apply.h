// What the commands share beyond their own file: applying one description
// file as every command does, putting the environment back, and the
// sections of a file in the order it wrote them.

#ifndef VORNENV_CLI_APPLY_H_
#define VORNENV_CLI_APPLY_H_

#include <vornenv/envbuilder.h>

#include <memory>
#include <string>
#include <vector>

#include "cli/platform.h"

namespace vornenv::cli {

// Constructs a builder for file and applies it, with the library's warnings
// written as "FILE:LINE: warning: ...".  A failure throws filefailure,
// "FILE:LINE: error: message".
std::unique_ptr<envbuilder> applydescription(const std::string& file);

// Makes the environment what the snapshot holds, empty values included.
// Throws failure when the platform refuses a variable.
void restoreenvironment(const envmap& snapshot);

// The sections that builder holds, in the order of their headers in the
// file (the library keeps them by name).
std::vector<const envbuilder::section*> sectionsinfileorder(const envbuilder& builder);

}  // namespace vornenv::cli

#endif  // VORNENV_CLI_APPLY_H_
