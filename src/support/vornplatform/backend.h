// What each platform backend of vornplatform (env_posix.cc, env_windows.cc)
// provides.  Exactly one backend is compiled in, chosen by CMake.

#ifndef VORNPLATFORM_BACKEND_H_
#define VORNPLATFORM_BACKEND_H_

#include <string>

namespace vornplatform::backend {

// The variable's value; "" when it is not set.
std::string getvar(const std::string& name);
// Sets the variable, or removes it for an empty value.  False when the
// platform refuses.
bool setvar(const std::string& name, const std::string& value);

}  // namespace vornplatform::backend

#endif  // VORNPLATFORM_BACKEND_H_
