// Shared pieces of the fuzz targets.

#ifndef VORNENV_FUZZ_FUZZSUPPORT_H_
#define VORNENV_FUZZ_FUZZSUPPORT_H_

#include <cstddef>
#include <cstdint>
#include <streambuf>
#include <string>

#include "vornplatform/vornplatform.h"

namespace vornenv::fuzz {

// Swallows what the library writes to std::cerr: every failing input would
// otherwise print a line, which slows fuzzing down to the speed of the
// terminal.
void silencestderr();

// Puts the environment back as it was when the object was made.
class envrestorer {
 public:
  envrestorer() = default;
  ~envrestorer();
  envrestorer(const envrestorer&) = delete;
  envrestorer& operator=(const envrestorer&) = delete;

 private:
  vornplatform::envsnapshot before_;
};

// A path in the temporary folder that no other process uses: fuzzers run
// side by side, and a shared scratch file would mix their inputs.
std::string scratchpath(const std::string& stem);

// Aborts with a message when an invariant does not hold: a finding.
[[noreturn]] void broken(const std::string& what);

}  // namespace vornenv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

#endif  // VORNENV_FUZZ_FUZZSUPPORT_H_
