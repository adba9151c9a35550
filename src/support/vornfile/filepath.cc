#include "vornfile/vornfile.h"

#include <algorithm>
#include <utility>

#include "vornfile/backend.h"

namespace vornfile {

namespace {

bool isseparator(char c) { return c == '/' || c == '\\'; }

bool isforbidden(unsigned char c, char listsep) {
  return c < 0x20 || c == '<' || c == '>' || c == '"' || c == '|' ||
         c == '?' || c == '*' || c == static_cast<unsigned char>(listsep);
}

bool holdsforbidden(const std::string& text, char listsep) {
  return std::any_of(text.begin(), text.end(), [listsep](char c) {
    return isforbidden(static_cast<unsigned char>(c), listsep);
  });
}

int comparekeys(const std::string& a, const std::string& b) {
  // std::string::compare uses char_traits<char>, which compares as unsigned.
  return a.compare(b);
}

}  // namespace

pathcomp::pathcomp(std::string text) : text_(std::move(text)) {
  if (!backend::fold(text_, key_)) key_.clear();
}

bool pathcomp::operator<(const pathcomp& other) const {
  return comparekeys(key(), other.key()) < 0;
}

bool pathcomp::operator==(const pathcomp& other) const {
  return key() == other.key();
}

filepath::filepath() = default;

filepath::filepath(const char* text)
    : filepath(text == nullptr ? std::string() : std::string(text)) {}

filepath::filepath(const std::string& text) {
  std::string root;
  std::size_t pos = backend::splitroot(text, root);
  setroot(std::move(root));
  const std::size_t n = text.size();
  comps_.reserve(static_cast<std::size_t>(
      std::count_if(text.begin() + static_cast<std::ptrdiff_t>(pos), text.end(), isseparator)) + 1);
  while (pos < n) {
    while (pos < n && isseparator(text[pos])) ++pos;
    std::size_t start = pos;
    while (pos < n && !isseparator(text[pos])) ++pos;
    if (pos == start) break;
    if (pos - start == 1 && text[start] == '.') continue;
    comps_.emplace_back(text.substr(start, pos - start));
  }
  // A relative path that was only "." components still means "here".
  if (root_.empty() && comps_.empty() && !text.empty()) comps_.emplace_back(".");
  rekey();
}

void filepath::rekey() {
  std::size_t len = rootkey_.size();
  for (const pathcomp& c : comps_) len += 1 + c.key().size();
  key_.clear();
  key_.reserve(len);
  key_ += rootkey_;
  for (const pathcomp& c : comps_) {
    key_ += '\0';
    key_ += c.key();
  }
}

void filepath::setroot(std::string root) {
  root_ = std::move(root);
  if (!backend::fold(root_, rootkey_)) rootkey_ = root_;
}

bool filepath::valid() const {
  if (empty()) return false;
  const char sep = backend::listsep();
  if (holdsforbidden(root_, sep)) return false;
  return std::none_of(comps_.begin(), comps_.end(), [sep](const pathcomp& c) {
    return holdsforbidden(c.text_, sep);
  });
}

std::string filepath::str() const {
  std::size_t len = root_.size();
  for (const pathcomp& c : comps_) len += c.text_.size() + 1;
  std::string out;
  out.reserve(len);
  out += root_;
  const char sep = backend::nativesep();
  for (std::size_t i = 0; i < comps_.size(); ++i) {
    if (i != 0) out += sep;
    out += comps_[i].text_;
  }
  return out;
}

filepath::iterator filepath::assign(iterator pos, const filepath& with) {
  const std::size_t i = static_cast<std::size_t>(pos.i_);
  const bool moreafter = i + 1 < comps_.size();
  if (i == 0 && !with.root_.empty()) {
    if (with.comps_.empty() && moreafter) {
      // A bare root in front of further components reads as if the text
      // went on after it: "C:" followed by "tools" is "C:\tools".
      std::string joined = with.root_;
      joined += backend::nativesep();
      joined += 'x';
      std::string root;
      const std::size_t used = backend::splitroot(joined, root);
      // Unless the placeholder itself went into the root, as the share
      // after a bare "\\server" does: then the root stays as it was.
      if (used < joined.size()) {
        setroot(std::move(root));
      } else {
        setroot(with.root_);
      }
    } else {
      setroot(with.root_);
    }
  }
  std::vector<pathcomp> inserted;
  inserted.reserve(with.comps_.size());
  for (const pathcomp& c : with.comps_) {
    if (c.text_ != ".") inserted.push_back(c);
  }
  comps_.erase(comps_.begin() + static_cast<std::ptrdiff_t>(i));
  comps_.insert(comps_.begin() + static_cast<std::ptrdiff_t>(i),
                inserted.begin(), inserted.end());
  std::ptrdiff_t last = static_cast<std::ptrdiff_t>(i + inserted.size()) - 1;
  if (root_.empty() && comps_.empty()) {
    comps_.emplace_back(".");
    last = 0;
  }
  rekey();
  return iterator(&comps_, last);
}

pathcomp filepath::name() const {
  return comps_.empty() ? pathcomp() : comps_.back();
}

filepath filepath::operator+(const pathcomp& c) const {
  filepath out(*this);
  if (c.text_.empty() || c.text_ == ".") return out;
  if (out.root_.empty() && out.comps_.size() == 1 && out.comps_[0].text_ == ".")
    out.comps_.clear();
  out.comps_.push_back(c);
  out.rekey();
  return out;
}

bool filepath::operator<(const filepath& other) const { return comparekeys(key_, other.key_) < 0; }

bool filepath::operator==(const filepath& other) const { return key_ == other.key_; }

}  // namespace vornfile
