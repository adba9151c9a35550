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

// Set to any text but "", it keeps the hook from saying what it loaded.
constexpr const char* quietvariable = "VORNENV_QUIET";

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
  for (const char* own : {undovariable, hooknotevariable, hookundovariable, quietvariable}) {
    if (key == envkey(own)) return denied + ": it holds vornenv's own state";
  }
  for (const std::string& place : userdatavariables()) {
    if (key == envkey(place)) return denied + ": it says where the list of allowed files is";
  }
  if (key == envkey("PROMPT_COMMAND")) {
    return denied + ": bash runs the hook from it, and leaving could not undo the file";
  }
  if (key.rfind(envkey("_vornenv_"), 0) == 0) {
    return denied + ": the hook keeps the shell's own variables in such names";
  }
  return cansetname(name, format) ? std::string() : cannotsetname(name, format);
}

// What the prompt found out about the nearest description file.
struct sighting {
  std::string cwd;                       // the working directory, resolved
  std::optional<std::string> file;       // its path as found
  std::optional<std::string> stamp;      // its filestamp(), before it was read
  std::vector<std::string> passed;       // where no file was, on the way up
  std::string identity;                  // cli/identity.h
  std::optional<std::string> allowed;    // the hash the list holds for it
  std::optional<std::string> list;       // the list of allowed files; none without HOME
  std::optional<std::string> liststamp;  // its filestamp(), before it was read
  std::string cwdfailure;                // why the working directory is unreadable
  std::string listfailure;               // why there is no list (no HOME)
  std::string seen;                      // all of it, as the note keeps it
};

sighting look() {
  sighting s;
  // Stamped before they are read: what the hook's code compares at the next
  // prompt is then never newer than what was read.
  try {
    s.list = trustfile();
    s.liststamp = filestamp(*s.list);
  } catch (const failure&) {
    // No list without HOME: nothing is allowed then (listfailure below).
  }
  try {
    s.cwd = currentdir();
    s.file = nearestdescription(&s.passed);
  } catch (const failure& e) {
    // A working directory that was removed: said once for as long as the
    // shell stays there.
    s.cwdfailure = e.what();
    s.seen = "?" + encodefield(getenvexact("PWD").value_or(""));
    return s;
  }
  if (!s.file) return s;
  s.stamp = filestamp(*s.file);
  s.identity = fileidentity(*s.file);
  try {
    s.allowed = allowedhash(s.identity);
  } catch (const failure& e) {
    // Nothing is allowed where no list is: said once, like a file not
    // allowed, and what was applied is undone.
    s.listfailure = e.what();
  }
  s.seen = encodefield(s.identity) + ',' + s.stamp.value_or("") + ',' + s.allowed.value_or("-");
  return s;
}

// What became of the nearest file at this prompt.
struct outcome {
  enum class state { applied, refused, failed } result;
  std::string record;               // what undoes it, when applied
  std::vector<difference> changes;  // what it changed, when applied
};

// Applies the allowed file of s to the environment, noting its changes in
// log, or reports why not (once: the note remembers this version) and
// leaves the environment as it was.
outcome applyallowed(const sighting& s, shellformat format, changelog& log) {
  const std::string shown = printable(*s.file);
  const outcome refused{outcome::state::refused, {}, {}};
  if (!s.listfailure.empty()) {
    std::cerr << "vornenv: " << s.listfailure << "; " << shown << " is not applied\n";
    return refused;
  }
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
    // A file that is mended is seen at the next prompt; a folder that was
    // created, or a variable set, is not.
    if (failed->rule == "missing-directory" || failed->rule == "unset") {
      failed->hints.push_back(
          "once it is there, 'vornenv_reload' applies the file again at the next prompt");
    }
    std::cerr << describe(*s.file, *failed) << '\n';
    applied.undo();
    return {outcome::state::failed, {}, {}};
  }
  log.absorb(applied);
  return {outcome::state::applied, std::move(*record), changes};
}

// path for a person: under the home folder as ~/...
std::string shownpath(const std::string& path) {
  const std::optional<std::string> home = getenvexact("HOME");
  if (home && !home->empty() && path.size() > home->size() &&
      path.compare(0, home->size(), *home) == 0 &&
      std::string(dirseparators()).find(path[home->size()]) != std::string::npos) {
    return printable("~" + path.substr(home->size()));
  }
  return printable(path);
}

