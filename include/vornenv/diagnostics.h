// The library's reports: the failure it throws, and where its assertion and
// warning lines go.  They are its only logging: no levels, no files.

#ifndef VORNENV_DIAGNOSTICS_H_
#define VORNENV_DIAGNOSTICS_H_

#include <cstddef>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "vornenv/export.h"

namespace vornenv {

// Every failure of a parse or an apply: the reader's, a section's, an
// expansion's, and the platform's refusal to set a variable.  what() is the
// message alone, so a caller that catches std::runtime_error sees nothing
// new; a host that wants to point at the file asks for the place.
class VORNENV_EXPORT error : public std::runtime_error {
 public:
  enum class kind {
    unreadable,     // the file cannot be opened or read
    syntax,         // a line that is neither header nor entry where one is due
    duplicate,      // a section or entry name given twice
    emptyside,      // an entry whose name or value is empty
    missingdir,     // an entry refused by its section (a path list's missing directory)
    selfreference,  // a variable whose value refers back to it
    unset,          // a reference to a variable that is not set
    invalidpath,    // a path that is not valid: the file's own, or an expanded entry's
    refusedname,    // a variable the platform refuses to set
    limit,          // a text beyond what the platform can hold
    other,
  };

  explicit error(kind k, const std::string& message, const std::string& file = std::string(),
                 std::size_t line = 0, const std::string& section = std::string(),
                 const std::string& entry = std::string());
  error(const error& other) noexcept;
  error& operator=(const error& other) noexcept;
  ~error() override;

  kind what_kind() const { return kind_; }
  // The message whole: what() as a std::string, with any NUL byte it holds
  // (a line of the file quoted in it) and what follows.
  const std::string& message() const;
  // The description file as the reader was given it; "" when none (a
  // failure of expandvar() called on its own).
  const std::string& file() const;
  // The 1-based line of the header or entry concerned; 0 when none.  A
  // failure while a section is applied at its end carries the line of the
  // entry being applied, or of the header when no entry is concerned.
  std::size_t line() const { return line_; }
  // The section and the entry name concerned; "" when none.
  const std::string& section() const;
  const std::string& entry() const;
  // What the failure is about, for a host that explains it without reading
  // the message: the variable's name for unset and selfreference, the
  // line's text for syntax (a line that is neither header nor entry) and
  // for emptyside (the entry's line, trimmed), the value as the line wrote
  // it for missingdir; "" for every other failure.
  const std::string& subject() const;

 private:
  friend class errorplace;  // the library fills the place in on the way out
  struct place;

  kind kind_;
  std::size_t line_;
  // Shared between copies, so that copying an exception cannot throw.
  std::shared_ptr<const place> place_;
};

enum class severity { assertion, warning };

// Receives each assertion and warning line, message alone.
using diagnostichandler = std::function<void(severity, const std::string& message)>;

// Sends every later assertion and warning to handler, process-wide, and
// returns the handler used until now (the default one is returned as a
// callable too).  An empty handler restores the default, which writes
// "****ASSERTION****: " or "****WARNING****: ", the message and std::endl to
// std::cerr.  Safe to call from any thread at any time; a report that has
// started uses the handler it started with.  An assertion throws after its
// handler returns, whatever the handler does.
VORNENV_EXPORT diagnostichandler setdiagnostichandler(diagnostichandler handler);

// Does nothing when condition holds.  Otherwise reports the message as an
// assertion, then throws an error of kind other whose what() is the message.
VORNENV_EXPORT void envassert(bool condition, const std::string& message);

// Does nothing when condition holds.  Otherwise reports the message as a
// warning and returns.
VORNENV_EXPORT void envwarn(bool condition, const std::string& message);

}  // namespace vornenv

#endif  // VORNENV_DIAGNOSTICS_H_
