// The shell hook: the code each shell runs at its prompt, the per-prompt
// command it calls, and revert.
//
// The hook applies files that somebody else may have written, and such a
// file can set PROMPT_COMMAND or put a folder in front of PATH: it applies
// exactly the bytes that were allowed, at exactly the file that was
// allowed.  The prompt looks the file's identity up in the list before it
// reads anything, reads an allowed file once, bounded, hashes those bytes
// and parses the same bytes.

#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/apply/apply.h"
#include "cli/apply/changelog.h"
#include "cli/apply/failure.h"
#include "cli/apply/identity.h"
#include "cli/apply/undo.h"
#include "cli/os/errors.h"
#include "cli/os/platform.h"
#include "cli/os/printable.h"
#include "cli/output/quote.h"
#include "cli/project/project.h"
#include "cli/project/sha256.h"
#include "cli/project/trust.h"

namespace vornenv::cli {

namespace {

// The hook's note of what it saw at the last prompt, "v2,SEEN,a" (a: the
// file applied; -: not), where SEEN is the file's identity, its stamp and
// the hash the list holds for it; unset outside any project.  Only this
// file's own entry counts: allowing or denying another file changes
// nothing here.
struct note {
  std::string seen;
  bool applied = false;
};

std::optional<note> readnote(const std::optional<std::string>& text) {
  if (!text || text->compare(0, 3, "v2,") != 0 || text->size() < 5) return std::nullopt;
  const char flag = text->back();
  if ((flag != 'a' && flag != '-') || (*text)[text->size() - 2] != ',') return std::nullopt;
  return note{text->substr(3, text->size() - 5), flag == 'a'};
}

std::string writenote(const std::string& seen, bool applied) {
  return "v2," + seen + (applied ? ",a" : ",-");
}

// Why the hook does not let a file set the variable name, or "".  Its own
// state and the place of its list of allowed files: a file that set them
// would choose what the hook trusts next, or what leaving gives back.  And
// what the shell cannot set.
std::string refusal(const std::string& name, shellformat format) {
  const std::string key = envkey(name);
  const std::string denied = "the hook does not let a file set " + printable(name);
  for (const char* own : {undovariable, hooknotevariable, hookundovariable}) {
    if (key == envkey(own)) return denied + ": it holds vornenv's own state";
  }
  for (const std::string& place : userdatavariables()) {
    if (key == envkey(place)) return denied + ": it says where the list of allowed files is";
  }
  if (key.rfind(envkey("_vornenv_"), 0) == 0) {
    return denied + ": the hook keeps the shell's own variables in such names";
  }
  return cansetname(name, format) ? std::string() : cannotsetname(name, format);
}

// What the prompt found out about the nearest description file.
struct sighting {
  std::optional<std::string> file;     // its path as found
  std::string identity;                // cli/identity.h
  std::optional<std::string> allowed;  // the hash the list holds for it
  std::string cwdfailure;              // why the working directory is unreadable
  std::string seen;                    // all of it, as the note keeps it
};

sighting look() {
  sighting s;
  try {
    s.file = nearestdescription();
  } catch (const failure& e) {
    // A working directory that was removed: said once for as long as the
    // shell stays there.
    s.cwdfailure = e.what();
    s.seen = "?" + encodefield(getenvexact("PWD").value_or(""));
    return s;
  }
  if (!s.file) return s;
  s.identity = fileidentity(*s.file);
  s.allowed = allowedhash(s.identity);
  s.seen = encodefield(s.identity) + ',' + filestamp(*s.file).value_or("") + ',' +
           s.allowed.value_or("-");
  return s;
}

// What became of the nearest file at this prompt.
struct outcome {
  enum class state { applied, refused, failed } result;
  std::string record;  // what undoes it, when applied
};

// Applies the allowed file of s to the environment, noting its changes in
// log, or reports why not (once: the note remembers this version) and
// leaves the environment as it was.
outcome applyallowed(const sighting& s, shellformat format, changelog& log) {
  const std::string shown = printable(*s.file);
  const outcome refused{outcome::state::refused, {}};
  if (!s.allowed) {
    std::cerr << "vornenv: " << shown
              << " is not allowed; 'vornenv allow' applies it from now on\n";
    return refused;
  }
  boundedfile read = readregularfile(*s.file, largestdescription);
  switch (read.outcome) {
    case boundedfile::status::ok:
      break;
    case boundedfile::status::toolarge:
      std::cerr << "vornenv: " << shown << " is larger than " << largestdescription
                << " bytes, the most the hook reads; not applied\n";
      return refused;
    case boundedfile::status::notregular:
      std::cerr << "vornenv: " << shown << " is not a regular file; not applied\n";
      return refused;
    default:
      std::cerr << "vornenv: cannot read " << shown << ": " << read.reason << '\n';
      return refused;
  }
  if (sha256hex(read.bytes) != *s.allowed) {
    std::cerr << "vornenv: " << shown
              << " changed since it was allowed; 'vornenv allow' applies it as it is now\n";
    return refused;
  }
  changelog applied;
  auto builder = std::make_unique<envbuilder>();
  std::optional<finding> failed =
      applyinto(*builder, {*s.file, &read.bytes, s.identity, &applied, nullptr});
  const std::vector<difference> changes = applied.changes();
  if (!failed) {
    // Refused before the shell sets anything.
    for (const difference& c : changes) {
      const std::string why = refusal(c.name, format);
      if (why.empty()) continue;
      const envbuilder::entry* e = nullptr;
      for (const envbuilder::entry& held :
           builder->getsection(sectionname(sectionkind::environment))) {
        if (envkey(held.name()) == envkey(c.name)) e = &held;
      }
      failed = finding{finding::level::error,
                       "",
                       e != nullptr ? e->line() : 0,
                       why,
                       {"the hook does not apply this file"}};
      break;
    }
  }
  std::optional<std::string> record;
  if (!failed) {
    record = pushundolevel(std::nullopt, makeundolevel(changes));
    if (!record) {
      failed = finding{finding::level::error,
                       "",
                       0,
                       "the hook cannot record how to undo this file (over " +
                           std::to_string(undorecordmax) + " bytes)",
                       {}};
    }
  }
  keeptoexit(std::move(builder));
  if (failed) {
    std::cerr << describe(*s.file, *failed) << '\n';
    applied.undo();
    return {outcome::state::failed, {}};
  }
  log.absorb(applied);
  return {outcome::state::applied, std::move(*record)};
}

}  // namespace

int revertcmd(shellformat format, std::ostream& out) {
  const std::optional<std::string> record = getenvexact(undovariable);
  if (!record)
    throw failure(std::string("revert: nothing to undo (") + undovariable + " is not set)");
  std::optional<undostep> step = popundolevel(*record, getenvexact);
  if (!step) {
    throw failure(std::string("revert: ") + undovariable + " does not hold a record of vornenv's");
  }
  if (step->dropped) {
    throw failure(std::string("revert: the older levels of ") + undovariable +
                  " were dropped to keep it within " + std::to_string(undorecordmax) +
                  " bytes; nothing more can be undone");
  }
  step->changes.push_back({undovariable, step->rest});
  formatoptions options;
  options.command = "revert";
  out << formatchanges(step->changes, format, options);
  return 0;
}

int hookcmd(const std::string& shell, std::ostream& out) {
  const std::string self = selfpath();
  if (shell == "bash") {
    // The local has a name of the hook's own: "status" would hide a
    // variable of that name from what the prompt prints.
    out << "_vornenv_hook() {\n"
           "  local _vornenv_status=$?\n"
           "  eval \"$("
        << quotesh(self)
        << " prompt sh)\"\n"
           "  return $_vornenv_status\n"
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
        << quotefish(self)
        << " prompt fish | source\n"
           "end\n";
  } else if (shell == "powershell") {
    // $? and $LASTEXITCODE are the user's: the prompt they had sees them as
    // they were.  $? cannot be set, only made again: a command that fails
    // quietly makes it false.
    out << "if (-not $global:__vornenvprompt) { $global:__vornenvprompt = $function:prompt }\n"
           "function global:prompt {\n"
           "  $vornenvok = $global:?\n"
           "  $vornenvexit = $global:LASTEXITCODE\n"
           "  $vornenvout = & ("
        << quotepowershell(self)
        << ") prompt powershell | Out-String\n"
           "  if ($vornenvout) { Invoke-Expression $vornenvout }\n"
           "  $global:LASTEXITCODE = $vornenvexit\n"
           "  if (-not $vornenvok) { Write-Error '' -ErrorAction Ignore }\n"
           "  & $global:__vornenvprompt\n"
           "}\n";
  } else {
    throw usageerror("hook",
                     "unknown shell '" + printable(shell) + "' (bash, zsh, fish or powershell)");
  }
  return 0;
}

int promptcmd(shellformat format, std::ostream& out) {
  // At every prompt: a walk up the folders, a stat each, the folder
  // resolved, the list read, and the note.
  const sighting now = look();
  const std::optional<std::string> notetext = getenvexact(hooknotevariable);
  const std::optional<note> last = readnote(notetext);
  if (last ? last->seen == now.seen : now.seen.empty() && !notetext) {
    // Nothing to do: no code for a shell, and for json an empty object.
    if (format == shellformat::json) out << formatchanges({}, format);
    return 0;
  }

  // Every change of this prompt, the host's and the file's, as the shell
  // must repeat them.
  changelog log;
  // Leaving what the hook applied: its own record, never export --undo's.
  if (last && last->applied) {
    if (const std::optional<std::string> record = getenvexact(hookundovariable)) {
      // Read once: a record names every variable the file set.
      const std::map<std::string, std::string> env = readenvironment();
      const envlookup now = [&env](const std::string& name) -> std::optional<std::string> {
        auto it = env.find(envkey(name));
        if (it == env.end()) return std::nullopt;
        return it->second;
      };
      if (std::optional<undostep> step = popundolevel(*record, now)) {
        // A name this shell cannot set was never set by the hook here.
        for (const change& c : step->changes) {
          if (cansetname(c.name, format)) log.put(c.name, c.value, now(c.name));
        }
      }
    }
  }
  log.put(hookundovariable, std::nullopt);
  bool applied = false;
  if (!now.cwdfailure.empty()) {
    std::cerr << "vornenv: " << now.cwdfailure << "; no .vornenv.ini applies\n";
  } else if (now.file) {
    const outcome result = applyallowed(now, format, log);
    if (result.result == outcome::state::applied) {
      log.put(hookundovariable, result.record);
      applied = true;
    } else if (result.result == outcome::state::failed && last && last->applied &&
               last->seen.rfind(encodefield(now.identity) + ',', 0) == 0) {
      // A new version of the file that fails changes nothing: the version
      // applied before stays, with its record, until the file is mended or
      // left.  Another file's stays undone.
      log.undo();
      applied = true;
    }
  }
  log.put(hooknotevariable, now.seen.empty()
                                ? std::nullopt
                                : std::optional<std::string>(writenote(now.seen, applied)));
  // The host's own variables are no shell's own: kept apart from the
  // code that gives a shell's variables back.
  std::vector<change> own, files;
  for (difference& d : log.changes()) {
    const std::string key = envkey(d.name);
    const bool host = key == envkey(hooknotevariable) || key == envkey(hookundovariable);
    // Marked when the variable was not set before, for the shell's own.
    (host ? own : files).push_back({std::move(d.name), std::move(d.after), !d.before});
  }
  formatoptions options;
  options.command = "prompt";
  if (format == shellformat::json) {
    // One object, the hook's state first: JSON has no second document.
    own.insert(own.end(), std::make_move_iterator(files.begin()),
               std::make_move_iterator(files.end()));
    out << formatchanges(own, format, options);
    return 0;
  }
  const std::string hostcode = formatchanges(own, format, options);
  options.keepshellvars = true;
  // The hook's state first: should the shell fail at one of the file's
  // variables (one the user keeps as an array, say), leaving still knows
  // what to undo.
  out << hostcode << formatchanges(files, format, options);
  return 0;
}

}  // namespace vornenv::cli
