// Shell completion scripts for the tool, written from its command table, so
// that a command or option added there completes without another list to
// keep.

#ifndef VORNENV_CLI_COMMANDS_COMPLETION_H_
#define VORNENV_CLI_COMMANDS_COMPLETION_H_

#include <optional>
#include <string>
#include <vector>

namespace vornenv::cli {

// What an option's value, or a command's operands, complete to.
enum class completes {
  nothing,      // free text: a section name, expand's texts
  files,        // description files: *.ini first, then any file or folder
  directories,  // folders (a path list, element by element where the shell can)
  words,        // one of the listed words
  variable,     // an environment variable's name, then description files (explain)
  commandline,  // description files, then after "--" a command and its arguments
};

struct completionoption {
  std::string name;       // "--format"
  std::string shortname;  // "-h", or ""
  std::string about;      // a few words, for the shells that show them
  bool value = false;
  completes kind = completes::nothing;  // of the value
  std::vector<std::string> words;       // with completes::words
};

struct completioncommand {
  std::string name;
  std::string about;
  std::vector<completionoption> options;  // besides the global ones
  completes operands = completes::nothing;
  std::vector<std::string> words;  // with completes::words: one operand of these
};

struct completiontable {
  std::string program;                   // the name the scripts complete
  std::vector<completionoption> global;  // taken before the command
  std::vector<completioncommand> commands;
};

// The shells completionscript() writes for, in the order help names them.
inline const std::vector<std::string> completionshells = {"bash", "zsh", "fish", "powershell"};

// The completion script for shell (one of completionshells), or
// std::nullopt for another name.  Every word of table is expected to be
// plain: letters, digits and "-._" (checked by the caller's tests); the
// about texts may hold anything printable.
std::optional<std::string> completionscript(const completiontable& table, const std::string& shell);

}  // namespace vornenv::cli

#endif  // VORNENV_CLI_COMMANDS_COMPLETION_H_
