// run, export, expand, show and libs: each applies its files through
// apply/ and writes what they did, as the library and the changelog tell it.

#include "cli/commands/commands.h"

#include <vornenv/vornenv.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <utility>

#include "cli/apply/apply.h"
#include "cli/apply/changelog.h"
#include "cli/apply/failure.h"
#include "cli/apply/identity.h"
#include "cli/apply/undo.h"
#include "cli/os/errors.h"
#include "cli/os/platform.h"
#include "cli/os/printable.h"
#include "cli/output/json.h"

namespace vornenv::cli {

namespace {

// While it lives, the library's warnings are dropped.
class quietreports {
 public:
  quietreports() : previous_(setdiagnostichandler([](severity, const std::string&) {})) {}
  quietreports(const quietreports&) = delete;
  quietreports& operator=(const quietreports&) = delete;
  ~quietreports() { setdiagnostichandler(std::move(previous_)); }

 private:
  diagnostichandler previous_;
};

// What every command does with a description file: opens it once, by its
// exact path, and hands the open file to a builder.  A failure comes out
// as filefailure, compiler style.
std::unique_ptr<envbuilder> applyfile(const std::string& file, changelog* log = nullptr) {
  return applydescription(descriptionsource{file, nullptr, std::nullopt, log, nullptr});
}

}  // namespace

namespace {

// Terminal colours for show; all empty when colour is off.
struct palette {
  explicit palette(bool on)
      : bold(on ? "\033[1m" : ""),
        kind(on ? "\033[36m" : ""),
        name(on ? "\033[32m" : ""),
        dim(on ? "\033[2m" : ""),
        reset(on ? "\033[0m" : "") {}
  const char *bold, *kind, *name, *dim, *reset;
};

void showsections(const std::string& file, const envbuilder& builder, const palette& p,
                  std::ostream& out) {
  out << p.bold << printable(file) << p.reset << '\n';
  for (const envbuilder::section& s : builder.sections()) {
    out << "  " << p.bold << '[' << printable(s.name()) << ']' << p.reset << "  " << p.kind
        << kindname(s.name()) << p.reset << '\n';
    std::size_t width = 0;
    for (const envbuilder::entry& e : s) width = std::max(width, printable(e.name()).size());
    if (s.begin() == s.end()) out << "    " << p.dim << "(no entries)" << p.reset << '\n';
    for (const envbuilder::entry& e : s) {
      const std::string n = printable(e.name());
      out << "    " << p.name << n << p.reset << std::string(width - n.size(), ' ') << " = "
          << printable(e.value()) << '\n';
    }
  }
}

void showchanges(const std::vector<difference>& changes, const palette& p, std::ostream& out) {
  out << '\n' << p.bold << "changed variables" << p.reset << '\n';
  if (changes.empty()) out << "  " << p.dim << "(none)" << p.reset << '\n';
  std::size_t width = 0;
  for (const difference& d : changes) width = std::max(width, printable(d.name).size());
  const auto value = [&](const std::optional<std::string>& v) {
    return v ? printable(*v) : std::string(p.dim) + "(unset)" + p.reset;
  };
  for (const difference& d : changes) {
    const std::string n = printable(d.name);
    out << "  " << p.name << n << p.reset << std::string(width - n.size(), ' ') << "  "
        << value(d.before) << " -> " << value(d.after) << '\n';
  }
}

void showjson(const std::vector<std::string>& files,
              const std::vector<std::unique_ptr<envbuilder>>& builders,
              const std::vector<difference>& changes, std::ostream& out) {
  jsonwriter json;
  json.beginobject().key("files").beginarray();
  for (std::size_t f = 0; f < files.size(); ++f) {
    json.beginobject().key("file").value(files[f]).key("sections").beginarray();
    for (const envbuilder::section& s : builders[f]->sections()) {
      json.beginobject().key("name").value(s.name()).key("kind").value(kindname(s.name()));
      json.key("line").value(s.line()).key("entries").beginarray();
      for (const envbuilder::entry& e : s) {
        json.beginobject().key("name").value(e.name()).key("value").value(e.value());
        json.key("line").value(e.line()).endobject();
      }
      json.endarray().endobject();
    }
    json.endarray().endobject();
  }
  json.endarray().key("changes").beginarray();
  for (const difference& d : changes) {
    json.beginobject().key("name").value(d.name).key("before").value(d.before);
    json.key("after").value(d.after).endobject();
  }
  out << json.endarray().endobject().finish();
}

bool samepath(const vornfile::filepath& a, const vornfile::filepath& b) {
  return !(a < b) && !(b < a);
}

// Where one library of the section's directories is found first when the
// system directories, the section's and PATH's are searched in turn: on
// Windows, where it is loaded from.
struct libplace {
  std::string name;
  vornfile::filepath loaded;  // the first copy found: the system's, the section's, PATH's
  const char* from;           // "system", "section" or "path"
  vornfile::filepath own;     // the section's copy (empty with --all)
  std::size_t line = 0;       // of the entry naming the section's directory
};

const char* libsource(const vornfile::filepath& loaded,
                      const std::vector<vornfile::filepath>& system, const envbuilder::section& s) {
  for (const vornfile::filepath& dir : system) {
    if (samepath(dir + loaded.name(), loaded)) return "system";
  }
  for (const envbuilder::entry& e : s) {
    if (samepath(vornfile::filepath(e.value()) + loaded.name(), loaded)) return "section";
  }
  return "path";
}

// With all, every library that the search finds, as getliblocations() lists
// them; otherwise the libraries of the section's own directories, each
// once, with the copy that wins the search: a system directory's, or the
// one in the first of the section's directories that holds it.
std::vector<libplace> libplaces(const envbuilder::section& s, bool all) {
  std::vector<vornfile::filepath> found;
  {
    // The section's overridden libraries were reported as it was applied;
    // asking again would repeat the warning.
    const quietreports quiet;
    found = getliblocations(s);
  }
  const std::vector<vornfile::filepath> system = vornfile::getsystemdirs();
  std::vector<libplace> places;
  if (all) {
    for (vornfile::filepath& p : found) {
      const char* from = libsource(p, system, s);
      places.push_back({p.name().str(), std::move(p), from, {}, 0});
    }
    return places;
  }
  std::map<vornfile::filepath, vornfile::filepath> winner;  // library name to loaded copy
  for (const vornfile::filepath& p : found) winner.emplace(vornfile::filepath(p.name().str()), p);
  std::set<vornfile::filepath> listed;
  for (const envbuilder::entry& e : s) {
    const vornfile::filepath dir(e.value());
    if (!dir.valid()) continue;
    for (vornfile::filepath& lib : vornfile::getshliblist(dir)) {
      if (!listed.insert(lib).second) continue;
      vornfile::filepath own = dir + lib.name();
      auto w = winner.find(lib);
      vornfile::filepath loaded = w != winner.end() ? w->second : own;
      const char* from = libsource(loaded, system, s);
      places.push_back({lib.name().str(), std::move(loaded), from, std::move(own), e.line()});
    }
  }
  return places;
}

}  // namespace

void namesetters::add(const std::string& file, const envbuilder& builder, shellformat format) {
  for (const envbuilder::entry& e : builder.getsection(sectionname(sectionkind::environment))) {
    if (!cansetname(e.name(), format)) entries_.push_back({file, e.line(), e.name()});
  }
}

void namesetters::require(const std::vector<change>& changes, shellformat format) const {
  for (const change& c : changes) {
    if (cansetname(c.name, format)) continue;
    finding f{finding::level::error,
              "",
              0,
              cannotsetname(c.name, format),
              {"sh and fish take names of letters, digits and '_' that do not start with a "
               "digit"}};
    // The last file to set it gave it its value.
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
      if (envkey(it->name) == envkey(c.name)) {
        f.line = it->line;
        throw filefailure(describe(it->file, f));
      }
    }
    throw failure(f.message);
  }
}

