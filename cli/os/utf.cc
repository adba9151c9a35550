#include "cli/os/utf.h"

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

namespace {

// The surrogate that text[pos] starts in its three-byte form (ED A0..BF
// 80..BF), as the platform layer writes a lone one in an exact text, or 0.
char16_t surrogateat(const std::string& text, std::size_t pos) {
  if (pos + 2 >= text.size() || static_cast<unsigned char>(text[pos]) != 0xED) return 0;
  const auto b1 = static_cast<unsigned char>(text[pos + 1]);
  const auto b2 = static_cast<unsigned char>(text[pos + 2]);
  if (b1 < 0xA0 || b1 > 0xBF || (b2 & 0xC0) != 0x80) return 0;
  return static_cast<char16_t>(0xD000 | ((b1 & 0x3F) << 6) | (b2 & 0x3F));
}

}  // namespace

std::u16string utf8to16(const std::string& text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = utf8length(text, i);
    if (n == 0) {
      // A lone surrogate comes back as itself: an environment may hold one.
      const char16_t unit = surrogateat(text, i);
      out += unit != 0 ? unit : u'\uFFFD';
      i += unit != 0 ? 3 : 1;
      continue;
    }
    unsigned cp = static_cast<unsigned char>(text[i]);
    if (n > 1) cp &= 0x7Fu >> n;
    for (std::size_t k = 1; k < n; ++k) {
      cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    i += n;
  }
  return out;
}

std::optional<std::u16string> utf8to16exact(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = utf8length(text, i);
    if (n == 0) return std::nullopt;
    i += n;
  }
  return utf8to16(text);
}

std::optional<std::string> utf16to8(const std::u16string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDFFF) {
      const bool pair =
          cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
      if (!pair) return std::nullopt;
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

}  // namespace vornenv::cli
