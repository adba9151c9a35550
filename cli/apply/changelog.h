// The one record of what applying files changed in this process's
// environment: the library tells it each variable it sets and each path
// list it merges (an observer of the builders), and the host adds its own
// changes through put().  export, show, check, explain's totals, the
// prompt and the hook all go by it; nothing compares snapshots.

#ifndef VORNENV_CLI_APPLY_CHANGELOG_H_
#define VORNENV_CLI_APPLY_CHANGELOG_H_

#include <vornenv/vornenv.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vornenv::cli {

// A variable whose value changed: std::nullopt where it is not set.
struct difference {
  std::string name;
  std::optional<std::string> before, after;
};

class changelog : public envbuilder::observer {
 public:
  void set(const setting& s) override;
  void merged(const merge& m) override;

  // Sets name to value (removes it for std::nullopt) and notes the change.
  // Throws failure when the platform refuses.
  void put(const std::string& name, const std::optional<std::string>& value);
  // The same for a caller that knows the variable's value now (before).
  void put(const std::string& name, const std::optional<std::string>& value,
           const std::optional<std::string>& before);

  // Takes over what other noted, as though it had been noted here after
  // what this log holds.
  void absorb(const changelog& other);

  // The variables whose value now differs from the one before their first
  // change, in the order of their keys (envkey()), as the platform spells
  // them when they were last set.
  std::vector<difference> changes() const;

  // Gives every variable noted its value from before back and forgets
  // them.  Throws failure when the platform refuses one.
  void undo();

 private:
  void note(const std::string& name, const std::optional<std::string>& before,
            const std::optional<std::string>& after);

  std::map<std::string, difference> changed_;  // by envkey()
};

}  // namespace vornenv::cli

#endif  // VORNENV_CLI_APPLY_CHANGELOG_H_
