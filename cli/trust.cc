#include "cli/trust.h"

#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/errors.h"
#include "cli/platform.h"
#include "cli/printable.h"
#include "cli/quote.h"
#include "cli/sha256.h"
#include "cli/undo.h"

namespace vornenv::cli {

namespace {

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
  while (start < text->size()) {
    std::size_t end = text->find('\n', start);
    if (end == std::string::npos) end = text->size();
    const std::string line = text->substr(start, end - start);
    start = end + 1;
    const std::size_t space = line.find(' ');
    if (space != 64) continue;
    if (auto path = decodefield(line.substr(space + 1)))
      list.push_back({line.substr(0, 64), *path});
  }
  return list;
}

}  // namespace

std::string trustfile() {
  const std::string dir = userdatadir();
  return dir + dirseparators()[0] + "allowed";
}

std::optional<std::string> nearestdescription() {
  std::string dir = currentdir();
  for (;;) {
    const char last = dir.empty() ? '\0' : dir.back();
    const bool endsep = std::string(dirseparators()).find(last) != std::string::npos;
    const std::string candidate =
        dir + (endsep ? "" : std::string(1, dirseparators()[0])) + ".vornenv.ini";
    if (filestamp(candidate)) return candidate;
    std::size_t cut = dir.find_last_of(dirseparators());
    if (cut == std::string::npos) break;
    if (cut == 0 || dir[cut - 1] == ':') ++cut;
    if (cut >= dir.size()) break;
    dir.resize(cut);
  }
  return std::nullopt;
}

bool isallowed(const std::string& path, const std::string& content) {
  const std::string hash = sha256hex(content);
  for (const allowedfile& f : readlist()) {
    if (f.path == path && f.hash == hash) return true;
  }
  return false;
}

int trustcmd(const std::optional<std::string>& file, bool allow, std::ostream& out) {
  std::optional<std::string> path = file ? absolutepath(*file) : nearestdescription();
  if (!path) throw failure("no .vornenv.ini in the working directory or above it");
  std::vector<allowedfile> list = readlist();
  std::string text;
  for (const allowedfile& f : list) {
    if (f.path != *path) text += f.hash + ' ' + encodefield(f.path) + '\n';
  }
  if (allow) {
    const std::optional<std::string> content = readwholefile(*path);
    if (!content) throw failure("allow: cannot read " + printable(*path));
    text += sha256hex(*content) + ' ' + encodefield(*path) + '\n';
  }
  const std::string dir = userdatadir();
  if (!makedirs(dir)) throw failure("cannot create " + printable(dir));
  if (!replacefile(trustfile(), text)) throw failure("cannot write " + printable(trustfile()));
  out << (allow ? "allowed: " : "denied: ") << printable(*path) << '\n';
  return 0;
}

}  // namespace vornenv::cli
