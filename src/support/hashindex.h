// An open-addressing hash index over names kept elsewhere.
//
// The index holds, per slot, a 32-bit hash and a position (plus one; zero
// marks an empty slot) into the owner's own sequence of names, so it adds
// 8 bytes a slot and no allocation per name.  Lookups compare hashes first
// and ask the owner for the name at a position only on a hash match.

#ifndef VORNENV_SUPPORT_HASHINDEX_H_
#define VORNENV_SUPPORT_HASHINDEX_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace vornenv::hashindex {

using slots = std::vector<std::uint64_t>;
constexpr std::size_t npos = static_cast<std::size_t>(-1);

inline std::uint32_t hashof(std::string_view name) {
  const std::size_t h = std::hash<std::string_view>()(name);
  return static_cast<std::uint32_t>(h ^ (h >> 32));
}

// The position of name, or npos.  nameat(position) gives the owner's name.
template <class NameAt>
std::size_t find(const slots& s, std::string_view name, std::uint32_t hash, NameAt nameat) {
  if (s.empty()) return npos;
  const std::size_t mask = s.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const std::uint64_t slot = s[i];
    if (slot == 0) return npos;
    const std::size_t pos = static_cast<std::uint32_t>(slot) - 1;
    if (static_cast<std::uint32_t>(slot >> 32) == hash && nameat(pos) == name) return pos;
  }
}

// Adds position pos with its name's hash.  count is the number of positions
// held after this one, which keeps the table at most half full.
inline void insert(slots& s, std::size_t count, std::size_t pos, std::uint32_t hash) {
  if (count * 2 > s.size()) {
    slots grown(s.empty() ? 16 : s.size() * 2, 0);
    const std::size_t mask = grown.size() - 1;
    for (std::uint64_t slot : s) {
      if (slot == 0) continue;
      std::size_t i = static_cast<std::uint32_t>(slot >> 32) & mask;
      while (grown[i] != 0) i = (i + 1) & mask;
      grown[i] = slot;
    }
    s.swap(grown);
  }
  const std::size_t mask = s.size() - 1;
  std::size_t i = hash & mask;
  while (s[i] != 0) i = (i + 1) & mask;
  s[i] = (static_cast<std::uint64_t>(hash) << 32) | static_cast<std::uint32_t>(pos + 1);
}

}  // namespace vornenv::hashindex

#endif  // VORNENV_SUPPORT_HASHINDEX_H_
