#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

#include "private/hashindex.h"
#include "private/nodestructor.h"
#include "vornfile/backend.h"
#include "vornfile/vornfile.h"

namespace vornfile {

namespace {

// The override of setsystemdirs(), built on first use and never destroyed.
std::optional<std::vector<filepath>>& systemdirsoverride() {
  static vornsupport::nodestructor<std::optional<std::vector<filepath>>> dirs;
  return *dirs.get();
}

// Calls f with each non-empty piece of text between separators, in order.
template <class F>
void eachpiece(std::string_view text, char sep, F f) {
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(sep, start);
    if (end == std::string_view::npos) end = text.size();
    if (end > start) f(text.substr(start, end - start));
    start = end + 1;
  }
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
  eachpiece(text, sep,
            [&](std::string_view piece) { out.push_back(filepathaccess::frompiece(piece)); });
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
  std::size_t len = list.size() + 8;
  for (const filepath& p : front) len += filepathaccess::text(p).size() + 1;
  for (char c : list) pieces += c == sep;
  // Each path is written straight into the result and taken back when an
  // equivalent one was kept already: no allocation per path.  Where letter
  // case is not folded, a path's key is its text with a NUL byte in front of
  // each component instead of a separator, so two texts without NUL bytes
  // have equal keys exactly when the texts are equal: then the texts in the
  // result serve as the keys.  Elsewhere each key is written after the keys
  // kept so far, and taken back with its path.  A hash index holds the
  // position of each kept path.
  const auto holdsnul = [](std::string_view t) { return t.find('\0') != std::string_view::npos; };
  const bool bytext = !backend::foldscase() && !holdsnul(list) &&
                      std::none_of(front.begin(), front.end(), [&](const filepath& p) {
                        return holdsnul(filepathaccess::text(p));
                      });
  std::string out;
  out.reserve(len + 8);
  std::string keys;
  if (!bytext) keys.reserve(len + pieces + 8);
  const std::string& store = bytext ? out : keys;
  std::vector<std::size_t> ends;  // where each kept key ends in store
  ends.reserve(pieces);
  // In the result the texts stand a separator apart.
  const std::size_t gap = bytext ? 1 : 0;
  const auto keyat = [&](std::size_t k) {
    const std::size_t start = k == 0 ? 0 : ends[k - 1] + gap;
    return std::string_view(store).substr(start, ends[k] - start);
  };
  namespace hashindex = vornenv::hashindex;
  hashindex::slots table;
  hashindex::reserve(table, pieces, keyat);

  // Keeps the key that ends store, starting at keystart, unless it is kept
  // already; true when it was new.
  auto keep = [&](std::size_t keystart) {
    const std::string_view key = std::string_view(store).substr(keystart);
    const std::uint32_t hash = hashindex::hashof(key);
    if (hashindex::find(table, key, hash, keyat) != hashindex::npos) return false;
    ends.push_back(store.size());
    hashindex::insert(table, ends.size(), ends.size() - 1, hash, keyat);
    return true;
  };
  // Takes the path just written back when it was kept already.
  auto keeplast = [&](std::size_t outstart, std::size_t textstart, std::size_t keystart) {
    if (keep(bytext ? textstart : keystart)) return;
    out.resize(outstart);
    keys.resize(keystart);
  };

  for (const filepath& p : front) {
    const std::size_t outstart = out.size();
    if (!ends.empty()) out += sep;
    const std::size_t textstart = out.size();
    out += filepathaccess::text(p);
    const std::size_t keystart = keys.size();
    if (!bytext) keys += filepathaccess::key(p);
    keeplast(outstart, textstart, keystart);
  }
  eachpiece(list, sep, [&](std::string_view piece) {
    const std::size_t outstart = out.size();
    if (!ends.empty()) out += sep;
    const std::size_t textstart = out.size();
    const detail::textshape shape = detail::appendtext(piece, out);
    const std::size_t keystart = keys.size();
    if (!bytext) detail::appendkey(std::string_view(out).substr(textstart), shape, keys);
    keeplast(outstart, textstart, keystart);
  });
  return out;
}

void setsystemdirs(const std::vector<filepath>& dirs) { systemdirsoverride() = dirs; }

void resetsystemdirs() { systemdirsoverride().reset(); }

}  // namespace vornfile
