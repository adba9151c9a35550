// The shell hook: the code each shell runs at its prompt, the per-prompt
// command it calls, and revert.

#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "cli/apply.h"
#include "cli/commands.h"
#include "cli/errors.h"
#include "cli/platform.h"
#include "cli/printable.h"
#include "cli/quote.h"
#include "cli/trust.h"
#include "cli/undo.h"

namespace vornenv::cli {

namespace {

// The hook's own note, "FILE,STAMP,TRUSTSTAMP,a" (a: applied, -: not), of
// the file it saw at the last prompt; unset outside any project.
const char* const hookvariable = "VORNENV_HOOK";

std::vector<change> changesbetween(const envmap& before, const envmap& after) {
  std::vector<change> out;
  std::set<std::string> keys;
  for (const auto& [key, var] : before) keys.insert(key);
  for (const auto& [key, var] : after) keys.insert(key);
  for (const std::string& key : keys) {
    auto b = before.find(key);
    auto a = after.find(key);
    if (a == after.end()) {
      out.push_back({b->second.name, std::nullopt});
    } else if (b == before.end() || b->second.value != a->second.value) {
      out.push_back({a->second.name, a->second.value});
    }
  }
  return out;
}

void setorfail(const std::string& name, const std::optional<std::string>& value) {
  if (!setenvexact(name, value)) throw failure("cannot set " + printable(name));
}

std::string fishword(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\\' || c == '\'') out += '\\';
    out += c;
  }
  return out + "'";
}

std::string powershellword(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

}  // namespace

std::optional<std::unique_ptr<envbuilder>> applyunchanged(
    const std::string& file, const std::string& content, const std::optional<std::string>& stamp,
    const std::function<std::unique_ptr<envbuilder>(const std::string&)>& apply) {
  std::unique_ptr<envbuilder> builder = apply(file);
  if (filestamp(file) != stamp || readwholefile(file) != content) {
    return std::nullopt;
  }
  return builder;
}

int revertcmd(shellformat format, std::ostream& out) {
  const std::optional<std::string> record = getenvexact(undovariable);
  if (!record)
    throw failure(std::string("revert: nothing to undo (") + undovariable + " is not set)");
  const envmap now = snapshotenv();
  std::optional<std::vector<change>> changes = undochanges(*record, now);
  if (!changes) {
    throw failure(std::string("revert: ") + undovariable + " does not hold a record of vornenv's");
  }
  // The hook's note goes too: at the next prompt it applies the file afresh.
  if (now.count(envkey(hookvariable)) != 0) changes->push_back({hookvariable, std::nullopt});
  out << formatchanges(*changes, format);
  return 0;
}

int hookcmd(const std::string& shell, std::ostream& out) {
  const std::string self = selfpath();
  if (shell == "bash") {
    out << "_vornenv_hook() {\n"
           "  local status=$?\n"
           "  eval \"$("
        << quotesh(self)
        << " prompt sh)\"\n"
           "  return $status\n"
           "}\n"
           "if [[ \";${PROMPT_COMMAND[*]:-};\" != *\";_vornenv_hook;\"* ]]; then\n"
           "  PROMPT_COMMAND=\"_vornenv_hook${PROMPT_COMMAND:+;$PROMPT_COMMAND}\"\n"
           "fi\n";
  } else if (shell == "zsh") {
    out << "_vornenv_hook() {\n"
           "  eval \"$("
        << quotesh(self)
        << " prompt sh)\"\n"
           "}\n"
           "typeset -ag precmd_functions\n"
           "if (( ! ${precmd_functions[(I)_vornenv_hook]} )); then\n"
           "  precmd_functions=(_vornenv_hook $precmd_functions)\n"
           "fi\n";
  } else if (shell == "fish") {
    out << "function __vornenv_hook --on-event fish_prompt\n"
           "    "
        << fishword(self)
        << " prompt fish | source\n"
           "end\n";
  } else if (shell == "powershell") {
    out << "if (-not $global:__vornenvprompt) { $global:__vornenvprompt = $function:prompt }\n"
           "function global:prompt {\n"
           "  $vornenvout = & "
        << powershellword(self)
        << " prompt powershell | Out-String\n"
           "  if ($vornenvout) { Invoke-Expression $vornenvout }\n"
           "  & $global:__vornenvprompt\n"
           "}\n";
  } else {
    throw usageerror("hook",
                     "unknown shell '" + printable(shell) + "' (bash, zsh, fish or powershell)");
  }
  return 0;
}

int promptcmd(shellformat format, std::ostream& out) {
  // At every prompt: a walk up the folders, a stat each, and the note.
  const std::optional<std::string> found = nearestdescription();
  std::string seen;
  if (found) {
    seen = encodefield(*found) + ',' + filestamp(*found).value_or("") + ',' +
           filestamp(trustfile()).value_or("0");
  }
  const std::optional<std::string> note = getenvexact(hookvariable);
  const std::size_t comma = note ? note->rfind(',') : std::string::npos;
  const bool applied = comma != std::string::npos && note->compare(comma, 2, ",a") == 0;
  if (note ? comma != std::string::npos && note->compare(0, comma, seen) == 0 : !found) return 0;

  const envmap start = snapshotenv();
  if (applied) {
    if (auto record = getenvexact(undovariable)) {
      if (auto changes = undochanges(*record, start)) {
        for (const change& c : *changes) setorfail(c.name, c.value);
      }
    }
  }
  bool nowapplied = false;
  if (found) {
    const std::optional<std::string> stamp = filestamp(*found);
    const std::optional<std::string> content = readwholefile(*found);
    if (!content || !isallowed(*found, *content)) {
      std::cerr << "vornenv: " << printable(*found)
                << " is not allowed; 'vornenv allow' applies it from now on\n";
    } else {
      const envmap base = snapshotenv();
      try {
        std::optional<std::unique_ptr<envbuilder>> builder =
            applyunchanged(*found, *content, stamp);
        if (!builder) {
          // Not what was allowed: the shell keeps its environment, and the
          // note stays as it was, so the next prompt looks at the file again.
          restoreenvironment(start);
          std::cerr << "vornenv: " << printable(*found)
                    << " changed while it was applied; not applied\n";
          return 0;
        }
        keeptoexit(std::move(*builder));
        setorfail(undovariable, makeundo(base, snapshotenv()));
        nowapplied = true;
      } catch (const filefailure& e) {
        // Reported once: the note below remembers this version of the file.
        std::cerr << e.what() << '\n';
        restoreenvironment(start);
        nowapplied = applied;
      }
    }
    setorfail(hookvariable, seen + (nowapplied ? ",a" : ",-"));
  } else {
    setorfail(hookvariable, std::nullopt);
  }
  out << formatchanges(changesbetween(start, snapshotenv()), format);
  return 0;
}

}  // namespace vornenv::cli
