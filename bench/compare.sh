#!/usr/bin/env bash
# Measures vornenv against its anchors and peers side by side, in one run, and
# prints one table of ratios with each goal marked met or missed.
#
#   bench/compare.sh [--runs N] [--rounds N] [--work DIR] [--quick] [--before VORNENV]
#
#   --rounds N  hyperfine rounds, each with the commands in a rotated order
#               (default 3); the medians are taken over all rounds' runs
#   --work DIR  where builds, fixtures and raw results go
#               (default build-bench/ in the repository)
#   --runs N    the whole measurement N times (default 1), then one table
#               of medians over the N tables (bench/median.py)
#   --quick     fewer runs and only the 1 and 10 MB files: for trying the
#               script, not for figures
#   --before VORNENV  an earlier build of the tool, measured beside this one
#               for the instructions of `run` and the memory of odd shapes
#
# What it does: builds the project in Release and the anchors of
# bench/anchors/; installs the missing tools and peers with apt-get when run
# as root (Lmod is unpacked from its .deb, since its package conflicts with
# Environment Modules); generates the description files and the
# apply-and-start fixture in each peer's format; checks that every program
# accepts its input and that every peer really sets the environment; then
# measures wall time (hyperfine), instructions (callgrind, the whole process
# minus the same process on an empty file) and peak memory (GNU time).
# Raw results stay in WORK/results (WORK/results-N for --runs), the table
# is WORK/results/table.md (WORK/table-median.md for --runs).
#
# Runs on demand, on a quiet machine: ratios are taken within one run, but a
# load spike during the run still skews them.  Not part of scripts/test-all.

set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
ROUNDS=3
WORK=$ROOT/build-bench
QUICK=0
RUNS=1
BEFORE=
ARGS=("$@")
while [ $# -gt 0 ]; do
  case $1 in
    --rounds) ROUNDS=$2; shift 2 ;;
    --runs) RUNS=$2; shift 2 ;;
    --work) WORK=$2; shift 2 ;;
    --quick) QUICK=1; shift ;;
    --before) BEFORE=$(realpath "$2"); shift 2 ;;
    -h|--help) sed -n '2,25p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "compare.sh: unknown argument: $1" >&2; exit 2 ;;
  esac
done
case $ROUNDS in ''|*[!0-9]*|0) echo "compare.sh: --rounds takes a positive number" >&2; exit 2 ;; esac
case $RUNS in ''|*[!0-9]*|0) echo "compare.sh: --runs takes a positive number" >&2; exit 2 ;; esac

# Several runs: each is a whole run of this script, its results kept apart.
if [ "$RUNS" -gt 1 ]; then
  mkdir -p "$WORK"
  tables=()
  for ((run = 1; run <= RUNS; run++)); do
    printf '== run %d of %d\n' "$run" "$RUNS" >&2
    bash "$0" "${ARGS[@]}" --runs 1 > /dev/null
    rm -rf "$WORK/results-$run"
    mv "$WORK/results" "$WORK/results-$run"
    tables+=("$WORK/results-$run/table.md")
  done
  python3 "$ROOT/bench/median.py" "${tables[@]}" | tee "$WORK/table-median.md"
  exit 0
fi

