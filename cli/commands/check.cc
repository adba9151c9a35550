#include "cli/commands/check.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#include "cli/apply/apply.h"
#include "cli/apply/changelog.h"
#include "cli/apply/failure.h"
#include "cli/commands/commands.h"
#include "cli/os/errors.h"
#include "cli/os/platform.h"
#include "cli/os/printable.h"
#include "cli/output/json.h"
#include "cli/output/quote.h"

namespace vornenv::cli {

namespace {

using level = finding::level;

bool acts(const envbuilder::section& s) { return kindof(s.name()) != sectionkind::plain; }
bool ispathlist(const envbuilder::section& s) {
  const sectionkind k = kindof(s.name());
  return k == sectionkind::executablepaths || k == sectionkind::librarypaths;
}

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool isnamechar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

// The names that $(NAME) references in text, in order.
std::vector<std::string> references(const std::string& text) {
  std::vector<std::string> names;
  for (std::size_t at = text.find("$("); at != std::string::npos; at = text.find("$(", at)) {
    const std::size_t close = text.find(')', at + 2);
    if (close == std::string::npos) break;
    names.push_back(text.substr(at + 2, close - at - 2));
    at = close + 1;
  }
  return names;
}

// Where the file's "Environment" sets the variables asked about, by the
// platform's key.  Only those are kept: a large file's names are not copied.
class setters {
 public:
  setters(const envbuilder& builder, const std::vector<std::string>& wanted) {
    for (const std::string& name : wanted) lines_.emplace(envkey(name), 0);
    if (lines_.empty()) return;
    for (const envbuilder::entry& e : builder.getsection(sectionname(sectionkind::environment))) {
      auto it = lines_.find(envkey(e.name()));
      if (it != lines_.end() && it->second == 0) it->second = e.line();
    }
  }
  // The line that sets name, or 0.
  std::size_t lineof(const std::string& name) const {
    auto it = lines_.find(envkey(name));
    return it == lines_.end() ? 0 : it->second;
  }

