// What the commands share beyond their own file: applying one description
// file as every command does, putting the environment back, and the
// sections of a file in the order it wrote them.

#ifndef VORNENV_CLI_APPLY_H_
#define VORNENV_CLI_APPLY_H_

#include <vornenv/envbuilder.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/platform.h"

namespace vornenv::cli {

// Constructs a builder for file and applies it, with the library's warnings
// written as "FILE:LINE: warning: ...".  A failure throws filefailure,
// "FILE:LINE: error: message".
std::unique_ptr<envbuilder> applydescription(const std::string& file);

// apply(file), then file read again: it must still hold content, the text
// that the caller read and checked (the hook: hashed against the allowed
// list), and have the same filestamp() as before that read.  The library
// reads the file itself, so a file replaced between the check and the apply
// would otherwise be applied unchecked.  Returns std::nullopt, with the
// result discarded, when the file changed; the environment is then the
// caller's to restore.
std::optional<std::unique_ptr<envbuilder>> applyunchanged(
    const std::string& file, const std::string& content, const std::optional<std::string>& stamp,
    const std::function<std::unique_ptr<envbuilder>(const std::string&)>& apply = applydescription);

// While a file is applied, VORNENV_FILE and VORNENV_DIR name it (absolute)
// and its folder, so that its values can be relative to the file wherever
// the command was typed.  When the object goes, each gets its earlier value
// back (or is removed), unless the Environment section of the builder passed
// to applied() set it itself.
class fileplace {
 public:
  explicit fileplace(const std::string& file);
  fileplace(const fileplace&) = delete;
  fileplace& operator=(const fileplace&) = delete;
  ~fileplace();
  // REQUIRES: builder outlives this object.
  void applied(const envbuilder* builder) { builder_ = builder; }

 private:
  bool setbyfile(const char* name) const;

  std::optional<std::string> oldfile_, olddir_;
  const envbuilder* builder_ = nullptr;
};

// Makes the environment what the snapshot holds, empty values included.
// Throws failure when the platform refuses a variable.
void restoreenvironment(const envmap& snapshot);

// The sections that builder holds, in the order of their headers in the
// file (the library keeps them by name).
std::vector<const envbuilder::section*> sectionsinfileorder(const envbuilder& builder);

}  // namespace vornenv::cli

#endif  // VORNENV_CLI_APPLY_H_
