// The completion scripts: each shell's own way of completing, filled with
// the commands, options and values of the table it is given.  The shells
// parse the command line the same way the tool does: options anywhere, the
// value of --name as the next word or after "=", the command the first word
// that is no option.

#include "cli/commands/completion.h"

namespace vornenv::cli {

namespace {

std::string joined(const std::vector<std::string>& words, const char* separator = " ") {
  std::string out;
  for (const std::string& w : words) out += (out.empty() ? "" : separator) + w;
  return out;
}

// The names of the options that take a value, wherever they are taken.
std::vector<std::string> valueoptions(const completiontable& t) {
  std::vector<std::string> names;
  const auto add = [&names](const completionoption& o) {
    if (!o.value) return;
    for (const std::string& n : names) {
      if (n == o.name) return;
    }
    names.push_back(o.name);
  };
  for (const completionoption& o : t.global) add(o);
  for (const completioncommand& c : t.commands) {
    for (const completionoption& o : c.options) add(o);
  }
  return names;
}

std::vector<std::string> optionnames(const std::vector<completionoption>& options,
                                     bool shortnames) {
  std::vector<std::string> names;
  for (const completionoption& o : options) {
    names.push_back(o.name);
    if (shortnames && !o.shortname.empty()) names.push_back(o.shortname);
  }
  return names;
}

std::vector<std::string> commandnames(const completiontable& t) {
  std::vector<std::string> names;
  for (const completioncommand& c : t.commands) names.push_back(c.name);
  return names;
}

// text in single quotes, each quote written as the shell reads one in
// such a text.
std::string quoted(const std::string& text, const std::string& quote) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') {
      out += quote;
    } else {
      out += c;
    }
  }
  return out + "'";
}

// --- bash ---

// The bash words that complete one option's value or the operands, for
// cur: the helpers below.
std::string bashcompletes(completes kind, const std::vector<std::string>& words) {
  switch (kind) {
    case completes::files:
      return "_vornenv_files";
    case completes::directories:
      return "_vornenv_dirs";
    case completes::words:
      return "_vornenv_words " + quoted(joined(words), "'\\''");
    case completes::variable:
      return "_vornenv_variables";
    case completes::commandline:
    case completes::nothing:
      break;
  }
  return ":";
}

// Each command's case: an option's value, its options, then its operands.
std::string bashcase(const std::string& name, const std::vector<completionoption>& options,
                     const std::string& operands) {
  std::string s = "    " + (name.empty() ? std::string("''") : name) + ")\n      case $opt in\n";
  for (const completionoption& o : options) {
    if (!o.value) continue;
    s += "        " + o.name + ") " + bashcompletes(o.kind, o.words) + "; return ;;\n";
  }
  s += "      esac\n";
  s += "      if ((!dashdash)) && [[ $cur == -* ]]; then\n        _vornenv_words " +
       quoted(joined(optionnames(options, true)), "'\\''") + "\n        return\n      fi\n";
  s += "      " + operands + " ;;\n";
  return s;
}

