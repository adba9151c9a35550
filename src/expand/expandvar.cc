#include "vornenv/expandvar.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <optional>
#include <string_view>
#include <vector>

#include "support/diagnostics.h"
#include "support/private/hashindex.h"
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
    return getvar(name, snapshot_ ? &*snapshot_ : nullptr);
  }

 private:
  static constexpr int kdirectlookups = 32;
  int lookups_ = 0;
  std::optional<vornplatform::envsnapshot> snapshot_;
};

// The names being expanded, for the self-reference test: a hash index of the
// frames above the bottom one.  Frames come and go last in, first out, so
// the one that leaves is always the last one added, and emptying its slot
// cuts no other name's probe short: every name added after it, whose probe
// may have passed over its slot, is gone already.  Growing adds the frames
// again in the same order, which keeps that true.  (A std::unordered_set
// here costs a 100,000-deep chain a quarter more instructions.)
class activenames {
 public:
  explicit activenames(const std::deque<varframe>& frames) : frames_(frames) {}

  bool contains(std::string_view name) const {
    return hashindex::find(slots_, name, hashindex::hashof(name), nameat{frames_}) !=
           hashindex::npos;
  }
  // Adds the frame at pos, the top one (pos > 0).
  void add(std::size_t pos) {
    if (2 * pos > slots_.size()) {
      slots_.assign(std::max<std::size_t>(16, 2 * slots_.size()), 0);
      for (std::size_t p = 1; p < pos; ++p) place(p);
    }
    place(pos);
  }
  // Takes the frame at pos, the last one added, out again.
  void remove(std::size_t pos) {
    hashindex::eraselast(slots_, pos - 1, hashindex::hashof(frames_[pos].varname));
  }

 private:
  // Index positions are frame positions less one: the bottom frame has none.
  struct nameat {
    const std::deque<varframe>& frames;
    std::string_view operator()(std::size_t i) const { return frames[i + 1].varname; }
  };

  // The table has room: insert() never rebuilds it in another order.
  void place(std::size_t pos) {
    hashindex::insert(slots_, pos, pos - 1, hashindex::hashof(frames_[pos].varname),
                      nameat{frames_});
  }

  const std::deque<varframe>& frames_;
  hashindex::slots slots_;
};

// Stops an expansion whose text outgrows the longest value a variable can
// hold, which references that double at each level would otherwise reach
// only after exhausting memory.  Measuring a text may mean converting it, so
// it is measured only once it has more bytes than surely fit.
class lengthbound {
 public:
  lengthbound() : limit_(vornplatform::longestvalue()), checkat_(limit_) {}

  bool fits(std::string_view text) {
    if (text.size() <= checkat_) return true;
    const std::size_t length = vornplatform::valuelength(text);
    if (length > limit_) return false;
    // Every unit takes a byte at least: this many more bytes still fit.
    checkat_ = text.size() + (limit_ - length);
    return true;
  }

 private:
  std::size_t limit_;
  std::size_t checkat_;
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
  activenames active(stack);
  varlookup lookup;
  lengthbound bound;
  // The reference of the caller's text being expanded, or the last one: what
  // a text grown too long is blamed on.
  std::string outer = text.substr(first + 2, text.find(')', first) - first - 2);
  const auto checklength = [&] {
    if (!bound.fits(out)) {
      envfail(error::kind::limit,
              "'" + outer + "' expansion is longer than an environment variable can hold!");
    }
  };
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
      checklength();
      if (stack.size() > 1) active.remove(stack.size() - 1);
      stack.pop_back();
      continue;
    }
    out.append(t, top.pos, open - top.pos);
    checklength();
    top.pos = close + 1;
    std::string name = t.substr(open + 2, close - open - 2);
    // The self-reference test comes before the lookup.
    if (active.contains(name)) {
      envfail(errorplace::about(
          error(error::kind::selfreference,
                "'" + name + "' this variable recursively refers to it's self, failed expansion!"),
          name));
    }
    std::string value = lookup(name);
    if (value.empty()) {
      envfail(errorplace::about(error(error::kind::unset, "'" + name + "' envvar is not set yet!"),
                                name));
    }
    if (stack.size() == 1) outer = name;
    varframe& child = stack.emplace_back();
    child.owned = std::move(value);
    child.text = &child.owned;
    child.pos = 0;
    child.varname = std::move(name);
    active.add(stack.size() - 1);
  }
  return out;
}

}  // namespace vornenv
