// The only place in the library that writes to std::cerr.

#include "support/diagnostics.h"

#include <stdexcept>

#include "support/errstream.h"

namespace vornenv {

void envfail(const std::string& message) {
  vornsupport::errstream() << "****ASSERTION****: " << message << std::endl;
  throw std::runtime_error(message);
}

void envassert(bool condition, const std::string& message) {
  if (!condition) envfail(message);
}

void envwarn(bool condition, const std::string& message) {
  if (!condition) vornsupport::errstream() << "****WARNING****: " << message << std::endl;
}

}  // namespace vornenv
