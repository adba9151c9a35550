#include "cli/os/printable.h"

#include <cstdio>

#include "cli/os/utf.h"

namespace vornenv::cli {

namespace {

std::string hex(unsigned value) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02X", value);
  return buf;
}

}  // namespace

std::string printable(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    const unsigned char c = static_cast<unsigned char>(ch);
    const unsigned char next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
      // U+0080 to U+009F in UTF-8: C1 controls, which terminals obey too
      // (U+009B starts an escape sequence like ESC [).
      out += "\\xC2\\x" + hex(next);
      ++i;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c < 0x20 || c == 0x7F) {
      out += "\\x" + hex(c);
    } else if (c >= 0x80) {
      // The host's texts are UTF-8; a byte outside it, such as a lone 0x9B
      // (CSI to an 8-bit terminal), is shown as its value.
      const std::size_t n = utf8length(text, i);
      if (n == 0) {
        out += "\\x" + hex(c);
      } else {
        out.append(text, i, n);
        i += n - 1;
      }
    } else {
      out += ch;
    }
  }
  return out;
}

}  // namespace vornenv::cli
