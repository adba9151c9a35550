// std::cerr without <iostream>.
//
// With this standard library every file that includes <iostream> gets a
// static std::ios_base::Init object, whose constructor runs when the library
// is loaded.  The libraries must run no code of their own at load, so they
// reach the standard library's stream by its link name, declared in a
// namespace of their own, and make sure it exists on first use instead.

#ifndef VORNENV_SUPPORT_PRIVATE_ERRSTREAM_H_
#define VORNENV_SUPPORT_PRIVATE_ERRSTREAM_H_

#include <ios>
#include <ostream>

#include "nodestructor.h"

namespace vornsupport {

namespace detail {
// The object that <iostream> declares as std::cerr (GCC and Clang name a
// declaration's symbol with an asm label; the name is the C++ ABI's).
extern std::ostream standarderror __asm__("_ZSt4cerr");
}  // namespace detail

// The standard error stream, constructed if nothing has done so yet.
inline std::ostream& errstream() {
  static nodestructor<std::ios_base::Init> init;
  return detail::standarderror;
}

}  // namespace vornsupport

#endif  // VORNENV_SUPPORT_PRIVATE_ERRSTREAM_H_
