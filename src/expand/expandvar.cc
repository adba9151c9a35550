#include "vornenv/expandvar.h"

#include <deque>
#include <optional>
#include <string_view>
#include <unordered_set>

#include "support/diagnostics.h"
#include "vornplatform/vornplatform.h"

namespace vornenv {

namespace {

// One text being expanded: the caller's text at the bottom, above it the
// value of each variable whose reference is being expanded, innermost on
// top.  Walking the stack instead of recursing keeps chains of any depth
// off the machine stack.
struct varframe {
  std::string owned;        // the variable's value; unused for the caller's text
  const std::string* text;  // what is scanned
  std::size_t pos;          // where scanning goes on
  std::string varname;      // empty for the caller's text, which is never compared
};

// Looks variables up for one expansion.  The platform searches the whole
// environment for every lookup, so an expansion that makes many switches to
// a copy indexed once; expandvar writes no variable, so within one call the
// copy answers exactly as the environment would.
class varlookup {
 public:
  std::string operator()(const std::string& name) {
    if (!snapshot_ && ++lookups_ > kdirectlookups) snapshot_.emplace();
    return snapshot_ ? snapshot_->get(name).str() : vornplatform::getenvvar(name).str();
  }

 private:
  static constexpr int kdirectlookups = 32;
  int lookups_ = 0;
  std::optional<vornplatform::envsnapshot> snapshot_;
};

}  // namespace

std::string expandvar(const std::string& text) {
  // Most texts hold no reference at all: they come back as they are, before
  // any of the bookkeeping below is set up.
  const std::size_t first = text.find("$(");
  if (first == std::string::npos || text.find(')', first) == std::string::npos) return text;

  std::string out;
  // A deque keeps frames in place as it grows, so active can view their
  // names: exactly the variables being expanded at this moment.
  std::deque<varframe> stack;
  std::unordered_set<std::string_view> active;
  varlookup lookup;
  stack.push_back({std::string(), &text, 0, std::string()});

  while (!stack.empty()) {
    varframe& top = stack.back();
    const std::string& t = *top.text;
    const std::size_t open = t.find("$(", top.pos);
    std::size_t close = std::string::npos;
    if (open != std::string::npos) close = t.find(')', open);
    if (close == std::string::npos) {
      // No further reference (an unterminated one is plain text).
      out.append(t, top.pos, std::string::npos);
      if (stack.size() > 1) active.erase(top.varname);
      stack.pop_back();
      continue;
    }
    out.append(t, top.pos, open - top.pos);
    top.pos = close + 1;
    std::string name = t.substr(open + 2, close - open - 2);
    // The self-reference test comes before the lookup.
    if (active.count(name) != 0) {
      envfail("'" + name + "' this variable recursively refers to it's self, failed expansion!");
    }
    std::string value = lookup(name);
    if (value.empty()) envfail("'" + name + "' envvar is not set yet!");
    varframe& child = stack.emplace_back();
    child.owned = std::move(value);
    child.text = &child.owned;
    child.pos = 0;
    child.varname = std::move(name);
    active.insert(child.varname);
  }
  return out;
}

}  // namespace vornenv
