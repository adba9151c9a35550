#include "cli/apply/undo.h"

#include <vornenv/vornenv.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <list>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "cli/os/platform.h"

namespace vornenv::cli {

const char* const undovariable = "VORNENV_UNDO";
const char* const hooknotevariable = "VORNENV_HOOK";
const char* const hookundovariable = "VORNENV_HOOK_UNDO";

namespace {

constexpr char levelseparator = '|';
constexpr const char* droppedmark = "-";
constexpr const char* removedhash = "-";

bool plain(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::string("._/\\:;+@ -").find(static_cast<char>(c)) != std::string::npos;
}

int hexdigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    out.push_back(text.substr(start, end == std::string::npos ? end : end - start));
    if (end == std::string::npos) return out;
    start = end + 1;
  }
}

std::string join(const std::vector<std::string>& list, char separator) {
  std::string out;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (i != 0) out += separator;
    out += list[i];
  }
  return out;
}

// A value's fingerprint: whether a variable still holds what was set is all
// it must tell, so 64 bits of FNV-1a do.
std::string hashof(const std::string& value) {
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (char c : value) {
    h ^= static_cast<unsigned char>(c);
    h *= 0x100000001b3ull;
  }
  static const char digits[] = "0123456789abcdef";
  std::string out(16, '0');
  for (int i = 15; i >= 0; --i, h >>= 4) out[static_cast<std::size_t>(i)] = digits[h & 0xf];
  return out;
}

bool ishostvariable(const std::string& key) {
  return key == envkey(undovariable) || key == envkey(hooknotevariable) ||
         key == envkey(hookundovariable);
}

// The item of a path list set from old to now, or "" when now does not
// read as elements put in front of old's: the longest tail of now that
// old's elements give in their order (matched from the end), and the
// elements before it.
std::string pathitem(const std::string& name, const std::string& old, const std::string& now) {
  const std::vector<std::string> before = splitelements(old);
  const std::vector<std::string> after = splitelements(now);
  for (const std::string& e : after) {
    if (e.empty()) return std::string();  // the merge writes none
  }
  std::vector<bool> kept(before.size(), false);
  std::size_t front = after.size();
  std::size_t at = before.size();
  while (front > 0) {
    std::size_t match = at;
    while (match > 0 && before[match - 1] != after[front - 1]) --match;
    if (match == 0) break;
    at = match - 1;
    kept[at] = true;
    --front;
  }
  std::vector<std::string> dropped;
  for (std::size_t i = 0; i < before.size(); ++i) {
    if (!kept[i]) dropped.push_back(std::to_string(i));
  }
  const std::vector<std::string> added(after.begin(),
                                       after.begin() + static_cast<std::ptrdiff_t>(front));
  return 'p' + encodefield(name) + '=' + encodefield(old) + '=' +
         encodefield(join(added, pathlistsep)) + '=' + join(dropped, '.');
}

// The list that a p item says was set: front, then old's elements but the
// dropped ones.  std::nullopt when the positions are not old's.
std::optional<std::vector<std::string>> pathset(const std::string& old, const std::string& front,
                                                const std::string& dropped) {
  const std::vector<std::string> before = splitelements(old);
  std::vector<std::string> set = splitelements(front);
  std::set<std::size_t> gone;
  if (!dropped.empty()) {
    for (const std::string& index : split(dropped, '.')) {
      if (index.empty() || index.size() > 9 ||
          index.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
      }
      const std::size_t i = std::stoul(index);
      if (i >= before.size()) return std::nullopt;
      gone.insert(i);
    }
  }
  for (std::size_t i = 0; i < before.size(); ++i) {
    if (gone.count(i) == 0) set.push_back(before[i]);
  }
  return set;
}

