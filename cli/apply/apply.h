// What the commands share beyond their own file: applying one description
// file as every command does.

#ifndef VORNENV_CLI_APPLY_APPLY_H_
#define VORNENV_CLI_APPLY_APPLY_H_

#include <vornenv/envbuilder.h>
#include <vornenv/sections.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/apply/changelog.h"
#include "cli/apply/finding.h"

namespace vornenv::cli {

// The name under which messages know standard input as a description file.
// A descriptionsource of this name without text reads standard input (to
// its end, once in the process) instead of opening a file.
inline constexpr const char stdinname[] = "<stdin>";

// The description file that a command-line operand names: "-" is standard
// input (stdinname); a file literally called "<stdin>" becomes "./<stdin>",
// so that only "-" reads standard input.
std::string descriptionoperand(const std::string& operand);

// A description file as a command gets it.
struct descriptionsource {
  // The file as the user gave it: opened by exactly this path, and named so
  // in messages; or stdinname.
  std::string name;
  // The file's bytes, already read and checked (the hook hashes them):
  // parsed instead of opening name, so that what applies is what was
  // checked.  nullptr: open name.
  const std::string* text = nullptr;
  // The file's identity (cli/apply/identity.h), when the caller has it
  // already.
  std::optional<std::string> identity;
  // Notes what applying the file changed, or nullptr: the library's sets,
  // and VORNENV_FILE and VORNENV_DIR as the host sets and restores them,
  // so that only what the file leaves behind counts as changed.
  changelog* log = nullptr;
  // Told what the library does as it applies the file, or nullptr; it sees
  // the values that references stood for, VORNENV_DIR's folder included.
  // REQUIRES: not with log.
  envbuilder::observer* observer = nullptr;
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
// it: then both are removed instead, so that such a reference fails.
// Standard input (no identity) has no file: VORNENV_FILE is removed and
// VORNENV_DIR is the working directory.  When the object goes, each gets
// its earlier value back (or is removed), unless the Environment section of
// the builder passed to applied() set it itself.  With a log, both changes
// go through it.
class fileplace {
 public:
  explicit fileplace(const std::optional<std::string>& identity, changelog* log = nullptr);
  fileplace(const fileplace&) = delete;
  fileplace& operator=(const fileplace&) = delete;
  ~fileplace();
  // REQUIRES: builder outlives this object.
  void applied(const envbuilder* builder) { builder_ = builder; }
  // The folder whose path kept the two variables unset, or "".
  const std::string& withheld() const { return withheld_; }

 private:
  bool setbyfile(const char* name) const;
  void put(const char* name, const std::optional<std::string>& value);

  std::optional<std::string> oldfile_, olddir_;
  std::string withheld_;
  const envbuilder* builder_ = nullptr;
  changelog* log_;
};

// The name of the section of kind k (not plain), from the library's table
// of kinds: the host spells no section name itself.
const char* sectionname(sectionkind k);

// Keeps a builder that is no longer needed until the process ends (the one
// kept before is freed).
void keeptoexit(std::unique_ptr<envbuilder> builder);

}  // namespace vornenv::cli

#endif  // VORNENV_CLI_APPLY_APPLY_H_
