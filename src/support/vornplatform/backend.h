// What each platform backend of vornplatform (env_posix.cc, env_windows.cc)
// provides.  Exactly one backend is compiled in, chosen by CMake.

#ifndef VORNPLATFORM_BACKEND_H_
#define VORNPLATFORM_BACKEND_H_

#include <cstddef>
#include <string>
#include <string_view>
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

// The longest value a variable can hold, in the units valuelength() counts.
std::size_t longestvalue();
// The length of a value in those units; never more than its bytes.
std::size_t valuelength(std::string_view value);

}  // namespace vornplatform::backend

#endif  // VORNPLATFORM_BACKEND_H_
