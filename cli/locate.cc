#include "cli/locate.h"

#include <set>
#include <string_view>

namespace vornenv::cli {

namespace {

// One significant line as the reader classifies it.
struct fileline {
  enum kindtype { header, entry, stray };
  std::size_t number;
  kindtype kind;
  std::string text;     // trimmed
  std::string section;  // a header's own name, an entry's section
  std::string name, value;
  bool repeated = false;  // a name already used by a header / in the section
};

bool iswhite(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && iswhite(s.front())) s.remove_prefix(1);
  while (!s.empty() && iswhite(s.back())) s.remove_suffix(1);
  return s;
}

// The same classification as the reader: after a header its entry lines,
// then a header again; any other line there is stray and stops the read.
std::vector<fileline> readlines(const std::string& text) {
  std::vector<fileline> lines;
  std::set<std::string> headers, entries;
  std::string section;
  bool inentries = false;
  std::size_t number = 0;
  for (std::size_t pos = 0; pos <= text.size();) {
    std::size_t nl = text.find('\n', pos);
    if (nl == std::string::npos) nl = text.size();
    const std::string_view t = trim(std::string_view(text).substr(pos, nl - pos));
    pos = nl + 1;
    ++number;
    if (t.empty() || t.front() == ';') continue;
    fileline l{number, fileline::stray, std::string(t), section, {}, {}};
    const bool nul = t.find('\0') != std::string_view::npos;
    const std::size_t eq = t.find('=');
    if (inentries && !nul && eq != std::string_view::npos && eq == t.rfind('=')) {
      l.kind = fileline::entry;
      l.name = trim(t.substr(0, eq));
      l.value = trim(t.substr(eq + 1));
      l.repeated = !entries.insert(l.name).second;
    } else if (!nul && t.size() >= 2 && t.front() == '[' && t.back() == ']') {
      l.kind = fileline::header;
      section = l.section = trim(t.substr(1, t.size() - 2));
      l.repeated = !headers.insert(section).second;
      entries.clear();
      inentries = true;
    } else {
      inentries = false;
    }
    lines.push_back(std::move(l));
  }
  return lines;
}

bool ispathsection(const std::string& name) {
  return name == "Executable Paths" || name == "Library Paths";
}

// Whether expanding the entry reads the variable: every value of
// "Environment", and in the path sections the components longer than 4
// characters, which are the only ones expanded.
bool refersto(const fileline& l, const std::string& var) {
  const std::string ref = "$(" + var + ")";
  if (l.section == "Environment") return l.value.find(ref) != std::string::npos;
  if (!ispathsection(l.section)) return false;
  std::size_t start = 0;
  while (start <= l.value.size()) {
    std::size_t stop = l.value.find_first_of("/\\", start);
    if (stop == std::string::npos) stop = l.value.size();
    const std::string comp = l.value.substr(start, stop - start);
    if (comp.size() > 4 && comp.find(ref) != std::string::npos) return true;
    start = stop + 1;
  }
  return false;
}

bool endswith(const std::string& s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

std::vector<std::size_t> locatefailure(const std::string& text, const std::string& message) {
  enum rulekind { strayline, dupheader, dupentry, entrypair, pathentry, envname, reference, noname };
  static constexpr struct {
    std::string_view suffix;
    rulekind kind;
  } rules[] = {
      {" invalid entry found in ini file!", strayline},
      {" duplicate sections defined!", dupheader},
      {" duplicate entry in section!", dupentry},
      {" section::newentry - entry already exists!", dupentry},
      {" either the name or value is null in entry!", entrypair},
      {" section::newentry - Invalid entry provided!", entrypair},
      {" invalid entry found!", pathentry},
      {" putenvvar - failed to set environment variable!", envname},
      {" envvar is not set yet!", reference},
      {" this variable recursively refers to it's self, failed expansion!", reference},
      {"invalid section provided with no name!", noname},
  };
  std::vector<std::size_t> found;
  for (const auto& rule : rules) {
    if (!endswith(message, rule.suffix)) continue;
    std::string subject = message.substr(0, message.size() - rule.suffix.size());
    if (rule.kind == reference) {
      if (subject.size() < 2 || subject.front() != '\'' || subject.back() != '\'') break;
      subject = subject.substr(1, subject.size() - 2);
    }
    for (const fileline& l : readlines(text)) {
      const bool header = l.kind == fileline::header;
      const bool entry = l.kind == fileline::entry;
      bool hit = false;
      switch (rule.kind) {
        case strayline: hit = l.kind == fileline::stray && l.text == subject; break;
        case dupheader: hit = header && l.repeated && l.section == subject; break;
        case dupentry: hit = entry && l.repeated && l.name == subject; break;
        case entrypair: hit = entry && l.name + " --> " + l.value == subject; break;
        case pathentry:
          hit = entry && ispathsection(l.section) && l.name + " --> " + l.value == subject;
          break;
        case envname: hit = entry && l.section == "Environment" && l.name == subject; break;
        case reference: hit = entry && refersto(l, subject); break;
        case noname: hit = header && l.section.empty(); break;
      }
      if (!hit) continue;
      found.push_back(l.number);
      // The reader stops at the first of these.
      if (rule.kind != pathentry && rule.kind != reference) break;
    }
    break;
  }
  return found;
}

bool isfilefailure(const std::string& message) {
  return endswith(message, " Provided ini file does not exist or is not readable!") ||
         endswith(message, " Provided ini file path is invalid!");
}

}  // namespace vornenv::cli
