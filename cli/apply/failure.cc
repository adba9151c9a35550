// How a failure of a description file reads: the library's error as a
// finding, with the hints that the builder's content allows.

#include "cli/apply/failure.h"

#include <algorithm>
#include <string>
#include <vector>

#include "cli/os/errors.h"
#include "cli/os/platform.h"
#include "cli/os/printable.h"

namespace vornenv::cli {

const char* rulename(error::kind kind);

namespace {

using level = finding::level;

bool isabsolute(const std::string& path) { return vornfile::filepath(path).absolute(); }

std::string workingdirectory() {
  try {
    return currentdir();
  } catch (const failure&) {
    return std::string();
  }
}

// Whether a line reads as UTF-16 text: it begins with a UTF-16 byte-order
// mark (FF FE, as Windows PowerShell 5.1's '>' writes it, or FE FF), or its
// NUL bytes, a third of it or more, all stand at even or all at odd offsets,
// the high bytes of ASCII characters.
bool lookslikeutf16(const std::string& t) {
  if (t.rfind("\xFF\xFE", 0) == 0 || t.rfind("\xFE\xFF", 0) == 0) return true;
  std::size_t nuls[2] = {0, 0};
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i] == '\0') ++nuls[i % 2];
  }
  const std::size_t all = nuls[0] + nuls[1];
  return (nuls[0] == 0 || nuls[1] == 0) && all * 3 >= t.size();
}

void syntaxhints(const error& e, const envbuilder* builder, std::vector<std::string>& hints) {
  const std::string& t = e.subject();
  if (t.empty()) return;
  const auto equals = std::count(t.begin(), t.end(), '=');
  if (e.line() == 1 && t.rfind("\xEF\xBB\xBF", 0) == 0) {
    hints.push_back("the file starts with a UTF-8 byte-order mark: save it without one");
  } else if (t.find('\0') != std::string::npos) {
    hints.push_back("the line holds a NUL byte");
    if (lookslikeutf16(t)) {
      hints.push_back(
          "the file looks like UTF-16, as Windows PowerShell 5.1's '>' writes it: save it as "
          "UTF-8 without a byte-order mark");
      hints.push_back(
          "in PowerShell 7: (Get-Content FILE) | Set-Content -Encoding utf8 FILE (5.1's utf8 "
          "adds a byte-order mark: there use -Encoding ascii, for ASCII text); in an editor: "
          "save with encoding UTF-8");
    }
  } else if (t[0] == '#') {
    hints.push_back("'#' does not start a comment here, ';' does");
  } else if (t[0] == '[') {
    const std::size_t close = t.find(']');
    const std::size_t after =
        close == std::string::npos ? std::string::npos : t.find_first_not_of(" \t", close + 1);
    if (after != std::string::npos && (t[after] == ';' || t[after] == '#')) {
      hints.push_back("a comment cannot follow a header: put it on a line of its own");
    } else {
      hints.push_back("a header is '[name]' alone on its line");
    }
  } else if (equals > 1) {
    hints.push_back("a value cannot hold '='");
  } else if (equals == 1 && (builder == nullptr || builder->sections().empty())) {
    hints.push_back("entries follow a section header, such as [Environment]");
  } else if (equals == 0) {
    hints.push_back(
        "an entry is 'NAME = value', a header '[name]', a comment starts with "
        "';'");
  }
}

void unsethints(const error& e, const envbuilder& builder, std::vector<std::string>& hints) {
  const std::string& name = e.subject();
  std::size_t at = 0;
  for (const envbuilder::section& s : builder.sections()) {
    if (kindof(s.name()) != sectionkind::environment) continue;
    for (const envbuilder::entry& set : s) {
      if (envkey(set.name()) == envkey(name)) at = set.line();
    }
  }
  if (at > e.line()) {
    hints.push_back(name + " is set at line " + std::to_string(at) + ", after this line");
    return;
  }
  if (at != 0) return;
  for (const envbuilder::section& s : builder.sections()) {
    if (kindof(s.name()) != sectionkind::plain) continue;
    const envbuilder::entry& held = s.getentry(name.c_str());
    if (held.name() == name && !name.empty()) {
      hints.push_back(name + " is an entry of [" + s.name() + "] at line " +
                      std::to_string(held.line()) + ", which sets no variable");
      return;
    }
  }
}

void missingdirhints(const error& e, const envbuilder& builder, std::vector<std::string>& hints) {
  const envbuilder::entry& held =
      builder.getsection(e.section().c_str()).getentry(e.entry().c_str());
  if (held.name() != e.entry() || held.value().empty()) return;
  const std::string& dir = held.value();
  std::string hint = "looked for the directory '" + dir + "'";
  if (!isabsolute(dir)) hint += " in the working directory '" + workingdirectory() + "'";
  // The message shows the value as written; the directory, as converted.
  const bool shown = e.subject() == dir;
  if (!shown || !isabsolute(dir)) hints.push_back(hint);
  std::string unknown;
  if (regularfileat(dir, unknown).value_or(false)) {
    hints.push_back("'" + dir + "' exists, but is no directory");
  }
}

