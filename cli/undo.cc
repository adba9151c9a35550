#include "cli/undo.h"

#include <vornenv/vornenv.h>

#include <cstddef>
#include <set>
#include <utility>

namespace vornenv::cli {

const char* const undovariable = "VORNENV_UNDO";

namespace {

bool plain(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::string("._/\\:;+@ -").find(static_cast<char>(c)) != std::string::npos;
}

int hexdigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The elements of a path list, empty ones kept out as the library does.
std::vector<std::string> splitlist(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(pathlistsep, start);
    std::string piece = text.substr(start, end == std::string::npos ? end : end - start);
    if (!piece.empty()) out.push_back(std::move(piece));
    if (end == std::string::npos) return out;
    start = end + 1;
  }
}

std::string joinlist(const std::vector<std::string>& list) {
  std::string out;
  for (const std::string& e : list) {
    if (!out.empty()) out += pathlistsep;
    out += e;
  }
  return out;
}

std::optional<std::string> valueof(const envmap& env, const std::string& name) {
  auto it = env.find(envkey(name));
  if (it == env.end()) return std::nullopt;
  return it->second.value;
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

std::string makeundo(const envmap& before, const envmap& after) {
  const std::string undokey = envkey(undovariable);
  std::string record = "v1";
  const auto item = [&record](char kind, const std::string& name,
                              const std::optional<std::string>& old) {
    record += ',';
    record += old ? kind : 'u';
    record += encodefield(name);
    if (old) record += '=' + encodefield(*old);
  };
  item('s', undovariable, valueof(before, undovariable));
  const std::string pathkey = envkey("PATH");
  std::set<std::string> keys;
  for (const auto& [key, var] : before) keys.insert(key);
  for (const auto& [key, var] : after) keys.insert(key);
  for (const std::string& key : keys) {
    if (key == undokey) continue;
    auto b = before.find(key);
    auto a = after.find(key);
    const std::optional<std::string> old =
        b == before.end() ? std::nullopt : std::optional<std::string>(b->second.value);
    const std::optional<std::string> now =
        a == after.end() ? std::nullopt : std::optional<std::string>(a->second.value);
    if (old == now) continue;
    const std::string& name = a != after.end() ? a->second.name : b->second.name;
    if (key == pathkey && old && now) {
      item('p', name, old);
      record += '=' + encodefield(*now);
    } else {
      item('s', name, old);
    }
  }
  return record;
}

std::vector<std::string> restorepathlist(const std::vector<std::string>& old,
                                         const std::vector<std::string>& set,
                                         const std::vector<std::string>& now) {
  const std::set<std::string> inset(set.begin(), set.end());
  const std::set<std::string> innow(now.begin(), now.end());
  // What the user removed since export stays removed.
  std::vector<std::string> out;
  for (const std::string& e : old) {
    if (inset.count(e) == 0 || innow.count(e) != 0) out.push_back(e);
  }
  // What the user added goes after the element it followed, in front when
  // it followed only elements that go, and at the end when it follows all
  // that export set.
  std::size_t tail = 0;
  for (std::size_t i = 0; i < now.size(); ++i) {
    if (inset.count(now[i]) != 0) tail = i + 1;
  }
  std::size_t at = 0;
  for (std::size_t n = 0; n < now.size(); ++n) {
    const std::string& e = now[n];
    if (n >= tail) at = out.size();
    if (inset.count(e) == 0) {
      bool present = false;
      for (std::size_t i = 0; i < out.size() && !present; ++i) {
        if (out[i] == e) present = true, at = i + 1;
      }
      if (!present) out.insert(out.begin() + static_cast<std::ptrdiff_t>(at++), e);
      continue;
    }
    for (std::size_t i = 0; i < out.size(); ++i) {
      if (out[i] == e) {
        at = i + 1;
        break;
      }
    }
  }
  return out;
}

std::optional<std::vector<change>> undochanges(const std::string& record, const envmap& now) {
  std::vector<std::string> items;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = record.find(',', start);
    items.push_back(record.substr(start, end == std::string::npos ? end : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  if (items.empty() || items[0] != "v1") return std::nullopt;
  std::vector<change> changes;
  std::set<std::string> seen;
  for (std::size_t i = 1; i < items.size(); ++i) {
    const std::string& it = items[i];
    if (it.empty()) return std::nullopt;
    std::vector<std::string> fields;
    std::size_t from = 1;
    for (;;) {
      const std::size_t end = it.find('=', from);
      auto field = decodefield(it.substr(from, end == std::string::npos ? end : end - from));
      if (!field) return std::nullopt;
      fields.push_back(std::move(*field));
      if (end == std::string::npos) break;
      from = end + 1;
    }
    const char kind = it[0];
    const std::size_t expected = kind == 'u' ? 1 : kind == 's' ? 2 : kind == 'p' ? 3 : 0;
    if (expected == 0 || fields.size() != expected || fields[0].empty()) return std::nullopt;
    if (!seen.insert(envkey(fields[0])).second) return std::nullopt;
    std::optional<std::string> value;
    if (kind == 's') value = fields[1];
    if (kind == 'p') {
      const std::optional<std::string> current = valueof(now, fields[0]);
      value = joinlist(restorepathlist(splitlist(fields[1]), splitlist(fields[2]),
                                       splitlist(current.value_or(""))));
      // Nothing changed since export: the old text exactly, empty elements too.
      if (current == fields[2]) value = fields[1];
    }
    if (valueof(now, fields[0]) != value) changes.push_back({fields[0], value});
  }
  return changes;
}

}  // namespace vornenv::cli
