#include "cli/output/quote.h"

#include <cstdio>

#include "cli/os/errors.h"
#include "cli/os/platform.h"
#include "cli/os/printable.h"
#include "cli/os/utf.h"
#include "cli/output/json.h"
#include "cli/output/msyspath.h"

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

const char* formatname(shellformat format) {
  switch (format) {
    case shellformat::sh:
      return "sh";
    case shellformat::fish:
      return "fish";
    case shellformat::powershell:
      return "powershell";
    case shellformat::cmd:
      return "cmd";
    case shellformat::json:
      break;
  }
  return "json";
}

// The variables that each shell keeps for itself: read-only, or arrays and
// tables that no text can be assigned to (bash's and zsh's for sh, whose
// code both read; zsh gives up the rest of an eval at the first of them).
// Found by exporting each in bash 5.2, zsh 5.9 and fish 3.6.
constexpr const char* shkept[] = {
    "ARGC",
    "BASHOPTS",
    "BASH_VERSINFO",
    "EUID",
    "HISTCMD",
    "LINENO",
    "PPID",
    "SHELLOPTS",
    "TTYIDLE",
    "UID",
    "ZSH_EVAL_CONTEXT",
    "ZSH_SUBSHELL",
    "aliases",
    "argv",
    "builtins",
    "cdpath",
    "commands",
    "dis_aliases",
    "dis_builtins",
    "dis_functions",
    "dis_functions_source",
    "dis_galiases",
    "dis_patchars",
    "dis_reswords",
    "dis_saliases",
    "errnos",
    "fignore",
    "fpath",
    "funcfiletrace",
    "funcsourcetrace",
    "funcstack",
    "functions",
    "functions_source",
    "functrace",
    "galiases",
    "history",
    "historywords",
    "jobdirs",
    "jobstates",
    "jobtexts",
    "keymaps",
    "mailpath",
    "manpath",
    "modules",
    "module_path",
    "nameddirs",
    "options",
    "parameters",
    "patchars",
    "path",
    "pipestatus",
    "psvar",
    "reswords",
    "saliases",
    "signals",
    "status",
    "sysparams",
    "termcap",
    "terminfo",
    "userdirs",
    "usergroups",
    "watch",
    "widgets",
    "zsh_eval_context",
    "zsh_scheduled_events",
};
constexpr const char* fishkept[] = {
    "FISH_VERSION",      "PWD",     "SHLVL",    "_",          "fish_kill_signal",
    "fish_pid",          "history", "hostname", "pipestatus", "status",
    "status_generation", "umask",   "version",
};

bool keptbyshell(const std::string& name, shellformat format) {
  const auto has = [&name](const auto& table) {
    for (const char* kept : table) {
      if (name == kept) return true;
    }
    return false;
  };
  return (format == shellformat::sh && has(shkept)) ||
         (format == shellformat::fish && has(fishkept));
}

// sh and fish take a variable name as a bare word: anything else in it
// would be read as code.
void requirename(const change& c, shellformat format, const char* command) {
  if (!cansetname(c.name, format)) {
    throw failure(std::string(command) + ": " + cannotsetname(c.name, format));
  }
}

// Where the hook keeps a shell's own value of a variable that it exports.
std::string shellkeeper(const std::string& name) { return "_vornenv_shell_" + name; }

// How sh and fish write one change: a pattern per kind of line, where @N
// stands for the name, @K for the keeper of the shell's own value and @V
// for the quoted value.
struct linesyntax {
  const char* keep;     // before setting a variable that was unset: keep the shell's own
  const char* set;      // export the value
  const char* unset;    // remove it
  const char* restore;  // remove it, giving the shell's own value back if kept
  std::string (*quote)(const std::string&);
};

// zsh has no export -n, and bash no typeset +x that leaves the scope alone.
const linesyntax shsyntax = {
    "if [ -n \"${@N+x}\" ]; then @K=$@N; else unset @K; fi\n",
    "export @N=@V\n",
    "unset @N\n",
    "if [ -n \"${@K+x}\" ]; then @N=$@K; unset @K; if [ -n \"${ZSH_VERSION-}\" ]; then typeset "
    "-g +x @N; else export -n @N; fi; else unset @N; fi\n",
    quotesh,
};

const linesyntax fishsyntax = {
    "if set -qg @N; set -g @K $@N; else; set -e @K; end\n",
    "set -gx @N @V\n",
    "set -e @N\n",
    "if set -q @K; set -gu @N $@K; set -e @K; else; set -e @N; end\n",
    quotefish,
};

