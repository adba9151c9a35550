// What each platform backend of vornplatform (env_posix.cc, env_windows.cc)
// provides.  Exactly one backend is compiled in, chosen by CMake.

#ifndef VORNPLATFORM_BACKEND_H_
#define VORNPLATFORM_BACKEND_H_

#include <string>
#include <utility>
#include <vector>

namespace vornplatform::backend {

// The variable's value; "" when it is not set.
std::string getvar(const std::string& name);
// Sets the variable, or removes it for an empty value.  False when the
// platform refuses.
bool setvar(const std::string& name, const std::string& value);

// Every variable, in the platform's order; entries that have no name of
// their own (such as Windows' "=C:" drive entries) are left out.
std::vector<std::pair<std::string, std::string>> listvars();
// The text under which getvar() finds name: the name itself, or its folded
// form where the platform ignores letter case.
std::string lookupkey(const std::string& name);
// Whether lookupkey() ever differs from the name.
bool foldsnames();

}  // namespace vornplatform::backend

#endif  // VORNPLATFORM_BACKEND_H_