// "+NAME" for a variable set that was not, "-NAME" for one removed,
// "~NAME" for one changed: those set first, then changed, then removed.
std::string summary(std::vector<std::pair<char, std::string>> names) {
  auto rank = [](char kind) { return kind == '+' ? 0 : kind == '~' ? 1 : 2; };
  std::stable_sort(names.begin(), names.end(),
                   [&rank](const auto& a, const auto& b) { return rank(a.first) < rank(b.first); });
  // One short line: the first few names, then how many more.
  constexpr std::size_t shown = 8;
  std::string out;
  for (std::size_t i = 0; i < names.size() && i < shown; ++i) {
    out += std::string(i == 0 ? "" : " ") + names[i].first + printable(names[i].second);
  }
  if (names.size() > shown) out += " and " + std::to_string(names.size() - shown) + " more";
  return out.empty() ? "nothing changed" : out;
}

std::vector<std::pair<char, std::string>> namesof(const std::vector<difference>& changes) {
  std::vector<std::pair<char, std::string>> names;
  for (const difference& d : changes) {
    const std::string key = envkey(d.name);
    if (key == envkey(hooknotevariable) || key == envkey(hookundovariable)) continue;
    names.emplace_back(!d.before ? '+' : !d.after ? '-' : '~', d.name);
  }
  return names;
}

// The line that says what the hook did, unless VORNENV_QUIET is set.
void tell(const char* what, const std::string& file, const std::vector<difference>& changes) {
  if (!getenvexact(quietvariable).value_or("").empty()) return;
  std::cerr << "vornenv: " << what << ' ' << shownpath(file) << ": " << summary(namesof(changes))
            << '\n';
}

// The identity of the file that a note says was applied, or "".
std::string appliedidentity(const std::optional<note>& last) {
  if (!last || !last->applied) return "";
  return decodefield(last->seen.substr(0, last->seen.find(','))).value_or("");
}

// Where the hook leaves the marks that let a shell see, without starting
// a process, that a file was not written since the last prompt.
std::string markdir() { return joinpath(userdatadir(), "marks"); }

// A mark with the modification time of the file at path as stamped, or ""
// (no file: the shell runs the prompt next time) when the file changed
// since, or was written too recently to tell.
std::string markfor(const std::string& path, const std::optional<std::string>& stamp) {
  if (!stamp) return "";
  try {
    const std::string dir = markdir();
    const std::string mark = joinpath(dir, sha256hex(path + '\n' + *stamp).substr(0, 32));
    const bool fresh = !filestamp(mark);
    if (makedirs(dir) && markfiletime(path, mark) && filestamp(path) == stamp) {
      if (fresh) pruneolderthan(dir, 30);
      return mark;
    }
  } catch (const failure&) {
    // Nowhere for marks.
  }
  return "";
}

// The most folders between the working directory and the file that the
// hook's code watches; deeper, it runs the prompt each time.
constexpr std::size_t watchedmax = 64;

// The test(1) expression by which the hook's code decides, at the next
// prompt, whether anything the prompt looks at may have changed: true
// while the working directory is the folder it was, the paths where no
// file was still hold none, and the file (no link, whose target could
// change alone) and the list of allowed files keep their modification
// times.  -nt and -ot read nanoseconds.  bash and fish take a missing
// mark as older than any file; zsh takes a missing file as neither older
// nor newer, so for zsh (and plain sh, which could be either) the marks
// must be there, and "" never is.  Every path is absolute: none reads as
// an operator.
std::vector<std::string> unchangedtest(const sighting& s, bool leanmarks) {
  // A working directory that cannot be read, or a walk too deep: false.
  if (!s.cwdfailure.empty() || s.passed.size() > watchedmax || !s.list) return {"-f", ""};
  std::vector<std::string> test{".", "-ef", s.cwd};
  auto add = [&test](std::initializer_list<std::string> words) {
    test.push_back("-a");
    test.insert(test.end(), words);
  };
  auto same = [&add, leanmarks](const std::string& path, const std::string& mark) {
    add({"-f", path});
    if (!leanmarks) add({"-f", mark});
    add({"!", path, "-nt", mark, "-a", "!", path, "-ot", mark});
  };
  for (const std::string& p : s.passed) add({"!", "-f", p});
  if (s.file) {
    add({"!", "-L", *s.file});
    same(*s.file, markfor(*s.file, s.stamp));
  }
  if (s.liststamp) {
    same(*s.list, markfor(*s.list, s.liststamp));
  } else {
    add({"!", "-f", *s.list});
  }
  return test;
}