// An entry with an empty side: the error's subject is its line, which
// holds one '=', both sides trimmed as the reader trims them.
void emptysidehints(const error& e, std::vector<std::string>& hints) {
  const std::string& line = e.subject();
  const std::size_t eq = line.find('=');
  if (eq == std::string::npos) return;
  const auto trimmed = [](std::string side) {
    const char* blanks = " \t\n\v\f\r";
    side.erase(0, side.find_first_not_of(blanks));
    side.erase(side.find_last_not_of(blanks) + 1);
    return side;
  };
  const std::string name = trimmed(line.substr(0, eq)), value = trimmed(line.substr(eq + 1));
  const bool noname = name.empty(), novalue = value.empty();
  const sectionkind kind = kindof(e.section());
  const bool paths = kind == sectionkind::executablepaths || kind == sectionkind::librarypaths;
  if (noname && novalue) {
    hints.push_back(
        "an entry is 'NAME = value', neither side empty: fill both in or leave the "
        "line out");
  } else if (novalue) {
    std::string hint = "write the " + std::string(paths ? "directory" : "value") +
                       " after '=', as '" + name + " = <" + (paths ? "directory" : "value") +
                       ">', or leave the line out";
    if (kind == sectionkind::environment) hint += ": no entry sets a variable to the empty text";
    hints.push_back(hint);
  } else if (noname) {
    hints.push_back(std::string(kind == sectionkind::environment
                                    ? "write the name of the variable to set"
                                    : "write a name, unique in the section,") +
                    " before '=', as 'NAME = " + value + "'");
  }
}

void duplicatehints(const error& e, const envbuilder& builder, std::vector<std::string>& hints) {
  const envbuilder::section& s = builder.getsection(e.section().c_str());
  if (s.name() != e.section()) return;
  if (e.entry().empty()) {
    hints.push_back("[" + s.name() + "] begins at line " + std::to_string(s.line()) + " already");
    return;
  }
  const envbuilder::entry& first = s.getentry(e.entry().c_str());
  if (first.name() == e.entry()) {
    hints.push_back(e.entry() + " is given at line " + std::to_string(first.line()) + " already");
  }
}

// Whether rule names a lint warning (strict makes those errors), not a
// failure of the library.
bool islintrule(const std::string& rule) {
  if (rule.empty() || rule == "failure") return false;
  for (int k = 0; k <= static_cast<int>(error::kind::other); ++k) {
    if (rule == rulename(static_cast<error::kind>(k))) return false;
  }
  return true;
}

}  // namespace

const char* rulename(error::kind kind) {
  switch (kind) {
    case error::kind::unreadable:
      return "unreadable";
    case error::kind::syntax:
      return "syntax";
    case error::kind::duplicate:
      return "duplicate";
    case error::kind::emptyside:
      return "empty-side";
    case error::kind::missingdir:
      return "missing-directory";
    case error::kind::selfreference:
      return "self-reference";
    case error::kind::unset:
      return "unset";
    case error::kind::invalidpath:
      return "invalid-path";
    case error::kind::refusedname:
      return "refused-name";
    case error::kind::limit:
      return "limit";
    case error::kind::other:
      break;
  }
  return "failure";
}

finding explainfailure(const error& e, const envbuilder* builder) {
  finding f{level::error, rulename(e.what_kind()), e.line(), e.message(), {}};
  switch (e.what_kind()) {
    case error::kind::syntax:
      syntaxhints(e, builder, f.hints);
      break;
    case error::kind::unset:
      if (builder != nullptr) unsethints(e, *builder, f.hints);
      break;
    case error::kind::missingdir:
      if (builder != nullptr) missingdirhints(e, *builder, f.hints);
      break;
    case error::kind::duplicate:
      if (builder != nullptr) duplicatehints(e, *builder, f.hints);
      break;
    case error::kind::emptyside:
      emptysidehints(e, f.hints);
      break;
    default:
      break;
  }
  return f;
}

std::string describe(const std::string& file, const finding& f) {
  std::string where = printable(file);
  if (f.line != 0) where += ':' + std::to_string(f.line);
  std::string text =
      where + (f.severity == level::error ? ": error: " : ": warning: ") + printable(f.message);
  if (islintrule(f.rule)) text += " [" + f.rule + "]";
  for (const std::string& h : f.hints) text += '\n' + where + ": hint: " + printable(h);
  return text;
}

}  // namespace vornenv::cli
