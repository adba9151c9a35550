#!/usr/bin/env bash
# Drives a real shell through sessions with the prompt hook and by-hand
# exports, and checks what the environment holds after each step:
#   core     enter a project, edit its file, make it fail, leave, with the
#            user changing PATH in between: leaving gives back what was there
#            plus the user's own change;
#   names    projects in folders named with bytes a description file's paths
#            may not hold, "a\b" beside "a/b" among them: each applies its own
#            allowed file, never the other;
#   byhand   an export --undo inside a project survives leaving it, and
#            revert still undoes it;
#   others   allowing another project re-applies nothing here: the user's own
#            value stays;
#   exact    leaving gives back PATH's empty elements (not in fish, which
#            exports them as "."), around the user's own change, and a shell
#            variable that was not exported comes back as that, unexported;
#   undo     a thousand alternating export --undo over a 1 KB PATH: the
#            record stays within 16 KiB, every command still runs, and the
#            last ten reverts each give back the state before their export.
# Usage: hook_session.sh VORNENV SHELL.  Exits 77 (skipped) when SHELL is
# missing; under CI=true a missing shell fails instead.
set -u
vornenv=$1 shell=$2
if ! command -v "$shell" >/dev/null 2>&1; then
  echo "hook_session: $shell is not installed; skipped"
  [[ "${CI:-}" == true ]] && exit 1
  exit 77
fi
work=$(mktemp -d) || exit 1
# fish may still be writing its completions under XDG_DATA_HOME.
trap 'for _ in 1 2 3 4 5 6 7 8 9 10; do rm -rf "$work" 2>/dev/null && break; sleep 0.5; done' EXIT
proj="$work/Ελένη proj"
mkdir -p "$proj/bin" "$proj/sub" "$proj/bin2" "$work/outside" "$work/data" "$work/user bin" \
  "$work/user bin 2"
printf '[Environment]\nHOOK_A = ü $(VORNENV_DIR)\n[Executable Paths]\nbin = $(VORNENV_DIR)/bin\n' \
  > "$proj/.vornenv.ini"
export XDG_DATA_HOME="$work/data"
unset VORNENV_HOOK VORNENV_HOOK_UNDO VORNENV_UNDO HOOK_A HOOK_W BYHAND CFLAGS SHELLONLY WHICH
(cd "$proj" && "$vornenv" allow >/dev/null) || exit 1

# Folders whose names hold what a path inside a description file may not.
names=('a\b' 'colon:dir' "it's \"q\"" 'pipe|star*what?')
mkdir -p "$work/names/a/b"
printf '[Environment]\nHOOK_W = never allowed\n' > "$work/names/a/b/.vornenv.ini"
for n in "${names[@]}"; do
  mkdir -p "$work/names/$n"
  printf '[Environment]\nHOOK_W = %s\n' "$n" > "$work/names/$n/.vornenv.ini"
  (cd "$work/names/$n" && "$vornenv" allow >/dev/null) || exit 1
done
mkdir -p "$work/cflags" "$work/other" "$work/exact/bin"
printf '[Environment]\nCFLAGS = -O2\n' > "$work/cflags/.vornenv.ini"
printf '[Environment]\nOTHER = 1\n' > "$work/other/.vornenv.ini"
printf '[Environment]\nSHELLONLY = file\n[Executable Paths]\nbin = $(VORNENV_DIR)/bin\n' \
  > "$work/exact/.vornenv.ini"