 private:
  std::map<std::string, std::size_t> lines_;
};

// A reference written as another syntax would write it ($NAME, ${NAME},
// %NAME%), or "" when value holds none.
std::string foreignreference(const std::string& v) {
  for (std::size_t i = 0; i + 1 < v.size(); ++i) {
    if (v[i] == '$' && v[i + 1] == '{') {
      const std::size_t close = v.find('}', i + 2);
      if (close != std::string::npos && close > i + 2) return v.substr(i, close - i + 1);
    } else if (v[i] == '$' &&
               (std::isalpha(static_cast<unsigned char>(v[i + 1])) != 0 || v[i + 1] == '_')) {
      std::size_t end = i + 1;
      while (end < v.size() && isnamechar(v[end])) ++end;
      return v.substr(i, end - i);
    } else if (v[i] == '%') {
      std::size_t end = i + 1;
      while (end < v.size() && isnamechar(v[end])) ++end;
      if (end < v.size() && end > i + 1 && v[end] == '%') return v.substr(i, end - i + 1);
    }
  }
  return std::string();
}

// The name inside a foreign reference: "$HOME", "${HOME}", "%HOME%" give HOME.
std::string referredname(const std::string& ref) {
  if (ref[0] == '%') return ref.substr(1, ref.size() - 2);
  if (ref[1] == '{') return ref.substr(2, ref.size() - 3);
  return ref.substr(1);
}

// By the library's own path rules, which read any bytes: a path that is
// not text in the platform's encoding is still a path to judge.
bool isabsolute(const std::string& path) { return vornfile::filepath(path).absolute(); }

// The end-of-line comment that a value ends in, as written ("; note" of
// "bar ; note"), or "" when it holds none: a ';' or '#' after a blank and
// followed by text.  A ';' right after text ("a;b") is a list, not a comment.
// Each mark found by find() (memchr, many bytes a step): find_first_of()
// calls memchr() for each byte of the value, which made this check cost
// more than reading the file.
std::string trailingcomment(const std::string& v) {
  std::size_t semicolon = v.find(';', 1), hash = v.find('#', 1);
  while (true) {
    const std::size_t at = std::min(semicolon, hash);
    if (at == std::string::npos || at + 1 >= v.size()) return std::string();
    if (v[at - 1] == ' ' || v[at - 1] == '\t') return v.substr(at);
    (at == semicolon ? semicolon : hash) = v.find(v[at], at + 1);
  }
}

void linttrailingcomment(const envbuilder::entry& e, std::vector<finding>& out) {
  const std::string comment = trailingcomment(e.value());
  if (comment.empty()) return;
  out.push_back(
      {level::warning,
       "trailing-comment",
       e.line(),
       "the value of '" + e.name() + "' ends in '" + comment + "', which is kept as part of it",
       {"there are no end-of-line comments: put it on a line of its own, starting "
        "with ';'"}});
}

// The references in the components of path of 4 characters or fewer, which
// the conversion of a path section's entry takes as written, as the library
// does (entrytofilepath): "$(X)" of "$(X)/bin".  first tells whether the
// path has no root and begins with such a component, so that it is relative
// only because the reference was not expanded.
struct shortreferences {
  std::vector<std::string> names;
  bool first = false;
};

shortreferences findshortreferences(const std::string& path) {
  shortreferences found;
  if (path.find("$(") == std::string::npos) return found;
  const vornfile::filepath p(path);
  for (auto it = p.begin(); it != p.end(); ++it) {
    const std::string comp = it->str();
    if (comp.size() > 4) continue;
    for (std::string& name : references(comp)) {
      if (it == p.begin() && rootlength(path) == 0) found.first = true;
      found.names.push_back(std::move(name));
    }
  }
  return found;
}

// "[Environment], [Executable Paths] and [Library Paths]", from the
// library's table.
std::string actingnames() {
  std::string out;
  const std::size_t n = std::size(namedkinds);
  for (std::size_t i = 0; i < n; ++i) {
    out += (i == 0       ? ""
            : i + 1 == n ? " and "
                         : ", ") +
           std::string("[") + namedkinds[i].name + "]";
  }
  return out;
}

void lintsection(const envbuilder::section& s, const setters& set, std::vector<finding>& out) {
  const std::string name = s.name();
  if (!acts(s)) {
    for (const namedkind& named : namedkinds) {
      const char* kind = named.name;
      const std::string l = lower(name), k = lower(kind);
      // Two edits cannot bridge a greater difference in length: most names
      // are settled without the table.
      const std::size_t gap = l.size() > k.size() ? l.size() - k.size() : k.size() - l.size();
      if (l == k || (l.size() >= 5 && gap <= 2 && editdistance(l, k) <= 2)) {
        out.push_back({level::warning,
                       "section-name",
                       s.line(),
                       "[" + name + "] does nothing when applied: did you mean [" + kind + "]?",
                       {"only " + actingnames() +
                        " act, spelt exactly so; other sections only hold settings"}});
        break;
      }
    }
    // A host reads these entries as they are, comment and all.
    for (const envbuilder::entry& e : s) linttrailingcomment(e, out);
    return;
  }
  if (ispathlist(s) && s.begin() == s.end()) {
    out.push_back(
        {level::warning, "empty-path-section", s.line(), "[" + name + "] lists no directory", {}});
  }
  for (const envbuilder::entry& e : s) {
    const std::string& v = e.value();
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
      out.push_back({level::warning,
                     "quoted-value",
                     e.line(),
                     "the value of '" + e.name() + "' is wrapped in quotes, which are kept",
                     {"quotes are part of the value here: write it without them"}});
    }
    linttrailingcomment(e, out);
    const std::string foreign = foreignreference(v);
    if (!foreign.empty()) {
      out.push_back({level::warning,
                     "shell-reference",
                     e.line(),
                     "'" + foreign + "' is kept as written, not replaced",
                     {"a reference to a variable is written $(" + referredname(foreign) + ")"}});
    }
    if (kindof(s.name()) == sectionkind::environment) {
      bool named = false;
      for (const char* prefix : {"export ", "set "}) {
        if (e.name().rfind(prefix, 0) == 0) {
          named = true;
          out.push_back({level::warning,
                         "export-name",
                         e.line(),
                         "the variable set is named '" + e.name() + "', with its '" +
                             std::string(prefix, std::strlen(prefix) - 1) + "'",
                         {"write '" + e.name().substr(std::strlen(prefix)) + " = ...'"}});
        }
      }
      // The shell's command in the name says more than the name's letters.
      for (const shellformat shell : {shellformat::sh, shellformat::fish}) {
        if (named || cansetname(e.name(), shell)) continue;
        out.push_back({level::warning,
                       "shell-name",
                       e.line(),
                       cannotsetname(e.name(), shell),
                       {"export in that format and the hook there refuse this file"}});
        break;
      }
      for (const std::string& ref : references(v)) {
        const std::size_t at = set.lineof(ref);
        if (at > e.line()) {
          out.push_back({level::warning,
                         "later-reference",
                         e.line(),
                         "'" + ref + "' is set at line " + std::to_string(at) + ", after this line",
                         {"here it has the value it had before this file"}});
        }
      }
    }
    const shortreferences shortrefs = ispathlist(s) ? findshortreferences(v) : shortreferences();
    for (const std::string& ref : shortrefs.names) {
      // A name of 2 characters makes the component long enough.
      const std::string hint =
          ref.empty() ? std::string("refer to a variable whose name has 2 characters or more")
                      : "set '" + ref + "_DIR = $(" + ref +
                            ")' in [Environment] before this section and write $(" + ref +
                            "_DIR): a longer component is expanded";
      out.push_back({level::warning,
                     "short-reference",
                     e.line(),
                     "'$(" + ref +
                         ")' is kept as written, not replaced: a path component of 4 "
                         "characters or fewer is not expanded",
                     {hint}});
    }
    // "$(X)/bin" is relative only as the reference stays unexpanded: the
    // warning above says why.
    if (ispathlist(s) && !shortrefs.first && !isabsolute(v)) {
      out.push_back({level::warning,
                     "relative-directory",
                     e.line(),
                     "the directory '" + v + "' is relative: it depends on the working directory",
                     {"start it from a variable that holds an absolute directory"}});
    }
  }
}

const char* levelname(level l) { return l == level::error ? "error" : "warning"; }

void writejsonfinding(const finding& f, jsonwriter& json) {
  json.beginobject().key("line").value(f.line).key("level").value(levelname(f.severity));
  json.key("rule").value(f.rule).key("message").value(f.message).key("hints").beginarray();
  for (const std::string& h : f.hints) json.value(h);
  json.endarray().endobject();
}

struct filereport {
  enum class state { ok, failed, skipped };
  std::string file;
  state outcome = state::ok;
  std::vector<finding> findings;
};

const char* statename(filereport::state s) {
  switch (s) {
    case filereport::state::ok:
      return "ok";
    case filereport::state::failed:
      return "failed";
    case filereport::state::skipped:
      return "skipped";
  }
  return "";
}

// The library's warnings while a file is checked become its findings, at the
// line being read.  Restores the handler before on the way out.
class collectwarnings {
 public:
  collectwarnings(std::vector<finding>& into, const iniparser* const& reader)
      : previous_(setdiagnostichandler([&into, &reader](severity s, const std::string& message) {
          if (s != severity::warning) return;
          into.push_back({level::warning,
                          "library-warning",
                          reader != nullptr ? reader->currentline() : 0,
                          message,
                          {}});
        })) {}
  collectwarnings(const collectwarnings&) = delete;
  collectwarnings& operator=(const collectwarnings&) = delete;
  ~collectwarnings() { setdiagnostichandler(std::move(previous_)); }