// What undoes one level against now; std::nullopt when it is no level.
std::optional<std::vector<change>> undolevel(const std::string& level, const envlookup& now) {
  std::vector<change> changes;
  if (level.empty()) return changes;
  std::set<std::string> seen;
  for (const std::string& item : split(level, ',')) {
    if (item.empty()) return std::nullopt;
    std::vector<std::string> fields;
    for (const std::string& field : split(item.substr(1), '=')) fields.push_back(field);
    const char kind = item[0];
    const std::size_t expected = kind == 'u' ? 2 : kind == 's' ? 3 : kind == 'p' ? 4 : 0;
    if (expected == 0 || fields.size() != expected) return std::nullopt;
    const std::optional<std::string> name = decodefield(fields[0]);
    if (!name || name->empty() || !seen.insert(envkey(*name)).second) return std::nullopt;
    const std::optional<std::string> current = now(*name);
    if (kind == 'p') {
      const std::optional<std::string> old = decodefield(fields[1]);
      const std::optional<std::string> front = decodefield(fields[2]);
      if (!old || !front) return std::nullopt;
      const std::optional<std::vector<std::string>> set = pathset(*old, *front, fields[3]);
      if (!set) return std::nullopt;
      std::string value = *old;
      // Not as it was set: the user's own changes stay.
      if (current != join(*set, pathlistsep)) {
        std::vector<std::string> elements;
        for (std::string& e : splitelements(*old)) {
          if (!e.empty()) elements.push_back(std::move(e));
        }
        std::vector<std::string> nonempty;
        for (std::string& e : splitelements(current.value_or(""))) {
          if (!e.empty()) nonempty.push_back(std::move(e));
        }
        value = join(restoreempty(splitelements(*old), restorepathlist(elements, *set, nonempty)),
                     pathlistsep);
      }
      if (current != value) changes.push_back({*name, value});
      continue;
    }
    const std::string& newhash = fields.back();
    const bool stillset =
        newhash == removedhash ? !current : current && hashof(*current) == newhash;
    if (newhash != removedhash && newhash.size() != 16) return std::nullopt;
    std::optional<std::string> old;
    if (kind == 's') {
      old = decodefield(fields[1]);
      if (!old) return std::nullopt;
    }
    if (stillset && current != old) changes.push_back({*name, old});
  }
  return changes;
}

}  // namespace

std::string encodefield(const std::string& text) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (plain(b)) {
      out += c;
    } else {
      out += '~';
      out += digits[b >> 4];
      out += digits[b & 0xf];
    }
  }
  return out;
}