BUILD=$WORK/release
ANCH=$WORK/anchors
FIX=$WORK/fixtures
RES=$WORK/results
mkdir -p "$BUILD" "$ANCH" "$FIX" "$RES"
LOAD_START=$(cut -d' ' -f1-3 /proc/loadavg)
rm -f "$RES"/*.json "$RES"/*.txt "$RES"/*.md
log() { printf '== %s\n' "$*" >&2; }

# --- tools and peers -----------------------------------------------------------
needpkgs=()
have() { command -v "$1" >/dev/null 2>&1; }
pkginstalled() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed'; }
for p in cmake ninja-build g++ libbenchmark-dev hyperfine valgrind time libinih-dev \
         libsimpleini-dev direnv python3-dotenv python3-click environment-modules \
         lua5.3 lua-filesystem lua-json lua-posix lua-term python3; do
  pkginstalled "$p" || needpkgs+=("$p")
done
if [ ${#needpkgs[@]} -gt 0 ]; then
  if [ "$(id -u)" = 0 ]; then
    log "installing ${needpkgs[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${needpkgs[@]}" >&2
  else
    log "missing packages (run as root to install them): ${needpkgs[*]}"
  fi
fi
for t in cmake ninja g++ gcc hyperfine valgrind python3; do
  have "$t" || { echo "compare.sh: $t is needed" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "compare.sh: GNU time (/usr/bin/time) is needed" >&2; exit 1; }

# Lmod, unpacked beside the rest: its package cannot be installed together
# with Environment Modules.
LMOD=$WORK/lmod/root/usr/share/lmod/lmod
if [ ! -f "$LMOD/libexec/lmod" ]; then
  log "unpacking Lmod"
  rm -rf "$WORK/lmod" && mkdir -p "$WORK/lmod"
  if (cd "$WORK/lmod" && apt-get download lmod >/dev/null 2>&1); then
    dpkg-deb -x "$WORK"/lmod/lmod_*.deb "$WORK/lmod/root"
  else
    log "cannot download Lmod; it is left out"
  fi
fi
MODULECMD=""
for m in /usr/lib/modulecmd.tcl /usr/lib/*/modulecmd.tcl; do
  [ -f "$m" ] && { MODULECMD=$m; break; }
done

# --- the project and the anchors ---------------------------------------------------
log "building vornenv (Release) in $BUILD"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DVORNENV_BUILD_TESTS=OFF -DVORNENV_BUILD_EXAMPLES=OFF -DVORNENV_BUILD_BENCH=ON >/dev/null
cmake --build "$BUILD" --target vornenv-cli genini pathlist_bench filepath_bench expand_bench >&2
VORNENV=$BUILD/cli/vornenv

# The same tool linked dynamically against the shared libraries (the
# host's static link turned off), to show what the dynamic loader would cost
# each start.
log "building vornenv linked dynamically in $BUILD-dynamic"
cmake -S "$ROOT" -B "$BUILD-dynamic" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DVORNENV_BUILD_TESTS=OFF -DVORNENV_BUILD_EXAMPLES=OFF -DVORNENV_BUILD_BENCH=OFF \
  -DVORNENV_STATIC_HOST=OFF >/dev/null
cmake --build "$BUILD-dynamic" --target vornenv-cli >&2
VORNENV_DYNAMIC=$BUILD-dynamic/cli/vornenv

log "building the anchors in $ANCH"
A=$ROOT/bench/anchors
CFLAGS=(-O3 -DNDEBUG -Wall -Wextra -Wpedantic)
gcc "${CFLAGS[@]}" -std=c11 -o "$ANCH/inih_null" "$A/inih_null.c" -linih
g++ "${CFLAGS[@]}" -std=c++17 -o "$ANCH/inih_store" "$A/inih_store.cc" -linih
# SimpleIni's header is not -Wpedantic clean.
g++ -O3 -DNDEBUG -std=c++17 -o "$ANCH/simpleini_load" "$A/simpleini_load.cc"
gcc "${CFLAGS[@]}" -std=c11 -D_DEFAULT_SOURCE -o "$ANCH/linescan" "$A/linescan.c"
gcc "${CFLAGS[@]}" -std=c11 -D_POSIX_C_SOURCE=200809L -o "$ANCH/capply" "$A/capply.c"

# --- description files ----------------------------------------------------------
if [ $QUICK = 1 ]; then SIZES=(1 10); else SIZES=(1 10 100); fi
MIB=1048576
FILES=()
for mb in "${SIZES[@]}"; do
  for eol in lf crlf; do
    f=$FIX/gen-${mb}mb-$eol.ini
    [ -f "$f" ] || "$BUILD/bench/genini" $((mb * MIB)) $eol "$f"
    FILES+=("$f")
  done
done
EMPTY=$FIX/empty.ini
: > "$EMPTY"

# name|command prefix (the file is appended)
PARSERS=(
  "vornenv|$VORNENV check"
  "inih-store|$ANCH/inih_store"
  "simpleini|$ANCH/simpleini_load"
  "inih-null|$ANCH/inih_null"
  "linescan|$ANCH/linescan"
)

