#include "cli/project/trust.h"

#include <algorithm>
#include <iostream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/apply/identity.h"
#include "cli/apply/undo.h"
#include "cli/os/errors.h"
#include "cli/os/platform.h"
#include "cli/os/printable.h"
#include "cli/project/project.h"
#include "cli/project/sha256.h"

namespace vornenv::cli {

namespace {

constexpr const char* listheader = "vornenv allowed v2";

struct allowedfile {
  std::string hash;
  std::string path;
};

// The largest list that is read: a line a file, thousands of files.
constexpr std::size_t largestlist = std::size_t{64} << 20;

bool ishash(const std::string& text) {
  return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// The list as it is; lines that are not "HASH PATH", with an absolute path,
// are dropped.  A list that is missing is empty; one that cannot be read
// (or is no regular file) gives std::nullopt, so that nothing writes over
// what it could not read, and the hook trusts nothing from it.
std::optional<std::vector<allowedfile>> readlist() {
  std::vector<allowedfile> list;
  const boundedfile read = readregularfile(trustfile(), largestlist);
  if (read.outcome == boundedfile::status::missing) return list;
  if (read.outcome != boundedfile::status::ok) return std::nullopt;
  const std::string& text = read.bytes;
  std::size_t start = 0;
  bool current = false;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    const bool first = start == 0;
    start = end + 1;
    if (first && line == listheader) {
      current = true;
      continue;
    }
    const std::size_t space = line.find(' ');
    if (space != 64 || !ishash(line.substr(0, 64))) continue;
    std::optional<std::string> path = decodefield(line.substr(space + 1));
    // A relative path would name a file wherever the command runs.
    if (!path || rootlength(*path) == 0) continue;
    // Written as typed by an older vornenv: "./x" and a linked folder
    // would never match.
    if (!current) path = fileidentity(*path);
    list.push_back({line.substr(0, 64), std::move(*path)});
  }
  return list;
}

// The list, for a command that changes it.
std::vector<allowedfile> readlistorfail() {
  std::optional<std::vector<allowedfile>> list = readlist();
  if (!list) throw failure("cannot read the list of allowed files " + printable(trustfile()));
  return std::move(*list);
}

void writelist(const std::vector<allowedfile>& list) {
  std::string text = std::string(listheader) + '\n';
  for (const allowedfile& f : list) text += f.hash + ' ' + encodefield(f.path) + '\n';
  if (!replacefile(trustfile(), text)) throw failure("cannot write " + printable(trustfile()));
}

// Holds the list's lock, the user's data folder made first.
class listlock {
 public:
  listlock() : lock_(lockpath()) {}

 private:
  static std::string lockpath() {
    const std::string dir = userdatadir();
    if (!makedirs(dir)) throw failure("cannot create " + printable(dir));
    return trustfile() + ".lock";
  }
  filelock lock_;
};

// What allow reads of the file at path: its bytes, or a failure that says
// why not.
std::string readtoallow(const std::string& path) {
  boundedfile read = readregularfile(path, largestdescription);
  const std::string shown = printable(path);
  switch (read.outcome) {
    case boundedfile::status::ok:
      return std::move(read.bytes);
    case boundedfile::status::missing:
      throw failure("allow: " + shown + " does not exist");
    case boundedfile::status::notregular:
      throw failure("allow: " + shown + " is not a regular file");
    case boundedfile::status::toolarge:
      throw failure("allow: " + shown + " holds " + std::to_string(read.size) +
                    " bytes, more than the " + std::to_string(largestdescription) +
                    " that the hook reads");
    case boundedfile::status::unreadable:
      break;
  }
  throw failure("allow: cannot read " + shown + ": " + read.reason);
}

// Whether the file of an entry still exists and still holds what was
// allowed: "allowed", "edited", "missing", or "unreadable".
const char* entrystate(const allowedfile& f) {
  const boundedfile read = readregularfile(f.path, largestdescription);
  switch (read.outcome) {
    case boundedfile::status::ok:
      return sha256hex(read.bytes) == f.hash ? "allowed" : "edited";
    case boundedfile::status::missing:
      return "missing";
    default:
      return "unreadable";
  }
}

std::string describedpath(const std::optional<std::string>& file) {
  if (file) return *file;
  if (std::optional<std::string> nearest = nearestdescription()) return *nearest;
  throw failure("no .vornenv.ini in the working directory or above it");
}

}  // namespace

std::string trustfile() { return joinpath(userdatadir(), "allowed"); }

std::optional<std::string> allowedhash(const std::string& identity) {
  const std::optional<std::vector<allowedfile>> list = readlist();
  if (!list) return std::nullopt;
  // Exactly: an identity is spelt as the system spells the file, and a
  // folder whose name differs only in letter case may be another one (a
  // folder that tells case apart, on Windows too).
  for (const allowedfile& f : *list) {
    if (f.path == identity) return f.hash;
  }
  return std::nullopt;
}

int trustcmd(const std::optional<std::string>& file, trustaction action, std::ostream& out) {
  if (action == trustaction::list || action == trustaction::prune) {
    std::optional<listlock> lock;
    if (action == trustaction::prune) lock.emplace();
    std::vector<allowedfile> kept;
    bool pruned = false;
    for (allowedfile& f : readlistorfail()) {
      const std::string state = entrystate(f);
      if (action == trustaction::list) {
        out << state << std::string(12 - state.size(), ' ') << printable(f.path) << '\n';
      } else if (state == "missing" || state == "edited") {
        out << "pruned (" << state << "): " << printable(f.path) << '\n';
        pruned = true;
      } else {
        kept.push_back(std::move(f));
      }
    }
    if (pruned) writelist(kept);
    return 0;
  }
  const std::string path = describedpath(file);
  // What allow records is read before the lock: a slow disk must not hold
  // up the others.
  std::string hash;
  if (action == trustaction::allow) hash = sha256hex(readtoallow(path));
  const std::string identity = fileidentity(path);
  const listlock lock;
  std::vector<allowedfile> list = readlistorfail();
  const auto drop = [&list](const auto& matches) {
    const auto kept = std::remove_if(list.begin(), list.end(), matches);
    const bool found = kept != list.end();
    list.erase(kept, list.end());
    return found;
  };
  bool found = drop([&identity](const allowedfile& f) { return f.path == identity; });
  // A file that is gone cannot be spelt as the system spells it: deny takes
  // the entries that the platform would take for its path.
  if (!found && action == trustaction::deny) {
    const std::string key = pathkey(identity);
    found = drop([&key](const allowedfile& f) { return pathkey(f.path) == key; });
  }
  if (action == trustaction::deny && !found) {
    std::cerr << "vornenv: deny: " << printable(identity)
              << " is not in the list of allowed files\n";
    return 1;
  }
  if (action == trustaction::allow) list.push_back({hash, identity});
  writelist(list);
  out << (action == trustaction::allow ? "allowed: " : "denied: ") << printable(identity) << '\n';
  return 0;
}

}  // namespace vornenv::cli
