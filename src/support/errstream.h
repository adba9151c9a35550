// std::cerr without <iostream>.
//
// With this standard library every file that includes <iostream> gets a
// static std::ios_base::Init object, whose constructor runs when the library
// is loaded.  The libraries must run no code of their own at load, so they
// name the stream themselves and make sure it exists on first use instead.

#ifndef VORNENV_SUPPORT_ERRSTREAM_H_
#define VORNENV_SUPPORT_ERRSTREAM_H_

#include <ios>
#include <ostream>

#include "nodestructor.h"

namespace std {
extern ostream cerr;  // as <iostream> declares it
}  // namespace std

namespace vornsupport {

// The standard error stream, constructed if nothing has done so yet.
inline std::ostream& errstream() {
  static nodestructor<std::ios_base::Init> init;
  return std::cerr;
}

}  // namespace vornsupport

#endif  // VORNENV_SUPPORT_ERRSTREAM_H_
