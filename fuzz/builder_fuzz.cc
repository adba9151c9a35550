// Arbitrary bytes as a description file, parsed and applied by a whole
// builder.  The environment is put back after every input, and the system
// directories point at an empty scratch folder.

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "fuzzsupport.h"
#include "vornenv/entrytofilepath.h"
#include "vornenv/envbuilder.h"

namespace {

struct scratch {
  std::filesystem::path dir;
  std::string file;
  scratch() {
    dir = vornenv::fuzz::scratchpath("vornenv-builder-fuzz");
    std::filesystem::create_directories(dir / "system");
    file = (dir / "input.ini").string();
    vornfile::setsystemdirs({vornfile::filepath((dir / "system").string())});
    vornenv::fuzz::silencestderr();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const scratch s;
  {
    std::ofstream out(s.file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  vornenv::fuzz::envrestorer restore;
  try {
    vornenv::envbuilder builder{vornfile::filepath(s.file)};
    builder();
    for (const std::string& name : builder.sectionnames()) {
      const auto& section = builder.getsection(name.c_str());
      if (section.name() != name) vornenv::fuzz::broken("section found under another name");
      for (const auto& e : section) {
        if (&section.getentry(e.name().c_str()) != &e) vornenv::fuzz::broken("entry lookup");
      }
    }
    vornenv::getliblocations(builder.getsection("Library Paths"));
  } catch (const std::runtime_error&) {
  }
  return 0;
}
