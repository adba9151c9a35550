#include "cli/trust.h"

#include <iostream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/commands.h"
#include "cli/errors.h"
#include "cli/identity.h"
#include "cli/platform.h"
#include "cli/printable.h"
#include "cli/sha256.h"
#include "cli/undo.h"

namespace vornenv::cli {

namespace {

constexpr const char* listheader = "vornenv allowed v2";

struct allowedfile {
  std::string hash;
  std::string path;
};

// The list as it is; lines that are not "HASH PATH" are dropped.
std::vector<allowedfile> readlist() {
  std::vector<allowedfile> list;
  const std::optional<std::string> text = readwholefile(trustfile());
  if (!text) return list;
  std::size_t start = 0;
  bool current = false;
  while (start < text->size()) {
    std::size_t end = text->find('\n', start);
    if (end == std::string::npos) end = text->size();
    const std::string line = text->substr(start, end - start);
    const bool first = start == 0;
    start = end + 1;
    if (first && line == listheader) {
      current = true;
      continue;
    }
    const std::size_t space = line.find(' ');
    if (space != 64) continue;
    std::optional<std::string> path = decodefield(line.substr(space + 1));
    if (!path) continue;
    // Written as typed by an older vornenv: "./x" and a linked folder
    // would never match.
    if (!current) path = fileidentity(*path);
    list.push_back({line.substr(0, 64), std::move(*path)});
  }
  return list;
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
  const std::string key = pathkey(identity);
  for (const allowedfile& f : readlist()) {
    if (pathkey(f.path) == key) return f.hash;
  }
  return std::nullopt;
}

int trustcmd(const std::optional<std::string>& file, trustaction action, std::ostream& out) {
  if (action == trustaction::list || action == trustaction::prune) {
    std::optional<listlock> lock;
    if (action == trustaction::prune) lock.emplace();
    std::vector<allowedfile> kept;
    bool pruned = false;
    for (allowedfile& f : readlist()) {
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
  const std::string key = pathkey(identity);
  const listlock lock;
  std::vector<allowedfile> list;
  bool found = false;
  for (allowedfile& f : readlist()) {
    if (pathkey(f.path) == key) {
      found = true;
    } else {
      list.push_back(std::move(f));
    }
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
