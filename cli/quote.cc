#include "cli/quote.h"

#include <cstdio>

#include "cli/errors.h"
#include "cli/platform.h"
#include "cli/printable.h"
#include "cli/utf.h"

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
    const bool ok =
        (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
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
  const std::u16string units = utf8to16(text);
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
  return "[Environment]::SetEnvironmentVariable(" + powershellstring(c.name) + ", " + value + ")\n";
}

bool iscmdoperator(char16_t ch) {
  return ch == u'^' || ch == u'&' || ch == u'|' || ch == u'<' || ch == u'>' || ch == u'(' ||
         ch == u')';
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
  const std::optional<std::u16string> text = utf8to16exact(c.name + "=" + c.value.value_or(""));
  if (!text) {
    throw failure("export: cmd cannot hold the value of " + printable(c.name) +
                  " (it is not valid text)");
  }
  std::u16string line = u"@set \"";
  bool quoted = true;
  for (char16_t ch : *text) {
    if (ch == u'\r' || ch == u'\n' || ch == u'\x1a') {
      throw failure("export: cmd cannot hold the value of " + printable(c.name) +
                    " (it holds a line break or Ctrl-Z)");
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
    throw failure("export: the value of " + printable(c.name) + " is too long for a cmd line (" +
                  std::to_string(cmdlinemax) + " characters as written)");
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
        out =
            "@if \"!!\"==\"\" (echo vornenv: run this file with delayed expansion off 1>&2"
            " & exit /b 1)\r\n" +
            out;
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

}  // namespace vornenv::cli
