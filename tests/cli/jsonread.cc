#include "cli/jsonread.h"

#include <cstdio>
#include <optional>
#include <stdexcept>

#include "cli/os/utf.h"

namespace vornenv::testing {

namespace {

class reader {
 public:
  explicit reader(const std::string& text) : text_(text) {}

  jsonvalue document() {
    jsonvalue v = value();
    space();
    if (at_ != text_.size()) fail("text after the value");
    return v;
  }

 private:
  [[noreturn]] void fail(const std::string& what) const {
    throw std::runtime_error("JSON at offset " + std::to_string(at_) + ": " + what);
  }

  void space() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\n' || text_[at_] == '\t' || text_[at_] == '\r')) {
      ++at_;
    }
  }

  bool take(char c) {
    space();
    if (at_ == text_.size() || text_[at_] != c) return false;
    ++at_;
    return true;
  }

  void expect(char c) {
    if (!take(c)) fail(std::string("expected '") + c + "'");
  }

  bool word(const char* w) {
    const std::string s(w);
    if (text_.compare(at_, s.size(), s) != 0) return false;
    at_ += s.size();
    return true;
  }

  jsonvalue value() {
    space();
    if (at_ == text_.size()) fail("no value");
    const char c = text_[at_];
    if (c == '{') return object();
    if (c == '[') return array();
    if (c == '"') return jsonvalue(string());
    if (word("null")) return nullptr;
    if (word("true")) return true;
    if (word("false")) return false;
    if (c == '-' || (c >= '0' && c <= '9')) return number();
    fail("no value");
  }

  jsonvalue number() {
    const std::size_t start = at_;
    if (text_[at_] == '-') ++at_;
    const std::size_t digits = at_;
    while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
    if (at_ == digits || (text_[digits] == '0' && at_ - digits > 1)) fail("a malformed number");
    if (at_ < text_.size() && (text_[at_] == '.' || text_[at_] == 'e' || text_[at_] == 'E')) {
      fail("a number that is not an integer");
    }
    return std::stoll(text_.substr(start, at_ - start));
  }

  unsigned hex4() {
    if (at_ + 4 > text_.size()) fail("a short \\u escape");
    unsigned v = 0;
    for (int i = 0; i < 4; ++i) {
      const char h = text_[at_++];
      const int digit = h >= '0' && h <= '9'   ? h - '0'
                        : h >= 'a' && h <= 'f' ? h - 'a' + 10
                        : h >= 'A' && h <= 'F' ? h - 'A' + 10
                                               : -1;
      if (digit < 0) fail("a bad \\u escape");
      v = v * 16 + static_cast<unsigned>(digit);
    }
    return v;
  }

  std::string string() {
    expect('"');
    std::string out;
    for (;;) {
      if (at_ == text_.size()) fail("a string never closed");
      const unsigned char c = static_cast<unsigned char>(text_[at_]);
      if (c == '"') break;
      if (c < 0x20) fail("a raw control byte in a string");
      if (c >= 0x80) {
        const std::size_t n = cli::utf8length(text_, at_);
        if (n == 0) fail("invalid UTF-8 in a string");
        out.append(text_, at_, n);
        at_ += n;
        continue;
      }
      ++at_;
      if (c != '\\') {
        out += static_cast<char>(c);
        continue;
      }
      if (at_ == text_.size()) fail("a string never closed");
      const char e = text_[at_++];
      const std::string simple = "\"\\/bfnrt", meant = "\"\\/\b\f\n\r\t";
      if (const std::size_t k = simple.find(e); k != std::string::npos) {
        out += meant[k];
      } else if (e == 'u') {
        std::u16string units(1, static_cast<char16_t>(hex4()));
        if (units[0] >= 0xD800 && units[0] < 0xDC00 && word("\\u")) {
          units += static_cast<char16_t>(hex4());
        }
        const std::optional<std::string> utf8 = cli::utf16to8(units);
        if (!utf8) fail("a lone surrogate");
        out += *utf8;
      } else {
        fail(std::string("an unknown escape \\") + e);
      }
    }
    ++at_;
    return out;
  }

  jsonvalue array() {
    expect('[');
    jsonvalue v = jsonarray({});
    if (take(']')) return v;
    do {
      v.items.push_back(value());
    } while (take(','));
    expect(']');
    return v;
  }

  jsonvalue object() {
    expect('{');
    jsonvalue v = jsonobject({});
    if (take('}')) return v;
    do {
      space();
      std::string key = string();
      for (const std::string& k : v.keys) {
        if (k == key) fail("the key \"" + key + "\" given twice");
      }
      expect(':');
      v.keys.push_back(std::move(key));
      v.items.push_back(value());
    } while (take(','));
    expect('}');
    return v;
  }

  const std::string& text_;
  std::size_t at_ = 0;
};

void writestring(std::ostream& out, const std::string& text) {
  out << '"';
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out << '\\' << c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
      out << buf;
    } else {
      out << c;
    }
  }
  out << '"';
}

}  // namespace

const jsonvalue& jsonvalue::operator[](const std::string& key) const {
  if (type == kind::object) {
    for (std::size_t i = 0; i < keys.size(); ++i) {
      if (keys[i] == key) return items[i];
    }
  }
  throw std::out_of_range("no member \"" + key + "\"");
}

const jsonvalue& jsonvalue::operator[](std::size_t index) const {
  if (type != kind::array || index >= items.size()) {
    throw std::out_of_range("no element " + std::to_string(index));
  }
  return items[index];
}

const std::string& jsonvalue::str() const {
  if (type != kind::string) throw std::runtime_error("not a JSON string");
  return text;
}

bool jsonvalue::operator==(const jsonvalue& other) const {
  return type == other.type && boolean == other.boolean && number == other.number &&
         text == other.text && keys == other.keys && items == other.items;
}

jsonvalue jsonarray(std::initializer_list<jsonvalue> items) {
  jsonvalue v;
  v.type = jsonvalue::kind::array;
  v.items = items;
  return v;
}

jsonvalue jsonobject(std::initializer_list<std::pair<std::string, jsonvalue>> members) {
  jsonvalue v;
  v.type = jsonvalue::kind::object;
  for (const auto& [key, value] : members) {
    v.keys.push_back(key);
    v.items.push_back(value);
  }
  return v;
}

jsonvalue readjson(const std::string& text) { return reader(text).document(); }

std::ostream& operator<<(std::ostream& out, const jsonvalue& v) {
  switch (v.type) {
    case jsonvalue::kind::null:
      return out << "null";
    case jsonvalue::kind::boolean:
      return out << (v.boolean ? "true" : "false");
    case jsonvalue::kind::number:
      return out << v.number;
    case jsonvalue::kind::string:
      writestring(out, v.text);
      return out;
    case jsonvalue::kind::array:
    case jsonvalue::kind::object:
      break;
  }
  const bool object = v.type == jsonvalue::kind::object;
  out << (object ? '{' : '[');
  for (std::size_t i = 0; i < v.items.size(); ++i) {
    if (i != 0) out << ", ";
    if (object) {
      writestring(out, v.keys[i]);
      out << ": ";
    }
    out << v.items[i];
  }
  return out << (object ? '}' : ']');
}

}  // namespace vornenv::testing