// What the hook's code runs at the next prompt to decide.  For bash and
// zsh a function of one [[ ]], which the shell parses once rather than at
// each prompt, that also holds the list's place as this process found it
// exported (a shell variable that is not exported, or another value, runs
// the prompt again); bash's nocasematch would compare those without letter
// case, so with it the function is false.  For fish the words of one test
// call, whose every operation is slow, and the place in two variables.
std::string checkvariables(const sighting& s, shellformat format, bool leanmarks) {
  const bool fish = format == shellformat::fish;
  const std::string xdg = getenvexact("XDG_DATA_HOME").value_or("");
  const std::string home = getenvexact("HOME").value_or("");
  std::string out = fish ? "set -g _vornenv_xdg " + quotefish(xdg) + "\nset -g _vornenv_home " +
                               quotefish(home) + "\nset -g _vornenv_test"
                         : "_vornenv_same() { [[ :${BASHOPTS-}: != *:nocasematch:* &&\n"
                           "  ${XDG_DATA_HOME-} == " +
                               quotesh(xdg) + " && ${HOME-} == " + quotesh(home) + " &&\n ";
  for (const std::string& word : unchangedtest(s, leanmarks)) {
    // The operators, written bare; every other word is a path, or "" or ".".
    const bool op = word == "!" || word == "-a" || (word.size() > 1 && word[0] == '-');
    out += ' ';
    if (fish) {
      out += quotefish(word);
    } else {
      out += word == "-a" ? "&&" : op ? word : quotesh(word);
    }
  }
  return out + (fish ? "\n" : " ]]; }\n");
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
  options.msyspath = msysshell();
  out << formatchanges(step->changes, format, options);
  return 0;
}

int hookcmd(const std::string& shell, std::ostream& out) {
  const std::string self = selfpath();
  // The shells run the prompt only when the working directory changed, or
  // the variables that say where the list is (XDG_DATA_HOME, HOME), or what
  // it saw may have (unchangedtest()): all in the shell, without a process.
  // The check is made false before the prompt runs: a prompt that fails
  // prints none, and the next prompt tries again.
  auto runsh = [&self](const char* shell) {
    return "  if [[ -n ${_vornenv_again-} ]] || ! _vornenv_same; then\n"
           "    _vornenv_same() { false; }\n"
           "    eval \"$(" +
           quotesh(self) + " prompt " + shell +
           " ${_vornenv_again-})\"\n"
           "    _vornenv_again=\n"
           "  fi\n";
  };
  const char* reloadsh =
      "vornenv_reload() { _vornenv_again=--again; }\n"
      "_vornenv_same() { false; }\n";
  if (shell == "bash") {
    // The local has a name of the hook's own: "status" would hide a
    // variable of that name from what the prompt prints.
    out << reloadsh
        << "_vornenv_hook() {\n"
           "  local _vornenv_status=$?\n"
        << runsh("bash")
        << "  return $_vornenv_status\n"
           "}\n"
           "if [[ \";${PROMPT_COMMAND[*]:-};\" != *\";_vornenv_hook;\"* ]]; then\n"
           "  PROMPT_COMMAND=\"_vornenv_hook${PROMPT_COMMAND:+;$PROMPT_COMMAND}\"\n"
           "fi\n";
  } else if (shell == "zsh") {
    // Its own options: a user's (CSH_JUNKIE_QUOTES, GLOB_ASSIGN,
    // WARN_CREATE_GLOBAL...) would change what the prompt's code means.
    out << reloadsh
        << "_vornenv_hook() {\n"
           "  emulate -L zsh\n"
        << runsh("zsh")
        << "}\n"
           "typeset -ag precmd_functions\n"
           "if (( ! ${precmd_functions[(I)_vornenv_hook]} )); then\n"
           "  precmd_functions=(_vornenv_hook $precmd_functions)\n"
           "fi\n";
  } else if (shell == "fish") {
    out << "set -g _vornenv_test -f ''\n"
           "function vornenv_reload\n"
           "    set -g _vornenv_again --again\n"
           "end\n"
           "function __vornenv_hook --on-event fish_prompt\n"
           "    if not test -z \"$_vornenv_again\" -a \"x$XDG_DATA_HOME\" = \"x$_vornenv_xdg\"\\\n"
           "        -a \"x$HOME\" = \"x$_vornenv_home\" -a $_vornenv_test\n"
           "        set -g _vornenv_test -f ''\n"
           "        "
        << quotefish(self)
        << " prompt fish $_vornenv_again | source\n"
           "        set -e _vornenv_again\n"
           "    end\n"
           "end\n";
  } else if (shell == "powershell" || shell == "pwsh") {
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
  } else if (shell == "sh") {
    throw usageerror("hook", "plain sh has no prompt hook (bash, zsh, fish, pwsh or powershell)");
  } else {
    throw usageerror(
        "hook", "unknown shell '" + printable(shell) + "' (bash, zsh, fish, pwsh or powershell)");
  }
  return 0;
}

