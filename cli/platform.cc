// The host's view of the whole environment, from vornplatform's exact texts:
// the narrow ones would leave out, on Windows, the variables that the ANSI
// code page cannot hold, and the host must see them to put them back.

#include "cli/platform.h"

#include <utility>

#include "vornplatform/vornplatform.h"

namespace vornenv::cli {

std::string envkey(const std::string& name) { return vornplatform::exactkey(name); }

envmap snapshotenv() {
  envmap vars;
  for (auto& [name, value] : vornplatform::listexact()) {
    std::string key = envkey(name);
    // The platform reads the first of two entries of one name.
    vars.emplace(std::move(key), envvar{std::move(name), std::move(value)});
  }
  return vars;
}

}  // namespace vornenv::cli