std::string bash(const completiontable& t) {
  std::string s = "# bash completion for " + t.program + ", written by '" + t.program +
                  " completion bash'.\n"
                  R"(
_vornenv_words() {
  local IFS=$' \t\n'
  COMPREPLY=($(compgen -W "$1" -- "$cur"))
}

# Description files first; any file or folder when none matches.
_vornenv_files() {
  local IFS=$'\n'
  compopt -o filenames 2>/dev/null
  COMPREPLY=($(compgen -f -X '!*.ini' -- "$cur") $(compgen -d -- "$cur"))
  ((${#COMPREPLY[@]})) || COMPREPLY=($(compgen -f -- "$cur"))
}

# A folder; bash completes a path list element by element, as ':' breaks
# words.
_vornenv_dirs() {
  local IFS=$'\n'
  compopt -o filenames 2>/dev/null
  COMPREPLY=($(compgen -d -- "$cur"))
}

_vornenv_variables() {
  local IFS=$'\n'
  COMPREPLY=($(compgen -e -- "$cur"))
}

# The command after "--" at $1, and its arguments: bash-completion's own
# completion of a command line when it is loaded.
_vornenv_commandline() {
  if declare -F _command_offset >/dev/null; then
    _command_offset $(($1 + 1))
  elif ((COMP_CWORD == $1 + 1)); then
    local IFS=$'\n'
    COMPREPLY=($(compgen -c -- "$cur"))
  else
    local IFS=$'\n'
    compopt -o filenames 2>/dev/null
    COMPREPLY=($(compgen -f -- "$cur"))
  fi
}

_vornenv() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev= opt= cmd= w i nargs=0 dashdash=0
  ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD-1]}
  # "--name=value" comes as three words, "=" the middle one.
  if [[ $cur == = ]]; then
    opt=$prev cur=
  elif [[ $prev == = ]] && ((COMP_CWORD > 1)); then
    opt=${COMP_WORDS[COMP_CWORD-2]}
  else
    opt=$prev
  fi
  for ((i = 1; i < COMP_CWORD; i++)); do
    w=${COMP_WORDS[i]}
    case $w in
      --) [[ -n $cmd ]] && { dashdash=$i; break; } ;;
      =) ((i += 1)) ;;
      )";
  s += joined(valueoptions(t), "|") + ") [[ ${COMP_WORDS[i+1]} == = ]] || ((i += 1)) ;;\n";
  s += R"(      -*) ;;
      *) if [[ -z $cmd ]]; then cmd=$w; else ((nargs += 1)); fi ;;
    esac
  done
  ((dashdash)) && opt=
  COMPREPLY=()
  case $cmd in
)";
  s += bashcase("", t.global, "_vornenv_words " + quoted(joined(commandnames(t)), "'\\''"));
  for (const completioncommand& c : t.commands) {
    std::string operands;
    switch (c.operands) {
      case completes::words:
        operands = "((nargs)) || " + bashcompletes(c.operands, c.words);
        break;
      case completes::variable:
        operands = "if ((nargs)); then _vornenv_files; else _vornenv_variables; fi";
        break;
      case completes::commandline:
        operands = "if ((dashdash)); then _vornenv_commandline $dashdash; else _vornenv_files; fi";
        break;
      default:
        operands = bashcompletes(c.operands, c.words);
    }
    s += bashcase(c.name, c.options, operands);
  }
  s += "  esac\n}\n\ncomplete -F _vornenv " + t.program + "\n";
  return s;
}

// --- zsh ---

// An _arguments description: in brackets, ']' and '\' escaped.
std::string zshabout(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == ']' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

std::string zshaction(completes kind, const std::vector<std::string>& words) {
  switch (kind) {
    case completes::files:
      return "_vornenv_files";
    case completes::directories:
      return "_dir_list";
    case completes::words:
      return "(" + joined(words) + ")";
    case completes::variable:
      return "_parameters -g \"*export*\"";
    case completes::commandline:
    case completes::nothing:
      break;
  }
  return " ";
}

// The _arguments entries of options, one a line, each ending in " \".
std::string zshoptions(const std::vector<completionoption>& options) {
  std::string s;
  for (const completionoption& o : options) {
    std::string entry;
    if (!o.value) {
      const std::string about = "[" + zshabout(o.about) + "]";
      entry = o.shortname.empty() ? quoted(o.name + about, "'\\''")
                                  : "'(" + o.shortname + " " + o.name + ")'{" + o.shortname + "," +
                                        o.name + "}" + quoted(about, "'\\''");
    } else {
      std::string label = o.name.substr(2);
      entry = quoted(
          o.name + "=[" + zshabout(o.about) + "]:" + label + ":" + zshaction(o.kind, o.words),
          "'\\''");
    }
    s += "    " + entry + " \\\n";
  }
  return s;
}

std::string zshoperands(const completioncommand& c) {
  switch (c.operands) {
    case completes::files:
    case completes::commandline:
      return "    '*:description file:_vornenv_files'";
    case completes::words:
      return "    " + quoted("1:argument:" + zshaction(c.operands, c.words), "'\\''");
    case completes::variable:
      return "    " + quoted("1:variable:" + zshaction(c.operands, c.words), "'\\''") +
             " \\\n    '*:description file:_vornenv_files'";
    case completes::directories:
      return "    '*:directory:_files -/'";
    case completes::nothing:
      break;
  }
  return "    '*: : '";
}

std::string zsh(const completiontable& t) {
  std::string s = "#compdef " + t.program + "\n# zsh completion for " + t.program +
                  ", written by '" + t.program + " completion zsh'.\n";
  s += R"(
# Description files first; any file or folder when none matches.
_vornenv_files() {
  _files -g '*.ini(-.)'
}

_vornenv() {
  local curcontext=$curcontext state state_descr line ret=1 i
  typeset -A opt_args
  # Not "commands": zsh's table of the commands on PATH.
  local -a subcommands
  subcommands=(
)";
  for (const completioncommand& c : t.commands) {
    std::string entry = c.name;
    if (!c.about.empty()) {
      entry += ':';
      for (char ch : c.about) {
        if (ch == ':') entry += '\\';
        entry += ch;
      }
    }
    s += "    " + quoted(entry, "'\\''") + "\n";
  }
  s += "  )\n  _arguments -C \\\n" + zshoptions(t.global) +
       "    ': :->command' \\\n"
       "    '*:: :->argument' && ret=0\n"
       "  case $state in\n"
       "    (command)\n"
       "      _describe -t commands '" +
       t.program +
       " command' subcommands && ret=0 ;;\n"
       "    (argument)\n"
       "      curcontext=${curcontext%:*:*}:" +
       t.program +
       "-$words[1]:\n"
       "      case $words[1] in\n";
  for (const completioncommand& c : t.commands) {
    const std::string arguments =
        "_arguments -S \\\n" + zshoptions(c.options) + zshoperands(c) + " && ret=0";
    s += "        (" + c.name + ")\n";
    if (c.operands == completes::commandline) {
      // After "--", the command's own completion.
      s += "          i=${words[(i)--]}\n"
           "          if ((i < CURRENT)); then\n"
           "            compset -n $((i + 1))\n"
           "            _normal && ret=0\n"
           "          else\n"
           "            " +
           arguments +
           "\n"
           "          fi ;;\n";
    } else {
      s += "          " + arguments + " ;;\n";
    }
  }
  s += R"(      esac ;;
  esac
  return ret
}

# Autoloaded from $fpath, the file is the function: complete.  Sourced, it
# only defines it.
if [[ $funcstack[1] == _vornenv ]]; then
  _vornenv "$@"
else
  compdef _vornenv )" +
       t.program + "\nfi\n";
  return s;
}

