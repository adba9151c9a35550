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

#ifndef VORNENV_CLI_QUOTE_H_
#define VORNENV_CLI_QUOTE_H_

#include <optional>
#include <string>
#include <vector>

namespace vornenv::cli {

// A variable that applying description files changed: its new value, or
// std::nullopt when it was removed.
struct change {
  std::string name;
  std::optional<std::string> value;
};

enum class shellformat { sh, fish, powershell, cmd, json };

// The format of that name ("sh", "fish", "powershell", "cmd", "json").
std::optional<shellformat> parseformat(const std::string& name);

// The text that applies the changes, in their order, in the given format.
// Throws failure when a name or value cannot be written safely: a name that
// is no sh/fish variable name; for cmd, a text that is not valid UTF-8, a
// CR, LF or Ctrl-Z, a character that cmd's code page cannot hold
// (tocmdtext), or a line, as written, longer than cmd's 8191 characters.
// Nothing is returned then, so a caller never prints half of it.
std::string formatchanges(const std::vector<change>& changes, shellformat format);

// The single-quoted sh word for text.
std::string quotesh(const std::string& text);

// The JSON string for text.  Valid UTF-8 is copied, control bytes, '"' and
// '\' are escaped, and each byte that is not part of valid UTF-8 becomes
// \u00XX (so such bytes read back as the Latin-1 character of that value).
std::string quotejson(const std::string& text);

}  // namespace vornenv::cli

#endif  // VORNENV_CLI_QUOTE_H_