const char* kindname(const std::string& name) {
  // The builder's own choice, from the library's table of kinds.
  switch (kindof(name)) {
    case sectionkind::librarypaths:
      return "library paths";
    case sectionkind::executablepaths:
      return "executable paths";
    case sectionkind::environment:
      return "environment";
    case sectionkind::plain:
      break;
  }
  return "plain";
}

int runcmd(const std::vector<std::string>& files, const std::vector<std::string>& argv) {
  for (const std::string& file : files) keeptoexit(applyfile(file));
  const runresult r = runcommand(argv);
  if (!r.error.empty()) std::cerr << "vornenv: run: " << r.error << '\n';
  return r.status;
}

int exportcmd(const std::vector<std::string>& files, shellformat format, std::ostream& out,
              bool undo) {
  // The record as it stood before the files, whatever they set.
  const std::optional<std::string> oldrecord = undo ? getenvexact(undovariable) : std::nullopt;
  changelog log;
  namesetters setters;
  for (const std::string& file : files) {
    std::unique_ptr<envbuilder> builder = applyfile(file, &log);
    setters.add(file, *builder, format);
    keeptoexit(std::move(builder));
  }
  const std::vector<difference> changed = log.changes();
  std::vector<change> changes;
  for (const difference& d : changed) {
    if (undo && envkey(d.name) == envkey(undovariable)) continue;
    changes.push_back({d.name, d.after});
  }
  setters.require(changes, format);
  if (undo) {
    const auto record = pushundolevel(oldrecord, makeundolevel(changed));
    if (!record) {
      throw failure("export: what --undo must record exceeds " + std::to_string(undorecordmax) +
                    " bytes; export without --undo");
    }
    changes.push_back({undovariable, *record});
  }
  // The record stays in Windows form: the process that reverts reads PATH so.
  formatoptions options;
  options.msyspath = msysshell();
  out << formatchanges(changes, format, options);
  return 0;
}

