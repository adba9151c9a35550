// Writes a generated description file for the comparison script:
//   genini BYTES lf|crlf OUTPUT [SHAPE]
// SHAPE: typical (the default), empty, one-entry or one-section (gen.h).
// The same arguments give the same bytes on every run (see gen.h).

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gen.h"

int main(int argc, char** argv) {
  if ((argc != 4 && argc != 5) ||
      (std::strcmp(argv[2], "lf") != 0 && std::strcmp(argv[2], "crlf") != 0)) {
    std::fprintf(stderr,
                 "usage: genini BYTES lf|crlf OUTPUT [typical|empty|one-entry|one-section]\n");
    return 2;
  }
  char* end = nullptr;
  const unsigned long long bytes = std::strtoull(argv[1], &end, 10);
  if (end == argv[1] || *end != '\0') {
    std::fprintf(stderr, "genini: not a byte count: %s\n", argv[1]);
    return 2;
  }
  const std::string shape = argc == 5 ? argv[4] : "typical";
  const std::string text = vornenv::bench::generateshape(shape, static_cast<std::size_t>(bytes),
                                                         std::strcmp(argv[2], "crlf") == 0);
  if (text.empty() && bytes != 0) {
    std::fprintf(stderr, "genini: no such shape: %s\n", shape.c_str());
    return 2;
  }
  std::FILE* out = std::fopen(argv[3], "wb");
  if (out == nullptr) {
    std::perror(argv[3]);
    return 1;
  }
  const bool ok = std::fwrite(text.data(), 1, text.size(), out) == text.size();
  if (std::fclose(out) != 0 || !ok) {
    std::perror(argv[3]);
    return 1;
  }
  return 0;
}