printf '[Environment]\nBYHAND = 1\n' > "$work/byhand.ini"
printf '[Environment]\nWHICH = a\n[Executable Paths]\nd = %s\n' "$work/a" > "$work/a.ini"
printf '[Environment]\nWHICH = b\n[Executable Paths]\nd = %s\n' "$work/b" > "$work/b.ini"
mkdir -p "$work/a" "$work/b"
for d in cflags exact; do (cd "$work/$d" && "$vornenv" allow >/dev/null) || exit 1; done
# A PATH of 1 KB for the undo phase, and one with empty elements.
longpath=/usr/bin:/bin
for ((i = 0; ${#longpath} < 1024; i++)); do longpath+=":/opt/tool$i/bin"; done
emptypath=/usr/bin::/bin:

# Each shell's words: install the hook, run it as the prompt does, put the
# user's folder in front of PATH, quote a word, and the rest below.
case $shell in
  bash | zsh)
    q() { local s=${1//\'/\'\\\'\'}; printf "'%s'" "$s"; }
    install="eval \"\$(\"\$V\" hook $shell)\""
    if [[ $shell == bash ]]; then prompt='eval "$PROMPT_COMMAND"'
    else prompt='for f in $precmd_functions; do $f; done'; fi
    userpath='PATH="$U:$PATH"'
    exportundo() { echo "eval \"\$(\"\$V\" export --undo $(q "$1"))\""; }
    revert='eval "$("$V" revert)"'
    setexported() { echo "export $1=$(q "$2")"; }
    setshell() { echo "$1=$(q "$2")"; }
    unsetvar() { echo "unset $1"; }
    showvar() { echo "echo \"$1=\${$1-(unset)}\" > $(q "$2")"; }
    setpath() { echo "PATH=$(q "$1")"; } ;;
  fish)
    q() { local s=${1//\\/\\\\}; s=${s//\'/\\\'}; printf "'%s'" "$s"; }
    install='"$V" hook fish | source'; prompt='emit fish_prompt'
    userpath='set -gx PATH $U $PATH'
    exportundo() { echo "\"\$V\" export --undo --format fish $(q "$1") | source"; }
    revert='"$V" revert --format fish | source'
    setexported() { echo "set -gx $1 $(q "$2")"; }
    setshell() { echo "set -g $1 $(q "$2")"; }
    unsetvar() { echo "set -e $1"; }
    showvar() { echo "if set -q $1; echo \"$1=\$$1\"; else; echo '$1=(unset)'; end > $(q "$2")"; }
    setpath() { echo "set -gx PATH (string split : -- $(q "$1"))"; } ;;
  *) echo "hook_session: no words for $shell"; exit 2 ;;
esac
allow='"$V" allow .vornenv.ini >/dev/null'
dump() {
  echo "env | LC_ALL=C sort | grep -v -E '^(PWD|OLDPWD|_|SHLVL|VORNENV_HOOK|VORNENV_HOOK_UNDO)=' > $(q "$work/$1")"
}
cdto() { echo "cd $(q "$1")"; }
write() { echo "printf '$1' > $(q "$proj/.vornenv.ini")"; }

{
  # core
  cdto "$work/outside"; echo "$install"; echo "$prompt"; dump before
  cdto "$proj/sub"; echo "$prompt"; dump inside
  echo "$userpath"
  cdto "$proj"; write '[Environment]\nHOOK_A = edited\n[Executable Paths]\nb2 = $(VORNENV_DIR)/bin2\n'
  echo "$allow"; cdto "$proj/sub"; echo "$prompt"; dump edited
  cdto "$proj"; write '[Environment]\nHOOK_A = $(HOOK_UNSET)\n'
  echo "$allow"; echo "$prompt"; echo "$prompt"; dump failed
  cdto "$work/outside"; echo "$prompt"; dump after
  # names
  for i in "${!names[@]}"; do
    cdto "$work/names/${names[i]}"; echo "$prompt"; dump "name$i"
  done
  cdto "$work/outside"; echo "$prompt"
  # byhand, in the project mended
  cdto "$proj"; write '[Environment]\nHOOK_A = again\n'; echo "$allow"
  cdto "$proj/sub"; echo "$prompt"; exportundo "$work/byhand.ini"
  cdto "$work/outside"; echo "$prompt"; dump byhand-left
  echo "$revert"; dump byhand-reverted
  # others
  cdto "$work/cflags"; echo "$prompt"; setexported CFLAGS "-O0 -g"
  echo "\"\$V\" allow $(q "$work/other/.vornenv.ini") >/dev/null"; echo "$prompt"; dump cflags-dump
  cdto "$work/outside"; echo "$prompt"
  # exact
  [[ $shell != fish ]] && setpath "$emptypath:$PATH"
  setshell SHELLONLY mine; echo "$prompt"; dump exact-before
  cdto "$work/exact"; echo "$prompt"; dump exact-inside
  echo "${userpath//\$U/\$U2}"; cdto "$work/outside"; echo "$prompt"; dump exact-after
  showvar SHELLONLY "$work/exact-shellvar"
  # Unset inside the project, it stays unset after leaving, however often.
  cdto "$work/exact"; echo "$prompt"; unsetvar SHELLONLY; cdto "$work/outside"; echo "$prompt"
  cdto "$work/exact"; echo "$prompt"; cdto "$work/outside"; echo "$prompt"
  showvar SHELLONLY "$work/exact-shellvar-unset"
  # undo
  setpath "$longpath"
  for ((i = 0; i < 1000; i++)); do
    ((i >= 990)) && dump "undo-before$i"
    exportundo "$work/$( ((i % 2)) && echo b || echo a).ini"
  done
  dump undo-last
  echo "\"\$V\" --version > $(q "$work/undo-version")"
  for ((i = 999; i >= 990; i--)); do echo "$revert"; dump "undo-reverted$i"; done
} > "$work/session"
export V="$vornenv" U="$work/user bin" U2="$work/user bin 2"
"$shell" "$work/session" 2> "$work/stderr" ||
  { cat "$work/stderr"; echo "hook_session: $shell failed"; exit 1; }

status=0
fail() { echo "hook_session: $shell: $*"; status=1; }
# core
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
# names
for i in "${!names[@]}"; do
  grep -qxF "HOOK_W=${names[i]}" "$work/name$i" ||
    fail "folder ${names[i]}: $(grep ^HOOK_W "$work/name$i" || echo 'not applied')"
done
# byhand
grep -qx "BYHAND=1" "$work/byhand-left" || fail "leaving undid the export by hand"
grep -q "^HOOK_A=" "$work/byhand-left" && fail "leaving left the project applied"
grep -q "^BYHAND=" "$work/byhand-reverted" && fail "revert did not undo the export by hand"
# others
grep -qx "CFLAGS=-O0 -g" "$work/cflags-dump" ||
  fail "allowing another project: $(grep ^CFLAGS "$work/cflags-dump")"
# exact
grep -qx "SHELLONLY=file" "$work/exact-inside" || fail "exact: the file was not applied"
sed "s|^PATH=|PATH=$U2:|" "$work/exact-before" > "$work/exact-expected"
diff "$work/exact-expected" "$work/exact-after" >&2 || fail "exact: leaving did not give back PATH"
grep -qx "SHELLONLY=mine" "$work/exact-shellvar" ||
  fail "exact: the shell's own variable is $(cat "$work/exact-shellvar")"
grep -qx "SHELLONLY=(unset)" "$work/exact-shellvar-unset" ||
  fail "exact: unset inside, then $(cat "$work/exact-shellvar-unset") after leaving twice"
# undo
size=$(grep '^VORNENV_UNDO=' "$work/undo-last" | wc -c)
((size <= 16384 + 14)) || fail "undo: the record holds $size bytes"
grep -q "^vornenv " "$work/undo-version" || fail "undo: vornenv did not run with the record"
for ((i = 999; i >= 990; i--)); do
  diff <(grep -v ^VORNENV_UNDO= "$work/undo-before$i") \
    <(grep -v ^VORNENV_UNDO= "$work/undo-reverted$i") >&2 ||
    fail "undo: the revert of export $i did not give back the state before it"
done
[[ $status == 0 ]] && echo "hook_session: $shell: core, names, byhand, others, exact, undo: ok"
exit $status
