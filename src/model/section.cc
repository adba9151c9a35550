#include "vornenv/envbuilder.h"
#include "support/diagnostics.h"

namespace vornenv {

envbuilder::entry::entry() = default;

envbuilder::entry::entry(const std::string& name, const std::string& value)
    : name_(name), value_(value) {}

envbuilder::entry::entry(const entry& other) = default;

envbuilder::entry& envbuilder::entry::operator=(const entry& other) = default;

envbuilder::entry::~entry() = default;

envbuilder::section::section(const std::string& name) : name_(name) {}

// The index points into the entries it was built for, so a copy builds its
// own.
envbuilder::section::section(const section& other)
    : name_(other.name_), entries_(other.entries_), default_(other.default_) {
  index_.reserve(entries_.size());
  for (const entry& e : entries_) index_.emplace(e.name(), &e);
}

envbuilder::section::~section() = default;

bool envbuilder::section::newentry(const entry& e) {
  if (!e.valid()) {
    envfail(e.name() + " --> " + e.value() + " section::newentry - Invalid entry provided!");
  }
  if (index_.count(e.name()) != 0) {
    envfail(e.name() + " section::newentry - entry already exists!");
  }
  entry copy(e);
  const bool accepted = donewentry(copy);
  entries_.push_back(std::move(copy));
  const entry& stored = entries_.back();
  index_.emplace(stored.name(), &stored);
  return accepted;
}

const envbuilder::entry& envbuilder::section::getentry(const char* name) const {
  if (name == nullptr) return default_;  // a null name matches nothing
  auto it = index_.find(std::string_view(name));
  return it != index_.end() ? *it->second : default_;
}

}  // namespace vornenv
