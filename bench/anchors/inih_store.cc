// Anchor: inih reading a file and copying every entry into nested maps,
// the way a program that keeps what it read would use it.
//   inih_store FILE    exit 0 when inih read the whole file without error

#include <ini.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

using store = std::map<std::string, std::map<std::string, std::string>>;

int keep(void* user, const char* section, const char* name, const char* value) {
  (*static_cast<store*>(user))[section][name] = value;
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: inih_store FILE\n");
    return 2;
  }
  store sections;
  const int rc = ini_parse(argv[1], keep, &sections);
  if (rc != 0) {
    std::fprintf(stderr, "inih_store: %s: error at line %d\n", argv[1], rc);
    return 1;
  }
  std::size_t entries = 0;
  for (const auto& s : sections) entries += s.second.size();
  std::printf("%zu sections, %zu entries\n", sections.size(), entries);
  return 0;
}
