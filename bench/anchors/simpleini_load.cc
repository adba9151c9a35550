// Anchor: SimpleIni loading a whole file into its own store.
//   simpleini_load FILE    exit 0 when the file loaded

// Used header-only (Debian's header keeps the definitions behind
// SI_IMPLEMENTATION), bytes stored as read like the other readers here: no
// UTF-8 check.
#define SI_IMPLEMENTATION
#define SI_NO_CONVERSION
#include <SimpleIni.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: simpleini_load FILE\n");
    return 2;
  }
  CSimpleIniA ini;
  const SI_Error rc = ini.LoadFile(argv[1]);
  if (rc < 0) {
    std::fprintf(stderr, "simpleini_load: %s: error %d\n", argv[1], static_cast<int>(rc));
    return 1;
  }
  CSimpleIniA::TNamesDepend sections;
  ini.GetAllSections(sections);
  std::printf("%zu sections\n", sections.size());
  return 0;
}
