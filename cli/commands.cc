#include "cli/commands.h"

#include <vornenv/vornenv.h>

#include <algorithm>
#include <iostream>
#include <memory>
#include <optional>
#include <utility>

#include "cli/errors.h"
#include "cli/lint.h"
#include "cli/platform.h"
#include "src/support/nodestructor.h"

namespace vornenv::cli {

namespace {

// While the host works on a file, the library's reports come here.  An
// assertion is dropped: the error thrown after it is reported once, with
// its place.  A warning names the file, and the line being read if any.
class filereports {
 public:
  explicit filereports(const std::string& file, const iniparser* reader = nullptr)
      : previous_(setdiagnostichandler([&file, reader](severity s, const std::string& message) {
          if (s == severity::assertion) return;
          std::cerr << printable(file);
          if (reader != nullptr && reader->currentline() != 0) {
            std::cerr << ':' << reader->currentline();
          }
          std::cerr << ": warning: " << printable(message) << '\n';
        })) {}
  filereports(const filereports&) = delete;
  filereports& operator=(const filereports&) = delete;
  ~filereports() { setdiagnostichandler(std::move(previous_)); }

 private:
  diagnostichandler previous_;
};

// What a host does with a description file: construct, then parse.  A
// failure comes out as filefailure, compiler style.
std::unique_ptr<envbuilder> applyfile(const std::string& file) {
  std::unique_ptr<envbuilder> builder;
  try {
    filereports reports(file);
    builder = std::make_unique<envbuilder>(vornfile::filepath(file));
    filereports located(file, builder.get());
    (*builder)();
    return builder;
  } catch (const error& e) {
    // What a failing file read is freed as a passing one's is: at exit.
    // The hints read what the builder holds of the file, so it goes after.
    std::string text = describe(file, explainfailure(e, builder.get()));
    keeptoexit(std::move(builder));
    throw filefailure(text);
  }
}

struct difference {
  std::string name;
  std::optional<std::string> before, after;
};

// The variables whose value differs between the two snapshots, by name.
std::vector<difference> diffenv(const envmap& before, const envmap& after) {
  std::vector<difference> out;
  auto b = before.begin();
  auto a = after.begin();
  while (b != before.end() || a != after.end()) {
    if (a == after.end() || (b != before.end() && b->first < a->first)) {
      out.push_back({b->second.name, b->second.value, std::nullopt});
      ++b;
    } else if (b == before.end() || a->first < b->first) {
      out.push_back({a->second.name, std::nullopt, a->second.value});
      ++a;
    } else {
      if (a->second.value != b->second.value) {
        out.push_back({a->second.name, b->second.value, a->second.value});
      }
      ++a, ++b;
    }
  }
  return out;
}

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
  for (const std::string& name : builder.sectionnames()) {
    const envbuilder::section& s = builder.getsection(name.c_str());
    out << "  " << p.bold << '[' << printable(s.name()) << ']' << p.reset << "  " << p.kind
        << sectionkind(s.name()) << p.reset << '\n';
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

}  // namespace

// Keeps a builder that is no longer needed until the process ends, when the
// operating system takes its memory back in one go: freeing a large file's
// entries one by one would take a tenth of a check's time.  It stays
// reachable, so leak checkers see no leak; the one kept before is freed.
void keeptoexit(std::unique_ptr<envbuilder> builder) {
  static vornsupport::nodestructor<std::unique_ptr<envbuilder>> kept;
  *kept.get() = std::move(builder);
}

// Puts the environment back to the snapshot, empty values included.
void restoreenv(const envmap& start) {
  const envmap now = snapshotenv();
  bool ok = true;
  for (const auto& [key, var] : now) {
    if (start.count(key) == 0) ok = setenvexact(var.name, std::nullopt) && ok;
  }
  for (const auto& [key, var] : start) {
    auto it = now.find(key);
    if (it == now.end() || it->second.value != var.value) ok = setenvexact(var.name, var.value) && ok;
  }
  if (!ok) throw failure("check: cannot restore the starting environment");
}

const char* sectionkind(const std::string& name) {
  // The builder's own choice, by exact name; the library has no query for it.
  if (name == "Library Paths") return "library paths";
  if (name == "Executable Paths") return "executable paths";
  if (name == "Environment") return "environment";
  return "plain";
}

int runcmd(const std::vector<std::string>& files, const std::vector<std::string>& argv) {
  for (const std::string& file : files) keeptoexit(applyfile(file));
  const runresult r = runcommand(argv);
  if (!r.error.empty()) std::cerr << "vornenv: run: " << r.error << '\n';
  return r.status;
}

int exportcmd(const std::vector<std::string>& files, shellformat format, std::ostream& out) {
  const envmap before = snapshotenv();
  for (const std::string& file : files) keeptoexit(applyfile(file));
  std::vector<change> changes;
  for (difference& d : diffenv(before, snapshotenv())) {
    changes.push_back({std::move(d.name), std::move(d.after)});
  }
  out << formatchanges(changes, format);
  return 0;
}

int showcmd(const std::vector<std::string>& files, bool colour, std::ostream& out) {
  const palette p(colour);
  const envmap before = snapshotenv();
  for (std::size_t i = 0; i < files.size(); ++i) {
    auto builder = applyfile(files[i]);
    if (i != 0) out << '\n';
    showsections(files[i], *builder, p, out);
  }
  showchanges(diffenv(before, snapshotenv()), p, out);
  return 0;
}

int libscmd(const std::string& file, const std::string& section, std::ostream& out) {
  auto builder = applyfile(file);
  const std::vector<std::string> names = builder->sectionnames();
  if (std::find(names.begin(), names.end(), section) == names.end()) {
    throw failure("libs: " + printable(file) + " has no section '" + printable(section) + "'");
  }
  filereports reports(file);
  // A person reads this list: a file name holding a line break or an escape
  // sequence is shown, not obeyed.
  for (const vornfile::filepath& lib : getliblocations(builder->getsection(section.c_str()))) {
    out << printable(lib.str()) << '\n';
  }
  return 0;
}

int expandcmd(const std::vector<std::string>& texts, std::ostream& out) {
  for (const std::string& text : texts) out << expandvar(text) << '\n';
  return 0;
}

}  // namespace vornenv::cli
