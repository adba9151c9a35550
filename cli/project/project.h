// The per-project commands: the shell hook that applies the nearest
// allowed .vornenv.ini at each prompt and undoes it on leaving, the list of
// files it may apply, and revert, which undoes export --undo.

#ifndef VORNENV_CLI_PROJECT_PROJECT_H_
#define VORNENV_CLI_PROJECT_PROJECT_H_

#include <iosfwd>
#include <optional>
#include <string>

#include "cli/output/quote.h"

namespace vornenv::cli {

// Writes, in format, the changes that undo the record of the last
// export --undo (or hook) in this environment, keeping the user's own
// changes to PATH since.  Fails when there is no record.
int revertcmd(shellformat format, std::ostream& out);

// Writes the code that installs the per-prompt hook in shell ("bash", "zsh",
// "fish" or "powershell").
int hookcmd(const std::string& shell, std::ostream& out);

// The hook's per-prompt work, in format: finds the nearest .vornenv.ini from
// the working directory upwards and writes what undoes the file applied
// before and applies the allowed one now, or nothing when neither changed.
// A failing or disallowed file is reported on stderr once.
// With again, the file applied before is undone and applied afresh even
// when nothing changed.  For sh and fish it also writes what the hook's
// code checks at the next prompt; leanmarks, for bash and fish, whose test
// takes a missing file as older than any, leaves out what only zsh needs.
int promptcmd(shellformat format, bool again, bool leanmarks, std::ostream& out);

// Writes the nearest .vornenv.ini, whether it is allowed (and if not, why),
// whether the hook applied it in this shell, and what it changed.
int statuscmd(std::ostream& out);

enum class trustaction { allow, deny, list, prune };

// allow: records file (default: the nearest .vornenv.ini) by its identity
// and its content's hash as allowed for the hook; a file that is missing,
// no regular file or too large fails.  deny: forgets it, and returns 1 when
// the list does not hold it.  list: writes each entry with the state of its
// file (allowed, edited, missing, unreadable).  prune: drops the entries
// whose file is missing or edited.
int trustcmd(const std::optional<std::string>& file, trustaction action, std::ostream& out);

}  // namespace vornenv::cli

#endif  // VORNENV_CLI_PROJECT_PROJECT_H_
