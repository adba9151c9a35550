#include "cli/clirun.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace vornenv::testing {

ranprogram runvornenv(const std::vector<std::string>& args,
                      const std::optional<std::string>& input) {
  // VORNENV_TEST_WRAPPER, words separated by blanks, goes in front of the
  // tool: how the tests run it under valgrind.
  std::vector<std::string> argv;
  if (const char* wrapper = std::getenv("VORNENV_TEST_WRAPPER")) {
    std::istringstream words(wrapper);
    for (std::string w; words >> w;) argv.push_back(w);
  }
  argv.push_back(nativepath(VORNENV_EXE));
  argv.insert(argv.end(), args.begin(), args.end());
  return runprogram(argv, input);
}

std::string probe() { return nativepath(VORNENV_PROBE); }

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
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
