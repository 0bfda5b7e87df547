#!/usr/bin/env bash
# The library as a program that binds to hardware meets it: the host build
# installed into a prefix of its own, examples/consumer built against that
# prefix, and the keys it prints of a document the usable ones that
# quorvex-replay --keys --json finds there.
# Usage: consumer_test.sh BUILD_DIR REPLAY SCENARIO_REG SCRATCH [COMPILER_FLAGS]
set -euo pipefail
# shellcheck source=../../scripts/lib/check.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/check.sh"
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$1 replay=$2 scenario=$3 scratch=$4 flags=${5:-}
rm -rf "$scratch" && mkdir -p "$scratch/capture"

cmake --install "$build" --prefix "$scratch/prefix" >"$scratch/install.log"
# A program built the way the library was (the host build's sanitizers) links with it.
if ! cmake -S "$here/../../examples/consumer" -B "$scratch/consumer" -G Ninja \
  -DCMAKE_PREFIX_PATH="$scratch/prefix" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="$flags" >"$scratch/consumer.log" 2>&1 ||
  ! cmake --build "$scratch/consumer" >>"$scratch/consumer.log" 2>&1; then
  cat "$scratch/consumer.log" >&2
  fail "examples/consumer does not build against the installed package"
  check_finish "" "$scratch"
fi

cp "$scenario" "$scratch/capture/registry.reg"
"$replay" --json "$scratch/capture" </dev/null >"$scratch/document.json"
"$replay" --keys --json "$scratch/document.json" </dev/null >"$scratch/keys.json"
python3 "$here/usable_keys.py" "$scratch/keys.json" >"$scratch/expected"
"$scratch/consumer/quorvex-consumer" "$scratch/document.json" >"$scratch/printed" ||
  fail "quorvex-consumer exited with $?"
[[ -s $scratch/expected ]] || fail "the document has no usable key: the test proves nothing"
cmp -s "$scratch/expected" "$scratch/printed" ||
  fail "quorvex-consumer printed $(tr '\n' ';' <"$scratch/printed"), --keys has $(tr '\n' ';' <"$scratch/expected")"
# Two records' keys diffed in one line of temporaries, under the sanitizers
# this build has: what --diff finds, kind, change and place.
python3 -c 'import json, sys; d = json.load(open(sys.argv[1])); u = d["nvidia"]["adapters"][0]["uuids"]
u[0] = "changed"; del u[-1]; print(json.dumps(d))' "$scratch/document.json" >"$scratch/changed.json"
status=0
"$replay" --diff --json "$scratch/document.json" "$scratch/changed.json" </dev/null >"$scratch/diff.json" ||
  status=$?
[[ $status -eq 1 ]] || fail "--diff of the changed copy exited with $status, not 1"
python3 -c 'import json, sys
for c in json.load(open(sys.argv[1]))["changes"]: print(c["kind"], c["change"], c.get("oldPointer", c.get("newPointer")))' \
  "$scratch/diff.json" >"$scratch/expected-changes"
"$scratch/consumer/quorvex-consumer" "$scratch/document.json" "$scratch/changed.json" >"$scratch/changes" ||
  fail "quorvex-consumer OLD NEW exited with $?"
[[ $(wc -l <"$scratch/expected-changes") -ge 2 ]] || fail "the changed copy changes too little: the test proves nothing"
cmp -s "$scratch/expected-changes" "$scratch/changes" ||
  fail "quorvex-consumer found $(tr '\n' ';' <"$scratch/changes"), --diff $(tr '\n' ';' <"$scratch/expected-changes")"
# Its fingerprint through the package's quorvex::fingerprint is the tool's.
"$replay" --new-key "$scratch/key"
"$scratch/consumer/quorvex-consumer" --fingerprint "$scratch/key" "$scratch/document.json" >"$scratch/fingerprint" ||
  fail "quorvex-consumer --fingerprint exited with $?"
"$replay" --fingerprint --key "$scratch/key" "$scratch/document.json" | cmp -s - "$scratch/fingerprint" ||
  fail "quorvex-consumer's fingerprint is not quorvex-replay --fingerprint's: $(cat "$scratch/fingerprint")"
"$scratch/consumer/quorvex-consumer" "$scratch/capture/registry.reg" >/dev/null 2>"$scratch/refused" &&
  fail "quorvex-consumer read a registry file as a document"
grep -q "registry.reg: not JSON" "$scratch/refused" || fail "no refusal naming the file: $(cat "$scratch/refused")"
check_finish "examples/consumer against the installed package: $(wc -l <"$scratch/printed") usable keys, as --keys finds them" "$scratch"
