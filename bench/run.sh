#!/usr/bin/env bash
# Benchmarks: what a run of quorvex.exe costs under Wine next to the cheapest
# program that starts the same way and next to Wine's wmic, how the report's
# work grows with the SMBIOS table and the driver key (instruction counts of
# the replay tool under callgrind), and the size of the .exe. Builds what it
# needs in its own build folders and prints one table at the end.
#
#   bench/run.sh                    the whole set, a few minutes on 2 cores
#   QUORVEX_BENCH_ROUNDS=N          alternated rounds against the floor (40)
#   QUORVEX_BENCH_WMIC_ROUNDS=N     alternated rounds against wmic (20)
#   QUORVEX_BENCH_WARMUP=N          untimed runs of each program first (3)
set -euo pipefail
cd "$(dirname "$0")/.."
export LC_ALL=C

root=$PWD
rounds=${QUORVEX_BENCH_ROUNDS:-40}
wmic_rounds=${QUORVEX_BENCH_WMIC_ROUNDS:-20}
warmup=${QUORVEX_BENCH_WARMUP:-3}
work=$root/build/bench-work
mingw_dir=$root/build/bench-mingw
floor_dir=$root/build/bench-floor
native_dir=$root/build/bench-native
log=$work/build.log

say() { echo "bench: $*" >&2; }
fail() {
  echo "bench: $*" >&2
  exit 1
}

# ---- tools ----------------------------------------------------------------

