#!/usr/bin/env bash
# Completes command lines in a real shell with the script that 'vornenv
# completion SHELL' writes, and checks what the last word completes to:
#   bash  the function that 'complete -p vornenv' names, driven through
#         COMP_WORDS and COMP_CWORD; also, from what it completes, that each
#         command's usage line lists its options and that each format and
#         shell it offers is taken;
#   zsh   the file autoloaded from $fpath by compinit, in an interactive zsh
#         on a pseudo-terminal: the line is typed with a Tab and run;
#   fish  complete -C.
# Usage: completion_session.sh VORNENV SHELL.  Exits 77 (skipped) when
# SHELL is missing; under CI=true a missing shell fails instead.
set -u
vornenv=$1 shell=$2
if ! command -v "$shell" >/dev/null 2>&1; then
  echo "completion_session: $shell is not installed; skipped"
  [[ "${CI:-}" == true ]] && exit 1
  exit 77
fi
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/files/sub" "$work/bin" "$work/fpath"
cd "$work/files" || exit 1
printf '[Environment]\nCOMPLETION_TEST = 1\n' > dev.ini
: > dev.txt
: > notes.txt
printf '#!/bin/sh\n' > "$work/bin/zzvornprobe"
chmod +x "$work/bin/zzvornprobe"
# prompt, run for its formats, keeps its marks in the data folder.
export PATH="$work/bin:$PATH" VORNENV_TEST_VARIABLE=1 XDG_DATA_HOME="$work/data"

# A command line, and what its last word completes to: every candidate (in
# any order), or with '^' the first (description files first).  zsh checks
# the lines that complete to one word, by completing it.
cases=(
  'vornenv rev|revert'
  'vornenv ex|export expand explain'
  'vornenv --ver|--version'
  'vornenv --system-dirs sub st|status'
  'vornenv export --u|--undo'
  'vornenv allow --l|--list'
  'vornenv prompt --a|--again'
  'vornenv check --format |text json sarif'
  'vornenv export --format pw|pwsh'
  'vornenv show --format=j|json'
  'vornenv revert --format z|zsh'
  'vornenv prompt |sh bash zsh fish powershell pwsh json'
  'vornenv hook |bash zsh fish pwsh powershell'
  'vornenv hook f|fish'
  'vornenv hook bash |'
  'vornenv help sta|status'
  'vornenv completion f|fish'
  'vornenv show de|^dev.ini'
  'vornenv check no|notes.txt'
  'vornenv explain VORNENV_TEST_V|VORNENV_TEST_VARIABLE'
  'vornenv run dev.ini -- zzvorn|zzvornprobe'
)

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Compares the candidates, one a line on stdin, with a case's expectation.
expect() {
  local line=$1 want=$2 got
  got=$(grep -v '^$' | sort -u | tr '\n' ' ')
  if [[ $want == ^* ]]; then
    [[ $(sed -n 1p <<<"$3") == "${want#^}" ]] || fail "'$line' completes first to '$(sed -n 1p <<<"$3")', not '${want#^}'"
    return
  fi
  want=$(tr ' ' '\n' <<<"$want" | grep -v '^$' | sort -u | tr '\n' ' ')
  [[ $got == "$want" ]] || fail "'$line' completes to '$got', not '$want'"
}

"$vornenv" completion "$shell" > "$work/script" || exit 1
case $shell in
  bash)
    # shellcheck disable=SC1091
    source "$work/script"
    [[ $(complete -p vornenv) == "complete -F _vornenv vornenv" ]] || fail "complete -p: $(complete -p vornenv)"
    # The candidates of a line, as bash splits it for a completion function.
    candidates() {
      local line=${1//=/ = }
      read -ra COMP_WORDS <<<"$line"
      [[ $1 == *' ' ]] && COMP_WORDS+=("")
      COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) COMP_LINE=$1 COMP_POINT=${#1}
      COMPREPLY=()
      _vornenv 2>/dev/null
      printf '%s\n' "${COMPREPLY[@]}"
    }
    for c in "${cases[@]}"; do
      got=$(candidates "${c%%|*}")
      expect "${c%%|*}" "${c#*|}" "$got" <<<"$got"
    done
    # Each command: its usage lists the options completed for it, and each
    # --format value or word operand completed is taken (no usage error).
    for cmd in $(candidates 'vornenv '); do
      usage=$("$vornenv" help "$cmd" | sed '/^$/q')
      for opt in $(candidates "vornenv $cmd -"); do
        [[ $opt == --help || $opt == -h ]] && continue
        [[ $usage == *"$opt"* ]] || fail "'vornenv help $cmd' does not list $opt"
      done
      files=()
      operands=$(candidates "vornenv $cmd ")
      [[ $operands == *dev.ini* ]] && files=(dev.ini)
      if [[ $(candidates "vornenv $cmd -") == *--format* ]]; then
        for format in $(candidates "vornenv $cmd --format "); do
          "$vornenv" "$cmd" --format "$format" "${files[@]}" >/dev/null 2>&1
          (($? != 2)) || fail "'vornenv $cmd --format $format' is a usage error"
        done
      fi
      # Words, not files or variables.
      [[ $cmd == help || -n ${files[*]} || $operands == *VORNENV_TEST_VARIABLE* ]] && continue
      for word in $operands; do
        "$vornenv" "$cmd" "$word" >/dev/null 2>&1 </dev/null
        (($? != 2)) || fail "'vornenv $cmd $word' is a usage error"
      done
    done
    ;;
  fish)
    for c in "${cases[@]}"; do
      line=${c%%|*}
      # fish offers "--name=value" whole.
      got=$(fish --no-config -c "source '$work/script'; complete -C '$line'" | cut -f1 |
        sed 's/^--[a-z-]*=//')
      expect "$line" "${c#*|}" "$got" <<<"$got"
    done
    ;;
  zsh)
    cp "$work/script" "$work/fpath/_vornenv"
    cat >"$work/setup.zsh" <<EOF
PS1='> '
fpath=('$work/fpath' \$fpath)
autoload -Uz compinit && compinit -u -D
vornenv() { print -r -- "vornenv \$*" >| '$work/ran' }
EOF
    for c in "${cases[@]}"; do
      want=${c#*|}
      want=${want#^}
      [[ -z $want || $want == *' '* ]] && continue
      line=${c%%|*}
      # What runs: the line with its last word (after a blank or "=")
      # completed.
      printf '%s\n' "$line" "${line%"${line##*[ =]}"}$want"
    done >"$work/zshcases"
    zsh -f -c '
      zmodload zsh/zpty || exit 1
      work=$1 failed=0
      zpty z zsh -f -i
      zpty -w z "source ${(q)work}/setup.zsh"
      while IFS= read -r line && IFS= read -r want; do
        rm -f $work/ran
        # The line, a Tab to complete its last word, and Enter to run it.
        zpty -w -n z "$line"$'"'"'\t\n'"'"'
        for i in {1..100}; do [[ -s $work/ran ]] && break; sleep 0.05; done
        while zpty -rt z out 2>/dev/null; do :; done
        got=$(<$work/ran) 2>/dev/null
        [[ $got == $want ]] || { print -r -- "FAIL: $line<Tab> ran \"$got\", not \"$want\""; failed=1; }
      done <$work/zshcases
      zpty -d z
      exit $failed' zsh "$work" || failures=$((failures + 1))
    ;;
  *)
    echo "completion_session: no cases for $shell"
    exit 1
    ;;
esac
((failures == 0)) || exit 1
echo "completion_session: $shell completes every case"