 private:
  diagnostichandler previous_;
};

filereport checkfile(const std::string& file, bool strict, changelog& log) {
  filereport report{file, filereport::state::ok, {}};
  std::vector<finding> warnings;
  std::optional<finding> failed;
  std::string failedsection;
  std::unique_ptr<envbuilder> builder = std::make_unique<envbuilder>();
  const iniparser* reader = builder.get();
  {
    collectwarnings collect(warnings, reader);
    failed = applyinto(*builder, {file, nullptr, std::nullopt, &log, nullptr}, &failedsection);
  }
  if (builder) {
    for (finding& f : lint(*builder)) {
      // The failure's hint says it already.
      if (failed && failed->rule == "unset" && f.rule == "later-reference" &&
          f.line == failed->line) {
        continue;
      }
      // A path section that failed at an entry holds none: it is not empty.
      if (failed && f.rule == "empty-path-section" &&
          f.message == "[" + failedsection + "] lists no directory") {
        continue;
      }
      warnings.push_back(std::move(f));
    }
  }
  std::stable_sort(warnings.begin(), warnings.end(),
                   [](const finding& a, const finding& b) { return a.line < b.line; });
  for (finding& w : warnings) {
    if (strict) w.severity = level::error;
  }
  report.findings = std::move(warnings);
  if (failed) report.findings.push_back(std::move(*failed));
  if (failed || (strict && !report.findings.empty())) report.outcome = filereport::state::failed;
  keeptoexit(std::move(builder));
  return report;
}

void writetext(const std::vector<filereport>& reports, std::ostream& out) {
  for (const filereport& r : reports) {
    for (const finding& f : r.findings) out << describe(r.file, f) << '\n';
    if (r.outcome == filereport::state::skipped) {
      out << printable(r.file)
          << ": skipped: an earlier file failed ('check --each' checks it on "
             "its own)\n";
    } else if (r.outcome == filereport::state::ok) {
      out << printable(r.file) << ": ok";
      if (!r.findings.empty()) {
        out << ", " << r.findings.size() << (r.findings.size() == 1 ? " warning" : " warnings");
      }
      out << '\n';
    }
  }
}

void writejson(const std::vector<filereport>& reports, int status, std::ostream& out) {
  jsonwriter json;
  json.beginobject().key("status").value(status == 0 ? "ok" : "failed").key("files").beginarray();
  for (const filereport& r : reports) {
    json.beginobject().key("file").value(r.file).key("status").value(statename(r.outcome));
    json.key("findings").beginarray();
    for (const finding& f : r.findings) writejsonfinding(f, json);
    json.endarray().endobject();
  }
  out << json.endarray().endobject().finish();
}

struct ruledoc {
  const char* id;
  const char* text;
};

const ruledoc ruledocs[] = {
    {"unreadable", "The description file cannot be opened or read."},
    {"syntax", "A line that is neither a header, an entry nor a comment."},
    {"duplicate", "A section or entry name given twice."},
    {"empty-side", "An entry whose name or value is empty."},
    {"missing-directory", "A path section names a directory that does not exist."},
    {"self-reference", "A variable whose value refers back to it."},
    {"unset", "A reference to a variable that is not set."},
    {"invalid-path", "A path that is not valid."},
    {"refused-name", "A variable that the platform refuses to set."},
    {"limit", "A text beyond what the platform can hold."},
    {"failure", "The description file does not apply."},
    {"section-name", "A section name close to a section kind that acts, but not it."},
    {"shell-reference", "A reference written as a shell writes it, kept as written."},
    {"quoted-value", "A value wrapped in quotes, which are kept."},
    {"export-name", "An entry name beginning with a shell's command."},
    {"shell-name", "A variable that sh or fish cannot set."},
    {"trailing-comment", "A comment at the end of a value, which is kept as part of it."},
    {"short-reference",
     "A reference in a path component of 4 characters or fewer, which is taken as written."},
    {"relative-directory", "A relative directory in a path section."},
    {"later-reference", "A reference to a variable that the same file sets later."},
    {"empty-path-section", "A path section without directories."},
    {"library-warning", "A library warning, such as libraries overridden by system ones."},
};

// A warning's rule, as opposed to a failure's kind.
void writesarif(const std::vector<filereport>& reports, std::ostream& out) {
  jsonwriter json;
  json.beginobject().key("$schema").value("https://json.schemastore.org/sarif-2.1.0.json");
  json.key("version").value("2.1.0").key("runs").beginarray().beginobject();
  json.key("tool").beginobject().key("driver").beginobject().key("name").value("vornenv");
  json.key("version").value(VORNENV_VERSION).key("rules").beginarray();
  for (const ruledoc& rule : ruledocs) {
    json.beginobject().key("id").value(rule.id).key("shortDescription").beginobject();
    json.key("text").value(rule.text).endobject().endobject();
  }
  json.endarray().endobject().endobject().key("results").beginarray();
  for (const filereport& r : reports) {
    for (const finding& f : r.findings) {
      std::string message = f.message;
      for (const std::string& h : f.hints) message += "\nhint: " + h;
      json.beginobject().key("ruleId").value(f.rule).key("level").value(levelname(f.severity));
      json.key("message").beginobject().key("text").value(message).endobject();
      json.key("locations").beginarray().beginobject().key("physicalLocation").beginobject();
      json.key("artifactLocation").beginobject().key("uri").value(sarifuri(r.file)).endobject();
      if (f.line != 0) json.key("region").beginobject().key("startLine").value(f.line).endobject();
      json.endobject().endobject().endarray().endobject();
    }
  }
  out << json.endarray().endobject().endarray().endobject().finish();
}

}  // namespace

