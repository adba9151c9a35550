#include "cli/quote.h"

#include <cstdio>

#include "cli/errors.h"
#include "cli/platform.h"

namespace vornenv::cli {

namespace {

// cmd reads at most this many characters of one command line.
constexpr std::size_t cmdlinemax = 8191;

std::string hex(unsigned value, int digits) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*X", digits, value);
  return buf;
}

bool isidentifier(const std::string& name) {
  if (name.empty() || (name[0] >= '0' && name[0] <= '9')) return false;
  for (char c : name) {
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                    (c >= '0' && c <= '9') || c == '_';
    if (!ok) return false;
  }
  return true;
}

// sh and fish take a variable name as a bare word: anything else in it
// would be read as code.
void requireidentifier(const change& c, const char* shell) {
  if (!isidentifier(c.name)) {
    throw failure(std::string("export: ") + shell + " cannot set the variable '" +
                  printable(c.name) + "' (not a valid name)");
  }
}

std::string quotefish(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\\' || c == '\'') out += '\\';
    out += c;
  }
  return out + "'";
}

// A PowerShell expression for text: printable ASCII runs in single quotes,
// everything else as [char] code units, joined by +.  It starts with a
// string, so + concatenates rather than adds.
std::string powershellstring(const std::string& text) {
  const std::u16string units = toutf16(text);
  std::string out;
  bool inquote = false;
  for (char16_t u : units) {
    if (u >= 0x20 && u < 0x7F) {
      if (!inquote) out += out.empty() ? "'" : " + '";
      inquote = true;
      if (u == '\'') out += '\'';
      out += static_cast<char>(u);
      continue;
    }
    if (inquote) out += '\'';
    inquote = false;
    out += out.empty() ? "'' + " : " + ";
    out += "[char]0x" + hex(u, 4);
  }
  if (inquote) out += '\'';
  return out.empty() ? "''" : out;
}

std::string powershellline(const change& c) {
  const std::string value = c.value ? powershellstring(*c.value) : "$null";
  if (isidentifier(c.name)) return "$env:" + c.name + " = " + value + "\n";
  return "[Environment]::SetEnvironmentVariable(" + powershellstring(c.name) + ", " + value +
         ")\n";
}

bool iscmdoperator(char16_t ch) {
  return ch == u'^' || ch == u'&' || ch == u'|' || ch == u'<' || ch == u'>' ||
         ch == u'(' || ch == u')';
}

// One "@set" line of a batch file, and whether it holds '!'.  Inside "..."
// cmd takes every character but '%' literally; each '"' in the text flips
// cmd in or out of quotes, and outside them ^ must keep the operators from
// splitting the line.  set itself takes everything up to the line's last
// '"', which is ours.  The escapes are added to characters, and the line is
// then encoded whole in the code page cmd reads it in: in a double-byte code
// page '|' or '^' can be the second byte of a character, and an escape put
// between the bytes of one would free the next byte.
std::string cmdline(const change& c, bool& bang) {
  // A '"' in the name would flip cmd out of quotes before the '=': set would
  // then list variables instead of setting one.
  if (c.name.find('"') != std::string::npos) {
    throw failure("export: cmd cannot set the variable '" + printable(c.name) +
                  "' (a name holding '\"')");
  }
  const std::optional<std::u16string> text =
      hosttexttoutf16(c.name + "=" + c.value.value_or(""));
  if (!text) {
    throw failure("export: cmd cannot hold the value of " + printable(c.name) +
                  " (it is not valid text)");
  }
  std::u16string line = u"@set \"";
  bool quoted = true;
  for (char16_t ch : *text) {
    if (ch == u'\r' || ch == u'\n' || ch == u'\x1a') {
      throw failure("export: cmd cannot hold the value of " +
                    printable(c.name) + " (it holds a line break or Ctrl-Z)");
    }
    bang = bang || ch == u'!';
    if (ch == u'%') {
      line += u"%%";
      continue;
    }
    if (ch == u'"') quoted = !quoted;
    if (!quoted && iscmdoperator(ch)) line += u'^';
    line += ch;
  }
  line += u'"';
  const std::optional<std::string> bytes = tocmdtext(line);
  if (!bytes) {
    throw failure("export: cmd cannot hold the value of " + printable(c.name) +
                  " (a character that cmd's code page here lacks)");
  }
  // cmd counts characters, the file holds bytes: no fewer bytes than
  // characters in any code page, so the byte count is the safe one.
  if (bytes->size() > cmdlinemax) {
    throw failure("export: the value of " + printable(c.name) +
                  " is too long for a cmd line (" + std::to_string(cmdlinemax) +
                  " characters as written)");
  }
  return *bytes + "\r\n";
}

}  // namespace

