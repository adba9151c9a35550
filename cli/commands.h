// The commands of the vornenv tool.  Each applies description files to this
// process's environment through the library, one envbuilder per file, and
// returns the tool's exit status.
//
// A description file that fails comes out of these functions as filefailure
// (check excepted), "FILE:LINE: error: message", which main writes once; the
// library's own assertion line is not written.  Its warnings are written as
// "FILE:LINE: warning: message" (without LINE when none is being read).  The
// host's own troubles throw failure.

#ifndef VORNENV_CLI_COMMANDS_H_
#define VORNENV_CLI_COMMANDS_H_

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include <vornenv/vornenv.h>

#include "cli/platform.h"
#include "cli/quote.h"

namespace vornenv::cli {

// Applies files, then runs argv with the result: replaces the process on
// POSIX, or returns the command's exit status; 127 when it is not found,
// 126 when it cannot be run.
int runcmd(const std::vector<std::string>& files, const std::vector<std::string>& argv);

// Applies files and writes the variables whose values they set, changed or
// removed, sorted by name, in format.  Writes nothing when a file fails or
// a value cannot be written safely.
int exportcmd(const std::vector<std::string>& files, shellformat format, std::ostream& out);

// Applies files and writes, for a person, each file's sections with their
// kinds and stored entries, then the changed variables, old and new value.
int showcmd(const std::vector<std::string>& files, bool colour, std::ostream& out);

// Applies file and writes the library locations of its section `section`,
// one a line.  Fails when the file has no such section.
int libscmd(const std::string& file, const std::string& section, std::ostream& out);

// Writes the expansion of each text, one a line.
int expandcmd(const std::vector<std::string>& texts, std::ostream& out);

// Keeps a builder that is no longer needed until the process ends (the one
// kept before is freed).
void keeptoexit(std::unique_ptr<envbuilder> builder);

// Puts the environment back to the snapshot, empty values included.
void restoreenv(const envmap& start);

// The kind of section that the builder makes for a section name:
// "library paths", "executable paths", "environment" or "plain".
const char* sectionkind(const std::string& name);

}  // namespace vornenv::cli

#endif  // VORNENV_CLI_COMMANDS_H_
