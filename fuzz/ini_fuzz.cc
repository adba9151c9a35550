// Arbitrary bytes through the reader, with a handler that checks the order
// and shape of the callbacks.  The first byte also picks a tiny block size:
// the same text read in blocks of that size must give exactly the same
// callbacks and failure as the text read as one block.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string>

#include "fuzzsupport.h"
#include "ini/inirun.h"

namespace {

class checker : public vornenv::iniparser {
 public:
  checker() : iniparser(vornfile::filepath("fuzz.ini")) {}
  std::string trace;

 private:
  bool beginsection(const char* name) override {
    if (insection_) vornenv::fuzz::broken("beginsection inside a section");
    if (*name == '\0') vornenv::fuzz::broken("empty section name");
    if (!sections_.insert(name).second) vornenv::fuzz::broken("repeated section");
    insection_ = true;
    entries_.clear();
    trace += std::string("[") + name + "]\n";
    return true;
  }
  bool newentry(const char* name, const char* value) override {
    if (!insection_) vornenv::fuzz::broken("entry outside a section");
    if (*name == '\0' || *value == '\0') vornenv::fuzz::broken("empty name or value");
    if (!entries_.insert(name).second) vornenv::fuzz::broken("repeated entry");
    trace += std::string(name) + "=" + value + "\n";
    return true;
  }
  bool endsection() override {
    if (!insection_) vornenv::fuzz::broken("endsection outside a section");
    insection_ = false;
    trace += "end\n";
    return true;
  }

  bool insection_ = false;
  std::set<std::string> sections_, entries_;
};

// The callbacks and the failure message of one run.
template <class Run>
std::string outcome(Run run) {
  checker handler;
  try {
    run(handler);
  } catch (const std::runtime_error& e) {
    handler.trace += std::string("failed: ") + e.what() + "\n";
  }
  return handler.trace;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string scratch = [] {
    vornenv::fuzz::silencestderr();
    return vornenv::fuzz::scratchpath("vornenv-ini-fuzz") + ".ini";
  }();
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string whole = outcome([&](checker& h) { vornenv::inirun(h).parse(text); });

  const std::size_t blocksize = size == 0 ? 1 : 1 + data[0] % 64;
  {
    std::ofstream out(scratch, std::ios::binary | std::ios::trunc);
    out << text;
  }
  std::FILE* file = std::fopen(scratch.c_str(), "rb");
  if (file == nullptr) vornenv::fuzz::broken("cannot reopen the scratch file");
  const std::string blocked = outcome([&](checker& h) {
    vornenv::inirun(h).parse(vornenv::readblocks(file, "unreadable", blocksize));
  });
  std::fclose(file);
  if (blocked != whole) {
    std::size_t at = 0;
    while (at < whole.size() && at < blocked.size() && whole[at] == blocked[at]) ++at;
    vornenv::fuzz::broken("reading in blocks of " + std::to_string(blocksize) +
                          " changed the callbacks from byte " + std::to_string(at) +
                          ":\n  one block: " + whole.substr(at, 80) +
                          "\n  in blocks: " + blocked.substr(at, 80));
  }
  return 0;
}
