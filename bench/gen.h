// A deterministic generator of description files for the benchmarks: plain
// sections of entries with realistic name and value lengths, a comment and
// a blank line now and then, LF or CRLF line ends.

#ifndef VORNENV_BENCH_GEN_H_
#define VORNENV_BENCH_GEN_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace vornenv::bench {

// About `bytes` bytes of description file, the same text for the same
// arguments on every run.
inline std::string generateini(std::size_t bytes, bool crlf, std::uint32_t seed = 1) {
  const char* eol = crlf ? "\r\n" : "\n";
  std::uint32_t state = seed;
  auto next = [&state]() {  // xorshift32: fixed across platforms
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  };
  auto word = [&](std::size_t min, std::size_t spread) {
    std::string w;
    const std::size_t n = min + next() % spread;
    for (std::size_t i = 0; i < n; ++i) w += static_cast<char>('a' + next() % 26);
    return w;
  };
  std::string out;
  out.reserve(bytes + 256);
  int section = 0;
  while (out.size() < bytes) {
    out += "[section_" + std::to_string(section++) + "_" + word(4, 8) + "]" + eol;
    const int entries = 50 + static_cast<int>(next() % 100);
    for (int e = 0; e < entries && out.size() < bytes; ++e) {
      if (next() % 16 == 0) out += std::string("; ") + word(10, 40) + eol;
      if (next() % 16 == 0) out += eol;
      out += word(6, 14) + "_" + std::to_string(e) + " = " + word(10, 50) + "/" + word(3, 12) + eol;
    }
  }
  return out;
}

// About `bytes` bytes of a file of one odd shape, the shapes that once made
// memory grow far past the file's size:
//   "empty"        empty sections ([s0], [s1], ...)
//   "one-entry"    sections of one entry ([s0] / k = v)
//   "one-section"  one section of numbered entries (k0 = v, k1 = v, ...)
// and "" for generateini()'s typical file.  Empty for an unknown shape.
inline std::string generateshape(const std::string& shape, std::size_t bytes, bool crlf) {
  if (shape.empty() || shape == "typical") return generateini(bytes, crlf);
  const std::string eol = crlf ? "\r\n" : "\n";
  std::string out;
  out.reserve(bytes + 64);
  if (shape == "one-section") out += "[s]" + eol;
  for (std::size_t i = 0; out.size() < bytes; ++i) {
    const std::string n = std::to_string(i);
    if (shape == "empty") {
      out += "[s" + n + "]" + eol;
    } else if (shape == "one-entry") {
      out += "[s" + n + "]" + eol + "k = v" + eol;
    } else if (shape == "one-section") {
      out += "k" + n + " = v" + eol;
    } else {
      return std::string();
    }
  }
  return out;
}

}  // namespace vornenv::bench

#endif  // VORNENV_BENCH_GEN_H_