log "checking that every reader accepts every file"
for f in "$EMPTY" "${FILES[@]}"; do
  for p in "${PARSERS[@]}"; do
    name=${p%%|*} cmd=${p#*|}
    out=$($cmd "$f") || { echo "compare.sh: $name failed on $f" >&2; exit 1; }
    printf '%s %s: %s\n' "$name" "$(basename "$f")" "$out" >> "$RES/accept.txt"
  done
done

# --- the apply-and-start fixture, in each tool's format ---------------------------
APPLY=$FIX/apply
rm -rf "$APPLY"
mkdir -p "$APPLY/dirs" "$APPLY/direnv" "$APPLY/dotenv" "$APPLY/modules/vbench" "$APPLY/lmod/vbench"
{
  ini=$APPLY/fixture.ini cenv=$APPLY/fixture.cenv envrc=$APPLY/direnv/.envrc
  dotenv=$APPLY/dotenv/.env tclmod=$APPLY/modules/vbench/1.0 luamod=$APPLY/lmod/vbench/1.0.lua
  echo "[Environment]" > "$ini"
  : > "$cenv"
  : > "$envrc"
  : > "$dotenv"
  echo '#%Module1.0' > "$tclmod"
  : > "$luamod"
  # 100 variables; every fourth one refers to an earlier one.
  for i in $(seq 0 99); do
    n=$(printf 'BENCH_VAR_%03d' "$i")
    if [ $((i % 4)) = 3 ]; then
      r=$(printf 'BENCH_VAR_%03d' $((i - 3))) tail=/lib/tool$i
      echo "$n = \$($r)$tail" >> "$ini"
      echo "$n=\$($r)$tail" >> "$cenv"
      echo "export $n=\"\${$r}$tail\"" >> "$envrc"
      echo "$n=\${$r}$tail" >> "$dotenv"
      echo "setenv $n \"\$env($r)$tail\"" >> "$tclmod"
      echo "setenv(\"$n\", os.getenv(\"$r\") .. \"$tail\")" >> "$luamod"
    else
      v=/opt/bench/pkg$i/share/data-$i
      echo "$n = $v" >> "$ini"
      echo "$n=$v" >> "$cenv"
      echo "export $n=\"$v\"" >> "$envrc"
      echo "$n=$v" >> "$dotenv"
      echo "setenv $n \"$v\"" >> "$tclmod"
      echo "setenv(\"$n\", \"$v\")" >> "$luamod"
    fi
  done
  # 20 existing directories in front of PATH, bin00 first.
  echo "[Executable Paths]" >> "$ini"
  front=""
  for i in $(seq 0 19); do
    d=$APPLY/dirs/$(printf 'bin%02d' "$i")
    mkdir -p "$d"
    echo "$(basename "$d") = $d" >> "$ini"
    echo "+$d" >> "$cenv"
    front=$front$d:
  done
  # The prepending tools put the last one added first.
  for i in $(seq 19 -1 0); do
    d=$APPLY/dirs/$(printf 'bin%02d' "$i")
    echo "PATH_add $d" >> "$envrc"
    echo "prepend-path PATH $d" >> "$tclmod"
    echo "prepend_path(\"PATH\", \"$d\")" >> "$luamod"
  done
  echo "PATH=$front\${PATH}" >> "$dotenv"
}

# direnv keeps its allow list under XDG_DATA_HOME: a private one here.
export XDG_DATA_HOME=$WORK/xdg/data XDG_CONFIG_HOME=$WORK/xdg/config XDG_CACHE_HOME=$WORK/xdg/cache
export DIRENV_LOG_FORMAT=
q() { printf '%q' "$1"; }
# name|command running `true` (hyperfine -N splits it like a shell would)
APPLIERS=(
  "vornenv|$VORNENV run $APPLY/fixture.ini -- true"
  "c-baseline|$ANCH/capply $APPLY/fixture.cenv true"
  "vornenv-dynamic|$VORNENV_DYNAMIC run $APPLY/fixture.ini -- true"
)
if have direnv; then
  direnv allow "$APPLY/direnv" >/dev/null 2>&1
  APPLIERS+=("direnv|direnv exec $APPLY/direnv true")
fi
have python-dotenv && APPLIERS+=("python-dotenv|python-dotenv -f $APPLY/dotenv/.env run true")
if [ -n "$MODULECMD" ] && have tclsh; then
  APPLIERS+=("environment-modules|sh -c 'export MODULEPATH=$(q "$APPLY/modules"); eval \"\$($MODULECMD sh load vbench)\" && exec true'")
fi
if [ -f "$LMOD/libexec/lmod" ] && have lua5.3; then
  APPLIERS+=("lmod|sh -c 'export MODULEPATH=$(q "$APPLY/lmod"); eval \"\$(lua5.3 $LMOD/libexec/lmod sh load vbench)\" && exec true'")
fi

# Each tool must really set the variables and PATH, or its time means nothing.
log "checking that every tool applies the fixture"
expect099="/opt/bench/pkg96/share/data-96/lib/tool99"
expectpath="$APPLY/dirs/bin00:$APPLY/dirs/bin01:"
for a in "${APPLIERS[@]}"; do
  name=${a%%|*} cmd=${a#*|}
  probe=${cmd%true*}printenv${cmd##*true}
  got=$(eval "$probe" 2>/dev/null) || { echo "compare.sh: $name failed on the fixture" >&2; exit 1; }
  var=$(printf '%s\n' "$got" | sed -n 's/^BENCH_VAR_099=//p')
  path=$(printf '%s\n' "$got" | sed -n 's/^PATH=//p')
  if [ "$var" != "$expect099" ] || [ "${path#"$expectpath"}" = "$path" ]; then
    echo "compare.sh: $name did not apply the fixture (BENCH_VAR_099='$var', PATH='${path:0:120}')" >&2
    exit 1
  fi
  echo "$name: ok" >> "$RES/accept.txt"
done

# --- wall time ----------------------------------------------------------------------
# One hyperfine call per round, the commands rotated so that none is always
# first after the warm-up; the report pools the rounds.
hyperrounds() {  # tag warmup runs entry...
  local tag=$1 warmup=$2 runs=$3
  shift 3
  local cmds=("$@") n=$# r i
  for ((r = 0; r < ROUNDS; r++)); do
    local args=()
    for ((i = 0; i < n; i++)); do
      local e=${cmds[$(((i + r) % n))]}
      args+=(-n "${e%%|*}" "${e#*|}")
    done
    hyperfine -N --style basic --warmup "$warmup" --runs "$runs" \
      --export-json "$RES/time-$tag-r$r.json" "${args[@]}" > "$RES/time-$tag-r$r.txt"
  done
}

for f in "${FILES[@]}"; do
  tag=$(basename "$f" .ini)
  case $tag in
    gen-1mb-*) warmup=5 runs=$([ $QUICK = 1 ] && echo 10 || echo 30) ;;
    gen-10mb-*) warmup=3 runs=$([ $QUICK = 1 ] && echo 5 || echo 15) ;;
    *) warmup=2 runs=5 ;;
  esac
  log "wall time: reading $tag"
  entries=()
  for p in "${PARSERS[@]}"; do entries+=("${p%%|*}|${p#*|} $f"); done
  hyperrounds "$tag" "$warmup" "$runs" "${entries[@]}"