int showcmd(const std::vector<std::string>& files, bool colour, bool json, std::ostream& out) {
  // Every file is applied before anything is written, so that a failing
  // one leaves no half listing (and no half JSON document) behind.
  changelog log;
  std::vector<std::unique_ptr<envbuilder>> builders;
  for (const std::string& file : files) builders.push_back(applyfile(file, &log));
  const std::vector<difference> changes = log.changes();
  if (json) {
    showjson(files, builders, changes, out);
  } else {
    const palette p(colour);
    for (std::size_t i = 0; i < files.size(); ++i) {
      if (i != 0) out << '\n';
      showsections(files[i], *builders[i], p, out);
    }
    showchanges(changes, p, out);
  }
  for (auto& builder : builders) keeptoexit(std::move(builder));
  return 0;
}

int libscmd(const std::string& file, const std::string& section, bool all, bool json,
            std::ostream& out) {
  auto builder = applyfile(file);
  // A lookup, not a list of every name: a file may hold millions.
  if (builder->getsection(section.c_str()).name() != section || section.empty()) {
    throw failure("libs: " + printable(file) + " has no section '" + printable(section) + "'");
  }
  const std::vector<libplace> places = libplaces(builder->getsection(section.c_str()), all);
  // Where the loader does not search PATH (POSIX), the section's directories
  // are not where a library is loaded from: each copy is told as what it is.
  const bool searched = loadersearchespath();
  if (json) {
    jsonwriter list;
    list.beginarray();
    for (const libplace& l : places) {
      list.beginobject().key("name").value(l.name);
      list.key(searched ? "loaded" : "path").value(l.loaded.str()).key("from").value(l.from);
      if (!all) {
        list.key("section_copy").value(l.own.str()).key("line").value(l.line);
        if (searched) list.key("overridden").value(!samepath(l.loaded, l.own));
      }
      list.endobject();
    }
    out << list.endarray().finish();
    return 0;
  }
  // A person reads this list: a file name holding a line break or an escape
  // sequence is shown, not obeyed.
  for (const libplace& l : places) {
    out << printable(l.loaded.str());
    if (!all && !samepath(l.loaded, l.own)) {
      out << (searched ? "  (a system directory's copy, loaded instead of "
                       : "  (a system copy of the same name as ")
          << printable(l.own.str()) << ')';
    } else if (!all && !searched) {
      out << "  (the section's copy)";
    }
    out << '\n';
  }
  return 0;
}

int expandcmd(const std::vector<std::string>& texts, std::ostream& out) {
  for (const std::string& text : texts) out << expandvar(text) << '\n';
  return 0;
}

}  // namespace vornenv::cli
