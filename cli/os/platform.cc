// The host's environment access, vornplatform's exact texts: the narrow
// ones would lose, on Windows, what the ANSI code page cannot hold.

#include "cli/os/platform.h"

#include <stdexcept>
#include <utility>

#include "vornplatform/vornplatform.h"

namespace vornenv::cli {

std::string envkey(const std::string& name) { return vornplatform::exactkey(name); }

std::optional<std::string> getenvexact(const std::string& name) {
  return vornplatform::findenvexact(name);
}

std::map<std::string, std::string> readenvironment() {
  std::map<std::string, std::string> vars;
  for (auto& [name, value] : vornplatform::listexact())
    vars.emplace(envkey(name), std::move(value));
  return vars;
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
