// explain: where a variable's value came from.
//
// The files are applied by the library, exactly as run applies them, so
// that a failure and the final values are the library's own.  Each file is
// then retraced from the environment it started from, section by section in
// file order, with the library's own expansion, recording which entry or
// path section set each variable and what each reference stood for at that
// moment.  The library keeps no such record, and a host cannot watch a
// section as it applies.

#include <vornenv/vornenv.h>

#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "cli/apply.h"
#include "cli/commands.h"
#include "cli/errors.h"
#include "cli/platform.h"
#include "cli/printable.h"

namespace vornenv::cli {

namespace {

// The origin of a value that no file set.
constexpr std::size_t fromenvironment = static_cast<std::size_t>(-1);

// How deep references within references are followed; a chain deeper than
// this is cut with "...".
constexpr std::size_t maxdepth = 16;

// A reference $(NAME) as it expanded at one moment.
struct reference {
  std::string name;
  std::string value;
  std::size_t origin;             // the step that set it, or fromenvironment
  std::vector<reference> nested;  // the references in value, expanded in turn
};

// One change a file made: an Environment entry that set a variable, or a
// path section that rewrote PATH.
struct step {
  std::size_t file = 0;  // position in the command's files
  std::size_t line = 0;  // of the entry, or of the path section's header
  std::string section;
  std::string name;  // as the entry spells it
  std::string text;  // as written; empty for a path section
  std::optional<std::string> before, after;
  std::vector<reference> references;
  std::vector<envbuilder::entry> directories;  // a path section's, as stored
};

class tracer {
 public:
  explicit tracer(envmap start) : env_(std::move(start)) {}

  // Applies builder's sections again, in file order, from the environment
  // as it stood before the file, recording each change as a step.  Leaves
  // the environment as the retrace made it.
  void retrace(std::size_t file, const envbuilder& builder) {
    for (const envbuilder::section* s : sectionsinfileorder(builder)) {
      const std::string kind = kindname(s->name());
      if (kind == "environment") {
        for (const envbuilder::entry& e : *s) {
          step st = begin(file, e.line(), *s, e.name());
          st.text = e.value();
          st.references = references(e.value(), 0);
          // The library's own expansion: the value is exactly what it set.
          st.after = expandvar(e.value());
          record(std::move(st));
        }
      } else if (kind != "plain") {
        step st = begin(file, s->line(), *s, "PATH");
        std::vector<vornfile::filepath> dirs;
        for (const envbuilder::entry& e : *s) {
          dirs.emplace_back(e.value());
          st.directories.push_back(e);
        }
        std::string merged =
            vornfile::mergeuniquepathlist(dirs, st.before.value_or(""), pathlistsep);
        // An empty list removes the variable, as the section does.
        if (!merged.empty()) st.after = std::move(merged);
        record(std::move(st));
      }
    }
  }

  // Takes the environment as the library left it, for the next file.
  void sync(envmap now) { env_ = std::move(now); }

  std::optional<std::string> value(const std::string& name) const {
    auto it = env_.find(envkey(name));
    return it != env_.end() ? std::optional<std::string>(it->second.value) : std::nullopt;
  }

  const std::vector<step>& steps() const { return steps_; }

 private:
  step begin(std::size_t file, std::size_t line, const envbuilder::section& s,
             const std::string& name) const {
    step st;
    st.file = file;
    st.line = line;
    st.section = s.name();
    st.name = name;
    st.before = value(name);
    return st;
  }

  // The references of text as expandvar() reads them: "$(" to the first
  // ')', the value of each expanded by the same rules.
  std::vector<reference> references(const std::string& text, std::size_t depth) const {
    std::vector<reference> refs;
    for (std::size_t pos = 0;;) {
      const std::size_t open = text.find("$(", pos);
      if (open == std::string::npos) break;
      const std::size_t close = text.find(')', open);
      if (close == std::string::npos) break;
      reference r{text.substr(open + 2, close - open - 2), "", fromenvironment, {}};
      r.value = value(r.name).value_or("");
      auto origin = origins_.find(envkey(r.name));
      if (origin != origins_.end()) r.origin = origin->second;
      if (depth < maxdepth) r.nested = references(r.value, depth + 1);
      refs.push_back(std::move(r));
      pos = close + 1;
    }
    return refs;
  }

  void record(step st) {
    const std::string key = envkey(st.name);
    if (!setenvexact(st.name, st.after)) {
      throw failure("explain: cannot set " + printable(st.name) + " again to retrace it");
    }
    if (st.after) {
      env_[key] = {st.name, *st.after};
    } else {
      env_.erase(key);
    }
    origins_[key] = steps_.size();
    steps_.push_back(std::move(st));
  }

