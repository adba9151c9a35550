#include "vornenv/entrytofilepath.h"

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/diagnostics.h"
#include "vornenv/expandvar.h"
#include "vornenv/platform.h"
#include "vornplatform/vornplatform.h"

namespace vornenv {

using vornfile::filepath;

entrytofilepath::entrytofilepath(std::vector<filepath>& list) : target(list) {}

entrytofilepath::entrytofilepath(const entrytofilepath& other) = default;

filepath entrytofilepath::convert(const envbuilder::entry& e) {
  // Split first, expand afterwards: a reference must lie within one
  // component.  Components of 4 characters or fewer cannot hold a reference
  // to a name longer than one character and stay as written.
  filepath path(e.value());
  // Without a reference anywhere, each long component would expand to its
  // own text and, when it reads alone as just itself and is valid, go back
  // in unchanged: the path is done as it was read.
  if (e.value().find("$(") == std::string::npos && path.valid() && path.standalonecomponents()) {
    return path;
  }
  // Expanded front to back, so the first component that fails is the one
  // reported; put in back to front, so each position still names its
  // component, and a share that joins the root after a bare "\\server" is
  // expanded already.  A failure names the entry, also when a section
  // converts it again as it ends.
  return locating(
      [&] {
        std::vector<std::pair<std::ptrdiff_t, filepath>> parts;
        for (auto it = path.begin(); it != path.end(); ++it) {
          const std::string comp = it->str();
          if (comp.size() <= 4) continue;
          filepath expanded(expandvar(comp));
          if (!expanded.valid()) {
            envfail(error::kind::invalidpath,
                    expanded.str() + " entrytofilepath - expanded envvar to invalid path!");
          }
          parts.emplace_back(it - path.begin(), std::move(expanded));
        }
        for (auto part = parts.rbegin(); part != parts.rend(); ++part) {
          path.assign(path.begin() + part->first, part->second);
        }
        return path;
      },
      e.line(), {}, e.name());
}

void entrytofilepath::operator()(const envbuilder::entry& e) { target.push_back(convert(e)); }

std::vector<filepath> getliblocations(const envbuilder::section& s) {
  std::vector<filepath> found;
  if (!s.valid()) return found;

  std::vector<filepath> dirs = vornfile::getsystemdirs();
  for (const envbuilder::entry& e : s) dirs.emplace_back(e.value());

  // An empty piece names no directory, so the splitter's dropping it
  // changes nothing.
  for (filepath& dir : vornfile::splitpathlist(getvar("PATH"), pathlistsep)) {
    if (vornfile::direxists(dir)) dirs.push_back(std::move(dir));
  }

  std::set<filepath> seen;
  for (const filepath& dir : dirs) {
    if (!dir.valid()) continue;
    for (filepath& lib : vornfile::getshliblist(dir)) {
      if (seen.count(lib) != 0) continue;
      found.push_back(dir + lib.name());
      seen.insert(std::move(lib));
    }
  }
  return found;
}

}  // namespace vornenv
