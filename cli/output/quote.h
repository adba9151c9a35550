// Writing variables so that a shell reads back exactly the bytes they hold,
// and never runs any of them.
//
//   sh          export NAME='...'    ' written as '\''; every other byte,
//                                    newline included, is literal in '...'
//   fish        set -gx NAME '...'   \ and ' written as \\ and \'
//   powershell  $env:NAME = '...'    printable ASCII inside '...' (' doubled),
//                                    every other character as [char]0xHHHH,
//                                    so the output is plain ASCII and reads
//                                    the same in any code page
//   cmd         @set "NAME=..."      for a batch file run with call, in the
//                                    code page cmd reads it in: % doubled,
//                                    ^ & | < > ( ) escaped with ^ outside
//                                    quotes, character by character; CR, LF,
//                                    Ctrl-Z and characters that code page
//                                    lacks refused
//   json        {"NAME": "..."}      null for a removed variable
//
// A removed variable becomes unset NAME, set -e NAME, $env:NAME = $null,
// @set "NAME=" or null.

#ifndef VORNENV_CLI_OUTPUT_QUOTE_H_
#define VORNENV_CLI_OUTPUT_QUOTE_H_

#include <optional>
#include <string>
#include <vector>

// quotejson: the json format's strings.
#include "cli/output/json.h"

namespace vornenv::cli {

// A variable that applying description files changed: its new value, or
// std::nullopt when it was removed.
struct change {
  std::string name;
  std::optional<std::string> value;
  // The variable was not in the environment before: a shell may hold it as
  // a variable of its own, not exported (see formatoptions::keepshellvars).
  bool wasunset = false;
};

enum class shellformat { sh, fish, powershell, cmd, json };

// The format of that name: "sh" (or "bash", "zsh"), "fish", "powershell"
// (or "pwsh"), "cmd", "json".
std::optional<shellformat> parseformat(const std::string& name);

struct formatoptions {
  // The command whose failure it is, for the message: "export: ...".
  const char* command = "export";
  // sh and fish: a variable that was not set before (change::wasunset) and
  // is set now keeps the shell's own unexported value, if it has one, in
  // _vornenv_shell_NAME; a variable removed gets that value back,
  // unexported, instead of being removed.  For the hook, whose removals
  // undo its own settings: leaving a project gives back the shell's own
  // variables.  The code for sh reads in bash and zsh.
  bool keepshellvars = false;
  // sh: PATH (in any letter case: Windows ignores it) is written as PATH, in
  // the form of Git Bash and MSYS2 (msyspathlist()), for such a shell that
  // runs the Windows program.  The other formats, the other variables and
  // the records of what to undo stay in Windows form.
  bool msyspath = false;
};

// The text that applies the changes, in their order, in the given format.
// Throws failure when a name or value cannot be written safely: a name that
// is no sh/fish variable name (isshellname); for cmd, a text that is not
// valid UTF-8, a CR, LF or Ctrl-Z, a character that cmd's code page cannot
// hold (tocmdtext), or a line, as written, longer than cmd's 8191
// characters.  Nothing is returned then, so a caller never prints half of
// it.
std::string formatchanges(const std::vector<change>& changes, shellformat format,
                          const formatoptions& options = formatoptions());

// Whether format can set a variable of that name: sh and fish take only a
// name of letters, digits and '_' that does not start with a digit (any
// other would be read as code), and none of the variables the shell keeps
// for itself (PPID, zsh's path, fish's status: setting one fails, and zsh
// then drops the rest of what it evaluates); the other formats take any
// name.
bool cansetname(const std::string& name, shellformat format);

// The message for a name that format cannot set: "sh cannot set the
// variable 'my-var' (not a valid name)", or "... (the shell keeps it for
// itself)".
std::string cannotsetname(const std::string& name, shellformat format);

// The single-quoted sh word for text.
std::string quotesh(const std::string& text);

// The single-quoted fish word for text.
std::string quotefish(const std::string& text);

// A PowerShell expression for text in plain ASCII: printable ASCII in single
// quotes, every other character as [char]0xHHHH, joined by +.
std::string quotepowershell(const std::string& text);

}  // namespace vornenv::cli

#endif  // VORNENV_CLI_OUTPUT_QUOTE_H_
