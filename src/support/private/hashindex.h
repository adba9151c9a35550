// An open-addressing hash index over names kept elsewhere.
//
// Each slot holds a position (plus one; zero marks an empty slot) into the
// owner's own sequence of names, so the index adds 4 bytes a slot and no
// allocation per name.  The table is at most half full, so a lookup meets
// few occupied slots, and each costs one name comparison, which almost
// always stops at the first bytes.  A dense table, for the sets that live
// as long as the whole file (every section's name), may be three quarters
// full: 1.2 million names then take 2^21 slots, not 2^22, for a few more
// probes.

#ifndef VORNENV_SUPPORT_PRIVATE_HASHINDEX_H_
#define VORNENV_SUPPORT_PRIVATE_HASHINDEX_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace vornenv::hashindex {

using slots = std::vector<std::uint32_t>;
constexpr std::size_t npos = static_cast<std::size_t>(-1);

// A fast hash of names and paths: two lanes of eight bytes, one multiply
// each a step, mixed once at the end, so long texts keep short dependency
// chains.
inline std::uint32_t hashof(std::string_view name) {
  constexpr std::uint64_t kmul = 0x9E3779B97F4A7C15ull;
  constexpr std::uint64_t kmul2 = 0xC2B2AE3D27D4EB4Full;
  std::uint64_t a = name.size(), b = 0;
  const char* p = name.data();
  std::size_t n = name.size();
  for (; n >= 16; p += 16, n -= 16) {
    std::uint64_t w1, w2;
    std::memcpy(&w1, p, 8);
    std::memcpy(&w2, p + 8, 8);
    a = (a + w1) * kmul;
    b = (b + w2) * kmul2;
  }
  if (n >= 8) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    a = (a + w) * kmul;
    p += 8;
    n -= 8;
  }
  if (n != 0) {
    std::uint64_t w = 0;
    std::memcpy(&w, p, n);
    b = (b + w) * kmul2;
  }
  std::uint64_t h = a ^ (b >> 32 | b << 32);
  h ^= h >> 29;
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

// Whether a table of size slots holds count positions.
inline bool fits(std::size_t count, std::size_t size, bool dense) {
  return dense ? count * 4 <= size * 3 : count * 2 <= size;
}

// Rebuilds the table with room for count positions.
template <class NameAt>
void reserve(slots& s, std::size_t count, NameAt nameat, bool dense = false) {
  std::size_t size = s.empty() ? 16 : s.size();
  while (!fits(count, size, dense)) size *= 2;
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
// positions held after this one; the table doubles to stay within its
// load (dense: see above).
template <class NameAt>
void insert(slots& s, std::size_t count, std::size_t pos, std::uint32_t hash, NameAt nameat,
            bool dense = false) {
  if (!fits(count, s.size(), dense)) reserve(s, count, nameat, dense);
  const std::size_t mask = s.size() - 1;
  std::size_t i = hash & mask;
  while (s[i] != 0) i = (i + 1) & mask;
  s[i] = static_cast<std::uint32_t>(pos + 1);
}

// Takes position pos, whose name has the given hash, out again.  Only for
// the position added last: emptying its slot cuts short no probe of a
// position added before it.
inline void eraselast(slots& s, std::size_t pos, std::uint32_t hash) {
  const std::size_t mask = s.size() - 1;
  std::size_t i = hash & mask;
  while (s[i] != pos + 1) i = (i + 1) & mask;
  s[i] = 0;
}

}  // namespace vornenv::hashindex

#endif  // VORNENV_SUPPORT_PRIVATE_HASHINDEX_H_
