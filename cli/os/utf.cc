#include "cli/os/utf.h"

#include <stdexcept>
#include <string_view>

#include "vornplatform/vornplatform.h"

namespace vornenv::cli {

std::size_t utf8length(const std::string& text, std::size_t pos) {
  const auto byte = [&](std::size_t i) -> unsigned {
    return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u;
  };
  const unsigned b0 = byte(pos);
  if (b0 < 0x80) return pos < text.size() ? 1 : 0;
  std::size_t n;
  unsigned cp;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    n = 2, cp = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    n = 3, cp = b0 & 0x0F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    n = 4, cp = b0 & 0x07;
  } else {
    return 0;
  }
  for (std::size_t k = 1; k < n; ++k) {
    const unsigned b = byte(pos + k);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  // Overlong forms, surrogates and values past Unicode.
  if ((n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000) || cp > 0x10FFFF ||
      (cp >= 0xD800 && cp <= 0xDFFF)) {
    return 0;
  }
  return n;
}

std::u16string utf8to16(const std::string& text) {
  std::u16string out;
  std::size_t run = 0;  // where the valid text not yet converted starts
  const auto flush = [&](std::size_t end) {
    out += vornplatform::toutf16(std::string_view(text).substr(run, end - run));
  };
  for (std::size_t i = 0; i < text.size();) {
    if (const std::size_t n = utf8length(text, i)) {
      i += n;
      continue;
    }
    flush(i);
    // A lone surrogate in its three-byte form comes back as itself: an
    // environment may hold one.  Any other byte outside UTF-8 is U+FFFD.
    try {
      out += vornplatform::toutf16(std::string_view(text).substr(i, 3),
                                   vornplatform::surrogates::keep);
      i += 3;
    } catch (const std::runtime_error&) {
      out += u'\uFFFD';
      i += 1;
    }
    run = i;
  }
  flush(text.size());
  return out;
}

std::optional<std::u16string> utf8to16exact(const std::string& text) {
  try {
    return vornplatform::toutf16(text);
  } catch (const std::runtime_error&) {
    return std::nullopt;
  }
}

std::optional<std::string> utf16to8(const std::u16string& text) {
  try {
    return vornplatform::toutf8(text);
  } catch (const std::runtime_error&) {
    return std::nullopt;
  }
}

}  // namespace vornenv::cli