done

log "wall time: apply and start true"
hyperrounds apply 5 "$([ $QUICK = 1 ] && echo 10 || echo 40)" "${APPLIERS[@]}"

# The hook at a prompt where nothing changed: the file applied and allowed,
# the state that the shell keeps in its environment loaded, as each tool finds
# it at every prompt after the first.  Both files sit in one folder, so both
# commands run from the same working directory with the same environment.
prompt_bench() {
  local dir=$APPLY/direnv
  cp "$APPLY/fixture.ini" "$dir/.vornenv.ini"
  "$VORNENV" allow "$dir/.vornenv.ini" >/dev/null
  direnv allow "$dir" >/dev/null 2>&1
  (
    cd "$dir"
    eval "$("$VORNENV" prompt sh)"
    eval "$(direnv export bash 2>/dev/null)"
    [ "${BENCH_VAR_099:-}" = "$expect099" ] && [ -n "${VORNENV_HOOK:-}" ] && [ -n "${DIRENV_DIR:-}" ] ||
      { echo "compare.sh: the hooks did not load the fixture" >&2; exit 1; }
    # Nothing changed, so neither changes a variable (vornenv prints only
    # what its hook checks next): that is the case measured.
    ! "$VORNENV" prompt sh | grep -q '^export\|^unset' && [ -z "$(direnv export bash 2>/dev/null)" ] ||
      { echo "compare.sh: a hook still has changes to print" >&2; exit 1; }
    hyperrounds prompt 10 "$([ $QUICK = 1 ] && echo 20 || echo 100)" \
      "vornenv-prompt|$VORNENV prompt sh" "direnv-export|direnv export bash"
  )
}
if have direnv; then
  log "wall time: the hook's command at a prompt, nothing changed"
  prompt_bench