int statuscmd(std::ostream& out) {
  const sighting now = look();
  if (!now.cwdfailure.empty()) throw failure(now.cwdfailure);
  const std::optional<note> last = readnote(getenvexact(hooknotevariable));
  const std::string left = appliedidentity(last);
  if (!now.file) {
    out << "file:    none in " << shownpath(currentdir()) << " or a folder above it\n";
  } else {
    out << "file:    " << shownpath(*now.file) << '\n';
    out << "allowed: ";
    if (!now.listfailure.empty()) {
      out << "no: " << now.listfailure << '\n';
    } else if (!now.allowed) {
      out << "no, never allowed ('vornenv allow' allows it)\n";
    } else {
      const boundedfile read = readregularfile(*now.file, largestdescription);
      if (read.outcome == boundedfile::status::ok && sha256hex(read.bytes) == *now.allowed) {
        out << "yes\n";
      } else if (read.outcome == boundedfile::status::ok) {
        out << "no, edited since it was allowed ('vornenv allow' allows it as it is now)\n";
      } else {
        out << "no, it cannot be read as it was allowed\n";
      }
    }
  }
  out << "hook:    ";
  if (!last) {
    // Outside every project the hook leaves no note either.
    out << (now.file ? "has not run in this shell ('vornenv hook --help' installs it)\n"
                     : "nothing applied in this shell\n");
    return 0;
  }
  if (left.empty()) {
    out << "nothing applied in this shell\n";
    return 0;
  }
  out << (now.file && left == now.identity ? "applied this file in this shell\n"
                                           : "applied " + shownpath(left) + " in this shell\n");
  const std::optional<std::string> record = getenvexact(hookundovariable);
  const auto names = record ? recordednames(*record) : std::nullopt;
  out << "changed: " << (names ? summary(*names) : std::string("unknown (no record of the hook's)"))
      << '\n';
  return 0;
}

int promptcmd(shellformat format, bool again, bool leanmarks, std::ostream& out) {
  // At every prompt: a walk up the folders, a stat each, the folder
  // resolved, the list read, and the note.
  const sighting now = look();
  const std::optional<std::string> notetext = getenvexact(hooknotevariable);
  const std::optional<note> last = readnote(notetext);
  const bool fast = format == shellformat::sh || format == shellformat::fish;
  if (!again && (last ? last->seen == now.seen : now.seen.empty() && !notetext)) {
    // Nothing to do: for json an empty object, for a shell what its hook
    // checks until something changes.
    if (format == shellformat::json) out << formatchanges({}, format);
    if (fast) out << checkvariables(now, format, leanmarks);
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
  const std::vector<difference> leaving = log.changes();
  const std::string left = appliedidentity(last);
  log.put(hookundovariable, std::nullopt);
  bool applied = false;
  bool kept = false;  // the version applied before stays
  if (!now.cwdfailure.empty()) {
    std::cerr << "vornenv: " << now.cwdfailure << "; no .vornenv.ini applies\n";
  } else if (now.file) {
    const outcome result = applyallowed(now, format, log);
    if (result.result == outcome::state::applied) {
      log.put(hookundovariable, result.record);
      applied = true;
      if (left == now.identity) {
        tell("reloaded", *now.file, log.changes());
      } else {
        if (!left.empty()) tell("unloaded", left, leaving);
        tell("loaded", *now.file, result.changes);
      }
    } else if (result.result == outcome::state::failed && last && last->applied &&
               last->seen.rfind(encodefield(now.identity) + ',', 0) == 0) {
      // A new version of the file that fails changes nothing: the version
      // applied before stays, with its record, until the file is mended or
      // left.  Another file's stays undone.
      log.undo();
      applied = true;
      kept = true;
    }
  }
  if (!left.empty() && !applied && !kept) tell("unloaded", left, leaving);
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
  options.msyspath = msysshell();
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
  if (fast) out << checkvariables(now, format, leanmarks);
  return 0;
}

}  // namespace vornenv::cli
