#include "vornenv/envbuilder.h"

#include <algorithm>
#include <cstdint>

#include "support/diagnostics.h"
#include "support/private/hashindex.h"
#include "vornenv/sections.h"

namespace vornenv {

// Handed out for names the builder does not hold: empty, and fit for
// nothing.
class envbuilder::nullsection final : public section {
 public:
  nullsection() : section(std::string()) {}

 private:
  bool donewentry(entry&) override { return false; }
  bool valid() const override { return false; }
  bool operator()() override { return false; }
};

// The sections in file order (a deque: growing moves none of them), and a
// hash index of their positions by name.  A copy of the builder shares the
// section objects: each counts its holders, and the last one deletes it, so
// a section costs no shared pointer and no control block.
struct envbuilder::sectionstore {
  sectionstore() = default;
  sectionstore(const sectionstore& other) : all(other.all), index(other.index) {
    for (section* s : all) s->holders_.fetch_add(1, std::memory_order_relaxed);
  }
  sectionstore& operator=(const sectionstore&) = delete;
  ~sectionstore() {
    for (section* s : all) {
      if (s->holders_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete s;
    }
  }

  // Takes made into the store.
  void adopt(std::unique_ptr<section> made) {
    all.push_back(made.get());
    made.release()->holders_.store(1, std::memory_order_relaxed);
  }

  // The section of that name, or nullptr.
  section* find(std::string_view name) const {
    const std::size_t pos = hashindex::find(index, name, hashindex::hashof(name), nameat{all});
    return pos != hashindex::npos ? all[pos] : nullptr;
  }

  struct nameat {
    const std::deque<section*>& sections;
    std::string_view operator()(std::size_t i) const { return sections[i]->name(); }
  };

  std::deque<section*> all;
  hashindex::slots index;
};

envbuilder::envbuilder(const vornfile::filepath& path)
    : iniparser(path),
      sections_(std::make_unique<sectionstore>()),
      null_(std::make_unique<nullsection>()) {}

envbuilder::envbuilder()
    : sections_(std::make_unique<sectionstore>()), null_(std::make_unique<nullsection>()) {}

envbuilder::envbuilder(const envbuilder& other)
    : iniparser(other),
      sections_(std::make_unique<sectionstore>(*other.sections_)),
      current_(other.current_),
      null_(std::make_unique<nullsection>()) {}

envbuilder::~envbuilder() = default;

const envbuilder::section& envbuilder::getsection(const char* name) const {
  if (name == nullptr) return *null_;  // a null name matches nothing
  const section* found = sections_->find(name);
  return found != nullptr ? *found : *null_;
}

std::vector<std::string> envbuilder::sectionnames() const {
  std::vector<std::string> names;
  names.reserve(sections_->all.size());
  for (const auto& sec : sections_->all) names.push_back(sec->name());
  std::sort(names.begin(), names.end());
  return names;
}

bool envbuilder::beginsection(const char* name) {
  const std::string_view key(name);
  sectionstore& s = *sections_;
  const std::uint32_t hash = hashindex::hashof(key);
  if (hashindex::find(s.index, key, hash, sectionstore::nameat{s.all}) != hashindex::npos) {
    envfail(std::string(key) + " envbuilder::beginsection - failed to insert section!");
  }
  // Room in the index first, so that a section held is always found by name.
  hashindex::reserve(s.index, s.all.size() + 1, sectionstore::nameat{s.all}, true);
  s.adopt(createsection(std::string(key)));
  hashindex::insert(s.index, s.all.size(), s.all.size() - 1, hash, sectionstore::nameat{s.all},
                    true);
  const std::size_t line = currentline();
  s.all.back()->line_ = line <= UINT32_MAX ? static_cast<std::uint32_t>(line) : 0;
  current_ = s.all.back();
  return true;
}

bool envbuilder::endsection() {
  if (current_ == nullptr) envfail("envbuilder::endsection - invalid current section!");
  section& ending = *current_;
  current_ = nullptr;
  // A plain section's action does nothing to tell: watching it would cost
  // each of a million sections the room to hold the observer.
  if (observer_ == nullptr || kindof(ending.name()) == sectionkind::plain) return ending();
  // The section may be shared with a copy of the builder: it sees this
  // builder's observer only while this builder applies it.
  struct watched {
    section& s;
    ~watched() { s.watch(nullptr); }
  } hold{ending};
  ending.watch(observer_);
  return ending();
}

envbuilder::sectionrange envbuilder::sections() const { return sectionrange(sections_->all); }

envbuilder::observer::~observer() = default;
void envbuilder::observer::set(const setting&) {}
void envbuilder::observer::merged(const merge&) {}

bool envbuilder::newentry(const char* name, const char* value) {
  if (current_ == nullptr) envfail("envbuilder::newentry - invalid current section!");
  return current_->adoptentry(name, value, currentline());
}

sectionkind kindof(std::string_view name) {
  for (const namedkind& k : namedkinds) {
    if (name == k.name) return k.kind;
  }
  return sectionkind::plain;
}

std::unique_ptr<envbuilder::section> envbuilder::createsection(const std::string& name) const {
  switch (kindof(name)) {
    case sectionkind::environment:
      return std::make_unique<envblock>(name);
    case sectionkind::executablepaths:
      return std::make_unique<pathlist>("PATH", name);
    case sectionkind::librarypaths:
      return std::make_unique<libpathlist>(name);
    case sectionkind::plain:
      break;
  }
  return std::make_unique<anonsection>(name);
}

}  // namespace vornenv