  envmap env_;                                  // the environment as retraced
  std::map<std::string, std::size_t> origins_;  // by envkey(): the last step that set it
  std::vector<step> steps_;
};

std::string shown(const std::optional<std::string>& value) {
  return value ? printable(*value) : "(unset)";
}

// Writes what the steps and references mean for a person.
class narrator {
 public:
  narrator(const std::vector<std::string>& files, const std::vector<step>& steps, std::ostream& out)
      : files_(files), steps_(steps), out_(out) {}

  std::string place(const step& s) const {
    return printable(files_[s.file]) + ':' + std::to_string(s.line);
  }

  void tell(std::size_t index) {
    const step& s = steps_[index];
    out_ << '\n' << place(s) << ": [" << printable(s.section) << "] ";
    if (s.text.empty()) {
      out_ << (s.directories.empty() ? "rewrites PATH (no directories)\n"
                                     : "puts its directories in front of PATH\n");
      for (const envbuilder::entry& e : s.directories) {
        out_ << "    line " << e.line() << ": " << printable(e.name()) << " = "
             << printable(e.value()) << '\n';
      }
    } else {
      out_ << "sets " << printable(s.name) << '\n' << "    written: " << printable(s.text) << '\n';
    }
    out_ << "    before:  " << shown(s.before) << '\n' << "    after:   " << shown(s.after) << '\n';
    told_.insert(index);
    references(s.references, 2);
  }

 private:
  void references(const std::vector<reference>& refs, std::size_t depth) {
    const std::string indent(depth * 2, ' ');
    for (const reference& r : refs) {
      if (depth > maxdepth) {
        out_ << indent << "...\n";
        return;
      }
      out_ << indent << "$(" << printable(r.name) << ") = " << printable(r.value) << "  (";
      if (r.origin == fromenvironment) {
        out_ << "the environment)\n";
      } else {
        const step& s = steps_[r.origin];
        out_ << place(s);
        if (s.text.empty()) out_ << ", [" << printable(s.section) << ']';
        if (told_.count(r.origin) != 0) {
          out_ << ", as above)\n";
          continue;
        }
        out_ << ")\n";
        if (!s.text.empty()) {
          told_.insert(r.origin);
          out_ << indent << "  written: " << printable(s.text) << '\n';
          references(s.references, depth + 1);
        }
      }
      // A value that holds references of its own is expanded in turn.
      references(r.nested, depth + 1);
    }
  }

  const std::vector<std::string>& files_;
  const std::vector<step>& steps_;
  std::ostream& out_;
  std::set<std::size_t> told_;  // steps whose expansion is written already
};

}  // namespace

int explaincmd(const std::string& name, const std::vector<std::string>& files, std::ostream& out) {
  const std::string key = envkey(name);
  const auto valuein = [&key](const envmap& env) {
    auto it = env.find(key);
    return it != env.end() ? std::optional<std::string>(it->second.value) : std::nullopt;
  };
  const envmap start = snapshotenv();
  tracer trace(start);
  bool faithful = true;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const envmap before = snapshotenv();
    const std::unique_ptr<envbuilder> builder = applydescription({files[i], nullptr, std::nullopt});
    const envmap after = snapshotenv();
    restoreenvironment(before);
    trace.retrace(i, *builder);
    faithful = faithful && trace.value(name) == valuein(after);
    restoreenvironment(after);
    trace.sync(after);
  }

  std::vector<std::size_t> mine;
  for (std::size_t i = 0; i < trace.steps().size(); ++i) {
    if (envkey(trace.steps()[i].name) == key) mine.push_back(i);
  }
  const std::optional<std::string> initial = valuein(start);
  const std::optional<std::string> result = valuein(snapshotenv());
  if (mine.empty()) {
    out << printable(name) << " is not set by "
        << (files.size() == 1 ? "this file" : "these files");
    if (result) {
      out << "; its value comes from the environment:\n  " << printable(*result) << '\n';
    } else {
      out << ", nor by the environment\n";
    }
    return 0;
  }
  narrator story(files, trace.steps(), out);
  out << printable(name) << " = " << shown(result) << '\n'
      << "  before these files: " << shown(initial) << '\n'
      << (mine.size() == 1 ? "  set once, at "
                           : "  changed " + std::to_string(mine.size()) + " times, last at ")
      << story.place(trace.steps()[mine.back()]) << '\n';
  for (std::size_t i : mine) story.tell(i);
  if (!faithful) {
    out << "\nnote: retracing the files gave another value than applying them; the steps "
           "above may be incomplete\n";
  }
  return 0;
}

}  // namespace vornenv::cli
