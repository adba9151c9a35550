#!/usr/bin/env bash
# Drives a real shell's prompt hook through each kind of change and counts
# the times it starts vornenv: a prompt where nothing changed must start
# none, and one after any change that the hook watches must start it once
# and apply what is there now.  File times are set with touch -d, each step
# to a time of its own, so that nothing waits on the clock.
# Usage: hook_fast.sh VORNENV SHELL.  Exits 77 (skipped) when SHELL is
# missing; under CI=true a missing shell fails instead.
set -u
vornenv=$1 shell=$2
if ! command -v "$shell" >/dev/null 2>&1; then
  echo "hook_fast: $shell is not installed; skipped"
  [[ "${CI:-}" == true ]] && exit 1
  exit 77
fi
work=$(mktemp -d) || exit 1
trap 'for _ in 1 2 3 4 5; do rm -rf "$work" 2>/dev/null && break; sleep 0.5; done' EXIT
export XDG_DATA_HOME="$work/data" HOME="$work/home"
unset VORNENV_HOOK VORNENV_HOOK_UNDO VORNENV_QUIET FAST
mkdir -p "$work/p/sub" "$work/q/a/b" "$HOME"
log=$work/log list=$XDG_DATA_HOME/vornenv/allowed
# The hook calls this instead of vornenv, which notes each start.
printf '#!/bin/sh\necho run >> "%s"\nexec "%s" "$@"\n' "$log" "$vornenv" > "$work/counted"
chmod +x "$work/counted"
"$vornenv" hook "$shell" > "$work/hook.txt" || exit 1
real=$("$vornenv" hook "$shell" | grep -o "'[^']*' prompt" | head -n 1 | sed "s/ prompt\$//")
[[ -n $real ]] || { echo "hook_fast: no call of vornenv in the hook"; exit 1; }
python3 - "$work/hook.txt" "$real" "'$work/counted'" <<'EOF'
import sys
p, old, new = sys.argv[1:]
t = open(p).read()
assert old in t
open(p, 'w').write(t.replace(old, new))
EOF
writefile() { printf '[Environment]\nFAST = %s\n' "$2" > "$1"; }
writefile "$work/p/.vornenv.ini" one
writefile "$work/byname.ini" byname
# export's format by the shell's own name: sh's for bash and zsh.
if [[ $shell == fish ]]; then
  byname="'$vornenv' export --format fish '$work/byname.ini' > '$work/byname.fish'; source '$work/byname.fish'"
else
  byname="eval \"\$('$vornenv' export --format $shell '$work/byname.ini')\""
fi
for d in rel1 rel2; do
  mkdir -p "$work/$d" && writefile "$work/$d/.vornenv.ini" "$d"
  "$vornenv" allow "$work/$d/.vornenv.ini" >/dev/null || exit 1
done
ln -s "$work/rel1" "$work/current"
touch -d '2 hours ago' "$work/rel1/.vornenv.ini" "$work/rel2/.vornenv.ini"
(cd "$work/p" && "$vornenv" allow >/dev/null) || exit 1
touch -d '1 hour ago' "$work/p/.vornenv.ini" "$list"

