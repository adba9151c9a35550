// An open-addressing hash index over names kept elsewhere.
//
// Each slot holds a position (plus one; zero marks an empty slot) into the
// owner's own sequence of names, so the index adds 4 bytes a slot and no
// allocation per name.  The table is at most half full, so a lookup meets
// few occupied slots, and each costs one name comparison, which almost
// always stops at the first bytes.

#ifndef VORNENV_SUPPORT_HASHINDEX_H_
#define VORNENV_SUPPORT_HASHINDEX_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace vornenv::hashindex {

using slots = std::vector<std::uint32_t>;
constexpr std::size_t npos = static_cast<std::size_t>(-1);

// A fast hash of short names: eight bytes at a time, multiply and fold.
inline std::uint32_t hashof(std::string_view name) {
  constexpr std::uint64_t kmul = 0x9E3779B97F4A7C15ull;
  std::uint64_t h = name.size() * kmul;
  const char* p = name.data();
  std::size_t n = name.size();
  for (; n >= 8; p += 8, n -= 8) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    h = (h ^ w) * kmul;
    h ^= h >> 29;
  }
  if (n != 0) {
    std::uint64_t w = 0;
    std::memcpy(&w, p, n);
    h = (h ^ w) * kmul;
    h ^= h >> 29;
  }
  h *= kmul;
  return static_cast<std::uint32_t>(h >> 32);
}

// The position of name, or npos.  nameat(position) gives the owner's name.
template <class NameAt>
std::size_t find(const slots& s, std::string_view name, std::uint32_t hash, NameAt nameat) {
  if (s.empty()) return npos;
  const std::size_t mask = s.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const std::uint32_t slot = s[i];
    if (slot == 0) return npos;
    if (nameat(slot - 1) == name) return slot - 1;
  }
}

// Rebuilds the table with room for count positions, at most half full.
template <class NameAt>
void reserve(slots& s, std::size_t count, NameAt nameat) {
  std::size_t size = s.empty() ? 16 : s.size();
  while (count * 2 > size) size *= 2;
  if (size == s.size()) return;
  slots grown(size, 0);
  const std::size_t mask = size - 1;
  for (std::uint32_t slot : s) {
    if (slot == 0) continue;
    std::size_t i = hashof(nameat(slot - 1)) & mask;
    while (grown[i] != 0) i = (i + 1) & mask;
    grown[i] = slot;
  }
  s.swap(grown);
}

// Adds position pos, whose name has the given hash.  count is the number of
// positions held after this one; the table doubles to stay at most half full.
template <class NameAt>
void insert(slots& s, std::size_t count, std::size_t pos, std::uint32_t hash, NameAt nameat) {
  if (count * 2 > s.size()) reserve(s, count, nameat);
  const std::size_t mask = s.size() - 1;
  std::size_t i = hash & mask;
  while (s[i] != 0) i = (i + 1) & mask;
  s[i] = static_cast<std::uint32_t>(pos + 1);
}

}  // namespace vornenv::hashindex

#endif  // VORNENV_SUPPORT_HASHINDEX_H_