# Each argument is "command-or-path:package"; installs the packages whose
# command (or file) is missing.
need() {
  local missing=() entry probe
  for entry in "$@"; do
    probe=${entry%%:*}
    if [[ $probe == /* ]]; then
      [ -e "$probe" ] || missing+=("${entry#*:}")
    else
      command -v "$probe" >/dev/null 2>&1 || missing+=("${entry#*:}")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  say "installing ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}
# Debian's wine64 puts its loader under /usr/lib/wine and nothing on PATH.
need cmake:cmake ninja:ninja-build g++:g++ \
  x86_64-w64-mingw32-g++-posix:g++-mingw-w64-x86-64-posix \
  x86_64-w64-mingw32-objdump:binutils-mingw-w64-x86-64 \
  wine:wine /usr/lib/wine/wine64:wine64 valgrind:valgrind iconv:libc-bin

rm -rf "$work"
mkdir -p "$work"

# ---- builds ---------------------------------------------------------------

say "building quorvex.exe, the floor program, the replay tool and the input generator (log: $log)"
{
  cmake --preset mingw -B "$mingw_dir" -DQUORVEX_BUILD_TESTS=OFF
  cmake --build "$mingw_dir" --target quorvex
  cmake -S bench -B "$floor_dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release
  cmake --build "$floor_dir"
  # Instruction counts of the code as shipped: optimised, no sanitizers.
  cmake --preset native -B "$native_dir" -DCMAKE_BUILD_TYPE=Release -DQUORVEX_SANITIZE=OFF \
    -DQUORVEX_BUILD_TESTS=OFF
  cmake --build "$native_dir" --target quorvex-replay
  g++ -std=c++17 -O2 -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Werror \
    bench/make_inputs.cpp -o "$work/make_inputs"
} >"$log" 2>&1 || fail "a build failed; see $log"
exe=$mingw_dir/quorvex.exe
floor=$floor_dir/floor.exe
replay=$native_dir/tools/quorvex-replay

# The floor must be compiled and linked as the tool is: the same optimisation,
# target, language, warning and linking flags. What only makes builds
# reproducible (path mappings, no timestamp in the image) does not change the
# code and is left out of the comparison.
reproducible='prefix-map\|no-insert-timestamp'
compile_flags() {
  grep -o '"command": "[^"]*"' "$1" | head -n 1 | grep -o ' -[OWfm][^ ]*\| -std=[^ ]*' |
    grep -v "$reproducible" | sort | tr -d '\n'
}
link_flags() {
  grep -A10 "^build $2:" "$1" | grep -o 'LINK_FLAGS = .*' | head -n 1 | tr ' ' '\n' |
    grep -v "$reproducible" | sort | tr -d '\n'
}
[ "$(compile_flags "$mingw_dir/compile_commands.json")" = "$(compile_flags "$floor_dir/compile_commands.json")" ] ||
  fail "the floor program is not compiled with the tool's flags"
[ "$(link_flags "$mingw_dir/build.ninja" quorvex.exe)" = "$(link_flags "$floor_dir/build.ninja" floor.exe)" ] ||
  fail "the floor program is not linked with the tool's flags"

# ---- helpers --------------------------------------------------------------

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "nan"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
now_us() { echo "${EPOCHREALTIME//[.,]/}"; }
# Wall time of one command in microseconds, standard input at end of file and
# standard output to SINK: "file" (a regular file, which the C runtime
# buffers) or "null" (/dev/null, a character device as a console is, which
# the C runtime writes one character at a time).
time_us() {
  local sink=$1 start end
  shift
  start=$(now_us)
  if [ "$sink" = null ]; then
    "$@" </dev/null >/dev/null 2>&1 || true
  else
    "$@" </dev/null >"$work/sink.out" 2>/dev/null || true
  fi
  end=$(now_us)
  echo $((end - start))
}
# Element-wise a[i] / b[i] of two files of numbers, one a line.
ratios() { paste "$1" "$2" | awk '{ printf "%.6f\n", $1 / $2 }'; }
ms() { awk -v us="$1" 'BEGIN { printf "%.1f ms", us / 1000 }'; }
grouped() { sed ':a; s/\B[0-9]\{3\}\>/,&/; ta' <<<"$1"; }
# The table's rows, kept per part so that the table reads in the order of the
# issue whatever order the parts run in: row MEASURE VALUE PER-UNIT TARGET NOTE.
rows_floor=() rows_wmic=() rows_scale=() rows_size=()
part=scale
row() {
  local -n into=rows_$part
  into+=("$(printf '%-56s %16s %16s %14s  %s' "$1" "$2" "${3:-}" "${4:-}" "${5:-}")")
}
verdict() { awk -v v="$1" -v limit="$2" -v op="$3" 'BEGIN { ok = (op == "le") ? v <= limit : v >= limit; print ok ? "yes" : "NO" }'; }

# ---- scaling under callgrind ---------------------------------------------

# Instructions executed by the replay of one capture folder: the whole process,
# or only the report (the run sequence against the stand-in machine, without
# reading the capture files) when a function is named.
instructions() {
  local folder=$1 only=${2:-} out=$work/callgrind.out
  valgrind --tool=callgrind --callgrind-out-file="$out" ${only:+"--toggle-collect=$only"} \
    "$replay" "$folder" </dev/null >/dev/null 2>"$work/callgrind.err" ||
    fail "callgrind could not replay $folder; see $work/callgrind.err"
  awk '/^summary:/ { print $2 }' "$out"
}
report_fn='quorvex::RunReport()'

inputs=$work/inputs
mkdir -p "$inputs/empty"
say "callgrind: empty capture folder"
base_whole=$(instructions "$inputs/empty")
base_again=$(instructions "$inputs/empty")
base_report=$(instructions "$inputs/empty" "$report_fn")
row "callgrind, empty capture folder" "$(grouped "$base_whole") Ir" "" "" \
  "report alone $(grouped "$base_report") Ir; a repeat run differs by $((base_again - base_whole)) Ir"

# scale KIND UNIT-NAME UNITS... : one row per size, the per-unit costs taken
# above the input with no units, so that the fixed cost of the adapter or of
# the identity structures does not hide the slope; then the spread.
scale() {
  local kind=$1 unit=$2 per=$3
  shift 3
  local units folder made bytes lines printed pattern whole report zero_whole="" zero_report="" zero_bytes=0
  local per_whole per_report per_empty label amount
  local spread_file=$work/spread.$kind
  : >"$spread_file"
  for units in 0 "$@"; do
    folder=$inputs/$kind-$units
    mkdir -p "$folder"
    made=$("$work/make_inputs" "$kind" "$units" "$folder")
    read -r bytes lines <<<"$made"
    if [ "$kind" = smbios ]; then pattern=' INFO\] '; else pattern='^\[TAMBRO\] \[NVIDIA\] \[0, 0\] UUID: '; fi
    # The figures only count when the report read the whole input.
    if ! "$replay" "$folder" </dev/null >"$work/replay.out" 2>"$work/replay.err"; then
      row "callgrind, $kind $units $unit" "not replayable" "" "" "$(head -c 60 "$work/replay.err")"
      continue
    fi
    printed=$(grep -c "$pattern" "$work/replay.out" || true)
    if [ "$printed" -ne "$lines" ]; then
      row "callgrind, $kind $units $unit" "not read whole" "" "" "printed $printed of $lines lines"
      continue
    fi
    say "callgrind: $kind $units $unit"
    whole=$(instructions "$folder")
    report=$(instructions "$folder" "$report_fn")
    if [ "$units" = 0 ]; then
      zero_whole=$whole zero_report=$report zero_bytes=$bytes
      row "callgrind, $kind 0 $unit (the base of the slope)" "$(grouped "$whole") Ir" "" "" \
        "report alone $(grouped "$report") Ir; $bytes B"
      continue
    fi
    [ -n "$zero_whole" ] || continue
    if [ "$kind" = smbios ]; then
      amount=$(awk -v b="$bytes" -v z="$zero_bytes" 'BEGIN { printf "%.4f", (b - z) / 1024 }')
      label="callgrind, smbios $units KiB ($bytes B)"
    else
      amount=$units
      label="callgrind, driver key $units values"
    fi
    per_whole=$(awk -v a="$whole" -v z="$zero_whole" -v n="$amount" 'BEGIN { printf "%.0f", (a - z) / n }')
    per_report=$(awk -v a="$report" -v z="$zero_report" -v n="$amount" 'BEGIN { printf "%.0f", (a - z) / n }')
    echo "$per_whole $per_report" >>"$spread_file"
    per_empty=$(awk -v a="$whole" -v z="$base_whole" -v n="$amount" 'BEGIN { printf "%.0f", (a - z) / n }')
    row "$label" "$(grouped "$whole") Ir" "$(grouped "$per_whole") Ir/$per" "" \
      "report alone $(grouped "$per_report") Ir/$per; above the empty folder $(grouped "$per_empty") Ir/$per"
  done
  if [ "$(wc -l <"$spread_file")" -ge 2 ]; then
    local sw sr
    sw=$(awk 'NR == 1 || $1 > hi { hi = $1 } NR == 1 || $1 < lo { lo = $1 } END { printf "%.3f", hi / lo }' "$spread_file")
    sr=$(awk 'NR == 1 || $2 > hi { hi = $2 } NR == 1 || $2 < lo { lo = $2 } END { printf "%.3f", hi / lo }' "$spread_file")
    row "  $kind: per-$per cost, largest / smallest, report" "$sr" "" "flat: <= 1.25" "$(verdict "$sr" 1.25 le)"
    row "  $kind: per-$per cost, largest / smallest, replay" "$sw" "" "flat: <= 1.25" \
      "$(verdict "$sw" 1.25 le) (reading the capture included)"
  else
    row "  $kind: per-$per cost, largest / smallest" "not measured" "" "flat: <= 1.25" "NO"
  fi
}
scale smbios KiB KiB 4 16 64 256
scale registry values value 10 100 1000

# ---- the run under Wine ---------------------------------------------------

export WINEPREFIX=$root/build/bench-wine
export WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
unset DISPLAY WAYLAND_DISPLAY
wineserver -k >/dev/null 2>&1 || true # one left over from an interrupted run of this script
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  say "making the Wine prefix $WINEPREFIX"
  wine wineboot -i >/dev/null 2>&1
fi
wineserver -w
# One server for every run: its start-up is not what is measured, and a new
# server would rebuild the display devices and drop the adapter imported below.
wineserver -p
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
trap 'exit 130' INT TERM

# An NVIDIA adapter beside Wine's own, so that the timed runs go through the
# UUID scans as well.
"$work/make_inputs" wine-registry 20 "$work/adapter.reg" >/dev/null
wine reg import "$work/adapter.reg" >/dev/null 2>&1 || fail "wine reg import of the adapter failed"

say "warming up"
for _ in $(seq "$warmup"); do
  wine "$floor" </dev/null >/dev/null 2>&1
  wine "$exe" </dev/null >/dev/null 2>&1
done
wine "$exe" </dev/null >"$work/quorvex-wine.out" 2>/dev/null || fail "quorvex.exe failed under Wine"
tr -d '\r' <"$work/quorvex-wine.out" | grep -q 'HWID collection completed!' ||
  fail "quorvex.exe under Wine did not finish its report"
gpu_lines=$(tr -d '\r' <"$work/quorvex-wine.out" | grep -c '^\[TAMBRO\] \[NVIDIA\] \[0, 0\] ' || true)

part=floor
say "timing quorvex.exe against the floor, $rounds alternated rounds"
for sink in file null; do
  : >"$work/t.quorvex.$sink"
  : >"$work/t.floor.$sink"
done
for i in $(seq "$rounds"); do
  for sink in file null; do
    if [ $((i % 2)) -eq 0 ]; then
      time_us $sink wine "$floor" >>"$work/t.floor.$sink"
      time_us $sink wine "$exe" >>"$work/t.quorvex.$sink"
    else
      time_us $sink wine "$exe" >>"$work/t.quorvex.$sink"
      time_us $sink wine "$floor" >>"$work/t.floor.$sink"
    fi
  done
done
for sink in file null; do
  if [ $sink = file ]; then where="stdout to a file"; else where="stdout to /dev/null"; fi
  ratio=$(ratios "$work/t.quorvex.$sink" "$work/t.floor.$sink" | median)
  note=""
  [ $sink = file ] && note="GPU lines for the imported adapter: $gpu_lines"
  [ $sink = null ] && note="a character device, as a console is"
  row "Wine, $where: quorvex.exe, median of $rounds" "$(ms "$(median <"$work/t.quorvex.$sink")")" "" "" "$note"
  row "Wine, $where: floor.exe, median of $rounds" "$(ms "$(median <"$work/t.floor.$sink")")"
  row "  quorvex / floor, median of pair ratios" "$(printf '%.3f' "$ratio")" "" "<= 1.10" \
    "$(verdict "$ratio" 1.10 le)"
done

# The same identifiers from wmic. Wine 8's wmic knows no csproduct alias and
# no FirmwareRevision of a disk drive, so those two queries as users type them
# fail under Wine; the WMI classes behind them answer, without the firmware.
wmic_answering() {
  wine wmic path Win32_ComputerSystemProduct get UUID
  wine wmic diskdrive get serialnumber,model
  wine wmic baseboard get serialnumber,manufacturer
}
wmic_as_typed() {
  wine wmic csproduct get uuid
  wine wmic diskdrive get serialnumber,model,firmwarerevision
  wine wmic baseboard get serialnumber,manufacturer
}
wmic_answering </dev/null >"$work/wmic.out" 2>&1 || true
wmic_uuid_ok=no
iconv -f UTF-16LE -t UTF-8 <"$work/wmic.out" 2>/dev/null | grep -q -- '-.*-.*-.*-' && wmic_uuid_ok=yes
for _ in $(seq "$warmup"); do
  wmic_answering </dev/null >"$work/sink.out" 2>&1 || true
  wmic_as_typed </dev/null >"$work/sink.out" 2>&1 || true
done

part=wmic
say "timing quorvex.exe against wmic, $wmic_rounds alternated rounds"
: >"$work/w.quorvex"
: >"$work/w.answering"
: >"$work/w.typed"
for i in $(seq "$wmic_rounds"); do
  if [ $((i % 2)) -eq 0 ]; then
    time_us file wmic_answering >>"$work/w.answering"
    time_us file wmic_as_typed >>"$work/w.typed"
    time_us file wine "$exe" >>"$work/w.quorvex"
  else
    time_us file wine "$exe" >>"$work/w.quorvex"
    time_us file wmic_answering >>"$work/w.answering"
    time_us file wmic_as_typed >>"$work/w.typed"
  fi
done
ratio_wmic=$(ratios "$work/w.answering" "$work/w.quorvex" | median)
ratio_typed=$(ratios "$work/w.typed" "$work/w.quorvex" | median)
row "Wine, stdout to a file: quorvex.exe, median of $wmic_rounds" "$(ms "$(median <"$work/w.quorvex")")"
row "Wine, stdout to a file: wmic, 3 queries, median" "$(ms "$(median <"$work/w.answering")")" "" "" \
  "system UUID answered: $wmic_uuid_ok"
row "  wmic / quorvex, median of pair ratios" "$(printf '%.1fx' "$ratio_wmic")" "" ">= 20x" \
  "$(verdict "$ratio_wmic" 20 ge)"
row "Wine, stdout to a file: wmic as typed, median" "$(ms "$(median <"$work/w.typed")")" "" "" \
  "2 of 3 fail in Wine 8"
row "  wmic as typed / quorvex, median of ratios" "$(printf '%.1fx' "$ratio_typed")" "" ">= 20x" \
  "$(verdict "$ratio_typed" 20 ge)"

# Round trips to the wineserver, a count that the load of the machine does not
# change: a fresh server that logs every request, one untimed run of each.
wineserver -k >/dev/null 2>&1 || true
wineserver -w
# It returns once it listens, and keeps writing its log after detaching.
wineserver -p -d1 2>"$work/server.log" >/dev/null || fail "the logging wineserver did not start"
wine reg import "$work/adapter.reg" >/dev/null 2>&1 || fail "wine reg import of the adapter failed"
wine "$floor" </dev/null >/dev/null 2>&1
# requests SINK PROGRAM: "<requests> <console-mode queries>" made while PROGRAM ran.
requests() {
  local before after
  before=$(wc -l <"$work/server.log")
  time_us "$1" wine "$2" >/dev/null
  sleep 0.5 # let the services that the run woke finish their part
  after=$(wc -l <"$work/server.log")
  sed -n "$((before + 1)),${after}p" "$work/server.log" >"$work/server.part"
  echo "$(grep -c '^[0-9a-f]*: [a-z_]*( ' "$work/server.part" || true)" \
    "$(grep -c 'IOCTL_CONDRV_GET_MODE' "$work/server.part" || true)"
}
part=floor
for sink in file null; do
  if [ $sink = file ]; then where="stdout to a file"; else where="stdout to /dev/null"; fi
  read -r q_requests q_console <<<"$(requests $sink "$exe")"
  read -r f_requests f_console <<<"$(requests $sink "$floor")"
  row "Wine, $where: server requests, quorvex / floor" "$q_requests / $f_requests" \
    "$(awk -v a="$q_requests" -v b="$f_requests" 'BEGIN { printf "ratio %.2f", a / b }')" "" \
    "console-mode queries: $q_console / $f_console"
done

wineserver -k >/dev/null 2>&1 || true
trap - EXIT

# ---- size -----------------------------------------------------------------

part=size
size=$(stat -c %s "$exe")
imports=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ { print $3 }' | sort | tr '\n' ' ')
symbols=$(x86_64-w64-mingw32-objdump -t "$exe" | grep -c '^\[' || true)
debug=$(x86_64-w64-mingw32-objdump -h "$exe" | grep -c '\.debug' || true)
static=yes
grep -qi 'lib[a-z0-9_+-]*\.dll\|pthread' <<<"$imports" && static=no
stripped=yes
[ "$symbols" -eq 0 ] && [ "$debug" -eq 0 ] || stripped=no
size_ok=$(verdict "$size" 1048576 le)
[ "$static" = yes ] && [ "$stripped" = yes ] || size_ok=NO
row "quorvex.exe size" "$(grouped "$size") B" "" "<= 1 MiB" \
  "$size_ok (stripped: $stripped; static: $static; imports $imports)"
row "floor.exe size (same flags)" "$(grouped "$(stat -c %s "$floor")") B"

# ---- the table ------------------------------------------------------------

commit=$(git rev-parse --short HEAD 2>/dev/null || echo unknown)
dirty=""
[ -n "$(git status --porcelain --untracked-files=no -- src include tools cmake CMakeLists.txt CMakePresets.json 2>/dev/null)" ] &&
  dirty=" + uncommitted changes to the build or the code"
echo
echo "Quorvex benchmarks: commit $commit$dirty; $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg);" \
  "$(wine --version); $(valgrind --version)"
printf '%-56s %16s %16s %14s  %s\n' "measure" "value" "per unit" "target" "met / note"
printf '%s\n' "$(printf '%.0s-' {1..130})"
printf '%s\n' "${rows_floor[@]}" "${rows_wmic[@]}" "${rows_scale[@]}" "${rows_size[@]}"
