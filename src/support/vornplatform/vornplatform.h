// vornplatform: the calling process's environment variables.
//
// On Windows these are the variables of the process environment block (the
// one child processes inherit), not the C runtime's copy; on POSIX the C
// library's environ.  Nothing here is synchronised: the process environment
// is shared with every thread of the process.

#ifndef VORNPLATFORM_VORNPLATFORM_H_
#define VORNPLATFORM_VORNPLATFORM_H_

#include <string>

#include "vornplatform/export.h"

namespace vornplatform {

// A text on its way to or from the platform, held unchanged.
class VORNPLATFORM_EXPORT vornstr {
 public:
  vornstr(const char* text);          // NOLINT: implicit; nullptr gives ""
  vornstr(const std::string& text);   // NOLINT: implicit
  const std::string& str() const { return text_; }

 private:
  std::string text_;
};

// The variable's current value; "" when it is not set.
VORNPLATFORM_EXPORT vornstr getenvvar(const vornstr& name);

// Sets the variable at once; an empty value removes it.  A name the platform
// refuses (empty, holding '=' or a NUL byte) or a value holding a NUL byte is
// not dropped silently: "****ASSERTION****: " and the name followed by
// " putenvvar - failed to set environment variable!" go to std::cerr, and a
// std::runtime_error carrying that message is thrown.
VORNPLATFORM_EXPORT void putenvvar(const vornstr& name, const vornstr& value);

}  // namespace vornplatform

#endif  // VORNPLATFORM_VORNPLATFORM_H_