std::optional<std::string> decodefield(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '~') {
      if (!plain(static_cast<unsigned char>(text[i]))) return std::nullopt;
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int hi = hexdigit(text[i + 1]), lo = hexdigit(text[i + 2]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  return out;
}

std::vector<std::string> splitelements(const std::string& text) {
  if (text.empty()) return {};
  return split(text, pathlistsep);
}

std::string makeundolevel(const std::vector<difference>& changes) {
  const std::string pathkey = envkey("PATH");
  std::vector<std::string> items;
  for (const difference& d : changes) {
    const std::string key = envkey(d.name);
    if (d.before == d.after || ishostvariable(key)) continue;
    std::string item;
    if (key == pathkey && d.before && d.after) item = pathitem(d.name, *d.before, *d.after);
    if (item.empty()) {
      const std::string newhash = d.after ? hashof(*d.after) : removedhash;
      item = d.before ? 's' + encodefield(d.name) + '=' + encodefield(*d.before) + '=' + newhash
                      : 'u' + encodefield(d.name) + '=' + newhash;
    }
    items.push_back(std::move(item));
  }
  return join(items, ',');
}

std::optional<std::string> pushundolevel(const std::optional<std::string>& record,
                                         const std::string& level) {
  std::vector<std::string> levels{level};
  bool dropped = false;
  if (record && !record->empty()) {
    const std::vector<std::string> old = split(*record, levelseparator);
    if (old[0] != "v2") {
      dropped = true;  // not ours to read: it cannot be undone
    } else {
      for (std::size_t i = 1; i < old.size(); ++i) {
        if (old[i] == droppedmark) {
          dropped = true;
        } else {
          levels.push_back(old[i]);
        }
      }
    }
  }
  const auto size = [&levels, &dropped] {
    std::size_t total = 2;
    for (const std::string& l : levels) total += 1 + l.size();
    return total + (dropped ? 2 : 0);
  };
  while (size() > undorecordmax && levels.size() > 1) {
    levels.pop_back();
    dropped = true;
  }
  if (size() > undorecordmax) return std::nullopt;
  std::string out = "v2";
  for (const std::string& l : levels) out += levelseparator + l;
  if (dropped) out += std::string(1, levelseparator) + droppedmark;
  return out;
}

std::optional<undostep> popundolevel(const std::string& record, const envlookup& now) {
  // None is written longer: a longer one was not written by vornenv.
  if (record.size() > undorecordmax) return std::nullopt;
  const std::vector<std::string> levels = split(record, levelseparator);
  if (levels[0] != "v2") return std::nullopt;
  for (std::size_t i = 1; i + 1 < levels.size(); ++i) {
    if (levels[i] == droppedmark) return std::nullopt;  // only ever last
  }
  undostep step;
  if (levels.size() < 2) return step;
  if (levels[1] == droppedmark) {
    step.dropped = true;
    return step;
  }
  std::optional<std::vector<change>> changes = undolevel(levels[1], now);
  if (!changes) return std::nullopt;
  step.changes = std::move(*changes);
  if (levels.size() > 2) {
    step.rest = "v2" + std::string(1, levelseparator) +
                join(std::vector<std::string>(levels.begin() + 2, levels.end()), levelseparator);
  }
  return step;
}

std::optional<std::vector<std::pair<char, std::string>>> recordednames(const std::string& record) {
  if (record.size() > undorecordmax) return std::nullopt;
  const std::vector<std::string> levels = split(record, levelseparator);
  if (levels[0] != "v2") return std::nullopt;
  std::vector<std::pair<char, std::string>> names;
  if (levels.size() < 2 || levels[1].empty() || levels[1] == droppedmark) return names;
  for (const std::string& item : split(levels[1], ',')) {
    const std::vector<std::string> fields =
        split(item.substr(std::min<std::size_t>(1, item.size())), '=');
    const std::optional<std::string> name = decodefield(fields[0]);
    if (item.empty() || !name) return std::nullopt;
    const char kind = item[0] == 'u'                                   ? '+'
                      : item[0] == 's' && fields.back() == removedhash ? '-'
                                                                       : '~';
    names.emplace_back(kind, *name);
  }
  return names;
}

std::vector<std::string> restorepathlist(const std::vector<std::string>& old,
                                         const std::vector<std::string>& set,
                                         const std::vector<std::string>& now) {
  const std::unordered_set<std::string> inset(set.begin(), set.end());
  const std::unordered_set<std::string> innow(now.begin(), now.end());
  // What the user removed since export stays removed.  A list, with the
  // first place of each element, so that a long PATH costs linear time.
  std::list<std::string> out;
  std::unordered_map<std::string, std::list<std::string>::iterator> first;
  for (const std::string& e : old) {
    if (inset.count(e) != 0 && innow.count(e) == 0) continue;
    const auto at = out.insert(out.end(), e);
    first.emplace(e, at);
  }
  // What the user added goes after the element it followed, in front when
  // it followed only elements that go, and at the end when it follows all
  // that export set.
  std::size_t tail = 0;
  for (std::size_t i = 0; i < now.size(); ++i) {
    if (inset.count(now[i]) != 0) tail = i + 1;
  }
  auto at = out.begin();  // the next one goes in before this
  for (std::size_t n = 0; n < now.size(); ++n) {
    const std::string& e = now[n];
    if (n >= tail) at = out.end();
    const auto held = first.find(e);
    if (held != first.end()) {
      at = std::next(held->second);
    } else if (inset.count(e) == 0) {
      first.emplace(e, out.insert(at, e));
    }
  }
  return std::vector<std::string>(out.begin(), out.end());
}

std::vector<std::string> restoreempty(const std::vector<std::string>& old,
                                      std::vector<std::string> list) {
  // For each place of old, the first element after it that list holds.
  std::unordered_map<std::string, std::size_t> inlist;
  for (std::size_t j = list.size(); j-- > 0;) inlist[list[j]] = j;
  std::vector<std::size_t> before(list.size() + 1, 0);  // empty ones to put before each
  std::size_t next = list.size();                       // the end
  for (std::size_t i = old.size(); i-- > 0;) {
    if (old[i].empty()) {
      ++before[next];
      continue;
    }
    const auto held = inlist.find(old[i]);
    if (held != inlist.end()) next = held->second;
  }
  std::vector<std::string> out;
  out.reserve(list.size() + old.size());
  for (std::size_t j = 0; j <= list.size(); ++j) {
    out.insert(out.end(), before[j], std::string());
    if (j < list.size()) out.push_back(std::move(list[j]));
  }
  return out;
}

}  // namespace vornenv::cli
