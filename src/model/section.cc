#include "support/diagnostics.h"
#include "support/hashindex.h"
#include "vornenv/envbuilder.h"

namespace vornenv {

envbuilder::entry::entry() = default;

envbuilder::entry::entry(const std::string& name, const std::string& value)
    : name_(name), value_(value) {}

envbuilder::entry::entry(const entry& other) = default;

envbuilder::entry& envbuilder::entry::operator=(const entry& other) = default;

envbuilder::entry::~entry() = default;

envbuilder::section::section(const std::string& name) : name_(name) {}

envbuilder::section::section(const section& other) = default;

envbuilder::section::~section() = default;

const envbuilder::entry* envbuilder::section::findentry(std::string_view name) const {
  const std::size_t pos = hashindex::find(index_, name, hashindex::hashof(name),
                                          [this](std::size_t i) { return entries_[i].name(); });
  return pos == hashindex::npos ? nullptr : &entries_[pos];
}

bool envbuilder::section::newentry(const entry& e) { return adoptentry(entry(e)); }

bool envbuilder::section::adoptentry(entry&& e) {
  if (!e.valid()) {
    envfail(e.name() + " --> " + e.value() + " section::newentry - Invalid entry provided!");
  }
  if (findentry(e.name()) != nullptr) {
    envfail(e.name() + " section::newentry - entry already exists!");
  }
  // e is the section's own copy from here on: the hook may rewrite it, and
  // it is stored as the hook leaves it, whatever the hook answers.
  const bool accepted = donewentry(e);
  entries_.push_back(std::move(e));
  const std::size_t pos = entries_.size() - 1;
  hashindex::insert(index_, entries_.size(), pos, hashindex::hashof(entries_[pos].name()));
  return accepted;
}

const envbuilder::entry& envbuilder::section::getentry(const char* name) const {
  if (name == nullptr) return default_;  // a null name matches nothing
  const entry* found = findentry(name);
  return found != nullptr ? *found : default_;
}

}  // namespace vornenv
