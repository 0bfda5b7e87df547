#!/usr/bin/env bash
# The library as a Windows program that binds to hardware meets it: the
# MinGW build installed into a prefix of its own (with the nlohmann/json
# package it was built with), examples/consumer cross-built against that
# prefix alone, and run under Wine in the NVIDIA scenario: the keys it prints
# of this machine, and of the document quorvex-capture.exe --json writes in
# the same session, are the usable ones quorvex-capture.exe --keys --json
# finds there. The README's C++ quick start is built and run the same way,
# so that the shortest program a reader copies compiles against the package
# as it is.
# Usage: consumer_e2e.sh QUORVEX_EXE SCRATCH_FOLDER
set -euo pipefail

# shellcheck source=frame.sh
source "$(dirname "${BASH_SOURCE[0]}")/frame.sh"
e2e_begin "$@"
build=$(dirname "$exe")
capture_exe=$build/quorvex-capture.exe
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
prefix=$scratch/prefix

cmake --install "$build" --prefix "$prefix" >"$scratch/install.log"
cp -r "$build/nlohmann-json/." "$prefix/"
# cross_build SOURCE BUILD: a program cross-built against the installed prefix alone.
cross_build() {
  if ! cmake -S "$1" -B "$2" -G Ninja --toolchain "$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_FIND_ROOT_PATH="$prefix" -DCMAKE_PREFIX_PATH=/ >"$2.log" 2>&1 ||
    ! cmake --build "$2" >>"$2.log" 2>&1; then
    cat "$2.log" >&2
    return 1
  fi
}
cross_build "$root/examples/consumer" "$scratch/consumer" || {
  fail "examples/consumer does not cross-build against the installed prefix alone"
  check_finish "" "$scratch"
}
consumer=$scratch/consumer/quorvex-consumer.exe

# The quick start, with the consumer's CMakeLists.txt and manifest: what the
# README tells a reader to link.
mkdir -p "$scratch/quick-start-source"
awk '/^<!-- quick start/ { marked = 1; next }
     marked && /^```cpp$/ { block = 1; next }
     block && /^```$/ { exit }
     block { print }' "$root/README.md" >"$scratch/quick-start-source/main.cpp"
cp "$root/examples/consumer/"{CMakeLists.txt,quorvex_consumer.rc,quorvex_consumer.manifest} \
  "$scratch/quick-start-source/"
lines=$(wc -l <"$scratch/quick-start-source/main.cpp")
((lines > 0 && lines <= 15)) || fail "the README's quick start has $lines lines, not 1 to 15"
quick_start=$scratch/quick-start/quorvex-consumer.exe
cross_build "$scratch/quick-start-source" "$scratch/quick-start" ||
  fail "the README's quick start does not cross-build against the installed prefix alone"

wine_session_start "$scratch/prefix-wine"
e2e_import "$scenarios/nvidia.reg.utf8" "$scratch"
# A UUID outside ASCII: without the consumer's UTF-8 code page the A
# functions would hand it over in another encoding than the capture tool's.
mkdir -p "$scratch/outside-ascii"
printf '%s\n' 'Windows Registry Editor Version 5.00' '' \
  '[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class\{4d36e968-e325-11ce-bfc1-08002be10318}\0100]' \
  '"ConsumerUuid"="GPU-Ü0A1-ÿ"' >"$scratch/outside-ascii.reg.utf8"
e2e_import "$scratch/outside-ascii.reg.utf8" "$scratch/outside-ascii"
timeout 60 wine "$capture_exe" --keys --json </dev/null >"$scratch/keys.json" 2>"$scratch/keys.err" ||
  fail "quorvex-capture.exe --keys --json exited with $?: $(cat "$scratch/keys.err")"
timeout 60 wine "$capture_exe" --json </dev/null >"$scratch/document.json" 2>"$scratch/document.err" ||
  fail "quorvex-capture.exe --json exited with $?: $(cat "$scratch/document.err")"
timeout 60 wine "$consumer" </dev/null >"$scratch/machine.raw" 2>"$scratch/machine.err" ||
  fail "quorvex-consumer.exe exited with $?: $(cat "$scratch/machine.err")"
(cd "$scratch" && timeout 60 wine "$consumer" document.json </dev/null >document.raw 2>document.err) ||
  fail "quorvex-consumer.exe document.json exited with $?: $(cat "$scratch/document.err")"
if [[ -f $quick_start ]]; then
  timeout 60 wine "$quick_start" </dev/null >"$scratch/quick-machine.raw" 2>"$scratch/quick-machine.err" ||
    fail "the quick start exited with $?: $(cat "$scratch/quick-machine.err")"
  (cd "$scratch" && timeout 60 wine "$quick_start" document.json </dev/null >quick-document.raw 2>quick-document.err) ||
    fail "the quick start on document.json exited with $?: $(cat "$scratch/quick-document.err")"
fi
wine_session_stop

python3 "$root/tests/examples/usable_keys.py" "$scratch/keys.json" >"$scratch/expected"
[[ -s $scratch/expected ]] || fail "this machine has no usable key: the test proves nothing"
grep -q 'xC3\\x9C0A1' "$scratch/expected" || fail "the UUID outside ASCII is not among the usable keys as UTF-8"
for printed in machine document; do
  sed 's/\r$//' "$scratch/$printed.raw" >"$scratch/$printed"
  cmp -s "$scratch/expected" "$scratch/$printed" ||
    fail "quorvex-consumer.exe ($printed) printed $(tr '\n' ';' <"$scratch/$printed"), --keys --json has $(tr '\n' ';' <"$scratch/expected")"
done
# The quick start prints the values raw, so its lines are held to the kinds alone.
for printed in quick-machine quick-document; do
  [[ -f $scratch/$printed.raw ]] || continue
  cmp -s <(cut -d' ' -f1 "$scratch/expected") <(sed 's/\r$//' "$scratch/$printed.raw" | cut -d' ' -f1) ||
    fail "the quick start ($printed) printed $(tr '\n' ';' <"$scratch/$printed.raw"), --keys --json has $(tr '\n' ';' <"$scratch/expected")"
done
check_finish "examples/consumer and the README's quick start built against the installed MinGW package, under Wine: $(wc -l <"$scratch/expected") usable keys" "$scratch"
