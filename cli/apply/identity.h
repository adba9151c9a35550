// Which file a path names, for the per-project commands: the description
// file's identity is its folder as the system resolves it (links followed)
// with the file's own name, so that "./.vornenv.ini", "../proj/.vornenv.ini"
// and the same file reached through a linked folder are one file, while a
// .vornenv.ini that is itself a link stays under its own name.  Paths are
// the host's texts (bytes on POSIX, UTF-8 on Windows), never the library's
// path type: a folder name may hold any byte the system allows.

#ifndef VORNENV_CLI_APPLY_IDENTITY_H_
#define VORNENV_CLI_APPLY_IDENTITY_H_

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vornenv::cli {

// The folder and the name of an absolute path: "/p/a" gives "/p" and "a",
// "/a" gives "/" and "a" (the root keeps its separator).
std::pair<std::string, std::string> splitfolder(const std::string& absolute);

// dir and name joined by the platform's separator.
std::string joinpath(const std::string& dir, const std::string& name);

// An absolute path without "." or ".." components or repeated separators,
// taken as text: nothing is looked up.
std::string lexicalnormal(const std::string& absolute);

// The identity of the file at path: its folder resolved by the system and
// its own name (on Windows as the folder spells it); when the folder cannot
// be resolved (it is gone), the absolute path normalised as text.
std::string fileidentity(const std::string& path);

// The nearest .vornenv.ini (a regular file) in the working directory or a
// folder above it, as an absolute path.  Throws failure when the working
// directory cannot be read, or a folder on the way cannot be looked in.
// passed, when given, receives the paths looked at where no file was.
std::optional<std::string> nearestdescription(std::vector<std::string>* passed = nullptr);

}  // namespace vornenv::cli

#endif  // VORNENV_CLI_APPLY_IDENTITY_H_
