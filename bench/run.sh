#!/usr/bin/env bash
# Benchmarks (bench/README.md): quorvex.exe under Wine against the limit program,
# with the floor program and wmic for context, timed by hyperfine; wineserver requests; callgrind counts of the
# replay tool as the inputs grow; --keys over fleets of documents (up to 100,000 through --from), its time and
# peak memory; documents padded to 32 MiB and one document of 20,000 keys; machine fingerprints: their
# evaluation over a generated fleet, their cost against --keys and --fingerprint --from over 100,000
# documents; the .exe's size.
# bench/table.py prints them.
set -euo pipefail
# shellcheck source=../scripts/lib/install.sh
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib/install.sh"
# shellcheck source=../scripts/lib/wine.sh
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib/wine.sh"
# shellcheck source=../scripts/lib/check.sh
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib/check.sh"
cd "$QUORVEX_ROOT"
rounds=${QUORVEX_BENCH_ROUNDS:-10} wmic_rounds=${QUORVEX_BENCH_WMIC_ROUNDS:-5} runs=${QUORVEX_BENCH_RUNS:-4}
work=$PWD/build/bench-work
quorvex_need "${QUORVEX_WINDOWS_TOOLS[@]}" valgrind:valgrind hyperfine:hyperfine python3:python3 /usr/bin/time:time \
  /usr/include/openssl/evp.h:libssl-dev
rm -rf "$work" && mkdir -p "$work/inputs/empty"

{ # the build's messages on standard error, which keeps standard output for the table
  cmake --preset mingw -B build/bench-mingw -DQUORVEX_BUILD_TESTS=OFF -DQUORVEX_BENCH=ON
  nice cmake --build build/bench-mingw --target quorvex floor limit
  # Instruction counts of the code as shipped: optimised, no sanitizers.
  cmake --preset native -B build/bench-native -DCMAKE_BUILD_TYPE=Release -DQUORVEX_SANITIZE=OFF \
    -DQUORVEX_BUILD_TESTS=OFF -DQUORVEX_BENCH=ON
  nice cmake --build build/bench-native --target quorvex-replay make_inputs fingerprint_eval
} >&2
exe=$PWD/build/bench-mingw/quorvex.exe floor=$PWD/build/bench-mingw/bench/floor.exe
limit=$PWD/build/bench-mingw/bench/limit.exe
replay=build/bench-native/tools/quorvex-replay make_inputs=build/bench-native/bench/make_inputs
fingerprint_eval=build/bench-native/bench/fingerprint_eval

export WINEPREFIX=$PWD/build/bench-wine
quorvex_wine_env
quorvex_wine_stop || true # one left over from an interrupted run
if [[ ! -f $WINEPREFIX/system.reg ]] && ! quorvex_wine_boot "$work/wineboot.log"; then
  echo "bench: Wine could not make its prefix in $WINEPREFIX; what it said is above" >&2
  exit 1
fi
trap 'quorvex_wine_stop || true' EXIT
"$make_inputs" wine-registry 20 "$work/adapter.reg" >/dev/null
# One persistent server for the runs that follow, its start not measured, and an NVIDIA adapter beside
# Wine's own for the UUID scans; a new server rebuilds the display devices and drops it.
server() {
  quorvex_wine_stop || true
  wineserver -p "$@" 2>"$work/server.log" >/dev/null # returns once it listens
  wine reg import "$work/adapter.reg" >/dev/null 2>&1 || fail "wine reg import of the adapter failed"
}
server
wine "$exe" </dev/null >"$work/quorvex-wine.out" 2>/dev/null || fail "quorvex.exe failed under Wine"
grep -q 'HWID collection completed!' "$work/quorvex-wine.out" || fail "quorvex.exe did not finish its report"
((problems == 0)) || exit 1
wine wmic path Win32_ComputerSystemProduct get UUID </dev/null >"$work/wmic.out" 2>/dev/null || true

# timed NAME ROUNDS SHELL OUTPUT NAME=COMMAND...: hyperfine does one command's runs after the other's,
# so it is called in short rounds, the order turned each time, to keep a change of load off one program.
timed() {
  local name=$1 count=$2 shell=$3 output=$4 r entry args
  shift 4
  echo "bench: hyperfine, $name, $count rounds of $runs runs" >&2
  for ((r = 0; r < count; r++)); do
    args=()
    for entry in "$@"; do args+=(-n "${entry%%=*}" "${entry#*=}"); done
    hyperfine --shell="$shell" --style=none --ignore-failure --warmup=1 --runs="$runs" --output="$output" \
      --export-json="$work/$name-$r.json" "${args[@]}"
    set -- "${@:2}" "$1"
  done
}
timed floor-file "$rounds" none "$work/file" "quorvex=wine $exe" "floor=wine $floor" "limit=wine $limit"
timed floor-null "$rounds" none null "quorvex=wine $exe" "floor=wine $floor" "limit=wine $limit"
timed wmic "$wmic_rounds" default "$work/file" "quorvex=wine $exe" \
  "wmic=wine wmic path Win32_ComputerSystemProduct get UUID; wine wmic diskdrive get serialnumber,model;
    wine wmic baseboard get serialnumber,manufacturer" \
  "wmic-typed=wine wmic csproduct get uuid; wine wmic diskdrive get serialnumber,model,firmwarerevision;
    wine wmic baseboard get serialnumber,manufacturer"

