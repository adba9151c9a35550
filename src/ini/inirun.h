// One parse run of an iniparser, over text already in memory.  The reader's
// operator() reads the file and hands its bytes here; the fuzzer and the
// benchmarks call it directly.

#ifndef VORNENV_INI_INIRUN_H_
#define VORNENV_INI_INIRUN_H_

#include <string>
#include <string_view>

#include "vornenv/iniparser.h"

namespace vornenv {

// Trims space, \t, \n, \v, \f and \r from both ends; no other byte.
std::string_view trimstr(std::string_view text);

class inirun {
 public:
  explicit inirun(iniparser& handler) : handler_(handler) {}

  // Classifies the lines of text and makes the callbacks.  The run writes
  // NUL bytes into text to hand names and values over without copying them,
  // so text is spent afterwards.
  void parse(std::string& text);

 private:
  iniparser& handler_;
};

}  // namespace vornenv

#endif  // VORNENV_INI_INIRUN_H_
