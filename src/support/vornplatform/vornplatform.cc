#include "vornplatform/vornplatform.h"

#include <stdexcept>
#include <utility>

#include "private/errstream.h"
#include "private/hashindex.h"
#include "vornplatform/backend.h"

namespace vornplatform {

vornstr::vornstr(const char* text) : text_(text == nullptr ? "" : text) {}

vornstr::vornstr(const std::string& text) : text_(text) {}

vornstr::vornstr(std::string&& text) noexcept : text_(std::move(text)) {}

namespace {

// vornplatform sits below vornenv and cannot call its envassert, so it
// reports in the same form itself.
[[noreturn]] void fail(const std::string& message, report how) {
  if (how == report::loud)
    vornsupport::errstream() << "****ASSERTION****: " << message << std::endl;
  throw std::runtime_error(message);
}

[[noreturn]] void failunheld(const std::string& name, report how) {
  fail(name +
           " getenvvar - the value holds characters that the ANSI code page "
           "cannot represent!",
       how);
}

// Names and values cross the platform as C strings: an embedded NUL would
// cut them short, so it is refused like any name the platform refuses.
void requireclean(const std::string& name, const std::string& value, report how) {
  if (name.find('\0') != std::string::npos || value.find('\0') != std::string::npos) {
    fail(name + " putenvvar - failed to set environment variable!", how);
  }
}

}  // namespace

vornstr getenvvar(const vornstr& name) { return getenvvar(name, report::loud); }

vornstr getenvvar(const vornstr& name, report how) {
  std::string value;
  if (!backend::getvar(name.str(), value)) failunheld(name.str(), how);
  return vornstr(std::move(value));
}

void putenvvar(const vornstr& name, const vornstr& value) { putenvvar(name, value, report::loud); }

void putenvvar(const vornstr& name, const vornstr& value, report how) {
  requireclean(name.str(), value.str(), how);
  for (const auto& [text, what] : {std::pair(&name, "name"), std::pair(&value, "value")}) {
    if (!backend::held(text->str())) {
      fail(name.str() + " putenvvar - the " + what +
               " holds characters that the ANSI code page cannot represent!",
           how);
    }
  }
  if (!backend::setvar(name.str(), value.str())) {
    fail(name.str() + " putenvvar - failed to set environment variable!", how);
  }
}

namespace {

// Whether a variable can have this name: the platforms' own lookups take
// "A=B" for A (when A holds "B=...") and stop at a NUL byte.
bool nameable(const std::string& name) {
  return !name.empty() && name.find_first_of(std::string_view("=\0", 2)) == std::string::npos;
}

}  // namespace

std::string getenvexact(const vornstr& name) {
  return nameable(name.str()) ? backend::getexact(name.str()) : std::string();
}

std::optional<std::string> findenvexact(const vornstr& name) {
  std::string value;
  if (!nameable(name.str()) || !backend::findexact(name.str(), value)) return std::nullopt;
  return value;
}

std::u16string toutf16(std::string_view utf8, surrogates lone, report how) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    const std::size_t n = b < 0x80                ? 1
                          : b >= 0xC2 && b < 0xE0 ? 2
                          : b >= 0xE0 && b < 0xF0 ? 3
                          : b >= 0xF0 && b < 0xF5 ? 4
                                                  : 0;
    if (n == 0 || i + n > utf8.size()) fail("toutf16 - the text is not UTF-8!", how);
    char32_t c = n == 1 ? b : n == 2 ? b & 0x1F : n == 3 ? b & 0x0F : b & 0x07;
    for (std::size_t k = 1; k < n; ++k) {
      const auto t = static_cast<unsigned char>(utf8[i + k]);
      if ((t & 0xC0) != 0x80) fail("toutf16 - the text is not UTF-8!", how);
      c = (c << 6) | (t & 0x3F);
    }
    constexpr char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < least[n] || c > 0x10FFFF) fail("toutf16 - the text is not UTF-8!", how);
    if (c >= 0xD800 && c < 0xE000 && lone == surrogates::fail) {
      fail("toutf16 - the text holds a lone surrogate!", how);
    }
    // A high surrogate's form followed by a low one's would cross as a pair,
    // one other character: toutf8() writes a pair as four bytes, never so.
    if (c >= 0xD800 && c < 0xDC00 && i + 4 < utf8.size() &&
        static_cast<unsigned char>(utf8[i + 3]) == 0xED &&
        static_cast<unsigned char>(utf8[i + 4]) >= 0xB0) {
      fail("toutf16 - the text is not UTF-8!", how);
    }
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    i += n;
  }
  return out;
}

