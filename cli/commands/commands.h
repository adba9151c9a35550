// The commands of the vornenv tool.  Each applies description files to this
// process's environment through the library, one envbuilder per file, and
// returns the tool's exit status.
//
// A description file that fails comes out of these functions as filefailure
// (check excepted), "FILE:LINE: error: message", which main writes once; the
// library's own assertion line is not written.  Its warnings are written as
// "FILE:LINE: warning: message" (without LINE when none is being read).  The
// host's own troubles throw failure.

#ifndef VORNENV_CLI_COMMANDS_COMMANDS_H_
#define VORNENV_CLI_COMMANDS_COMMANDS_H_

#include <vornenv/vornenv.h>

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/os/platform.h"
#include "cli/output/quote.h"

namespace vornenv::cli {

// Applies files, then runs argv with the result: replaces the process on
// POSIX, or returns the command's exit status; 127 when it is not found,
// 126 when it cannot be run.
int runcmd(const std::vector<std::string>& files, const std::vector<std::string>& argv);

// Applies files and writes the variables whose values they set, changed or
// removed, sorted by name, in format.  Writes nothing when a file fails or
// a value cannot be written safely.  With undo, also sets the record that
// revertcmd() undoes (cli/undo.h).
int exportcmd(const std::vector<std::string>& files, shellformat format, std::ostream& out,
              bool undo = false);

// Applies files and writes each file's sections, in file order, with their
// kinds and stored entries, then the changed variables, old and new value:
// for a person, or with json one JSON object
//   {"files": [{"file", "sections": [{"name", "kind", "line",
//               "entries": [{"name", "value", "line"}]}]}],
//    "changes": [{"name", "before", "after"}]}   (null: unset)
// Writes nothing when a file fails.
int showcmd(const std::vector<std::string>& files, bool colour, bool json, std::ostream& out);

// Applies file and writes the libraries of its section `section`, searched
// in the system directories first, then the section's directories, then
// PATH.  Without all, the libraries of the section's own directories, each
// once: the first copy found, and when a system directory's copy is that
// one, the section's copy too.  With all, every library the search finds,
// the first of each name, one path a line.  Where the dynamic loader
// searches PATH (Windows, loadersearchespath()), the first copy found is
// the one loaded, and the text says so; elsewhere the loader does not read
// PATH, which the section extends, so each line says only what the copy is:
// the section's, or a system copy of the same name.  json writes an array
// of objects {"name", "loaded" on Windows or "path" elsewhere, "from":
// "system" | "section" | "path"}, plus without all "section_copy", "line"
// (of the directory's entry) and, on Windows, "overridden".  Fails when the
// file has no such section.
int libscmd(const std::string& file, const std::string& section, bool all, bool json,
            std::ostream& out);

// Applies files and tells where the final value of the variable name came
// from: each Environment entry that set it and each path section that
// changed it (for PATH), with file and line, the value before and after,
// and the expansion of the entry's text, each reference with its value and
// origin (the environment, or the file and line that set it), in turn.
// When no file sets it, says so and gives the value from the environment;
// that is an answer, not a failure, so it returns 0.
int explaincmd(const std::string& name, const std::vector<std::string>& files, std::ostream& out);

// Writes the expansion of each text, one a line.
int expandcmd(const std::vector<std::string>& texts, std::ostream& out);

// The entries of applied files whose names a shell format cannot set, so
// that refusing such a name points at the line that set it.
class namesetters {
 public:
  // Takes note of the Environment entries of builder, applied from file,
  // whose names format cannot set.
  void add(const std::string& file, const envbuilder& builder, shellformat format);
  // Throws filefailure, "FILE:LINE: error: sh cannot set the variable ...",
  // for the first change whose name format cannot set (failure when no file
  // set it).
  void require(const std::vector<change>& changes, shellformat format) const;

 private:
  struct setter {
    std::string file;
    std::size_t line;
    std::string name;
  };
  std::vector<setter> entries_;
};

// The kind of section that the builder makes for a section name:
// "library paths", "executable paths", "environment" or "plain".
const char* kindname(const std::string& name);

}  // namespace vornenv::cli

#endif  // VORNENV_CLI_COMMANDS_COMMANDS_H_
