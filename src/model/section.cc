#include <cstdint>
#include <mutex>
#include <string_view>
#include <unordered_map>

#include "support/diagnostics.h"
#include "support/private/nodestructor.h"
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

// A deque keeps entries in place as it grows, so references handed out stay
// valid, and so do the views of their names that the index holds.  The
// index covers the first indexed entries and keeps the duplicate test and
// lookups constant-time for sections of any size; entries after those (only
// those the builder adds after a lookup) are searched one by one.  It is
// built by the first lookup, once even when threads race to it, so that a
// host that only applies a file never pays for it: built with every entry,
// it costs reading a large file a third more time and memory.  A copy
// builds its own.
struct envbuilder::section::store {
  store() = default;
  explicit store(const std::deque<entry>& from) : entries(from) {}

  // Adds the entries not yet indexed to the index.
  void indextail();

  std::deque<entry> entries;
  std::unordered_map<std::string_view, std::size_t> index;
  std::size_t indexed = 0;
  std::once_flag indexonce;
  // Here rather than in the section: a million empty sections pay nothing
  // for it.
  observer* watching = nullptr;
};

envbuilder::section::section(const std::string& name) : name_(name) {}

envbuilder::section::section(const section& other)
    : name_(other.name_),
      store_(other.store_ ? std::make_unique<store>(other.store_->entries) : nullptr),
      line_(other.line_) {}

envbuilder::section::~section() = default;

envbuilder::observer* envbuilder::section::watcher() const {
  return store_ ? store_->watching : nullptr;
}

void envbuilder::section::watch(observer* o) {
  if (o != nullptr) {
    entries().watching = o;
  } else if (store_) {
    store_->watching = nullptr;
  }
}

envbuilder::section::const_iterator envbuilder::section::begin() const {
  // Value-initialised positions compare equal: an empty range.
  return store_ ? store_->entries.cbegin() : const_iterator();
}

envbuilder::section::const_iterator envbuilder::section::end() const {
  return store_ ? store_->entries.cend() : const_iterator();
}

envbuilder::section::store& envbuilder::section::entries() {
  if (!store_) store_ = std::make_unique<store>();
  return *store_;
}

namespace {

// What getentry() gives for a name no section holds: one object for every
// section, as it never changes.
const envbuilder::entry& defaultentry() {
  static vornsupport::nodestructor<envbuilder::entry> empty;
  return *empty.get();
}

}  // namespace

const envbuilder::entry* envbuilder::section::findentry(std::string_view name) const {
  // Entries are added only while the section is read, never during lookups.
  if (!store_) return nullptr;
  store& s = *store_;
  // Only the first lookup writes, and std::call_once makes any other wait
  // for it: lookups stay safe from several threads, as reads should be.
  std::call_once(s.indexonce, [&s] { s.indextail(); });
  const auto found = s.index.find(name);
  if (found != s.index.end()) return &s.entries[found->second];
  for (std::size_t i = s.indexed; i < s.entries.size(); ++i) {
    if (s.entries[i].name() == name) return &s.entries[i];
  }
  return nullptr;
}

void envbuilder::section::store::indextail() {
  index.reserve(entries.size());
  for (; indexed < entries.size(); ++indexed) index.emplace(entries[indexed].name(), indexed);
}

namespace {

// Both ways in refuse an entry with neither name nor value.
void requirevalid(const envbuilder::entry& e) {
  if (!e.valid()) {
    envfail(error::kind::emptyside,
            e.name() + " --> " + e.value() + " section::newentry - Invalid entry provided!");
  }
}

}  // namespace

bool envbuilder::section::newentry(const entry& e) {
  requirevalid(e);
  if (findentry(e.name()) != nullptr) {
    envfail(error::kind::duplicate, e.name() + " section::newentry - entry already exists!");
  }
  // The section's own copy: the hook may rewrite it, and it is stored as
  // the hook leaves it, whatever the hook answers.
  entry copy(e);
  const bool accepted = donewentry(copy);
  store& s = entries();
  s.entries.push_back(std::move(copy));
  s.indextail();
  return accepted;
}

bool envbuilder::section::adoptentry(const char* name, const char* value, std::size_t line) {
  // Built where it is stored, and taken back out if the hook throws.
  store& s = entries();
  entry& e = s.entries.emplace_back(name, value, line, entry::adopt());
  try {
    requirevalid(e);
    const bool accepted = donewentry(e);
    // A hook that rewrites the entry builds a new one, which knows no line.
    e.line_ = storedline(line);
    return accepted;
  } catch (...) {
    s.entries.pop_back();
    throw;
  }
}

const envbuilder::entry& envbuilder::section::getentry(const char* name) const {
  if (name == nullptr) return defaultentry();  // a null name matches nothing
  const entry* found = findentry(name);
  return found != nullptr ? *found : defaultentry();
}

}  // namespace vornenv
