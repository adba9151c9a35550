#include <cstdint>

#include "support/diagnostics.h"
#include "support/hashindex.h"
#include "vornenv/envbuilder.h"

namespace vornenv {

namespace {

// A line past 32 bits is not kept: 0, unknown, rather than a wrong number.
std::uint32_t storedline(std::size_t line) {
  return line <= UINT32_MAX ? static_cast<std::uint32_t>(line) : 0;
}

}  // namespace

envbuilder::entry::entry() = default;

envbuilder::entry::entry(const std::string& name, const std::string& value)
    : name_(name), value_(value) {}

envbuilder::entry::entry(const char* name, const char* value, std::size_t line, adopt)
    : name_(name), value_(value), line_(storedline(line)) {}

envbuilder::entry::entry(const entry& other) = default;

envbuilder::entry::entry(entry&& other) noexcept = default;

envbuilder::entry& envbuilder::entry::operator=(const entry& other) = default;

envbuilder::entry& envbuilder::entry::operator=(entry&& other) noexcept = default;

envbuilder::entry::~entry() = default;

envbuilder::section::section(const std::string& name) : name_(name) {}

envbuilder::section::section(const section& other)
    : name_(other.name_), entries_(other.entries_), default_(other.default_), line_(other.line_) {}

envbuilder::section::~section() = default;

namespace {

// The name at a position of a section's entries, for the index.
struct nameat {
  const std::deque<envbuilder::entry>& entries;
  std::string_view operator()(std::size_t i) const { return entries[i].name(); }
};

}  // namespace

const envbuilder::entry* envbuilder::section::findentry(std::string_view name) const {
  // Only the first lookup writes, and std::call_once makes any other wait
  // for it: lookups stay safe from several threads, as reads should be.
  std::call_once(indexonce_, [this] { indextail(); });
  const std::size_t pos = hashindex::find(index_, name, hashindex::hashof(name), nameat{entries_});
  if (pos != hashindex::npos) return &entries_[pos];
  for (std::size_t i = indexed_; i < entries_.size(); ++i) {
    if (entries_[i].name() == name) return &entries_[i];
  }
  return nullptr;
}

void envbuilder::section::indextail() const {
  hashindex::reserve(index_, entries_.size(), nameat{entries_});
  for (; indexed_ < entries_.size(); ++indexed_) {
    hashindex::insert(index_, indexed_ + 1, indexed_, hashindex::hashof(entries_[indexed_].name()),
                      nameat{entries_});
  }
}

bool envbuilder::section::newentry(const entry& e) {
  if (!e.valid()) {
    envfail(error::kind::emptyside,
            e.name() + " --> " + e.value() + " section::newentry - Invalid entry provided!");
  }
  if (findentry(e.name()) != nullptr) {
    envfail(error::kind::duplicate, e.name() + " section::newentry - entry already exists!");
  }
  // The section's own copy: the hook may rewrite it, and it is stored as
  // the hook leaves it, whatever the hook answers.
  entry copy(e);
  const bool accepted = donewentry(copy);
  entries_.push_back(std::move(copy));
  indextail();
  return accepted;
}

bool envbuilder::section::adoptentry(const char* name, const char* value, std::size_t line) {
  // Built where it is stored, and taken back out if the hook throws.
  entry& e = entries_.emplace_back(name, value, line, entry::adopt());
  try {
    if (!e.valid()) {
      envfail(error::kind::emptyside,
              e.name() + " --> " + e.value() + " section::newentry - Invalid entry provided!");
    }
    const bool accepted = donewentry(e);
    // A hook that rewrites the entry builds a new one, which knows no line.
    e.line_ = storedline(line);
    return accepted;
  } catch (...) {
    entries_.pop_back();
    throw;
  }
}

const envbuilder::entry& envbuilder::section::getentry(const char* name) const {
  if (name == nullptr) return default_;  // a null name matches nothing
  const entry* found = findentry(name);
  return found != nullptr ? *found : default_;
}

}  // namespace vornenv
