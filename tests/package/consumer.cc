// Reaches the library and both siblings through the umbrella header only.

#include <vornenv/vornenv.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>

namespace {

class counter : public vornenv::iniparser {
 public:
  using vornenv::iniparser::iniparser;
  int sections = 0, entries = 0;

 private:
  bool beginsection(const char*) override { return ++sections > 0; }
  bool newentry(const char*, const char*) override { return ++entries > 0; }
  bool endsection() override { return true; }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  {
    std::ofstream out(argv[1]);
    out << "[a]\nx = 1\ny = 2\n[b]\n";
  }
  counter c{vornfile::filepath(argv[1])};
  c();
  vornplatform::putenvvar("VORNENV_CONSUMER", "ok");
  const bool ok = c.sections == 2 && c.entries == 2 &&
                  vornplatform::getenvvar("VORNENV_CONSUMER").str() == "ok";
  try {
    vornenv::envassert(false, "expected");
    return 1;
  } catch (const std::runtime_error&) {
  }
  std::printf("%s\n", ok ? "consumer ok" : "consumer FAILED");
  return ok ? 0 : 1;
}
