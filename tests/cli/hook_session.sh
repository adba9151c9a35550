#!/usr/bin/env bash
# Drives a real shell through a session with the prompt hook: enter a
# project, edit its file, make it fail, leave, with the user changing PATH in
# between; after leaving, the environment must be what it was before
# entering plus the user's own change.  Usage: hook_session.sh VORNENV SHELL
# Exits 77 (skipped) when SHELL is missing; under CI=true a missing bash, zsh
# or fish fails instead.
set -u
vornenv=$1 shell=$2
if ! command -v "$shell" >/dev/null 2>&1; then
  echo "hook_session: $shell is not installed; skipped"
  [[ "${CI:-}" == true && "$shell" != pwsh ]] && exit 1
  exit 77
fi
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
proj="$work/Ελένη proj"
mkdir -p "$proj/bin" "$proj/sub" "$proj/bin2" "$work/outside" "$work/data" "$work/user bin"
printf '[Environment]\nHOOK_A = ü $(VORNENV_DIR)\n[Executable Paths]\nbin = $(VORNENV_DIR)/bin\n' \
  > "$proj/.vornenv.ini"
export XDG_DATA_HOME="$work/data"
unset VORNENV_HOOK VORNENV_UNDO HOOK_A
(cd "$proj" && "$vornenv" allow >/dev/null) || exit 1

# Each shell's words for: install the hook, run it as the prompt does, and
# put the user's own folder in front of PATH.
case $shell in
  bash) install='eval "$("$V" hook bash)"'; prompt='eval "$PROMPT_COMMAND"'
        userpath='PATH="$U:$PATH"'; allow='"$V" allow .vornenv.ini >/dev/null' ;;
  zsh)  install='eval "$("$V" hook zsh)"'; prompt='for f in $precmd_functions; do $f; done'
        userpath='PATH="$U:$PATH"'; allow='"$V" allow .vornenv.ini >/dev/null' ;;
  fish) install='"$V" hook fish | source'; prompt='emit fish_prompt'
        userpath='set -gx PATH $U $PATH'; allow='"$V" allow .vornenv.ini >/dev/null' ;;
  pwsh) install='& $env:V hook powershell | Out-String | Invoke-Expression'
        prompt='prompt | Out-Null'; userpath='$env:PATH = $env:U + ":" + $env:PATH'
        allow='& $env:V allow .vornenv.ini | Out-Null' ;;
esac
dump() { echo "env | LC_ALL=C sort | grep -v -E '^(PWD|OLDPWD|_|SHLVL|VORNENV_HOOK)=' > '$work/$1'"; }
write() { echo "printf '$1' > '$proj/.vornenv.ini'"; }
cat > "$work/session" <<SESSION
cd '$work/outside'
$install
$prompt
$(dump before)
cd '$proj/sub'
$prompt
$(dump inside)
$userpath
cd '$proj'
$(write '[Environment]\nHOOK_A = edited\n[Executable Paths]\nb2 = $(VORNENV_DIR)/bin2\n')
$allow
cd '$proj/sub'
$prompt
$(dump edited)
cd '$proj'
$(write '[Environment]\nHOOK_A = $(HOOK_UNSET)\n')
$allow
$prompt
$prompt
$(dump failed)
cd '$work/outside'
$prompt
$(dump after)
SESSION
export V="$vornenv" U="$work/user bin"
case $shell in
  pwsh) cp "$work/session" "$work/session.ps1"; pwsh -NoProfile -File "$work/session.ps1" ;;
  *) "$shell" "$work/session" ;;
esac 2> "$work/stderr" || { cat "$work/stderr"; echo "hook_session: $shell failed"; exit 1; }

status=0
fail() { echo "hook_session: $shell: $*"; status=1; }
grep -qx "HOOK_A=ü $proj" "$work/inside" || fail "entering did not apply the file"
grep -q "^PATH=$proj/bin:" "$work/inside" || fail "entering did not put bin in front of PATH"
grep -qx "HOOK_A=edited" "$work/edited" || fail "the edited file was not applied again"
grep -q "^PATH=$proj/bin2:$U:" "$work/edited" || fail "edit: $(grep ^PATH= "$work/edited")"
grep -q "$proj/bin:" "$work/edited" && fail "edit: the old bin stayed in PATH"
cmp -s "$work/edited" "$work/failed" || fail "a failing file changed the environment"
n=$(grep -c "error:" "$work/stderr")
[[ $n == 1 ]] || fail "the failure was reported $n times: $(cat "$work/stderr")"
# Before entering, with the user's own folder in front of PATH.
sed "s|^PATH=|PATH=$U:|" "$work/before" > "$work/expected"
diff "$work/expected" "$work/after" >&2 || fail "leaving did not give back the environment"
[[ $status == 0 ]] && echo "hook_session: $shell: enter, edit, fail, leave: ok"
exit $status
