// Internal companion of <vornenv/diagnostics.h>.

#ifndef VORNENV_SUPPORT_DIAGNOSTICS_H_
#define VORNENV_SUPPORT_DIAGNOSTICS_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "vornenv/diagnostics.h"
#include "vornplatform/vornplatform.h"

namespace vornenv {

// envassert(false, message): for callers that have already tested the
// condition and build the message only when it fails.  Kind other.
[[noreturn]] void envfail(const std::string& message);
[[noreturn]] void envfail(error::kind k, const std::string& message);
// Reports e.what() as an assertion and throws e.
[[noreturn]] void envfail(const error& e);

// The platform library's calls with their failures made the library's own:
// reported through the handler and thrown as errors, of kind refusedname
// for a variable that cannot be set.
void putvar(const std::string& name, const std::string& value);
void putvarexact(const std::string& name, const std::string& exactvalue);
// The variable's value before a change, for an observer: as an exact text,
// std::nullopt when it is not set or cannot be read.
std::optional<std::string> valuebefore(const std::string& name);
// The variable's value, from snapshot when there is one.
std::string getvar(const std::string& name, const vornplatform::envsnapshot* snapshot = nullptr);

// Fills in the parts of a failure's place that it does not know yet, as it
// passes a layer that does: each argument counts only where the error holds
// "" or line 0.  Used on an error caught by reference and then rethrown, so
// that a derived error keeps its type.
class errorplace {
 public:
  static void fill(error& e, std::string_view file, std::size_t line, std::string_view section,
                   std::string_view entry);
  // e with its subject() set.
  static error about(error e, std::string subject);
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
