// The host's environment access, vornplatform's exact texts: the narrow
// ones would lose, on Windows, what the ANSI code page cannot hold.

#include "cli/os/platform.h"

#include <stdexcept>

#include "vornplatform/vornplatform.h"

namespace vornenv::cli {

std::string envkey(const std::string& name) { return vornplatform::exactkey(name); }

std::optional<std::string> getenvexact(const std::string& name) {
  return vornplatform::findenvexact(name);
}

bool setenvexact(const std::string& name, const std::optional<std::string>& value) {
  try {
    vornplatform::setenvexact(name, value, vornplatform::report::quiet);
    return true;
  } catch (const std::runtime_error&) {
    return false;
  }
}

}  // namespace vornenv::cli
