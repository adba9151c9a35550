// The record that export --undo leaves in the environment, and the changes
// that undo it.
//
// The record is one variable, VORNENV_UNDO, so that it travels with the
// shell's environment into child shells and costs nothing to keep:
//
//   v1,uNAME            NAME was not set: remove it
//   v1,sNAME=OLD        NAME held OLD: set it back
//   v1,pPATH=OLD=SET    PATH held OLD and export set SET: give back OLD,
//                       keeping what the user added to or removed from SET
//
// The first item is always VORNENV_UNDO itself, so that records stack: undoing
// the latest export brings back the record of the one before.  Names and
// values are written with the bytes outside [A-Za-z0-9._/\:;+@ -] as ~HH, so
// that every shell format and cmd's code page carry the record unchanged.

#ifndef VORNENV_CLI_UNDO_H_
#define VORNENV_CLI_UNDO_H_

#include <optional>
#include <string>
#include <vector>

#include "cli/platform.h"
#include "cli/quote.h"

namespace vornenv::cli {

// The name of the variable that holds the record.
extern const char* const undovariable;

// text with every byte outside the plain set written as ~HH.
std::string encodefield(const std::string& text);

// The text that encodefield() wrote, or std::nullopt when text is not such.
std::optional<std::string> decodefield(const std::string& text);

// The record that undoes the changes from before to after (two snapshots of
// the environment, before including any earlier record).
std::string makeundo(const envmap& before, const envmap& after);

// The changes that undo record in the environment now, or std::nullopt when
// the record is not one that makeundo() wrote.  A path-list variable gets
// back exactly the elements of its old value that the user did not remove
// since, in their old order, plus those the user added, where the user put
// them.
std::optional<std::vector<change>> undochanges(const std::string& record, const envmap& now);

// The old list of a path variable, given the list export set and the list
// now, with the user's own changes since kept (see undochanges()).
std::vector<std::string> restorepathlist(const std::vector<std::string>& old,
                                         const std::vector<std::string>& set,
                                         const std::vector<std::string>& now);

}  // namespace vornenv::cli

#endif  // VORNENV_CLI_UNDO_H_