// --- fish ---

std::string fishquoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'' || c == '\\') out += '\\';
    out += c;
  }
  return out + "'";
}

std::string fishcompletes(completes kind, const std::vector<std::string>& words) {
  switch (kind) {
    case completes::files:
      return "-k -a '(__fish_complete_suffix .ini)'";
    case completes::directories:
      return "-a '(__fish_complete_directories)'";
    case completes::words:
      return "-a " + fishquoted(joined(words));
    case completes::variable:
      return "-a '(set -xn)'";
    case completes::commandline:
    case completes::nothing:
      break;
  }
  return "";
}

std::string fishoption(const std::string& program, const std::string& when,
                       const completionoption& o) {
  std::string s = "complete -c " + program + " -n " + fishquoted(when) + " -l " + o.name.substr(2);
  if (!o.shortname.empty()) s += " -s " + o.shortname.substr(1);
  if (o.value) s += " -x " + fishcompletes(o.kind, o.words);
  if (!o.about.empty()) s += " -d " + fishquoted(o.about);
  return s + "\n";
}

std::string fish(const completiontable& t) {
  std::string s =
      "# fish completion for " + t.program + ", written by '" + t.program + " completion fish'.\n";
  s += R"(
# The command given, then its operands, each on a line: the words before the
# cursor that are no option or option value.
function __vornenv_words
    set -l tokens (commandline -opc)
    set -e tokens[1]
    set -l skip 0
    for w in $tokens
        if test $skip = 1
            set skip 0
            continue
        end
        switch $w
            case --
                return
            case )" +
       joined(valueoptions(t)) + R"(
                set skip 1
            case '-*'
            case '*'
                echo $w
        end
    end
end

# The command is $argv[1], with $argv[2] operands given when it is there,
# and "--" is not among the words.
function __vornenv_is
    set -l words (__vornenv_words)
    test "$words[1]" = $argv[1]; or return 1
    contains -- -- (commandline -opc); and return 1
    set -q argv[2]; and test (count $words) -ne (math $argv[2] + 1); and return 1
    return 0
end

function __vornenv_nocommand
    set -l words (__vornenv_words)
    not set -q words[1]
end

# The command is $argv[1] and "--" is among the words.
function __vornenv_after_dashdash
    set -l words (__vornenv_words)
    test "$words[1]" = $argv[1]; and contains -- -- (commandline -opc)
end

# After run's "--": the command's own completion.
function __vornenv_commandline
    set -l tokens (commandline -opc)
    set -l at (contains -i -- -- $tokens)
    set -e tokens[1..$at]
    complete -C (string join -- ' ' (string escape -- $tokens) (commandline -ct))
end