fi

# The whole prompt in an interactive shell, each tool's hook installed:
# mise comes from npm, into WORK/npm, when npm is there.
MISE=$(command -v mise || true)
if [ -z "$MISE" ] && have npm; then
  MISE=$WORK/npm/node_modules/@jdxcode/mise-linux-x64/bin/mise
  [ -x "$MISE" ] || npm install --prefix "$WORK/npm" --no-audit --no-fund \
    @jdxcode/mise-linux-x64 >/dev/null 2>&1 || MISE=
  [ -x "${MISE:-/nonexistent}" ] || MISE=
fi
hook_bench() {
  local dir=$APPLY/direnv
  # mise's form of the fixture: the same variables, references expanded,
  # and the same folders in front of PATH.
  python3 - "$APPLY/fixture.cenv" > "$dir/mise.toml" <<'PY'
import json, re, sys
values, front = {}, []
for line in open(sys.argv[1]):
    line = line.rstrip("\n")
    if line.startswith("+"):
        front.append(line[1:])
    elif "=" in line:
        name, value = line.split("=", 1)
        values[name] = re.sub(r"\$\((\w+)\)", lambda m: values[m.group(1)], value)
print("[env]")
for name, value in values.items():
    print("%s = %s" % (name, json.dumps(value)))
print("_.path = %s" % json.dumps(front))
PY
  [ -z "$MISE" ] || "$MISE" trust "$dir/mise.toml" >/dev/null 2>&1
  # Old enough that a prompt takes their times as settled.
  touch -d '1 hour ago' "$dir/.vornenv.ini" "$XDG_DATA_HOME/vornenv/allowed"
  MISE=$MISE bash "$ROOT/bench/hook_prompt.sh" "$VORNENV" "$dir" \
    "$([ $QUICK = 1 ] && echo 100 || echo 1000)" > "$RES/hook.txt"
}
if have direnv; then
  log "wall time: a prompt with each tool's hook, nothing changed"
  hook_bench
fi

# --- instructions -----------------------------------------------------------------
# Every reader on the empty file, the 1 and 10 MB files; vornenv alone on the
# 100 MB files too (under callgrind they take minutes each).
instructions() {  # name file command...  (EXPECT_STATUS: its exit status, default 0)
  local name=$1 file=$2
  shift 2
  local out=$RES/callgrind.tmp status=0
  valgrind --tool=callgrind --callgrind-out-file="$out" "$@" > /dev/null 2> "$RES/callgrind.log" || status=$?
  if [ "$status" != "${EXPECT_STATUS:-0}" ]; then
    echo "compare.sh: $name on $file exited with $status under callgrind" >&2
    exit 1
  fi
  printf '%s %s %s\n' "$name" "$(basename "$file")" "$(sed -n 's/^summary: //p' "$out")" >> "$RES/instructions.txt"
  rm -f "$out"
}
for f in "$EMPTY" "${FILES[@]}"; do
  for p in "${PARSERS[@]}"; do
    name=${p%%|*} cmd=${p#*|}
    case $(basename "$f") in gen-100mb-*) [ "$name" = vornenv ] || continue ;; esac
    log "instructions: $name $(basename "$f")"
    # shellcheck disable=SC2086  # the command's words
    instructions "$name" "$f" $cmd "$f"
  done
done
# A successful exec replaces the process before callgrind writes its counts,
# so the appliers are pointed at a command that does not exist: the work up
# to the exec is the same, and both exit with 127.
log "instructions: applying the fixture, up to the exec"
nocmd=vornenv-bench-no-such-command
EXPECT_STATUS=127 instructions vornenv-run "$APPLY/fixture.ini" "$VORNENV" run "$APPLY/fixture.ini" -- $nocmd
EXPECT_STATUS=127 instructions vornenv-dynamic-run "$APPLY/fixture.ini" "$VORNENV_DYNAMIC" run "$APPLY/fixture.ini" -- $nocmd
if [ -n "$BEFORE" ]; then
  EXPECT_STATUS=127 instructions vornenv-before-run "$APPLY/fixture.ini" "$BEFORE" run "$APPLY/fixture.ini" -- $nocmd
