#include <algorithm>
#include <optional>
#include <utility>

#include "vornfile/backend.h"
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
  return !p.empty() && backend::isdirectory(p.str());
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
    if (end > start) out.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

std::string mergepathlist(const std::vector<filepath>& paths, char sep) {
  std::string out;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (i != 0) out += sep;
    out += paths[i].str();
  }
  return out;
}

void setsystemdirs(const std::vector<filepath>& dirs) {
  systemdirsoverride() = dirs;
}

void resetsystemdirs() { systemdirsoverride().reset(); }

}  // namespace vornfile