complete -c )" +
       t.program + " -f\n";
  const std::string before = "__vornenv_nocommand";
  for (const completioncommand& c : t.commands) {
    s += "complete -c " + t.program + " -n " + fishquoted(before) + " -a " + c.name;
    if (!c.about.empty()) s += " -d " + fishquoted(c.about);
    s += "\n";
  }
  for (const completionoption& o : t.global) s += fishoption(t.program, before, o);
  for (const completioncommand& c : t.commands) {
    const std::string when = "__vornenv_is " + c.name;
    for (const completionoption& o : c.options) s += fishoption(t.program, when, o);
    switch (c.operands) {
      case completes::words:
        s += "complete -c " + t.program + " -n " + fishquoted(when + " 0") + " " +
             fishcompletes(c.operands, c.words) + "\n";
        break;
      case completes::variable:
        s += "complete -c " + t.program + " -n " + fishquoted(when + " 0") + " " +
             fishcompletes(c.operands, c.words) + "\n";
        s += "complete -c " + t.program + " -n " + fishquoted(when) + " " +
             fishcompletes(completes::files, {}) + "\n";
        break;
      case completes::commandline:
        s += "complete -c " + t.program + " -n " + fishquoted(when) + " " +
             fishcompletes(completes::files, {}) + "\n";
        s += "complete -c " + t.program + " -n " +
             fishquoted("__vornenv_after_dashdash " + c.name) + " -a '(__vornenv_commandline)'\n";
        break;
      case completes::nothing:
        break;
      default:
        s += "complete -c " + t.program + " -n " + fishquoted(when) + " " +
             fishcompletes(c.operands, c.words) + "\n";
    }
  }
  return s;
}

// --- PowerShell ---

const char* powershellkind(completes kind) {
  switch (kind) {
    case completes::files:
      return "files";
    case completes::directories:
      return "directories";
    case completes::words:
      return "words";
    case completes::variable:
      return "variable";
    case completes::commandline:
      return "commandline";
    case completes::nothing:
      break;
  }
  return "nothing";
}

std::string powershellwords(const std::vector<std::string>& words) {
  std::string out = "@(";
  for (std::size_t i = 0; i < words.size(); ++i) {
    out += (i == 0 ? "" : ", ") + quoted(words[i], "''");
  }
  return out + ")";
}

std::string powershelloptions(const std::vector<completionoption>& options,
                              const std::string& indent) {
  std::string s = "@(\n";
  for (const completionoption& o : options) {
    s += indent + "    @{ name = " + quoted(o.name, "''") +
         "; short = " + quoted(o.shortname, "''") + "; value = " + (o.value ? "$true" : "$false") +
         "; kind = '" + powershellkind(o.kind) + "'; words = " + powershellwords(o.words) +
         "; about = " + quoted(o.about.empty() ? o.name : o.about, "''") + " }\n";
  }
  return s + indent + ")";
}