# Round trips to the wineserver, which the load does not change: a fresh server logging every request.
server -d1
wine "$floor" </dev/null >/dev/null 2>&1 || true
for sink in "$work/file" /dev/null; do
  for program in "$exe" "$floor" "$limit"; do
    before=$(wc -l <"$work/server.log")
    wine "$program" </dev/null >"$sink" 2>/dev/null || true
    sleep 0.5 # the services that the run woke finish their part
    tail -n "+$((before + 1))" "$work/server.log" >"$work/requests-$(basename "$program" .exe)-${sink##*/}.log"
  done
done

# Instructions of the whole replay of a folder and of the report alone; the table counts them only
# when the output, left beside the folder, has every line of the input.
instructions() {
  for only in "" 'quorvex::RunReport()'; do
    nice valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out" ${only:+"--toggle-collect=$only"} \
      "$replay" "$1" </dev/null >"$1.out" 2>"$work/callgrind.err" &&
      sed -n 's/^summary: \([0-9]*\)$/\1/p' "$work/callgrind.out"
  done | paste -sd ' '
}
echo "empty 0 0 0 $(instructions "$work/inputs/empty") $(instructions "$work/inputs/empty")" >"$work/callgrind.txt"
for input in smbios-0 smbios-4 smbios-16 smbios-64 smbios-256 registry-0 registry-10 registry-100 registry-1000; do
  mkdir -p "$work/inputs/$input"
  read -r bytes lines < <("$make_inputs" "${input%-*}" "${input#*-}" "$work/inputs/$input")
  counts=$(instructions "$work/inputs/$input")
  [[ $counts == *\ * ]] || fail "$input: callgrind could not replay it; see $work/callgrind.err"
  echo "${input/-/ } $bytes $lines $counts" >>"$work/callgrind.txt"
done

# The JSON document against the text report of the same captures, from the same replay tool.
for input in smbios-256 registry-1000; do
  for form in "" --json; do
    nice valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out" "$replay" \
      ${form:+"$form"} "$work/inputs/$input" </dev/null >/dev/null 2>"$work/callgrind.err" &&
      sed -n 's/^summary: \([0-9]*\)$/\1/p' "$work/callgrind.out"
  done | paste -sd ' ' | sed "s/^/$input /" >>"$work/json.txt"
done
timed json "$rounds" none null "text=$replay $work/inputs/smbios-256" "json=$replay --json $work/inputs/smbios-256"

