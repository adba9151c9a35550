#include <optional>
#include <string>

#include "support/diagnostics.h"
#include "vornenv/expandvar.h"
#include "vornenv/sections.h"

namespace vornenv {

anonsection::anonsection(const std::string& name) : section(name) {}
anonsection::anonsection(const anonsection& other) = default;
anonsection::~anonsection() = default;

bool anonsection::donewentry(envbuilder::entry&) { return true; }
bool anonsection::valid() const { return true; }
bool anonsection::operator()() { return true; }

envblock::envblock(const std::string& name) : section(name) {}
envblock::envblock(const envblock& other) = default;
envblock::~envblock() = default;

bool envblock::donewentry(envbuilder::entry&) { return true; }
bool envblock::valid() const { return true; }

bool envblock::operator()() {
  if (!valid()) return false;
  envbuilder::observer* const told = watcher();
  // One at a time: each value sees the variables set by the entries before.
  for (const envbuilder::entry& e : *this) {
    locating(
        [&] {
          if (told == nullptr) return putvar(e.name(), expandvar(e.value()));
          const std::string value = expandvar(e.value());
          const std::optional<std::string> before = valuebefore(e.name());
          putvar(e.name(), value);
          told->set({e.name(), before, vornplatform::exacttext(value), *this, e});
        },
        e.line(), name(), e.name());
  }
  return true;
}

}  // namespace vornenv
