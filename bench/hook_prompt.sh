#!/usr/bin/env bash
# What a prompt costs with each tool's hook installed and nothing changed:
# one interactive shell per tool and shell, the project's file applied and
# allowed, then N prompts, each timed in the shell itself (EPOCHREALTIME in
# bash and zsh, the time keyword in fish, whose seq runs once).  Prints "TOOL SHELL MEDIAN_US N"
# lines: the median time of what the shell runs at a prompt, in µs.
#
#   bench/hook_prompt.sh VORNENV DIR [N]
#
# DIR is a project folder holding .vornenv.ini, .envrc and mise.toml that
# set the same variables, each allowed for its tool (the caller allows
# them).  The tools: vornenv; direnv and mise when found on PATH (mise also
# as $MISE); "true", a prompt that starts /bin/true, for the cost of one
# process; and "before", another vornenv given as $BEFORE, to compare two
# builds in one run.
set -euo pipefail
vornenv=$1 dir=$2 n=${3:-1000}
mise=${MISE:-$(command -v mise || true)}
have() { command -v "$1" >/dev/null 2>&1; }

# The code that installs TOOL's hook in SHELL.
install() {
  case $1 in
    vornenv) "$vornenv" hook "$2" ;;
    before) "$BEFORE" hook "$2" ;;
    direnv) direnv hook "$2" ;;
    mise) "$mise" activate "$2" ;;
    true) case $2 in
            bash) echo 'PROMPT_COMMAND=/bin/true' ;;
            zsh) echo 'precmd_functions=(_true); _true() { /bin/true; }' ;;
            fish) echo 'function _true --on-event fish_prompt; /bin/true; end' ;;
          esac ;;
  esac
}

# A session: the hook installed, two prompts to apply and settle, then n
# timed prompts, each time on a line of its own.
# The hook's code is sourced from a file: read as typed, its tabs would
# reach the line editor of an interactive shell as completions.
session() {  # tool shell
  local code=$script.code
  install "$1" "$2" > "$code"
  echo "source $(printf '%q' "$code")"
  case $2 in
    bash)
      cat <<EOF
cd $(printf '%q' "$dir")
eval "\$PROMPT_COMMAND"; eval "\$PROMPT_COMMAND"
for ((i = 0; i < $n; i++)); do
  t0=\$EPOCHREALTIME; eval "\$PROMPT_COMMAND"; t1=\$EPOCHREALTIME
  echo "T \$(( 10#\${t1/./} - 10#\${t0/./} ))" >&3
done
EOF
      ;;
    zsh)
      cat <<EOF
zmodload zsh/datetime
cd ${dir@Q}
for f in \$precmd_functions; do \$f; done; for f in \$precmd_functions; do \$f; done
for ((i = 0; i < $n; i++)); do
  t0=\$EPOCHREALTIME; for f in \$precmd_functions; do \$f; done; t1=\$EPOCHREALTIME
  printf 'T %.0f\n' \$(( (t1 - t0) * 1e6 )) >&3
done
EOF
      ;;
    fish)
      cat <<EOF
cd ${dir@Q}
emit fish_prompt; emit fish_prompt
for i in (seq $n)
  time emit fish_prompt
end
EOF
      ;;
  esac
}

median_us() {  # reads "T us" lines or fish's time reports
  python3 -c '
import re, statistics, sys
v = []
for line in sys.stdin:
    m = re.match(r"T (\d+)", line)
    if m:
        v.append(float(m.group(1)))
        continue
    m = re.search(r"Executed in\s+([\d.]+) (micros|millis|secs)", line)
    if m:
        v.append(float(m.group(1)) * {"micros": 1, "millis": 1e3, "secs": 1e6}[m.group(2)])
print("%.1f %d" % (statistics.median(v), len(v)) if v else "n/a 0")
'
}

for shell in bash zsh fish; do
  have "$shell" || continue
  for tool in vornenv before direnv mise true; do
    case $tool in
      before) [ -n "${BEFORE:-}" ] || continue ;;
      direnv) have direnv || continue ;;
      mise) [ -n "$mise" ] || continue ;;
    esac
    case $shell in
      bash) run=(bash --norc --noprofile -i) ;;
      zsh) run=(zsh -f -i) ;;
      fish) run=(fish --no-config -i) ;;
    esac
    script=$(mktemp)
    session "$tool" "$shell" > "$script"
    # The timings go to fd 3 (fish's time keyword writes to the shell's
    # standard error); the prompts and the tools' notes are dropped.
    err=/dev/null
    [ "$shell" = fish ] && err=/dev/fd/3
    result=$( { "${run[@]}" < "$script" > /dev/null 2> "$err" || true; } 3>&1 | median_us)
    rm -f "$script" "$script.code"
    echo "$tool $shell $result"
  done
done
