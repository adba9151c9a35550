#include <algorithm>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <string_view>
#include <utility>

#include "support/diagnostics.h"
#include "support/private/hashindex.h"
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

// The entries: the first in the store itself, so that a section of one
// entry makes one allocation for it, and the others in chunks of eight that
// never move, found through a table of chunks.  Compared with a deque, whose
// first node alone is 512 bytes, a small section costs what it holds, and a
// large one wastes at most seven places.
//
// The lookup index, built by the first lookup (once, even when threads race
// to it), holds positions, so nothing it holds moves.  It covers the first
// indexed entries and keeps the duplicate test and lookups constant-time
// for sections of any size; entries after those (only those added after a
// lookup) are searched one by one.  A host that only applies a file never
// pays for it: built with every entry, it costs reading a large file a
// third more time and memory.  A copy builds its own.
struct envbuilder::section::store {
  static constexpr std::size_t kchunk = 8;

  // What only some sections need: the index and the observer of the apply
  // that is running the section's action.
  struct extra {
    hashindex::slots index;
    std::size_t indexed = 0;
    std::once_flag indexonce;
    observer* watching = nullptr;
  };

  store() = default;
  store(const store&) = delete;
  store& operator=(const store&) = delete;
  ~store() {
    while (count != 0) pop();
    delete[] table;
  }

  entry& at(std::size_t i) {
    if (i == 0) return *std::launder(reinterpret_cast<entry*>(first));
    --i;
    return table[i / kchunk][i % kchunk];
  }

  // Builds an entry at the end from args; nothing changes if that throws.
  template <class... Args>
  entry& push(Args&&... args) {
    if (count == 0) {
      entry* e = new (first) entry(std::forward<Args>(args)...);
      count = 1;
      return *e;
    }
    const std::size_t c = (count - 1) / kchunk, i = (count - 1) % kchunk;
    if (i == 0) makechunk(c);
    try {
      entry* e = new (&table[c][i]) entry(std::forward<Args>(args)...);
      ++count;
      return *e;
    } catch (...) {
      if (i == 0) dropchunk(c);
      throw;
    }
  }

  // Destroys the last entry, and its chunk when it was the chunk's first.
  void pop() {
    at(count - 1).~entry();
    --count;
    if (count != 0 && (count - 1) % kchunk == 0) dropchunk((count - 1) / kchunk);
  }

  // The extra part, made once.
  extra& more() {
    std::call_once(moreonce, [this] { extras = std::make_unique<extra>(); });
    return *extras;
  }

  // Adds the entries not yet indexed to the index.
  void indextail() {
    extra& x = more();
    const auto nameat = [this](std::size_t i) -> std::string_view { return at(i).name(); };
    for (; x.indexed < count; ++x.indexed) {
      const std::string& name = at(x.indexed).name();
      hashindex::insert(x.index, x.indexed + 1, x.indexed, hashindex::hashof(name), nameat);
    }
  }

  std::size_t count = 0;
  std::once_flag moreonce;
  std::unique_ptr<extra> extras;
  // The chunks of the entries after the first.  The table has room for a
  // power of two of them and doubles when a chunk does not fit, so its size
  // follows from the count and is not stored.
  entry** table = nullptr;
  alignas(entry) unsigned char first[sizeof(entry)];

 private:
  // Makes chunk c, and a larger table first when c is 0 or a power of two.
  void makechunk(std::size_t c) {
    if ((c & (c - 1)) == 0) {
      auto larger = std::make_unique<entry*[]>(c == 0 ? 1 : 2 * c);
      std::copy(table, table + c, larger.get());
      delete[] table;
      table = larger.release();
    }
    table[c] = static_cast<entry*>(::operator new(kchunk * sizeof(entry)));
  }

  void dropchunk(std::size_t c) {
    ::operator delete(table[c]);
    table[c] = nullptr;
  }
};

envbuilder::section::section(const std::string& name) : name_(name) {}

envbuilder::section::section(const section& other) : name_(other.name_), line_(other.line_) {
  if (!other.store_) return;
  store_ = std::make_unique<store>();
  for (std::size_t i = 0; i < other.store_->count; ++i) store_->push(other.store_->at(i));
}

envbuilder::section::~section() = default;

envbuilder::observer* envbuilder::section::watcher() const {
  return store_ && store_->extras ? store_->extras->watching : nullptr;
}

void envbuilder::section::watch(observer* o) {
  if (o != nullptr) {
    entries().more().watching = o;
  } else if (store_ && store_->extras) {
    store_->extras->watching = nullptr;
  }
}

const envbuilder::entry& envbuilder::section::entryat(std::size_t i) const { return store_->at(i); }

envbuilder::section::const_iterator envbuilder::section::begin() const {
  return const_iterator(this, 0);
}

envbuilder::section::const_iterator envbuilder::section::end() const {
  return const_iterator(this, store_ ? store_->count : 0);
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
  store::extra& x = s.more();
  std::call_once(x.indexonce, [&s] { s.indextail(); });
  const std::size_t found =
      hashindex::find(x.index, name, hashindex::hashof(name),
                      [&s](std::size_t i) -> std::string_view { return s.at(i).name(); });
  if (found != hashindex::npos) return &s.at(found);
  for (std::size_t i = x.indexed; i < s.count; ++i) {
    if (s.at(i).name() == name) return &s.at(i);
  }
  return nullptr;
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
  s.push(std::move(copy));
  s.indextail();
  return accepted;
}

bool envbuilder::section::adoptentry(const char* name, const char* value, std::size_t line) {
  // Built where it is stored, and taken back out if the hook throws.
  store& s = entries();
  entry& e = s.push(name, value, line, entry::adopt());
  try {
    requirevalid(e);
    const bool accepted = donewentry(e);
    // A hook that rewrites the entry builds a new one, which knows no line.
    e.line_ = storedline(line);
    return accepted;
  } catch (...) {
    s.pop();
    throw;
  }
}

const envbuilder::entry& envbuilder::section::getentry(const char* name) const {
  if (name == nullptr) return defaultentry();  // a null name matches nothing
  const entry* found = findentry(name);
  return found != nullptr ? *found : defaultentry();
}

}  // namespace vornenv