# Each step: what the session does, the starts of vornenv its prompt makes,
# and FAST after it.  m: minutes ago, a time of the step's own.
steps=(
  "enter|cd '$work/p'|1|one"
  "nothing changed|true|0|one"
  "status|'$vornenv' status > '$work/status.txt'|0|one"
  "touch|touch -d '50 minutes ago' '$work/p/.vornenv.ini'|1|one"
  "edit|printf '[Environment]\\nFAST = two\\n' > '$work/p/.vornenv.ini'; touch -d '49 minutes ago' '$work/p/.vornenv.ini'|1|unset"
  "allow|'$vornenv' allow '$work/p/.vornenv.ini' > /dev/null; touch -d '48 minutes ago' '$list'|1|two"
  "nothing after allow|true|0|two"
  "replace by rename|printf '[Environment]\\nFAST = three\\n' > '$work/p/new'; touch -d '47 minutes ago' '$work/p/new'; mv '$work/p/new' '$work/p/.vornenv.ini'|1|unset"
  "allow the new one|'$vornenv' allow '$work/p/.vornenv.ini' > /dev/null; touch -d '46 minutes ago' '$list'|1|three"
  "deny|'$vornenv' deny '$work/p/.vornenv.ini' > /dev/null; touch -d '45 minutes ago' '$list'|1|unset"
  "allow again|'$vornenv' allow '$work/p/.vornenv.ini' > /dev/null; touch -d '44 minutes ago' '$list'|1|three"
  "cd below|cd sub|1|three"
  "nothing below|true|0|three"
  "reload|vornenv_reload|1|three"
  "delete|rm '$work/p/.vornenv.ini'|1|unset"
  "cd elsewhere|cd '$work/q/a/b'|1|unset"
  "new file above|printf '[Environment]\\nFAST = q\\n' > '$work/q/.vornenv.ini'; '$vornenv' allow '$work/q/.vornenv.ini' > /dev/null; touch -d '43 minutes ago' '$work/q/.vornenv.ini' '$list'|1|q"
  "nothing at last|true|0|q"
  "into a linked folder|cd '$work/current'|1|rel1"
  "the link turned, same PWD|ln -sfn '$work/rel2' '$work/current'; cd '$work/current'|1|rel2"
  "export by the shell name|$byname|0|byname"
)

case $shell in
  bash) install="eval \"\$(cat '$work/hook.txt')\""; prompt='eval "$PROMPT_COMMAND"'
        show='echo "FAST=${FAST-unset}"' ;;
  zsh) install="eval \"\$(cat '$work/hook.txt')\""; prompt='for f in $precmd_functions; do $f; done'
       show='echo "FAST=${FAST-unset}"' ;;
  fish) install="source '$work/hook.txt'"; prompt='emit fish_prompt'
        show='if set -q FAST; echo "FAST=$FAST"; else; echo FAST=unset; end' ;;
esac
{
  echo "$install"
  for s in "${steps[@]}"; do
    IFS='|' read -r name action _ _ <<< "$s"
    echo "$action"
    echo "$prompt"
    echo "echo 'step $name' >> '$log'"
    echo "$show"
  done
} > "$work/session"
run=("$shell")
[[ $shell == zsh ]] && run=(zsh -f)
[[ $shell == fish ]] && run=(fish --no-config)
out=$(cd "$work" && "${run[@]}" "$work/session" 2> "$work/err")

failed=0
values=()
while IFS= read -r line; do values+=("${line#FAST=}"); done <<< "$out"
runs=() n=0
while IFS= read -r line; do
  if [[ $line == run ]]; then ((n++)); else runs+=("$n"); n=0; fi
done < "$log"
for i in "${!steps[@]}"; do
  IFS='|' read -r name _ wantruns want <<< "${steps[$i]}"
  if [[ ${runs[$i]-?} != "$wantruns" || ${values[$i]-?} != "$want" ]]; then
    echo "$shell: $name: vornenv started ${runs[$i]-?} times (want $wantruns), FAST=${values[$i]-?} (want $want)"
    failed=1
  fi
done
# Said once each, on standard error.
for pattern in "^vornenv: loaded .*/p/.vornenv.ini: +FAST\$" "^vornenv: unloaded .*/p/.vornenv.ini: -FAST\$" \
               "^vornenv: reloaded .*/p/.vornenv.ini: nothing changed\$" "^vornenv: loaded .*/q/.vornenv.ini: +FAST\$"; do
  grep -q "$pattern" "$work/err" || { echo "$shell: no line like '$pattern' in:"; cat "$work/err"; failed=1; }
done
grep -qx "hook:    applied this file in this shell" "$work/status.txt" &&
  grep -qx "changed: +FAST" "$work/status.txt" ||
  { echo "$shell: status in the shell said:"; cat "$work/status.txt"; failed=1; }
((failed)) && exit 1
echo "hook_fast: $shell: ${#steps[@]} steps as expected"