# --keys --json over fleets of identities documents, as a fleet's inventory keeps them: the time per
# document as the fleet grows tenfold, and the peak memory against keys (100 to 1000 documents) and
# against bytes (fleet-large: the same keys, 256 KiB more of BIOS text in every document).
for fleet in fleet-100 fleet-1000 fleet-large-1000; do
  echo "bench: $fleet" >&2
  read -r _ keys < <("$make_inputs" "${fleet%-*}" "${fleet##*-}" "$work/$fleet/folders")
  mkdir -p "$work/$fleet/documents"
  for folder in "$work/$fleet/folders"/*; do
    "$replay" --json "$folder" </dev/null >"$work/$fleet/documents/${folder##*/}.json"
  done
  rm -rf "$work/$fleet/folders"
  /usr/bin/time -f %M -o "$work/$fleet.rss" "$replay" --keys --json "$work/$fleet/documents"/* \
    </dev/null >"$work/$fleet.keys.json" || fail "$fleet: quorvex-replay --keys --json failed"
  got=$(grep -o '"pointer":' "$work/$fleet.keys.json" | wc -l)
  ((got == keys)) || fail "$fleet: $got keys listed, $keys in the documents"
  echo "$fleet ${fleet##*-} $keys $(du -sb "$work/$fleet/documents" | cut -f1) $(cat "$work/$fleet.rss")" >>"$work/keys.txt"
done
timed keys "$rounds" none null "keys-100=$replay --keys --json $(echo "$work"/fleet-100/documents/*)" \
  "keys-1000=$replay --keys --json $(echo "$work"/fleet-1000/documents/*)"

# Documents no machine writes, as a fleet's share may hold them: one small document padded to 32 MiB
# with one member of empty objects, of empty arrays or of zeros, each read in one pass.
small=$work/fleet-1000/documents/machine-00001.json
for unit in objects:'{}' arrays:'[]' zeros:0; do
  python3 -c 'import sys; d = open(sys.argv[1]).read().rstrip()[:-1] + ",\"padding\":["; u = sys.argv[2] + ","
n = ((32 << 20) - len(d) - 2) // len(u); sys.stdout.write(d + (u * n)[:-1] + "]}")' "$small" "${unit#*:}" \
    >"$work/padded-${unit%%:*}.json"
  /usr/bin/time -f '%e %M' -o "$work/padded-${unit%%:*}.time" "$replay" --keys --json "$work/padded-${unit%%:*}.json" \
    </dev/null >/dev/null || fail "padded ${unit%%:*}: quorvex-replay --keys failed"
  echo "${unit%%:*} $(stat -c %s "$work/padded-${unit%%:*}.json") $(cat "$work/padded-${unit%%:*}.time")" >>"$work/padded.txt"
done

# One document with 2,000 keys and one with 20,000 (memory devices), under callgrind.
for keys in 2000 20000; do
  mkdir -p "$work/inputs/keys-$keys"
  "$make_inputs" keys "$keys" "$work/inputs/keys-$keys" >/dev/null
  "$replay" --json "$work/inputs/keys-$keys" </dev/null >"$work/many-keys-$keys.json"
  nice valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out" "$replay" --keys --json \
    "$work/many-keys-$keys.json" </dev/null >/dev/null 2>"$work/callgrind.err"
  echo "$keys $(sed -n 's/^summary: \([0-9]*\)$/\1/p' "$work/callgrind.out")" >>"$work/many-keys.txt"
done

# --keys --from over 1,000 and 100,000 small documents in one process: machine m of the fleet's
# documents with its own serial numbers, UUID and memory serials.
for count in 1000 100000; do
  mkdir -p "$work/from-$count"
  python3 -c 'import sys; t = open(sys.argv[1]).read(); folder, n = sys.argv[2], int(sys.argv[3])
for m in range(n):
    d = t.replace("000001", "%06d" % m).replace("INV-00001", "INV-%05d" % m).replace("AD1568B1", "%08X" % m)
    d = d.replace("QM7C100002", "QM%08X" % (2 * m)).replace("QM7C100003", "QM%08X" % (2 * m + 1))
    open("%s/machine-%06d.json" % (folder, m), "w").write(d)
    print("%s/machine-%06d.json" % (folder, m))' "$small" "$work/from-$count" "$count" >"$work/from-$count.txt"
done
timed from "$rounds" none null "from-1000=$replay --keys --json --from $work/from-1000.txt" \
  "from-100000=$replay --keys --json --from $work/from-100000.txt"
for count in 1000 100000; do
  /usr/bin/time -f %M -o "$work/from-$count.rss" "$replay" --keys --json --from "$work/from-$count.txt" \
    </dev/null >"$work/listed-$count.keys" || fail "--from $count: quorvex-replay --keys failed"
  echo "$count $(grep -o '"pointer":' "$work/listed-$count.keys" | wc -l) $(cat "$work/from-$count.rss")" >>"$work/from.txt"
done

# Machine fingerprints. The evaluation: a generated fleet through the change events, in memory.
echo "bench: fingerprints" >&2
"$fingerprint_eval" >"$work/fingerprint-eval.txt" || fail "fingerprint_eval failed"
# A document's fingerprint against its --keys, in instructions: the whole process for the document
# named alone (so OpenSSL's set-up, paid once a process, is in it), and per document over a list,
# (list of 1,000 - list of 1) / 999, where only what each document costs is left.
key=$work/fingerprint.key
"$replay" --new-key "$key"
head -n 1 "$work/from-1000.txt" >"$work/from-1.txt"
for input in document from-1 from-1000; do
  for mode in keys fingerprint; do
    args=(--keys --json)
    [[ $mode == keys ]] || args=(--fingerprint --key "$key")
    if [[ $input == document ]]; then args+=("$(cat "$work/from-1.txt")"); else args+=(--from "$work/$input.txt"); fi
    nice valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out" "$replay" "${args[@]}" </dev/null \
      >/dev/null 2>"$work/callgrind.err" && sed -n 's/^summary: \([0-9]*\)$/\1/p' "$work/callgrind.out"
  done | paste -sd ' ' | sed "s/^/$input /" >>"$work/fingerprint-cost.txt"
done
# --fingerprint --from over the --keys --from lists above: time per document, peak memory.
timed fingerprint-from "$rounds" none null \
  "fingerprint-1000=$replay --fingerprint --key $key --from $work/from-1000.txt" \
  "fingerprint-100000=$replay --fingerprint --key $key --from $work/from-100000.txt"
for count in 1000 100000; do
  /usr/bin/time -f %M -o "$work/fingerprint-$count.rss" "$replay" --fingerprint --key "$key" \
    --from "$work/from-$count.txt" </dev/null >"$work/fingerprints-$count.txt" || fail "--fingerprint --from $count failed"
  echo "$count $(wc -l <"$work/fingerprints-$count.txt") $(cat "$work/fingerprint-$count.rss")" >>"$work/fingerprint-from.txt"
done

python3 bench/table.py "$work" "$exe" "$floor"
((problems == 0))
