// What each platform backend of vornplatform (env_posix.cc, env_windows.cc)
// provides.  Exactly one backend is compiled in, chosen by CMake.
//
// Narrow texts are those of the interface (the ANSI code page on Windows);
// exact texts lose nothing of what the platform holds (UTF-8 on Windows).
// Elsewhere the two are the same bytes.

#ifndef VORNPLATFORM_BACKEND_H_
#define VORNPLATFORM_BACKEND_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vornplatform::backend {

// Stores the variable's narrow value in value ("" when it is not set).
// False when the narrow text cannot hold the value.
bool getvar(const std::string& name, std::string& value);
// Sets the variable, or removes it for an empty value.  False when the
// platform refuses.
bool setvar(const std::string& name, const std::string& value);

// The same for exact values (the name is narrow all the same).
std::string getexact(const std::string& name);
// False when the variable is not set.
bool findexact(const std::string& name, std::string& value);
bool setexact(const std::string& name, const std::string& value);
// Sets the variable to value, "" too, or removes it for std::nullopt.
bool putexact(const std::string& name, const std::optional<std::string>& value);
// The exact text of a narrow one.
std::string toexact(const std::string& narrow);
// Whether the narrow text converts to the platform's characters and back
// unchanged.
bool held(const std::string& narrow);

// One variable as listed.  held is false when the narrow text cannot hold
// its name or its value; both are "" then.  key is lookupkey()'s text for
// it, "" where foldsnames() is false (the name serves).
struct listedvar {
  std::string name;
  std::string value;
  std::string key;
  bool held = true;
};

// Every variable, in the platform's order; entries that have no name of
// their own (such as Windows' "=C:" drive entries) are left out.
std::vector<listedvar> listvars();
// The text under which the platform finds name: the name itself, or, where
// the platform ignores letter case, a key that two names share exactly when
// the platform takes them for one.
std::string lookupkey(const std::string& name);
// Whether lookupkey() ever differs from the name.
bool foldsnames();

// Every variable as exact texts, name then value, in the platform's order;
// the same entries as listvars() leaves out are left out.
std::vector<std::pair<std::string, std::string>> listexact();
// lookupkey() for an exact-text name, as an exact text.
std::string exactkey(const std::string& name);

// The longest value a variable can hold, in the units valuelength() counts.
std::size_t longestvalue();
// The length of a value in those units; never more than its bytes.
std::size_t valuelength(std::string_view value);
// The same for an exact text.
std::size_t exactlength(std::string_view exact);
// Whether a name and a value of these lengths reach a child whole.
bool fits(std::size_t namelength, std::size_t valuelength);

}  // namespace vornplatform::backend

#endif  // VORNPLATFORM_BACKEND_H_
