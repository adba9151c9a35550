// What each platform backend of vornfile (fs_posix.cc, fs_windows.cc)
// provides to the platform-neutral code.  Exactly one backend is compiled in,
// chosen by CMake.

#ifndef VORNFILE_BACKEND_H_
#define VORNFILE_BACKEND_H_

#include <cstddef>
#include <string>
#include <vector>

namespace vornfile::backend {

// The separator that str() writes.
char nativesep();
// The platform's path-list separator, which no valid path may hold.
char listsep();
// Splits the root off the start of text: stores its normalised form (with its
// separator, e.g. "/" or "C:\") in root and returns how many bytes of text it
// took.  A relative text gives "" and 0.
std::size_t splitroot(const std::string& text, std::string& root);
// Stores the text with letter case folded in folded and returns true, or
// returns false when folding leaves the text unchanged (always on POSIX).
bool fold(const std::string& text, std::string& folded);
bool isdirectory(const std::string& path);
// Bare file names of the shared libraries in dir, in any order.
std::vector<std::string> listlibraries(const std::string& dir);
// The platform's own system directories, in search order.
std::vector<std::string> systemdirs();

}  // namespace vornfile::backend

#endif  // VORNFILE_BACKEND_H_