std::string powershell(const completiontable& t) {
  std::string s = "# PowerShell completion for " + t.program + ", written by '" + t.program +
                  " completion powershell'.\n"
                  "# In $PROFILE: " +
                  t.program +
                  " completion powershell | Out-String | Invoke-Expression\n"
                  "Register-ArgumentCompleter -Native -CommandName '" +
                  t.program + "', '" + t.program +
                  ".exe' -ScriptBlock {\n"
                  "    param($wordToComplete, $commandAst, $cursorPosition)\n"
                  "    $toplevel = " +
                  powershelloptions(t.global, "    ") + "\n    $commands = [ordered]@{\n";
  for (const completioncommand& c : t.commands) {
    s += "        " + quoted(c.name, "''") +
         " = @{ about = " + quoted(c.about.empty() ? c.name : c.about, "''") + "; operands = '" +
         powershellkind(c.operands) + "'; words = " + powershellwords(c.words) +
         "; options = " + powershelloptions(c.options, "        ") + " }\n";
  }
  s += R"(    }

    $result = {
        param($text, $type, $tip)
        if ($text -match '[\s''"`$&|;,(){}@#<>]') { $text = "'" + ($text -replace "'", "''") + "'" }
        [System.Management.Automation.CompletionResult]::new($text, $text, $type, $tip)
    }
    $matching = { param($text, $prefix) $text.StartsWith($prefix, [StringComparison]::OrdinalIgnoreCase) }
    # Files and folders that begin with $prefix; description files first,
    # any file when none is one; $dirs: folders only.
    $paths = {
        param($prefix, $dirs)
        $folder = $prefix -replace '[^\\/]*$', ''
        $leaf = $prefix.Substring($folder.Length)
        $from = if ($folder) { $folder } else { '.' }
        $items = @(Get-ChildItem -LiteralPath $from -Force -ErrorAction SilentlyContinue |
            Where-Object { & $matching $_.Name $leaf })
        $chosen = @($items | Where-Object { $_.PSIsContainer -or (-not $dirs -and $_.Name -like '*.ini') })
        if (-not $dirs -and -not @($chosen | Where-Object { -not $_.PSIsContainer }).Count) { $chosen = $items }
        foreach ($item in $chosen) {
            $sep = if ($item.PSIsContainer) { [IO.Path]::DirectorySeparatorChar } else { '' }
            & $result ($folder + $item.Name + $sep) 'ProviderItem' $item.FullName
        }
    }
    $values = {
        param($kind, $words, $prefix, $before)
        switch ($kind) {
            'words' { $words | Where-Object { & $matching $_ $prefix } |
                ForEach-Object { & $result ($before + $_) 'ParameterValue' $_ } }
            'files' { & $paths $prefix $false }
            'directories' { & $paths $prefix $true }
            'variable' { Get-ChildItem Env: | Where-Object { & $matching $_.Name $prefix } |
                ForEach-Object { & $result $_.Name 'ParameterValue' $_.Name } }
        }
    }

    # The words before the one completed.
    $words = @($commandAst.CommandElements | Select-Object -Skip 1 |
        Where-Object { $_.Extent.EndOffset -le $cursorPosition } | ForEach-Object { $_.Extent.Text })
    if ($wordToComplete -ne '') { $words = @($words | Select-Object -First ($words.Count - 1)) }
    $valued = @($toplevel + @($commands.Values | ForEach-Object { $_.options }) |
        Where-Object { $_.value } | ForEach-Object { $_.name })
    $cmd = $null; $operands = 0; $dashdash = -1; $skip = $false
    for ($i = 0; $i -lt $words.Count; $i++) {
        $w = $words[$i]
        if ($skip) { $skip = $false; continue }
        if ($w -eq '--' -and $cmd) { $dashdash = $i; break }
        if ($valued -contains $w) { $skip = $true; continue }
        if ($w.StartsWith('-')) { continue }
        if ($cmd) { $operands++ } else { $cmd = $w }
    }
    $options = if ($cmd) { $commands[$cmd].options } else { $toplevel }
    if (-not $options) { return }
    if ($dashdash -ge 0) {
        if ($commands[$cmd].operands -ne 'commandline') { return }
        if ($words.Count - $dashdash -gt 1) { return & $paths $wordToComplete $false }
        return Get-Command -Name "$wordToComplete*" -CommandType Application, Function, Alias, Cmdlet -ErrorAction SilentlyContinue |
            Sort-Object -Property Name -Unique | ForEach-Object { & $result $_.Name 'Command' $_.Name }
    }
    # The value of an option: "--name value" or "--name=value".
    if ($skip) {
        $option = $options | Where-Object { $_.value -and $_.name -eq $words[-1] }
        if ($option) { & $values $option.kind $option.words $wordToComplete '' }
        return
    }
    if ($wordToComplete -match '^(--[^=]+)=(.*)$') {
        $name = $Matches[1]; $typed = $Matches[2]
        $option = $options | Where-Object { $_.value -and $_.name -eq $name }
        if ($option) { return & $values $option.kind $option.words $typed "$name=" }
    }
    if ($wordToComplete.StartsWith('-')) {
        return $options | ForEach-Object { $o = $_; @($o.name, $o.short) |
            Where-Object { $_ -and (& $matching $_ $wordToComplete) } |
            ForEach-Object { & $result $_ 'ParameterName' $o.about } }
    }
    if (-not $cmd) {
        return $commands.Keys | Where-Object { & $matching $_ $wordToComplete } |
            ForEach-Object { & $result $_ 'Command' $commands[$_].about }
    }
    $command = $commands[$cmd]
    switch ($command.operands) {
        'words' { if ($operands -eq 0) { & $values 'words' $command.words $wordToComplete '' } }
        'variable' { if ($operands -eq 0) { & $values 'variable' @() $wordToComplete '' } else { & $paths $wordToComplete $false } }
        'commandline' { & $paths $wordToComplete $false }
        'files' { & $paths $wordToComplete $false }
    }
}
)";
  return s;
}

}  // namespace

std::optional<std::string> completionscript(const completiontable& table,
                                            const std::string& shell) {
  if (shell == "bash") return bash(table);
  if (shell == "zsh") return zsh(table);
  if (shell == "fish") return fish(table);
  if (shell == "powershell") return powershell(table);
  return std::nullopt;
}

}  // namespace vornenv::cli
