#include <algorithm>
#include <iterator>
#include <set>
#include <utility>
#include <vector>

#include "support/diagnostics.h"
#include "vornenv/entrytofilepath.h"
#include "vornenv/platform.h"
#include "vornenv/sections.h"
#include "vornplatform/vornplatform.h"

namespace vornenv {

using vornfile::filepath;

pathlist::pathlist(const std::string& pathvar, const std::string& name)
    : section(name), pathvar_(pathvar) {
  envassert(!pathvar_.empty(), "pathlist::pathlist - provided path variable is empty!");
}

pathlist::pathlist(const pathlist& other) = default;
pathlist::~pathlist() = default;

bool pathlist::donewentry(envbuilder::entry& e) {
  const filepath path = entrytofilepath::convert(e);
  // Stored converted even when the directory is missing; most values are
  // written as they convert already, and stay.
  std::string converted = path.str();
  if (converted != e.value()) e = envbuilder::entry(e.name(), converted);
  // Short components go in unexpanded and unchecked, so the path is
  // checked as a whole: one holding the list separator would put two
  // elements into the variable, the second never checked.  Nor may it hold
  // bytes that the platform would read as other characters than written.
  return path.valid() && vornplatform::holdsexactly(converted) && vornfile::direxists(path);
}

bool pathlist::valid() const { return true; }

namespace {

// The section's directories, exactly as stored: each entry was converted
// and its directory checked as it was added.  Converting the stored text
// again would expand a "$(" that only the first expansion produced, and put
// a directory that nobody checked into the variable.
std::vector<filepath> converted(const pathlist& s) {
  std::vector<filepath> paths;
  paths.reserve(static_cast<std::size_t>(std::distance(s.begin(), s.end())));
  for (const envbuilder::entry& e : s) paths.emplace_back(e.value());
  return paths;
}

}  // namespace

std::string pathlist::getpathstr() const {
  return vornfile::mergeuniquepathlist(converted(*this), getvar(pathvar_), pathlistsep);
}

bool pathlist::operator()() {
  if (!valid()) return false;
  // Merged as exact texts, so that the elements the narrow text cannot hold
  // (a folder named outside the ANSI code page) come back as they were.
  // None of them can be equivalent to a path of the file.
  std::vector<filepath> paths = converted(*this);
  for (filepath& p : paths) {
    const std::string text = p.str();
    std::string exact = vornplatform::exacttext(text);
    if (exact != text) p = filepath(exact);
  }
  envbuilder::observer* const told = watcher();
  if (told == nullptr) {
    putvarexact(pathvar_, vornfile::mergeuniquepathlist(paths, vornplatform::getenvexact(pathvar_),
                                                        pathlistsep));
    return true;
  }
  const std::optional<std::string> before = valuebefore(pathvar_);
  const std::string after =
      vornfile::mergeuniquepathlist(paths, before.value_or(std::string()), pathlistsep);
  putvarexact(pathvar_, after);
  tellmerge(*told, before, after, paths);
  return true;
}

void pathlist::tellmerge(envbuilder::observer& told, const std::optional<std::string>& before,
                         const std::string& after, const std::vector<filepath>& paths) const {
  // The earlier elements as the merge compares them, by path, not by text.
  std::set<filepath> earlier;
  const std::string& old = before ? *before : std::string();
  for (std::size_t start = 0; start <= old.size();) {
    std::size_t end = old.find(pathlistsep, start);
    if (end == std::string::npos) end = old.size();
    if (end > start) earlier.insert(filepath(old.substr(start, end - start)));
    start = end + 1;
  }
  std::vector<envbuilder::observer::element> added, moved;
  std::set<filepath> seen;
  auto entry = begin();
  for (const filepath& p : paths) {
    const envbuilder::entry& from = *entry++;
    if (!seen.insert(p).second) continue;
    (earlier.count(p) != 0 ? moved : added).push_back({p.str(), &from});
  }
  told.merged({pathvar_, before, after, *this, added, moved});
}

libpathlist::libpathlist(const std::string& name) : pathlist("PATH", name) {}
libpathlist::libpathlist(const libpathlist& other) = default;
libpathlist::~libpathlist() = default;

bool libpathlist::valid() const {
  const std::set<filepath> system = vornfile::getsystemlibs();
  for (const envbuilder::entry& e : *this) {
    std::vector<filepath> libs = vornfile::getshliblist(filepath(e.value()));
    std::sort(libs.begin(), libs.end());
    // Both sides are ordered: one merge pass finds the libraries they share.
    std::vector<filepath> overridden;
    std::set_intersection(libs.begin(), libs.end(), system.begin(), system.end(),
                          std::back_inserter(overridden));
    std::string message =
        "These libraries are going to be overridden as they are available in "
        "windows, system or system32 directory: ";
    for (std::size_t i = 0; i < overridden.size(); ++i) {
      if (i != 0) message += ", ";
      message += overridden[i].str();
    }
    envwarn(overridden.empty(), message);
  }
  return true;
}

}  // namespace vornenv
