// Conversion of entries into file paths, and where a section's libraries are
// found.

#ifndef VORNENV_ENTRYTOFILEPATH_H_
#define VORNENV_ENTRYTOFILEPATH_H_

#include <vector>

#include "vornenv/envbuilder.h"
#include "vornenv/export.h"
#include "vornfile/vornfile.h"

namespace vornenv {

// A function object that appends the converted path of each entry it is
// applied to to a list the caller owns.  Copies append to the same list;
// the list must outlive the object and every copy.
struct VORNENV_EXPORT entrytofilepath {
  explicit entrytofilepath(std::vector<vornfile::filepath>& list);
  entrytofilepath(const entrytofilepath& other);
  entrytofilepath& operator=(const entrytofilepath&) = delete;

  // The entry's value as a path.  Every component longer than 4 characters
  // is expanded with expandvar() and replaced by the components of the
  // resulting path (so a reference must lie within one component), which
  // must be valid: otherwise fails with its text followed by
  // " entrytofilepath - expanded envvar to invalid path!".
  static vornfile::filepath convert(const envbuilder::entry& e);

  // Appends convert(e) to the list; appends nothing when it fails.
  void operator()(const envbuilder::entry& e);

  std::vector<vornfile::filepath>& target;
};

// Where each shared library is found when the system directories, then the
// section's directories (its entries' values as stored), then the existing
// directories on "PATH" are searched, the first holding a library winning:
// one path per library, directory plus file name, ordered by directory, then
// as the directory lists them.  Empty when s.valid() is false (the valid()
// of a "Library Paths" section writes its warnings).
VORNENV_EXPORT std::vector<vornfile::filepath> getliblocations(const envbuilder::section& s);

}  // namespace vornenv

#endif  // VORNENV_ENTRYTOFILEPATH_H_
