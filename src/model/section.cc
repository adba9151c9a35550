#include <algorithm>
#include <atomic>
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
    // The first lookup builds the index under the lock; the flag lets every
    // later one skip it.  Not std::call_once: mingw's leaves its flag locked
    // when the call throws (bad_alloc), and every later lookup would hang.
    std::mutex building;
    std::atomic<bool> built{false};
    observer* watching = nullptr;
  };

  store() = default;
  store(const store&) = delete;
  store& operator=(const store&) = delete;
  ~store() {
    while (count != 0) pop();
    delete[] table;
    delete extras.load(std::memory_order_relaxed);
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

  // Destroys the last entry, and its chunk when it was the chunk's first;
  // the index lets go of it first, if it holds it (a hook that looked its
  // section up, then threw).
  void pop() {
    extra* x = extras.load(std::memory_order_acquire);
    if (x != nullptr && x->indexed == count) {
      hashindex::eraselast(x->index, count - 1, hashindex::hashof(at(count - 1).name()));
      --x->indexed;
    }
    at(count - 1).~entry();
    --count;
    if (count != 0 && (count - 1) % kchunk == 0) dropchunk((count - 1) / kchunk);
  }

  // The extra part, made once: a thread that loses the race to publish it
  // frees its own.
  extra& more() {
    extra* x = extras.load(std::memory_order_acquire);
    if (x != nullptr) return *x;
    auto made = std::make_unique<extra>();
    if (extras.compare_exchange_strong(x, made.get(), std::memory_order_acq_rel)) {
      return *made.release();
    }
    return *x;
  }

  // The name at position i, for the index.
  auto nameat() {
    return [this](std::size_t i) -> std::string_view { return at(i).name(); };
  }

  // Adds the entries not yet indexed to the index; a failure leaves what
  // was added, and a later call goes on from there.
  void indextail() {
    extra& x = more();
    for (; x.indexed < count; ++x.indexed) {
      const std::string& name = at(x.indexed).name();
      hashindex::insert(x.index, x.indexed + 1, x.indexed, hashindex::hashof(name), nameat());
    }
  }

  // The index of every entry, built by the first caller.
  extra& indexed() {
    extra& x = more();
    if (!x.built.load(std::memory_order_acquire)) {
      const std::lock_guard<std::mutex> hold(x.building);
      if (!x.built.load(std::memory_order_relaxed)) {
        indextail();
        x.built.store(true, std::memory_order_release);
      }
    }
    return x;
  }

  std::size_t count = 0;
  std::atomic<extra*> extras{nullptr};
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
  const store::extra* x = store_ ? store_->extras.load(std::memory_order_acquire) : nullptr;
  return x != nullptr ? x->watching : nullptr;
}

void envbuilder::section::watch(observer* o) {
  if (o != nullptr) {
    entries().more().watching = o;
  } else if (store::extra* x = store_ ? store_->extras.load() : nullptr) {
    x->watching = nullptr;
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
  // Only the first lookup writes, and its lock makes any other wait for
  // it: lookups stay safe from several threads, as reads should be.
  store::extra& x = s.indexed();
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
  // Room in the index first: once stored, the entry is indexed with
  // nothing left that can fail.
  hashindex::reserve(s.indexed().index, s.count + 1, s.nameat());
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
