#include "cli/output/msyspath.h"

#include <algorithm>
#include <vector>

namespace vornenv::cli {

namespace {

bool isletter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool isslash(char c) { return c == '\\' || c == '/'; }

// "C:" followed by nothing or a separator.
bool drivepath(const std::string& e) {
  return e.size() >= 2 && isletter(e[0]) && e[1] == ':' && (e.size() == 2 || isslash(e[2]));
}

// The elements of a Windows list, quotes taken out: a ';' inside "..."
// belongs to the element, as cmd reads it.  Quotes that do not pair quote
// nothing: one stray '"' must not swallow every element after it.
std::vector<std::string> windowselements(const std::string& list) {
  std::vector<std::string> out(1);
  const bool paired = std::count(list.begin(), list.end(), '"') % 2 == 0;
  bool quoted = false;
  for (char c : list) {
    if (c == '"') {
      quoted = paired && !quoted;
    } else if (c == ';' && !quoted) {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

// One element in MSYS form, or "" when it has none.
std::string msyselement(std::string e) {
  // \\?\ and \\.\ take the rest as it is: a drive path or UNC\server\share.
  if (e.size() >= 4 && isslash(e[0]) && isslash(e[1]) && (e[2] == '?' || e[2] == '.') &&
      isslash(e[3])) {
    e.erase(0, 4);
    const bool unc = e.size() >= 4 && (e[0] == 'U' || e[0] == 'u') &&
                     (e[1] == 'N' || e[1] == 'n') && (e[2] == 'C' || e[2] == 'c') && isslash(e[3]);
    if (unc) {
      e = "//" + e.substr(4);
    } else if (!drivepath(e)) {
      return "";  // a volume or a device: no MSYS form
    }
  }
  if (e.empty()) return "";
  const bool rootedbybackslash = e[0] == '\\';
  std::replace(e.begin(), e.end(), '\\', '/');
  if (e.size() >= 2 && isletter(e[0]) && e[1] == ':') {
    if (!drivepath(e)) return "";  // C:foo: under the drive's current folder
    e = '/' + std::string(1, static_cast<char>(e[0] | 0x20)) + e.substr(2);
  } else if (rootedbybackslash && !(e.size() >= 2 && e[1] == '/')) {
    return "";  // \Windows: on the current drive, which is the process's own
  }
  // A ':' left (a stream name, a stray drive) would split the element, and
  // a ';' (kept by quotes) would split it when MSYS turns PATH back into
  // Windows form for a Windows program.
  if (e.find_first_of(":;") != std::string::npos) return "";
  // bash would expand a leading '~' to the home folder.
  if (e[0] == '~') e.insert(0, "./");
  return e;
}

}  // namespace

std::string msyspathlist(const std::string& windowslist) {
  std::string out;
  for (const std::string& e : windowselements(windowslist)) {
    const std::string converted = msyselement(e);
    if (converted.empty()) continue;
    if (!out.empty()) out += ':';
    out += converted;
  }
  return out;
}

bool ismsyspathname(const std::string& name) {
  static const char path[] = "PATH";
  if (name.size() != 4) return false;
  for (std::size_t i = 0; i < 4; ++i) {
    const char upper =
        name[i] >= 'a' && name[i] <= 'z' ? static_cast<char>(name[i] - 0x20) : name[i];
    if (upper != path[i]) return false;
  }
  return true;
}

}  // namespace vornenv::cli
