#include "cli/project.h"

#include <set>
#include <stdexcept>
#include <string>
#include <system_error>

#include "cli/apply/apply.h"
#include "cli/jsonread.h"
#include "vornplatform/vornplatform.h"

namespace vornenv::testing {

std::string utf8path(const std::filesystem::path& path) { return nativepath(path.u8string()); }

std::string shownpath(const std::string& path) {
  return utf8path(std::filesystem::path(path).make_preferred());
}

std::map<std::string, std::optional<std::string>> jsonchanges(const std::string& json) {
  // One document: the whole output must be a single object.
  if (json.empty()) return {};
  const jsonvalue changes = readjson(json);
  if (changes.type != jsonvalue::kind::object) throw std::runtime_error("not a JSON object");
  std::map<std::string, std::optional<std::string>> out;
  for (std::size_t i = 0; i < changes.keys.size(); ++i) {
    const jsonvalue& value = changes.items[i];
    out[changes.keys[i]] =
        value.type == jsonvalue::kind::null ? std::nullopt : std::optional(value.str());
  }
  return out;
}

projecttest::projecttest()
    : start_(vornplatform::listexact()),
      workdir_(std::filesystem::current_path()),
      data_("XDG_DATA_HOME", nativepath(dir_.mkdir("data"))),
      local_("LOCALAPPDATA", nativepath(dir_.file("data"))) {
  for (const char* name : {"VORNENV_HOOK", "VORNENV_HOOK_UNDO", "VORNENV_UNDO"}) {
    cli::setenvexact(name, std::nullopt);
  }
}

projecttest::~projecttest() {
  std::error_code ec;
  std::filesystem::current_path(workdir_, ec);
  // The environment as it was, whatever the test set or removed.
  std::set<std::string> kept;
  for (const auto& [name, value] : start_) kept.insert(vornplatform::exactkey(name));
  for (const auto& [name, value] : vornplatform::listexact()) {
    if (kept.count(vornplatform::exactkey(name)) == 0) cli::setenvexact(name, std::nullopt);
  }
  for (const auto& [name, value] : start_) cli::setenvexact(name, value);
}

ranprogram projecttest::prompt(const std::filesystem::path& folder, const std::string& format) {
  std::filesystem::current_path(folder);
  ranprogram r = runvornenv({"prompt", format});
  EXPECT_EQ(r.status, 0) << r.err;
  if (format == "json") {
    for (const auto& [name, value] : jsonchanges(r.out)) cli::setenvexact(name, value);
    return r;
  }
  for (const char* name : {"VORNENV_HOOK", "VORNENV_HOOK_UNDO"}) {
    const std::string start = "export " + std::string(name) + "='";
    const std::size_t at = r.out.find(start);
    if (at == std::string::npos) continue;
    const std::size_t end = r.out.find("'\n", at + start.size());
    cli::setenvexact(name, r.out.substr(at + start.size(), end - at - start.size()));
  }
  return r;
}

std::string projecttest::listed() {
  const ranprogram r = runvornenv({"allow", "--list"});
  EXPECT_EQ(r.status, 0) << r.err;
  return r.out;
}

}  // namespace vornenv::testing
