// Arbitrary bytes through the reader, with a handler that checks the order
// and shape of the callbacks.

#include <set>
#include <stdexcept>
#include <string>

#include "fuzzsupport.h"
#include "ini/inirun.h"

namespace {

class checker : public vornenv::iniparser {
 public:
  checker() : iniparser(vornfile::filepath("fuzz.ini")) {}

 private:
  bool beginsection(const char* name) override {
    if (insection_) vornenv::fuzz::broken("beginsection inside a section");
    if (*name == '\0') vornenv::fuzz::broken("empty section name");
    if (!sections_.insert(name).second) vornenv::fuzz::broken("repeated section");
    insection_ = true;
    entries_.clear();
    return true;
  }
  bool newentry(const char* name, const char* value) override {
    if (!insection_) vornenv::fuzz::broken("entry outside a section");
    if (*name == '\0' || *value == '\0') vornenv::fuzz::broken("empty name or value");
    if (!entries_.insert(name).second) vornenv::fuzz::broken("repeated entry");
    return true;
  }
  bool endsection() override {
    if (!insection_) vornenv::fuzz::broken("endsection outside a section");
    insection_ = false;
    return true;
  }

  bool insection_ = false;
  std::set<std::string> sections_, entries_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool once = (vornenv::fuzz::silencestderr(), true);
  (void)once;
  std::string text(reinterpret_cast<const char*>(data), size);
  checker handler;
  try {
    vornenv::inirun(handler).parse(text);
  } catch (const std::runtime_error&) {
  }
  return 0;
}
