#include <algorithm>
#include <cstdint>
#include <utility>

#include "vornfile/backend.h"
#include "vornfile/vornfile.h"

namespace vornfile {

namespace {

bool isseparator(char c) { return c == '/' || c == '\\'; }

// The bytes no valid path holds: below 0x20, < > " | ? * and the list
// separator.  Below 64 a bit mask answers, above it only '|' is forbidden.
std::uint64_t forbiddenmask(char listsep) {
  std::uint64_t mask = 0xFFFFFFFFull;
  for (unsigned char c : {'<', '>', '"', '?', '*'}) mask |= std::uint64_t{1} << c;
  const auto sep = static_cast<unsigned char>(listsep);
  if (sep < 64) mask |= std::uint64_t{1} << sep;
  return mask;
}

bool isforbidden(unsigned char c, std::uint64_t mask, char listsep) {
  return c < 64 ? ((mask >> c) & 1) != 0 : c == '|' || c == static_cast<unsigned char>(listsep);
}

// Calls f(text of the component) for each component of a path's text: the
// pieces after the root between native separators.
template <class F>
void eachcomponent(std::string_view text, std::size_t rootlen, std::size_t ncomps, F f) {
  const char sep = backend::nativesep();
  std::size_t start = rootlen;
  for (std::size_t i = 0; i < ncomps; ++i) {
    std::size_t stop = text.find(sep, start);
    if (stop == std::string_view::npos) stop = text.size();
    f(text.substr(start, stop - start));
    start = stop + 1;
  }
}

}  // namespace

pathcomp::pathcomp(std::string text)
    : text_(std::move(text)), key_(text_, 0, backend::significantlength(text_)) {
  backend::fold(key_.data(), key_.data() + key_.size());
  if (key_ == text_) key_.clear();
}

pathcomp::pathcomp(std::string_view text, std::string_view key) : text_(text) {
  if (key != text) key_ = key;
}

bool pathcomp::operator<(const pathcomp& other) const {
  // std::string::compare uses char_traits<char>, which compares as unsigned.
  return key().compare(other.key()) < 0;
}

bool pathcomp::operator==(const pathcomp& other) const { return key() == other.key(); }

filepath::filepath() = default;

filepath::filepath(const char* text) {
  if (text != nullptr) parse(text);
}

filepath::filepath(const std::string& text) { parse(text); }

namespace detail {

textshape appendtext(std::string_view text, std::string& out) {
  const std::size_t base = out.size();
  const std::size_t begin = backend::splitroot(text, out);
  const std::size_t rootlen = out.size() - base;
  const char sep = backend::nativesep();
  const std::size_t n = text.size();
  std::size_t count = 0;
  // Pieces are copied in runs: a run grows while the text is already
  // written as it will be kept (one native separator between components
  // that stay), so a tidy text is copied in one go.
  std::size_t runstart = begin, runend = begin;
  std::size_t pos = begin;
  while (pos < n) {
    const std::size_t gap = pos;
    while (pos < n && isseparator(text[pos])) ++pos;
    const std::size_t start = pos;
    while (pos < n && !isseparator(text[pos])) ++pos;
    if (pos == start) break;
    if (pos - start == 1 && text[start] == '.') continue;
    const bool continues =
        count == 0 ? start == runend : gap == runend && start == gap + 1 && text[gap] == sep;
    if (!continues) {
      out.append(text, runstart, runend - runstart);
      if (count != 0) out += sep;
      runstart = start;
    }
    runend = pos;
    ++count;
  }
  out.append(text, runstart, runend - runstart);
  // A relative path that was only "." components still means "here".
  if (rootlen == 0 && count == 0 && !text.empty()) {
    out += '.';
    count = 1;
  }
  return {rootlen, count};
}

void appendkey(std::string_view text, textshape shape, std::string& out) {
  if (text.empty()) return;
  if (backend::trimscomponents()) {
    // Each component as much of it as counts, after a NUL byte: never
    // longer than the text and its one extra byte.
    const std::size_t keyat = out.size();
    out.append(text.data(), shape.rootlen);
    eachcomponent(text, shape.rootlen, shape.ncomps, [&out](std::string_view c) {
      out += '\0';
      out.append(c.data(), backend::significantlength(c));
    });
    backend::fold(&out[keyat], &out[keyat] + (out.size() - keyat));
    return;
  }
  // The key is the text with a NUL byte in front of each component instead
  // of the separator between them, folded.
  const std::size_t keylen = text.size() + (shape.ncomps != 0 ? 1 : 0);
  const std::size_t keyat = out.size();
  out.resize(keyat + keylen);
  char* const key = &out[keyat];
  const char* const t = text.data();
  std::copy(t, t + shape.rootlen, key);
  if (shape.ncomps != 0) {
    const char sep = backend::nativesep();
    key[shape.rootlen] = '\0';
    for (std::size_t i = shape.rootlen; i < text.size(); ++i) {
      key[i + 1] = t[i] == sep ? '\0' : t[i];
    }
  }
  backend::fold(key, key + keylen);
}

}  // namespace detail

void filepath::parse(std::string_view text) {
  // Written straight into buf_, whose room a reused path keeps; the key of
  // about the same length follows the text.
  buf_.clear();
  buf_.reserve(2 * text.size() + 8);
  const detail::textshape shape = detail::appendtext(text, buf_);
  rootlen_ = shape.rootlen;
  ncomps_ = shape.ncomps;
  addkey();
}

void filepath::settext(std::string text, std::size_t rootlen, std::size_t ncomps) {
  buf_ = std::move(text);
  rootlen_ = rootlen;
  ncomps_ = ncomps;
  addkey();
}

void filepath::addkey() {
  textlen_ = buf_.size();
  if (textlen_ == 0) return;
  // Room first: the key is made from the text in the same buffer.
  buf_.reserve(2 * textlen_ + 2);
  buf_ += '\0';
  detail::appendkey(text(), {rootlen_, ncomps_}, buf_);
}

pathcomp filepath::component(std::ptrdiff_t i) const {
  const std::string_view t = text();
  const char sep = backend::nativesep();
  std::size_t start = rootlen_;
  for (std::ptrdiff_t j = 0; j < i; ++j) start = t.find(sep, start) + 1;
  std::size_t stop = t.find(sep, start);
  if (stop == std::string_view::npos) stop = t.size();
  // Where components are trimmed, the key is the component's own.
  if (backend::trimscomponents()) return pathcomp(std::string(t.substr(start, stop - start)));
  // The key runs one byte ahead of the text: the NUL before the first
  // component has no separator in the text.
  return pathcomp(t.substr(start, stop - start), key().substr(start + 1, stop - start));
}

bool filepath::valid() const {
  if (empty()) return false;
  // The native separator between components is never forbidden.
  const char sep = backend::listsep();
  const std::uint64_t mask = forbiddenmask(sep);
  const std::string_view t = text();
  return std::none_of(t.begin(), t.end(), [mask, sep](char c) {
    return isforbidden(static_cast<unsigned char>(c), mask, sep);
  });
}

std::string filepath::str() const { return std::string(text()); }

bool filepath::absolute() const { return backend::qualifiedroot(text().substr(0, rootlen_)); }

filepath::iterator filepath::assign(iterator pos, const filepath& with) {
  const std::size_t i = static_cast<std::size_t>(pos.i_);
  const bool moreafter = i + 1 < ncomps_;
  const std::string_view withroot = with.text().substr(0, with.rootlen_);
  std::string root(text().substr(0, rootlen_));
  const char sep = backend::nativesep();
  if (i == 0 && withroot.size() == 1 && root.size() > 1) {
    // A lone separator is the root of the current drive: after a drive
    // ("D:" or "D:") or a share it stays on that drive, as the platform
    // combines the two.
    if (root.back() != sep) root += sep;
  } else if (i == 0 && !withroot.empty()) {
    if (with.ncomps_ == 0 && moreafter) {
      // A bare root in front of further components reads as if the text
      // went on after it: "C:" followed by "tools" is "C:\tools".
      std::string joined(withroot);
      joined += backend::nativesep();
      joined += 'x';
      std::string split;  // appended to by splitroot
      const std::size_t used = backend::splitroot(joined, split);
      // Unless the placeholder itself went into the root, as the share
      // after a bare "\\server" does: then the root stays as it was.
      root = used < joined.size() ? std::move(split) : std::string(withroot);
    } else {
      root = std::string(withroot);
    }
  }

  std::string out;
  out.reserve(root.size() + textlen_ + with.textlen_ + 1);
  out += root;
  std::size_t count = 0;
  auto add = [&](std::string_view c) {
    if (count != 0) out += sep;
    out += c;
    ++count;
  };
  std::size_t j = 0;
  std::ptrdiff_t last = 0;
  eachcomponent(text(), rootlen_, ncomps_, [&](std::string_view c) {
    if (j++ != i) {
      add(c);
      return;
    }
    eachcomponent(with.text(), with.rootlen_, with.ncomps_, [&](std::string_view w) {
      if (w != ".") add(w);
    });
    last = static_cast<std::ptrdiff_t>(count) - 1;
  });
  if (root.empty() && count == 0) {
    out = ".";
    count = 1;
    last = 0;
  }
  // Read back from its text, so that the result is the path its text
  // names: a share after a bare "\\server" becomes part of the root.
  // Components that went into the root were at the front.
  parse(out);
  last -= static_cast<std::ptrdiff_t>(count - ncomps_);
  return iterator(this, std::max<std::ptrdiff_t>(last, -1));
}

bool filepath::standalonecomponents() const {
  // One pass: components end at the native separator; the other one gets
  // in only through a pathcomp that breaks its REQUIRES.
  const std::string_view t = text().substr(rootlen_);
  const char sep = backend::nativesep();
  // A root that starts with no separator is a drive, which needs a ':';
  // without one, only the other separator can spoil the components.
  if (t.find(':') == std::string_view::npos) {
    return t.find(sep == '/' ? '\\' : '/') == std::string_view::npos;
  }
  std::string root;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= t.size(); ++i) {
    if (i == t.size() || t[i] == sep) {
      if (backend::splitroot(t.substr(start, i - start), root) != 0) return false;
      start = i + 1;
    } else if (isseparator(t[i])) {
      return false;
    }
  }
  return true;
}

pathcomp filepath::name() const { return ncomps_ == 0 ? pathcomp() : component(size() - 1); }

filepath filepath::operator+(const pathcomp& c) const {
  if (c.text_.empty() || c.text_ == ".") return *this;
  std::string_view base = text();
  std::size_t count = ncomps_;
  if (rootlen_ == 0 && ncomps_ == 1 && base == ".") {
    base = std::string_view();
    count = 0;
  }
  std::string out;
  out.reserve(base.size() + 1 + c.text_.size());
  out += base;
  const char sep = backend::nativesep();
  if (count != 0) out += sep;
  out += c.text_;
  // A component that holds the native separator against its REQUIRES
  // counts as the pieces it reads as, so the text stays the one truth.
  count += 1 + static_cast<std::size_t>(std::count(c.text_.begin(), c.text_.end(), sep));
  filepath p;
  p.settext(std::move(out), rootlen_, count);
  return p;
}

}  // namespace vornfile
