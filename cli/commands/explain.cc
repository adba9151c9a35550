// explain: where a variable's value came from.
//
// The files are applied by the library, exactly as run applies them, with
// an observer that the library tells each variable it sets and each path
// list it merges, as it happens: what each reference stood for is read at
// that moment, so the story is the apply's own, not a replay of it.

#include <vornenv/vornenv.h>

#include <algorithm>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "cli/apply/apply.h"
#include "cli/commands/commands.h"
#include "cli/os/errors.h"
#include "cli/os/platform.h"
#include "cli/os/printable.h"

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
  std::vector<std::size_t> moved;              // the lines of those the variable held already
};

class tracer : public envbuilder::observer {
 public:
  // The position in the command's files of the file being applied.
  void startfile(std::size_t file) { file_ = file; }

  void set(const setting& s) override {
    step st = begin(s.name, s.before, s.after, s.in);
    st.line = s.from.line();
    st.text = s.from.value();
    // The variable itself held its old value while the entry expanded.
    self_ = &st;
    st.references = references(st.text, 0);
    self_ = nullptr;
    record(std::move(st));
  }

  void merged(const merge& m) override {
    step st = begin(m.variable, m.before,
                    m.after.empty() ? std::nullopt : std::optional<std::string>(m.after), m.in);
    st.line = m.in.line();
    for (const envbuilder::entry& e : m.in) st.directories.push_back(e);
    for (const element& e : m.moved) st.moved.push_back(e.from->line());
    record(std::move(st));
  }

  const std::vector<step>& steps() const { return steps_; }

 private:
  step begin(const std::string& name, const std::optional<std::string>& before,
             const std::optional<std::string>& after, const envbuilder::section& s) const {
    step st;
    st.file = file_;
    st.section = s.name();
    st.name = name;
    st.before = before;
    st.after = after;
    return st;
  }

  // The value name had while the step being recorded expanded.
  std::optional<std::string> valueof(const std::string& name) const {
    if (self_ != nullptr && envkey(name) == envkey(self_->name)) return self_->before;
    return getenvexact(name);
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
      r.value = valueof(r.name).value_or("");
      auto origin = origins_.find(envkey(r.name));
      if (origin != origins_.end()) r.origin = origin->second;
      if (depth < maxdepth) r.nested = references(r.value, depth + 1);
      refs.push_back(std::move(r));
      pos = close + 1;
    }
    return refs;
  }

  void record(step st) {
    origins_[envkey(st.name)] = steps_.size();
    steps_.push_back(std::move(st));
  }

  std::size_t file_ = 0;
  const step* self_ = nullptr;                  // the step being recorded
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
             << printable(e.value());
        if (std::find(s.moved.begin(), s.moved.end(), e.line()) != s.moved.end()) {
          out_ << "  (held already: moved to the front)";
        }
        out_ << '\n';
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
  const std::optional<std::string> initial = getenvexact(name);
  tracer trace;
  for (std::size_t i = 0; i < files.size(); ++i) {
    trace.startfile(i);
    keeptoexit(applydescription({files[i], nullptr, std::nullopt, nullptr, &trace}));
  }

  std::vector<std::size_t> mine;
  for (std::size_t i = 0; i < trace.steps().size(); ++i) {
    if (envkey(trace.steps()[i].name) == key) mine.push_back(i);
  }
  const std::optional<std::string> result = getenvexact(name);
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
  return 0;
}

}  // namespace vornenv::cli
