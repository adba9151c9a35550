#include "vornplatform/vornplatform.h"

#include <iostream>
#include <stdexcept>

#include "vornplatform/backend.h"

namespace vornplatform {

vornstr::vornstr(const char* text) : text_(text == nullptr ? "" : text) {}

vornstr::vornstr(const std::string& text) : text_(text) {}

vornstr getenvvar(const vornstr& name) {
  return vornstr(backend::getvar(name.str()));
}

void putenvvar(const vornstr& name, const vornstr& value) {
  const std::string& n = name.str();
  const std::string& v = value.str();
  // Names and values cross the platform as C strings: an embedded NUL would
  // cut them short, so it is refused like any name the platform refuses.
  const bool clean = n.find('\0') == std::string::npos &&
                     v.find('\0') == std::string::npos;
  if (clean && backend::setvar(n, v)) return;
  // vornplatform sits below vornenv and cannot call its envassert, so it
  // reports in the same form itself.
  const std::string message = n + " putenvvar - failed to set environment variable!";
  std::cerr << "****ASSERTION****: " << message << std::endl;
  throw std::runtime_error(message);
}

}  // namespace vornplatform