std::string toutf8(std::u16string_view utf16, surrogates lone, report how) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char32_t c = utf16[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (utf16[++i] - 0xDC00);
    } else if (c >= 0xD800 && c < 0xE000 && lone == surrogates::fail) {
      fail("toutf8 - the text holds a lone surrogate!", how);
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

void putenvexact(const vornstr& name, const std::string& value, report how) {
  requireclean(name.str(), value, how);
  if (!backend::held(name.str())) {
    fail(name.str() +
             " putenvvar - the name holds characters that the ANSI code page cannot "
             "represent!",
         how);
  }
  if (!backend::setexact(name.str(), value)) {
    fail(name.str() + " putenvvar - failed to set environment variable!", how);
  }
}

void setenvexact(const vornstr& name, const std::optional<std::string>& value, report how) {
  requireclean(name.str(), value.value_or(std::string()), how);
  if (!backend::held(name.str())) {
    fail(name.str() +
             " putenvvar - the name holds characters that the ANSI code page cannot "
             "represent!",
         how);
  }
  if (!backend::putexact(name.str(), value)) {
    fail(name.str() + " putenvvar - failed to set environment variable!", how);
  }
}

std::string exacttext(const vornstr& narrow) { return backend::toexact(narrow.str()); }

bool holdsexactly(const vornstr& narrow) { return backend::held(narrow.str()); }

envsnapshot::envsnapshot() {
  std::vector<backend::listedvar> listed = backend::listvars();
  const bool folds = backend::foldsnames();
  std::size_t held = 0;
  for (const backend::listedvar& v : listed) held += v.held;
  // The variables that the narrow text cannot hold are only keys, after
  // those of vars_: looking one up fails as getenvvar() would.
  vars_.reserve(held);
  if (folds) folded_.resize(listed.size());
  std::vector<std::size_t> order;
  order.reserve(listed.size());
  std::size_t unheld = held;
  for (backend::listedvar& v : listed) {
    const std::size_t pos = v.held ? vars_.size() : unheld++;
    if (v.held) vars_.emplace_back(std::move(v.name), std::move(v.value));
    if (folds) folded_[pos] = std::move(v.key);
    order.push_back(pos);
  }
  const auto keyat = [this](std::size_t i) { return keyof(i); };
  vornenv::hashindex::reserve(index_, order.size(), keyat);
  std::size_t count = 0;
  for (const std::size_t i : order) {
    const std::string_view key = keyof(i);
    const std::uint32_t hash = vornenv::hashindex::hashof(key);
    // The first variable that answers to a key wins, in the platform's order.
    if (vornenv::hashindex::find(index_, key, hash, keyat) != vornenv::hashindex::npos) continue;
    vornenv::hashindex::insert(index_, ++count, i, hash, keyat);
  }
}

std::vector<std::pair<std::string, std::string>> listexact() { return backend::listexact(); }

std::string exactkey(const std::string& name) { return backend::exactkey(name); }

std::size_t longestvalue() { return backend::longestvalue(); }

std::size_t valuelength(std::string_view value) { return backend::valuelength(value); }

std::size_t exactlength(std::string_view exact) { return backend::exactlength(exact); }

bool fitsvariable(std::size_t namelength, std::size_t valuelength) {
  return backend::fits(namelength, valuelength);
}

envsnapshot::envsnapshot(const envsnapshot& other) = default;

envsnapshot& envsnapshot::operator=(const envsnapshot& other) = default;

envsnapshot::~envsnapshot() = default;

std::string_view envsnapshot::keyof(std::size_t i) const {
  return folded_.empty() ? std::string_view(vars_[i].first) : std::string_view(folded_[i]);
}

vornstr envsnapshot::get(const vornstr& name, report how) const {
  const std::string& n = name.str();
  // The platform's own lookup of a name that no listed variable can carry
  // may still match something (glibc's getenv("A=B") finds A set to "B=x"):
  // ask it directly, so that get() never differs from getenvvar().
  if (n.empty() || n.find('=') != std::string::npos) return getenvvar(name, how);
  const std::string folded = folded_.empty() ? std::string() : backend::lookupkey(n);
  const std::string_view key = folded_.empty() ? std::string_view(n) : std::string_view(folded);
  const std::size_t i = vornenv::hashindex::find(index_, key, vornenv::hashindex::hashof(key),
                                                 [this](std::size_t j) { return keyof(j); });
  if (i == vornenv::hashindex::npos) return vornstr("");
  if (i >= vars_.size()) failunheld(n, how);
  return vornstr(vars_[i].second);
}

}  // namespace vornplatform
