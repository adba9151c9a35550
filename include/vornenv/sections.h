// The section kinds that envbuilder creates, by section name.  Each is
// created empty at its header, filled entry by entry through
// section::newentry(), and applied once when the section ends.  A host may
// derive from any of them: the actions call valid() virtually, so an
// override counts.

#ifndef VORNENV_SECTIONS_H_
#define VORNENV_SECTIONS_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vornenv/envbuilder.h"
#include "vornenv/export.h"

namespace vornenv {

// What a section does, as the builder tells it by the section's name.
enum class sectionkind {
  plain,            // anonsection
  environment,      // envblock
  executablepaths,  // pathlist on "PATH"
  librarypaths,     // libpathlist
};

// The names that select a kind other than plain, compared exactly (letter
// case significant): the one table that the builder and hosts go by.
struct namedkind {
  const char* name;
  sectionkind kind;
};
inline constexpr namedkind namedkinds[] = {
    {"Environment", sectionkind::environment},
    {"Executable Paths", sectionkind::executablepaths},
    {"Library Paths", sectionkind::librarypaths},
};

// The kind that the builder gives a section of that name; plain for every
// name that namedkinds does not hold.
VORNENV_EXPORT sectionkind kindof(std::string_view name);

// Any section whose name selects no other kind: keeps its entries unchanged
// for lookups and does nothing when it ends.
class VORNENV_EXPORT anonsection : public envbuilder::section {
 public:
  explicit anonsection(const std::string& name);
  anonsection(const anonsection& other);
  ~anonsection() override;

 private:
  bool donewentry(envbuilder::entry& e) override;  // true, e unchanged
  bool valid() const override;                     // true
  bool operator()() override;                      // true, no action
};

// "Environment": when it ends, sets one variable per entry, in entry order,
// to the entry's value with its $(NAME) references expanded at that moment.
// Each variable is set before the next value is expanded, so a value may use
// the variables of earlier entries and of earlier sections.  An expansion
// failure throws; the variables already set stay set.  A name or value that
// the platform cannot hold is not cut short nor turned into a look-alike: a
// name or value longer than vornplatform::longestvalue() fails with kind
// limit, one that is no text in the ANSI code page (Windows) with the
// platform's "cannot represent" message.  The stored entries keep the
// unexpanded text.
class VORNENV_EXPORT envblock : public envbuilder::section {
 public:
  explicit envblock(const std::string& name);
  envblock(const envblock& other);
  ~envblock() override;

 private:
  bool donewentry(envbuilder::entry& e) override;  // true, e unchanged
  bool valid() const override;                     // true
  bool operator()() override;
};

// "Executable Paths": each entry's value names a directory.  As an entry is
// added, its value is converted to a path (entrytofilepath::convert(),
// expanding references component by component), stored in that converted
// form, and must name an existing directory, by a text the platform holds
// exactly (false otherwise, which stops the parse).  When the section ends,
// the path variable becomes the section's directories followed by the
// variable's earlier elements, each path once, at its first place, joined by
// pathlistsep.
class VORNENV_EXPORT pathlist : public envbuilder::section {
 public:
  // pathvar: the variable to build ("PATH"); fails with
  // "pathlist::pathlist - provided path variable is empty!" when empty.
  pathlist(const std::string& pathvar, const std::string& name);
  pathlist(const pathlist& other);
  ~pathlist() override;

 protected:
  // The new value of the path variable, from the stored entries (the
  // converted paths, not converted again) and the variable's current value,
  // as a narrow text: fails as getenvvar() does
  // when the variable holds characters that the narrow text cannot.
  // (operator() merges without that limit.)
  std::string getpathstr() const;

 private:
  bool donewentry(envbuilder::entry& e) override;
  bool valid() const override;  // true
  bool operator()() override;
  // Tells the observer what the merge added and moved.
  void tellmerge(envbuilder::observer& told, const std::optional<std::string>& before,
                 const std::string& after, const std::vector<vornfile::filepath>& paths) const;

  std::string pathvar_;
};

// "Library Paths": a pathlist on "PATH" that, before changing it, warns once
// per section directory that holds libraries which the system directories
// also hold:
//   ****WARNING****: These libraries are going to be overridden as they are
//   available in windows, system or system32 directory: a.dll, b.dll
// (one line, libraries in ascending order).
class VORNENV_EXPORT libpathlist : public pathlist {
 public:
  explicit libpathlist(const std::string& name);
  libpathlist(const libpathlist& other);
  ~libpathlist() override;

  // Writes the warnings; always true.
  bool valid() const override;
};

}  // namespace vornenv

#endif  // VORNENV_SECTIONS_H_
