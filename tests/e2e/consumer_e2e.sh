#!/usr/bin/env bash
# The library as a Windows program that binds to hardware meets it: the
# MinGW build installed into a prefix of its own (with the nlohmann/json
# package it was built with), examples/consumer cross-built against that
# prefix alone, and run under Wine in the NVIDIA scenario: the keys it prints
# of this machine, and of the document quorvex-capture.exe --json writes in
# the same session, are the usable ones quorvex-capture.exe --keys --json
# finds there.
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
if ! cmake -S "$root/examples/consumer" -B "$scratch/consumer" -G Ninja \
  --toolchain "$root/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_FIND_ROOT_PATH="$prefix" -DCMAKE_PREFIX_PATH=/ >"$scratch/consumer.log" 2>&1 ||
  ! cmake --build "$scratch/consumer" >>"$scratch/consumer.log" 2>&1; then
  cat "$scratch/consumer.log" >&2
  fail "examples/consumer does not cross-build against the installed prefix alone"
  check_finish "" "$scratch"
fi
consumer=$scratch/consumer/quorvex-consumer.exe

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
wine_session_stop

python3 "$root/tests/examples/usable_keys.py" "$scratch/keys.json" >"$scratch/expected"
[[ -s $scratch/expected ]] || fail "this machine has no usable key: the test proves nothing"
grep -q 'xC3\\x9C0A1' "$scratch/expected" || fail "the UUID outside ASCII is not among the usable keys as UTF-8"
for printed in machine document; do
  sed 's/\r$//' "$scratch/$printed.raw" >"$scratch/$printed"
  cmp -s "$scratch/expected" "$scratch/$printed" ||
    fail "quorvex-consumer.exe ($printed) printed $(tr '\n' ';' <"$scratch/$printed"), --keys --json has $(tr '\n' ';' <"$scratch/expected")"
done
check_finish "examples/consumer built against the installed MinGW package, under Wine: $(wc -l <"$scratch/expected") usable keys" "$scratch"
