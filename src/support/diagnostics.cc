// The only place in the library that writes to std::cerr.

#include "support/diagnostics.h"

#include <iostream>
#include <stdexcept>

namespace vornenv {

void envfail(const std::string& message) {
  std::cerr << "****ASSERTION****: " << message << std::endl;
  throw std::runtime_error(message);
}

void envassert(bool condition, const std::string& message) {
  if (!condition) envfail(message);
}

void envwarn(bool condition, const std::string& message) {
  if (!condition) std::cerr << "****WARNING****: " << message << std::endl;
}

}  // namespace vornenv
