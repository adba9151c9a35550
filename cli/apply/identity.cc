#include "cli/apply/identity.h"

#include <vector>

#include "cli/os/errors.h"
#include "cli/os/platform.h"
#include "cli/os/printable.h"

namespace vornenv::cli {

namespace {

bool isseparator(char c) { return std::string(dirseparators()).find(c) != std::string::npos; }

}  // namespace

std::pair<std::string, std::string> splitfolder(const std::string& absolute) {
  const std::size_t root = rootlength(absolute);
  const std::size_t cut = absolute.find_last_of(dirseparators());
  if (cut == std::string::npos || cut < root) {
    return {absolute.substr(0, root), absolute.substr(root)};
  }
  return {absolute.substr(0, cut), absolute.substr(cut + 1)};
}

std::string joinpath(const std::string& dir, const std::string& name) {
  if (dir.empty() || isseparator(dir.back())) return dir + name;
  return dir + dirseparators()[0] + name;
}

std::string lexicalnormal(const std::string& absolute) {
  const std::size_t root = rootlength(absolute);
  std::string out = absolute.substr(0, root);
  // The root as the platform writes it: one separator kind.
  for (char& c : out) {
    if (isseparator(c)) c = dirseparators()[0];
  }
  std::vector<std::string> names;
  std::size_t start = root;
  while (start <= absolute.size()) {
    std::size_t end = absolute.find_first_of(dirseparators(), start);
    if (end == std::string::npos) end = absolute.size();
    const std::string name = absolute.substr(start, end - start);
    if (name == "..") {
      if (!names.empty()) names.pop_back();
    } else if (!name.empty() && name != ".") {
      names.push_back(name);
    }
    start = end + 1;
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i != 0) out += dirseparators()[0];
    out += names[i];
  }
  return out;
}

std::string fileidentity(const std::string& path) {
  const std::string absolute = absolutepath(path);
  const auto [folder, name] = splitfolder(absolute);
  if (!name.empty() && name != "." && name != "..") {
    if (const std::optional<std::string> real = resolvedir(folder)) {
      return joinpath(*real, storedname(*real, name));
    }
  }
  return lexicalnormal(absolute);
}

std::optional<std::string> nearestdescription(std::vector<std::string>* passed) {
  std::string dir = currentdir();
  for (;;) {
    const std::string candidate = joinpath(dir, ".vornenv.ini");
    std::string reason;
    const std::optional<bool> found = regularfileat(candidate, reason);
    // A folder that cannot be looked in is no folder without a file: the
    // one above it must not be taken instead.
    if (!found) throw failure("cannot look for " + printable(candidate) + ": " + reason);
    if (*found) return candidate;
    if (passed != nullptr) passed->push_back(candidate);
    const std::size_t root = rootlength(dir);
    const std::size_t cut = dir.find_last_of(dirseparators());
    if (cut == std::string::npos || dir.size() <= root) break;
    dir.resize(cut < root ? root : cut);
  }
  return std::nullopt;
}

}  // namespace vornenv::cli
