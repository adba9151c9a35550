#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

#include "vornfile/backend.h"
#include "hashindex.h"
#include "nodestructor.h"
#include "vornfile/vornfile.h"

namespace vornfile {

namespace {

// The override of setsystemdirs(), built on first use and never destroyed.
std::optional<std::vector<filepath>>& systemdirsoverride() {
  static vornsupport::nodestructor<std::optional<std::vector<filepath>>> dirs;
  return *dirs.get();
}

}  // namespace

bool direxists(const filepath& p) {
  return !p.empty() && backend::isdirectory(filepathaccess::cstr(p));
}

std::vector<filepath> getsystemdirs() {
  const auto& override = systemdirsoverride();
  if (override) return *override;
  std::vector<filepath> out;
  for (const std::string& dir : backend::systemdirs()) out.emplace_back(dir);
  return out;
}

std::vector<filepath> getshliblist(const filepath& directory) {
  std::vector<filepath> out;
  if (directory.empty()) return out;
  for (std::string& name : backend::listlibraries(directory.str())) {
    out.emplace_back(name);
  }
  // Directory order is whatever the file system gives; sorted output keeps
  // every listing that follows it reproducible.
  std::sort(out.begin(), out.end());
  return out;
}

std::set<filepath> getsystemlibs() {
  std::set<filepath> libs;
  for (const filepath& dir : getsystemdirs()) {
    for (filepath& lib : getshliblist(dir)) libs.insert(std::move(lib));
  }
  return libs;
}

std::vector<filepath> splitpathlist(const std::string& text, char sep) {
  std::vector<filepath> out;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(sep, start);
    if (end == std::string::npos) end = text.size();
    if (end > start) {
      out.push_back(filepathaccess::frompiece(std::string_view(text).substr(start, end - start)));
    }
    start = end + 1;
  }
  return out;
}

std::string mergepathlist(const std::vector<filepath>& paths, char sep) {
  std::size_t len = paths.size();
  for (const filepath& p : paths) len += filepathaccess::text(p).size();
  std::string out;
  out.reserve(len);
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (i != 0) out += sep;
    out += filepathaccess::text(paths[i]);
  }
  return out;
}

std::string mergeuniquepathlist(const std::vector<filepath>& front, const std::string& list,
                                char sep) {
  std::size_t pieces = front.size() + 1;
  std::size_t len = list.size();
  for (const filepath& p : front) len += filepathaccess::text(p).size() + 1;
  for (char c : list) pieces += c == sep;
  std::string out;
  out.reserve(len);
  // The keys of the paths kept so far, end to end, and where each ends; an
  // open-addressing table, at most half full, holds for each kept path its
  // hash (high half) and its position plus one (low half).  No allocation
  // per path, and a probe compares keys only when the hashes agree.
  std::string keys;
  keys.reserve(len + pieces);
  std::vector<std::size_t> keyends;
  keyends.reserve(pieces);
  std::size_t size = 16;
  while (size < 2 * pieces) size *= 2;
  std::vector<std::uint64_t> table(size, 0);
  const std::size_t mask = size - 1;

  auto add = [&](const filepath& p) {
    const std::string_view key = filepathaccess::key(p);
    const std::uint32_t hash = vornenv::hashindex::hashof(key);
    std::size_t i = hash & mask;
    for (; table[i] != 0; i = (i + 1) & mask) {
      if (static_cast<std::uint32_t>(table[i] >> 32) != hash) continue;
      const std::size_t k = static_cast<std::uint32_t>(table[i]) - 1;
      const std::size_t start = k == 0 ? 0 : keyends[k - 1];
      if (std::string_view(keys).substr(start, keyends[k] - start) == key) return;
    }
    table[i] = (static_cast<std::uint64_t>(hash) << 32) | (keyends.size() + 1);
    keys += key;
    keyends.push_back(keys.size());
    if (keyends.size() != 1) out += sep;
    out += filepathaccess::text(p);
  };

  for (const filepath& p : front) add(p);
  filepath piece;  // one buffer for every piece
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(sep, start);
    if (end == std::string::npos) end = list.size();
    if (end > start) {
      filepathaccess::parse(piece, std::string_view(list).substr(start, end - start));
      add(piece);
    }
    start = end + 1;
  }
  return out;
}

void setsystemdirs(const std::vector<filepath>& dirs) {
  systemdirsoverride() = dirs;
}

void resetsystemdirs() { systemdirsoverride().reset(); }

}  // namespace vornfile
