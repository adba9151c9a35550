// The records that undo what vornenv changed in a shell's environment: the
// one that export --undo keeps in VORNENV_UNDO, a stack of levels that
// revert takes off one at a time, and the hook's own in VORNENV_HOOK_UNDO,
// one level, so that neither undoes the other's changes.
//
// A record lives in a variable, so that it travels with the shell's
// environment into child shells:
//
//   v2|LEVEL|LEVEL...[|-]   the newest level first; a last "-" says that
//                           older levels were dropped to keep the record
//                           within undorecordmax
//   LEVEL = ITEM,ITEM,...   what one export changed (empty: nothing)
//   uNAME=NEW               NAME was not set; it was set to a value whose
//                           hash is NEW
//   sNAME=OLD=NEW           NAME held OLD; NEW is the hash of the value set,
//                           or "-" when it was removed
//   pNAME=OLD=FRONT=I.J     a path list that held OLD; it was set to FRONT's
//                           elements followed by OLD's, but for those at
//                           positions I, J... (from 0, empty ones counted)
//
// Only what changed is written, and nothing is nested: a level holds each
// changed variable's old value (for PATH the old text once, and the
// elements put in front), never another record.  Names and values are
// written with the bytes outside [A-Za-z0-9._/\:;+@ -] as ~HH, so that
// every shell format and cmd's code page carry the record unchanged.
//
// Undoing gives a variable its old value only while it still holds what was
// set: what the user (or a later export) changed since stays.  A path list
// that still reads exactly as it was set gets its old text back, empty
// elements included; one that the user changed since keeps those changes
// (see restorepathlist()).

#ifndef VORNENV_CLI_APPLY_UNDO_H_
#define VORNENV_CLI_APPLY_UNDO_H_

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/apply/changelog.h"
#include "cli/output/quote.h"

namespace vornenv::cli {

// The value of a variable now (std::nullopt: not set): getenvexact() in the
// host, a table in tests.
using envlookup = std::function<std::optional<std::string>(const std::string& name)>;

// The variables of the host's own state: export --undo's record, the
// hook's note of what it saw and the hook's record.  No record holds them.
extern const char* const undovariable;
extern const char* const hooknotevariable;
extern const char* const hookundovariable;

// The longest record that is written, in bytes.
constexpr std::size_t undorecordmax = 16 * 1024;

// text with every byte outside the plain set written as ~HH.
std::string encodefield(const std::string& text);

// The text that encodefield() wrote, or std::nullopt when text is not such.
std::optional<std::string> decodefield(const std::string& text);

// One level: what undoes the changes (a changelog's), the host's own
// variables left out.
std::string makeundolevel(const std::vector<difference>& changes);

// record (std::nullopt or "": none yet) with level put in front.  The oldest
// levels are dropped, and the mark of dropped levels left, to keep it
// within undorecordmax; a record that is not one of these counts as dropped
// whole.  std::nullopt when level alone does not fit.
std::optional<std::string> pushundolevel(const std::optional<std::string>& record,
                                         const std::string& level);

// What taking the newest level off a record gives.
struct undostep {
  // The newest level is the mark: the levels older than those taken off
  // were dropped, and nothing here undoes them.
  bool dropped = false;
  // What undoes the newest level in the environment now.
  std::vector<change> changes;
  // The record without that level; std::nullopt when none is left.
  std::optional<std::string> rest;
};

// The newest level of record, undone against now; std::nullopt when record
// is not one that pushundolevel() wrote.
std::optional<undostep> popundolevel(const std::string& record, const envlookup& now);

// The names that the newest level of record notes, each with what the
// export did to it: '+' set a variable that was not set, '-' removed one,
// '~' changed one; std::nullopt when record is not one that
// pushundolevel() wrote.
std::optional<std::vector<std::pair<char, std::string>>> recordednames(const std::string& record);

// The old list of a path variable, given the list that was set and the
// list now: the old elements that the user did not remove since, in their
// old order, and those the user added, where the user put them.
std::vector<std::string> restorepathlist(const std::vector<std::string>& old,
                                         const std::vector<std::string>& set,
                                         const std::vector<std::string>& now);

// The elements of a path list's text, empty ones included ("" has none).
std::vector<std::string> splitelements(const std::string& text);

// list (the non-empty elements that restorepathlist() gave back) with the
// empty elements of old put back, each before the first element of old that
// followed it and is still in list, or at the end.
std::vector<std::string> restoreempty(const std::vector<std::string>& old,
                                      std::vector<std::string> list);

}  // namespace vornenv::cli

#endif  // VORNENV_CLI_APPLY_UNDO_H_