std::optional<shellformat> parseformat(const std::string& name) {
  if (name == "sh") return shellformat::sh;
  if (name == "fish") return shellformat::fish;
  if (name == "powershell") return shellformat::powershell;
  if (name == "cmd") return shellformat::cmd;
  if (name == "json") return shellformat::json;
  return std::nullopt;
}

std::string quotesh(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

std::string formatchanges(const std::vector<change>& changes, shellformat format) {
  std::string out;
  switch (format) {
    case shellformat::sh:
      for (const change& c : changes) {
        requireidentifier(c, "sh");
        out += c.value ? "export " + c.name + "=" + quotesh(*c.value) + "\n"
                       : "unset " + c.name + "\n";
      }
      break;
    case shellformat::fish:
      for (const change& c : changes) {
        requireidentifier(c, "fish");
        out += c.value ? "set -gx " + c.name + " " + quotefish(*c.value) + "\n"
                       : "set -e " + c.name + "\n";
      }
      break;
    case shellformat::powershell:
      for (const change& c : changes) out += powershellline(c);
      break;
    case shellformat::cmd: {
      bool bang = false;
      for (const change& c : changes) out += cmdline(c, bang);
      // With delayed expansion on, cmd would expand !...! and eat carets in
      // these lines: refuse to run rather than set other values.
      if (bang) {
        out = "@if \"!!\"==\"\" (echo vornenv: run this file with delayed expansion off 1>&2"
              " & exit /b 1)\r\n" + out;
      }
      break;
    }
    case shellformat::json:
      out = "{";
      for (std::size_t i = 0; i < changes.size(); ++i) {
        const change& c = changes[i];
        out += i == 0 ? "\n  " : ",\n  ";
        out += quotejson(c.name) + ": " + (c.value ? quotejson(*c.value) : "null");
      }
      out += changes.empty() ? "}\n" : "\n}\n";
      break;
  }
  return out;
}

std::string quotejson(const std::string& text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
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
      out += "\\u" + hex(c, 4);
    } else if (c >= 0x80) {
      const std::size_t n = utf8length(text, i);
      if (n == 0) {
        out += "\\u" + hex(c, 4);
        ++i;
      } else {
        out.append(text, i, n);
        i += n;
      }
      continue;
    } else {
      out += static_cast<char>(c);
    }
    ++i;
  }
  return out + "\"";
}

std::string windowscommandline(const std::vector<std::string>& argv) {
  std::string out;
  for (std::size_t i = 0; i < argv.size(); ++i) {
    const std::string& arg = argv[i];
    if (i != 0) out += ' ';
    const bool plain = !arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos;
    if (plain) {
      out += arg;
      continue;
    }
    if (i == 0) {
      // The program name ends at the next '"', whatever precedes it.
      if (arg.find('"') != std::string::npos) {
        throw failure("a program name cannot hold '\"' on Windows");
      }
      out += '"' + arg + '"';
      continue;
    }
    out += '"';
    std::size_t backslashes = 0;
    for (char c : arg) {
      if (c == '\\') {
        ++backslashes;
        continue;
      }
      // Backslashes are literal unless a '"' follows them.
      if (c == '"') {
        out.append(backslashes * 2 + 1, '\\');
      } else {
        out.append(backslashes, '\\');
      }
      backslashes = 0;
      out += c;
    }
    out.append(backslashes * 2, '\\');
    out += '"';
  }
  return out;
}

std::string printable(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    const unsigned char c = static_cast<unsigned char>(ch);
    const unsigned char next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
      // U+0080 to U+009F in UTF-8: C1 controls, which terminals obey too
      // (U+009B starts an escape sequence like ESC [).
      out += "\\xC2\\x" + hex(next, 2);
      ++i;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c < 0x20 || c == 0x7F) {
      out += "\\x" + hex(c, 2);
    } else if (c >= 0x80) {
      // The host's texts are UTF-8; a byte outside it, such as a lone 0x9B
      // (CSI to an 8-bit terminal), is shown as its value.
      const std::size_t n = utf8length(text, i);
      if (n == 0) {
        out += "\\x" + hex(c, 2);
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
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = utf8length(text, i);
    if (n == 0) {
      out += u'\uFFFD';
      ++i;
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
      const bool pair = cp <= 0xDBFF && i + 1 < text.size() &&
                        text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
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
