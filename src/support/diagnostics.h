// Internal companion of <vornenv/diagnostics.h>.

#ifndef VORNENV_SUPPORT_DIAGNOSTICS_H_
#define VORNENV_SUPPORT_DIAGNOSTICS_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "vornenv/diagnostics.h"

namespace vornenv {

// envassert(false, message): for callers that have already tested the
// condition and build the message only when it fails.  Kind other.
[[noreturn]] void envfail(const std::string& message);
[[noreturn]] void envfail(error::kind k, const std::string& message);
// Reports e.what() as an assertion and throws e.
[[noreturn]] void envfail(const error& e);

// vornplatform::putenvvar() with its failure made the library's own: reported
// through the handler and thrown as an error of kind refusedname.
void putvar(const std::string& name, const std::string& value);

// Fills in the parts of a failure's place that it does not know yet, as it
// passes a layer that does: each argument counts only where the error holds
// "" or line 0.  Used on an error caught by reference and then rethrown, so
// that a derived error keeps its type.
class errorplace {
 public:
  static void fill(error& e, std::string_view file, std::size_t line, std::string_view section,
                   std::string_view entry);
};

// Runs f(); a vornenv::error leaving it gets the place where it has none.
template <class F>
decltype(auto) locating(F&& f, std::size_t line, std::string_view section, std::string_view entry) {
  try {
    return f();
  } catch (error& e) {
    errorplace::fill(e, std::string_view(), line, section, entry);
    throw;
  }
}

}  // namespace vornenv

#endif  // VORNENV_SUPPORT_DIAGNOSTICS_H_