// pattern with its placeholders filled in, in one pass: a value holding
// "@N" stays as it is.
std::string fill(std::string_view pattern, const std::string& name, const std::string& value) {
  std::string out;
  out.reserve(pattern.size() + 2 * name.size() + value.size() + 32);
  for (std::size_t at = 0;;) {
    const std::size_t mark = pattern.find('@', at);
    out.append(pattern, at, mark == std::string_view::npos ? std::string_view::npos : mark - at);
    if (mark == std::string_view::npos) return out;
    const char which = mark + 1 < pattern.size() ? pattern[mark + 1] : '\0';
    if (which == 'N') {
      out += name;
    } else if (which == 'K') {
      out += shellkeeper(name);
    } else if (which == 'V') {
      out += value;
    } else {
      out += '@';  // no placeholder: the character stands
      at = mark + 1;
      continue;
    }
    at = mark + 2;
  }
}

std::string changeline(const change& c, bool keepshellvars, const linesyntax& syntax) {
  if (c.value) {
    const std::string keep =
        keepshellvars && c.wasunset ? fill(syntax.keep, c.name, "") : std::string();
    return keep + fill(syntax.set, c.name, syntax.quote(*c.value));
  }
  return fill(keepshellvars ? syntax.restore : syntax.unset, c.name, "");
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
std::string cmdline(const change& c, bool& bang, const std::string& command) {
  // A '"' in the name would flip cmd out of quotes before the '=': set would
  // then list variables instead of setting one.
  if (c.name.find('"') != std::string::npos) {
    throw failure(command + ": cmd cannot set the variable '" + printable(c.name) +
                  "' (a name holding '\"')");
  }
  const std::optional<std::u16string> text = utf8to16exact(c.name + "=" + c.value.value_or(""));
  if (!text) {
    throw failure(command + ": cmd cannot hold the value of " + printable(c.name) +
                  " (it is not valid text)");
  }
  std::u16string line = u"@set \"";
  bool quoted = true;
  for (char16_t ch : *text) {
    if (ch == u'\r' || ch == u'\n' || ch == u'\x1a') {
      throw failure(command + ": cmd cannot hold the value of " + printable(c.name) +
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
    throw failure(command + ": cmd cannot hold the value of " + printable(c.name) +
                  " (a character that cmd's code page here lacks)");
  }
  // cmd counts characters, the file holds bytes: no fewer bytes than
  // characters in any code page, so the byte count is the safe one.
  if (bytes->size() > cmdlinemax) {
    throw failure(command + ": the value of " + printable(c.name) +
                  " is too long for a cmd line (" + std::to_string(cmdlinemax) +
                  " characters as written)");
  }
  return *bytes + "\r\n";
}

}  // namespace

std::optional<shellformat> parseformat(const std::string& name) {
  // The names people type for the shells: bash and zsh read sh's code.
  if (name == "sh" || name == "bash" || name == "zsh") return shellformat::sh;
  if (name == "fish") return shellformat::fish;
  if (name == "powershell" || name == "pwsh") return shellformat::powershell;
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

bool cansetname(const std::string& name, shellformat format) {
  if (format != shellformat::sh && format != shellformat::fish) return true;
  return isidentifier(name) && !keptbyshell(name, format);
}

std::string cannotsetname(const std::string& name, shellformat format) {
  return std::string(formatname(format)) + " cannot set the variable '" + printable(name) +
         (isidentifier(name) ? "' (the shell keeps it for itself)" : "' (not a valid name)");
}

std::string quotefish(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\\' || c == '\'') out += '\\';
    out += c;
  }
  return out + "'";
}

std::string quotepowershell(const std::string& text) { return powershellstring(text); }

std::string formatchanges(const std::vector<change>& changes, shellformat format,
                          const formatoptions& options) {
  std::string out;
  switch (format) {
    case shellformat::sh:
      for (const change& c : changes) {
        requirename(c, format, options.command);
        if (options.msyspath && ismsyspathname(c.name)) {
          const std::optional<std::string> value =
              c.value ? std::optional<std::string>(msyspathlist(*c.value)) : std::nullopt;
          // An empty PATH is the current folder to bash: a project could
          // plant its own ls there.
          if (value && value->empty()) {
            throw failure(std::string(options.command) +
                          ": no folder of PATH has a form that Git Bash or MSYS2 can read");
          }
          out += changeline({"PATH", value, c.wasunset}, options.keepshellvars, shsyntax);
        } else {
          out += changeline(c, options.keepshellvars, shsyntax);
        }
      }
      break;
    case shellformat::fish:
      for (const change& c : changes) {
        requirename(c, format, options.command);
        out += changeline(c, options.keepshellvars, fishsyntax);
      }
      break;
    case shellformat::powershell:
      for (const change& c : changes) out += powershellline(c);
      break;
    case shellformat::cmd: {
      bool bang = false;
      for (const change& c : changes) out += cmdline(c, bang, options.command);
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
    case shellformat::json: {
      jsonwriter json;
      json.beginobject();
      for (const change& c : changes) json.key(c.name).value(c.value);
      out = json.endobject().finish();
      break;
    }
  }
  return out;
}

}  // namespace vornenv::cli
