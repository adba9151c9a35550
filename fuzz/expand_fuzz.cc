// Expansion of arbitrary text in a small environment taken from the input:
// lines "NAME=VALUE" up to the first empty line, then the text.  Variables
// get the prefix VF_ so the fuzzer's own environment stays intact; the text
// refers to them as $(VF_NAME).

#include <stdexcept>
#include <string>

#include "fuzzsupport.h"
#include "vornenv/expandvar.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool once = (vornenv::fuzz::silencestderr(), true);
  (void)once;
  const std::string input(reinterpret_cast<const char*>(data), size);
  vornenv::fuzz::envrestorer restore;
  std::size_t pos = 0;
  for (int vars = 0; vars < 16; ++vars) {
    const std::size_t nl = input.find('\n', pos);
    if (nl == std::string::npos || nl == pos) break;
    const std::string line = input.substr(pos, nl - pos);
    pos = nl + 1;
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos || line.find('\0') != std::string::npos) continue;
    try {
      vornplatform::putenvvar("VF_" + line.substr(0, eq), line.substr(eq + 1));
    } catch (const std::runtime_error&) {
    }
  }
  if (pos < input.size() && input[pos] == '\n') ++pos;
  const std::string text = input.substr(pos);
  try {
    const std::string out = vornenv::expandvar(text);
    if (text.find("$(") == std::string::npos && out != text) {
      vornenv::fuzz::broken("text without references changed");
    }
  } catch (const std::runtime_error&) {
  }
  return 0;
}
