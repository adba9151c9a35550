// What the commands share beyond their own file: applying one description
// file as every command does, putting the environment back, and the
// sections of a file in the order it wrote them.

#ifndef VORNENV_CLI_APPLY_H_
#define VORNENV_CLI_APPLY_H_

#include <vornenv/envbuilder.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/finding.h"
#include "cli/platform.h"

namespace vornenv::cli {

// A description file as a command gets it.
struct descriptionsource {
  // The file as the user gave it: opened by exactly this path, and named so
  // in messages.
  std::string name;
  // The file's bytes, already read and checked (the hook hashes them):
  // parsed instead of opening name, so that what applies is what was
  // checked.  nullptr: open name.
  const std::string* text = nullptr;
  // The file's identity (cli/identity.h), when the caller has it already.
  std::optional<std::string> identity;
};

// Applies the description into builder (made by the caller, so that its
// diagnostics handler can ask the builder for the line being read) while
// VORNENV_FILE and VORNENV_DIR name the file and its folder.  A file is
// opened once, and the library reads it from that open file.  Returns the
// failure as a finding with its hints, or std::nullopt when it applied; the
// section it arose in goes to *section when section is not null.
std::optional<finding> applyinto(envbuilder& builder, const descriptionsource& source,
                                 std::string* section = nullptr);

// applyinto() a new builder, with the library's warnings written as
// "FILE:LINE: warning: ...".  A failure throws filefailure: "FILE:LINE:
// error: message" and its hints.
std::unique_ptr<envbuilder> applydescription(const descriptionsource& source);

// While a file is applied, VORNENV_FILE and VORNENV_DIR name it and its
// folder (its identity: absolute, links in the folder resolved), so that
// its values can be relative to the file wherever the command was typed.
// A path holding "$(" would be expanded again by a value that refers to
// it: then both are removed instead, so that such a reference fails.  When
// the object goes, each gets its earlier value back (or is removed),
// unless the Environment section of the builder passed to applied() set
// it itself.
class fileplace {
 public:
  explicit fileplace(const std::string& identity);
  fileplace(const fileplace&) = delete;
  fileplace& operator=(const fileplace&) = delete;
  ~fileplace();
  // REQUIRES: builder outlives this object.
  void applied(const envbuilder* builder) { builder_ = builder; }
  // The folder whose path kept the two variables unset, or "".
  const std::string& withheld() const { return withheld_; }

 private:
  bool setbyfile(const char* name) const;

  std::optional<std::string> oldfile_, olddir_;
  std::string withheld_;
  const envbuilder* builder_ = nullptr;
};

// A variable whose value differs between two snapshots: std::nullopt where
// it is not set.
struct difference {
  std::string name;
  std::optional<std::string> before, after;
};

// The variables whose value differs between the two snapshots, by name.
std::vector<difference> diffenv(const envmap& before, const envmap& after);

// Makes the environment what the snapshot holds, empty values included.
// Throws failure when the platform refuses a variable.
void restoreenvironment(const envmap& snapshot);

// The sections that builder holds, in the order of their headers in the
// file (the library keeps them by name).
std::vector<const envbuilder::section*> sectionsinfileorder(const envbuilder& builder);

}  // namespace vornenv::cli

#endif  // VORNENV_CLI_APPLY_H_