fi
EXPECT_STATUS=127 instructions c-baseline "$APPLY/fixture.cenv" "$ANCH/capply" "$APPLY/fixture.cenv" $nocmd

# --- peak memory -----------------------------------------------------------------
log "peak memory"
for f in "$EMPTY" "${FILES[@]}"; do
  for p in "${PARSERS[@]}"; do
    name=${p%%|*} cmd=${p#*|}
    # shellcheck disable=SC2086
    /usr/bin/time -f %M -o "$RES/rss.tmp" $cmd "$f" > /dev/null
    printf '%s %s %s\n' "$name" "$(basename "$f")" "$(tail -n 1 "$RES/rss.tmp")" >> "$RES/rss.txt"
  done
done
# Odd shapes, the files that once made memory grow far past their size
# (genini's shapes): check and run, this build and the one before.
SHAPES=("shape-typical.ini|$FIX/gen-$([ $QUICK = 1 ] && echo 10 || echo 100)mb-lf.ini"
        "shape-empty.ini|12000000 empty" "shape-one-entry.ini|16000000 one-entry"
        "shape-one-section.ini|16000000 one-section")
for s in "${SHAPES[@]}"; do
  name=${s%%|*} how=${s#*|}
  f=$FIX/$name
  if [[ $how == /* ]]; then
    ln -sf "$how" "$f"
  else
    # shellcheck disable=SC2086
    [ -f "$f" ] || "$BUILD/bench/genini" ${how% *} lf "$f" ${how#* }
  fi
  for tool in "vornenv|$VORNENV" "vornenv-before|$BEFORE"; do
    tname=${tool%%|*} exe=${tool#*|}
    [ -n "$exe" ] || continue
    /usr/bin/time -f %M -o "$RES/rss.tmp" "$exe" check "$f" > /dev/null
    printf '%s-check %s %s\n' "$tname" "$name" "$(tail -n 1 "$RES/rss.tmp")" >> "$RES/rss.txt"
    /usr/bin/time -f %M -o "$RES/rss.tmp" "$exe" run "$f" -- true
    printf '%s-run %s %s\n' "$tname" "$name" "$(tail -n 1 "$RES/rss.tmp")" >> "$RES/rss.txt"
  done
done
# SimpleIni keeps empty sections; inih calls back only for entries.
/usr/bin/time -f %M -o "$RES/rss.tmp" "$ANCH/simpleini_load" "$FIX/shape-empty.ini" > /dev/null
printf 'simpleini shape-empty.ini %s\n' "$(tail -n 1 "$RES/rss.tmp")" >> "$RES/rss.txt"
rm -f "$RES/rss.tmp"

# --- micro-benchmarks ---------------------------------------------------------------
reps=$([ $QUICK = 1 ] && echo 3 || echo 5)
log "path lists"
"$BUILD/bench/pathlist_bench" --benchmark_repetitions="$reps" --benchmark_format=json \
  --benchmark_out="$RES/pathlist.json" --benchmark_out_format=json > /dev/null
log "path comparison"
"$BUILD/bench/filepath_bench" --benchmark_repetitions="$reps" \
  --benchmark_out="$RES/filepath.json" --benchmark_out_format=json > /dev/null
log "expansion"
"$BUILD/bench/expand_bench" --benchmark_repetitions="$reps" \
  --benchmark_filter='bm_deep_chain/100000|bm_many_references' \
  --benchmark_out="$RES/expand.json" --benchmark_out_format=json > /dev/null

# --- the table ------------------------------------------------------------------------
{
  echo "nproc=$(nproc)"
  echo "cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)"
  echo "memory=$(free -h | awk '/^Mem:/ {print $2}')"
  echo "load_start=$LOAD_START"
  echo "load_end=$(cut -d' ' -f1-3 /proc/loadavg)"
  echo "commit=$(git -C "$ROOT" rev-parse --short HEAD 2>/dev/null || echo unknown)"
  echo "rounds=$ROUNDS"
} > "$RES/machine.txt"
python3 "$ROOT/bench/report.py" "$RES" "$FIX" | tee "$RES/table.md"
