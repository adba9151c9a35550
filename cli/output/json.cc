#include "cli/output/json.h"

#include <cstdio>
#include <stdexcept>

#include "cli/os/utf.h"

namespace vornenv::cli {

std::string quotejson(const std::string& text) {
  std::string out = "\"";
  const auto escape = [&out](unsigned char c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\u%04X", c);
    out += buf;
  };
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      const std::size_t n = utf8length(text, i);
      if (n == 0) {
        escape(c);
        ++i;
      } else {
        out.append(text, i, n);
        i += n;
      }
      continue;
    }
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c < 0x20 || c == 0x7F) {
      escape(c);
    } else {
      out += static_cast<char>(c);
    }
    ++i;
  }
  return out + "\"";
}

jsonwriter& jsonwriter::key(const std::string& name) {
  if (open_.empty() || open_.back().close != '}' || afterkey_) {
    throw std::logic_error("jsonwriter: a key outside an object, or two in a row");
  }
  nextelement();
  text_ += quotejson(name);
  text_ += ": ";
  afterkey_ = true;
  return *this;
}

std::string jsonwriter::finish() {
  if (text_.empty() || !open_.empty() || afterkey_) {
    throw std::logic_error("jsonwriter: the document is not complete");
  }
  std::string out = std::move(text_);
  text_.clear();
  return out + '\n';
}

jsonwriter& jsonwriter::open(char opening, char closing) {
  raw(std::string(1, opening));
  open_.push_back({closing, false});
  return *this;
}

jsonwriter& jsonwriter::close(char closing) {
  if (open_.empty() || open_.back().close != closing || afterkey_) {
    throw std::logic_error(std::string("jsonwriter: no container to close with ") + closing);
  }
  const bool filled = open_.back().filled;
  open_.pop_back();
  if (filled) newline();
  text_ += closing;
  return *this;
}

jsonwriter& jsonwriter::raw(const std::string& text) {
  if (afterkey_) {
    afterkey_ = false;
  } else if (open_.empty()) {
    if (!text_.empty()) throw std::logic_error("jsonwriter: a second document");
  } else if (open_.back().close == '}') {
    throw std::logic_error("jsonwriter: an object member without its key");
  } else {
    nextelement();
  }
  text_ += text;
  return *this;
}

void jsonwriter::nextelement() {
  if (open_.back().filled) text_ += ',';
  open_.back().filled = true;
  newline();
}

void jsonwriter::newline() {
  text_ += '\n';
  text_.append(2 * open_.size(), ' ');
}

}  // namespace vornenv::cli
