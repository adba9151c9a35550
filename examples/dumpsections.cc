// A minimal host: applies the description file named on the command line
// and prints every section with its entries as stored.
//
//   vornenv-dump FILE

#include <vornenv/vornenv.h>

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
    return 2;
  }
  try {
    vornenv::envbuilder builder{vornfile::filepath(argv[1])};
    builder();
    for (const std::string& name : builder.sectionnames()) {
      std::printf("[%s]\n", name.c_str());
      for (const auto& e : builder.getsection(name.c_str())) {
        std::printf("%s = %s\n", e.name().c_str(), e.value().c_str());
      }
    }
  } catch (const std::exception&) {
    return 1;  // the library has already said why on stderr
  }
  return 0;
}
