#!/usr/bin/env bash
# scripts/replay_compare.sh as the workflow and the Wine round trip call it:
# a report that is the replay with CRLF line ends passes; one byte off fails
# with a diff naming the line; a capture the replay refuses fails even when
# the report is as empty as the refused replay's output; a wrong call exits 2.
# Usage: replay_compare_test.sh QUORVEX_REPLAY
set -euo pipefail
# shellcheck source=../../../scripts/lib/check.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../../scripts/lib/check.sh"
compare=$(dirname "${BASH_SOURCE[0]}")/../../../scripts/replay_compare.sh
export QUORVEX_REPLAY_TOOL=$1

scratch=$(mktemp -d "${TMPDIR:-/tmp}/quorvex-compare-test.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# The empty folder is a whole capture: a machine with nothing to report.
mkdir "$scratch/capture" "$scratch/refused"
printf '12 bytes' >"$scratch/refused/PhysicalDrive0.count"
"$QUORVEX_REPLAY_TOOL" "$scratch/capture" </dev/null >"$scratch/replay.txt"
perl -pe 's/\n/\r\n/' "$scratch/replay.txt" >"$scratch/crlf.txt"
sed '0,/Initialise/s//Initialize/' "$scratch/crlf.txt" >"$scratch/one-byte.txt"
: >"$scratch/empty.txt"
"$QUORVEX_REPLAY_TOOL" --json "$scratch/capture" </dev/null | perl -pe 's/\n/\r\n/' >"$scratch/crlf.json"
sed 's/"drives":\[/"drives":[{}/' "$scratch/crlf.json" >"$scratch/other.json"
cmp -s "$scratch/crlf.txt" "$scratch/one-byte.txt" && fail "the one-byte report is not different"

# name | exit code | capture | report | identities | a line the output must hold
while IFS='|' read -r name want capture report identities pattern; do
  status=0
  # shellcheck disable=SC2086 # an empty capture, report or document is left out on purpose
  bash "$compare" $capture $report $identities >"$scratch/out" 2>&1 || status=$?
  ((status == want)) || fail "$name: exit $status, expected $want: $(cat "$scratch/out")"
  grep -qxF -- "$pattern" "$scratch/out" || fail "$name: no line '$pattern' in: $(cat "$scratch/out")"
done <<EOF
CRLF report|0|$scratch/capture|$scratch/crlf.txt||PASS: the replay of $scratch/capture is $scratch/crlf.txt byte for byte
one byte off|1|$scratch/capture|$scratch/one-byte.txt||+[TAMBRO] [NVIDIA] Initialise successfully!
one byte off, the report's line|1|$scratch/capture|$scratch/one-byte.txt||-[TAMBRO] [NVIDIA] Initialize successfully!
refused capture|1|$scratch/refused|$scratch/empty.txt||FAIL: $QUORVEX_REPLAY_TOOL $scratch/refused exited with 2
CRLF document|0|$scratch/capture|$scratch/crlf.txt|$scratch/crlf.json|PASS: the JSON replay of $scratch/capture is $scratch/crlf.json byte for byte
another document|1|$scratch/capture|$scratch/crlf.txt|$scratch/other.json|FAIL: the JSON replay of $scratch/capture differs from $scratch/other.json
one argument|2|$scratch/capture|||usage: $compare CAPTURE_FOLDER REPORT_FILE [IDENTITIES_JSON]
EOF

check_finish "the replay comparison"
