#include "cli/project.h"

#include <set>
#include <string>
#include <system_error>

#include "cli/apply/apply.h"
#include "vornplatform/vornplatform.h"

namespace vornenv::testing {

std::string utf8path(const std::filesystem::path& path) { return nativepath(path.u8string()); }

std::string shownpath(const std::string& path) {
  return utf8path(std::filesystem::path(path).make_preferred());
}

std::map<std::string, std::optional<std::string>> jsonchanges(const std::string& json) {
  std::map<std::string, std::optional<std::string>> out;
  std::size_t at = 0;
  const auto string = [&json, &at]() {
    std::string text;
    for (++at; at < json.size() && json[at] != '"'; ++at) {
      if (json[at] != '\\') {
        text += json[at];
        continue;
      }
      const char e = json[++at];
      if (e == 'u') {
        text += static_cast<char>(std::stoi(json.substr(at + 1, 4), nullptr, 16));
        at += 4;
      } else {
        text += e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e;
      }
    }
    ++at;
    return text;
  };
  while ((at = json.find('"', at)) != std::string::npos) {
    const std::string name = string();
    at = json.find_first_not_of(": ", at);
    if (json.compare(at, 4, "null") == 0) {
      out[name] = std::nullopt;
      at += 4;
    } else {
      out[name] = string();
    }
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