std::size_t editdistance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::vector<finding> lint(const envbuilder& builder) {
  std::vector<finding> out;
  std::vector<std::string> referred;
  for (const envbuilder::entry& e : builder.getsection(sectionname(sectionkind::environment))) {
    for (std::string& ref : references(e.value())) referred.push_back(std::move(ref));
  }
  const setters set(builder, referred);
  for (const envbuilder::section& s : builder.sections()) lintsection(s, set, out);
  std::stable_sort(out.begin(), out.end(),
                   [](const finding& a, const finding& b) { return a.line < b.line; });
  return out;
}

bool parsecheckformat(const std::string& name, checkformat& format) {
  if (name == "text") {
    format = checkformat::text;
  } else if (name == "json") {
    format = checkformat::json;
  } else if (name == "sarif") {
    format = checkformat::sarif;
  } else {
    return false;
  }
  return true;
}

std::string sarifuri(const std::string& file) {
  std::string path = file;
  std::replace(path.begin(), path.end(), '\\', '/');
  std::string prefix;
  const bool drive = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) != 0 &&
                     path[1] == ':' && path[2] == '/';
  if (path.rfind("//", 0) == 0) {
    prefix = "file:";  // a UNC path: the server is the authority
  } else if (drive) {
    prefix = "file:///" + path.substr(0, 2);
    path.erase(0, 2);
  } else if (!path.empty() && path[0] == '/') {
    prefix = "file://";
  }
  static const char hexdigits[] = "0123456789ABCDEF";
  for (const char c : path) {
    const auto b = static_cast<unsigned char>(c);
    if (std::isalnum(b) != 0 || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
      prefix += c;
    } else {
      prefix += '%';
      prefix += hexdigits[b >> 4];
      prefix += hexdigits[b & 15];
    }
  }
  return prefix;
}

int checkcmd(const std::vector<std::string>& files, const checkoptions& options,
             std::ostream& out) {
  // What the files changed, to be undone: check leaves the environment as
  // it found it.
  changelog log;
  std::vector<filereport> reports;
  bool failedbefore = false;
  int status = 0;
  for (const std::string& file : files) {
    if (options.each) log.undo();
    if (failedbefore && !options.each) {
      reports.push_back({file, filereport::state::skipped, {}});
      continue;
    }
    reports.push_back(checkfile(file, options.strict, log));
    if (reports.back().outcome == filereport::state::failed) {
      failedbefore = true;
      status = 1;
    }
  }
  log.undo();
  switch (options.format) {
    case checkformat::text:
      writetext(reports, out);
      break;
    case checkformat::json:
      writejson(reports, status, out);
      break;
    case checkformat::sarif:
      writesarif(reports, out);
      break;
  }
  return status;
}

}  // namespace vornenv::cli
