#include "cli/clirun.h"

#include <cstdio>

namespace vornenv::testing {

ranprogram runvornenv(const std::vector<std::string>& args) {
  std::vector<std::string> argv{nativepath(VORNENV_EXE)};
  argv.insert(argv.end(), args.begin(), args.end());
  return runprogram(argv);
}

std::string lf(std::string text) {
  for (std::size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos;) text.erase(at, 1);
  return text;
}

std::string hex(const std::string& text) {
  std::string out;
  char buf[3];
  for (char c : text) {
    std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned>(static_cast<unsigned char>(c)));
    out += buf;
  }
  return out;
}

}  // namespace vornenv::testing
