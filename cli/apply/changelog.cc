#include "cli/apply/changelog.h"

#include "cli/os/errors.h"
#include "cli/os/platform.h"
#include "cli/os/printable.h"

namespace vornenv::cli {

void changelog::set(const setting& s) { note(s.name, s.before, s.after); }

void changelog::merged(const merge& m) {
  // An empty list removes the variable.
  note(m.variable, m.before, m.after.empty() ? std::nullopt : std::optional<std::string>(m.after));
}

void changelog::put(const std::string& name, const std::optional<std::string>& value) {
  put(name, value, getenvexact(name));
}

void changelog::put(const std::string& name, const std::optional<std::string>& value,
                    const std::optional<std::string>& before) {
  if (!setenvexact(name, value)) throw failure("cannot set " + printable(name));
  note(name, before, value);
}

void changelog::absorb(const changelog& other) {
  for (const auto& [key, d] : other.changed_) note(d.name, d.before, d.after);
}

void changelog::note(const std::string& name, const std::optional<std::string>& before,
                     const std::optional<std::string>& after) {
  auto [it, first] = changed_.try_emplace(envkey(name), difference{name, before, after});
  if (first) return;
  it->second.name = name;
  it->second.after = after;
}

std::vector<difference> changelog::changes() const {
  std::vector<difference> out;
  for (const auto& [key, d] : changed_) {
    if (d.before != d.after) out.push_back(d);
  }
  return out;
}

void changelog::undo() {
  bool ok = true;
  for (const auto& [key, d] : changed_) ok = setenvexact(d.name, d.before) && ok;
  changed_.clear();
  if (!ok) throw failure("cannot put the starting environment back");
}

}  // namespace vornenv::cli
