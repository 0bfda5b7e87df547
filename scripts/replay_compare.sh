#!/usr/bin/env bash
# The round trip of a capture: CAPTURE_FOLDER, replayed on this machine, must
# print exactly what quorvex.exe printed into REPORT_FILE on the captured one.
# The report is compared with its CRLF line ends read as LF, since the C
# runtime writes text mode on Windows and the replay writes LF. A mismatch
# prints a unified diff (the report against the replay) and exits 1, as does
# a replay that fails; a wrong call exits 2. With IDENTITIES_JSON (what
# quorvex-capture.exe --json printed there), the JSON replay must equal it too.
#
# The replay tool is the one QUORVEX_REPLAY_TOOL names; without it a plain
# host build of quorvex-replay is made (or brought up to date) in
# build/replay-tool, with no tests and no sanitizers, so it needs only CMake,
# a C++17 compiler and nlohmann/json.
# Usage: scripts/replay_compare.sh CAPTURE_FOLDER REPORT_FILE [IDENTITIES_JSON]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=lib/check.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/check.sh"

if (($# != 2 && $# != 3)); then
  echo "usage: $0 CAPTURE_FOLDER REPORT_FILE [IDENTITIES_JSON]" >&2
  exit 2
fi
capture=$1
report=$2
identities=${3:-}
[[ -d $capture ]] || { echo "$0: $capture is not a folder" >&2; exit 2; }
[[ -f $report ]] || { echo "$0: $report is not a file" >&2; exit 2; }
[[ -z $identities || -f $identities ]] || { echo "$0: $identities is not a file" >&2; exit 2; }

tool=${QUORVEX_REPLAY_TOOL:-}
if [[ -z $tool ]]; then
  quorvex_need cmake:cmake g++:build-essential /usr/include/nlohmann/json.hpp:nlohmann-json3-dev \
    /usr/include/openssl/evp.h:libssl-dev
  build=$root/build/replay-tool
  echo "Building quorvex-replay in $build" >&2
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORVEX_BUILD_TESTS=OFF >&2
  cmake --build "$build" --target quorvex-replay -j "$(nproc 2>/dev/null || echo 2)" >&2
  tool=$build/tools/quorvex-replay
fi
[[ -x $tool ]] || { echo "$0: the replay tool $tool is not an executable" >&2; exit 2; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/quorvex-compare.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

status=0
"$tool" "$capture" </dev/null >"$scratch/replay" || status=$?
if ((status != 0)); then
  echo "FAIL: $tool $capture exited with $status" >&2
  exit 1
fi
# Only a CR right before a line feed goes: a CR anywhere else is the report's own.
perl -pe 's/\r\n\z/\n/' "$report" >"$scratch/report"

if ! diff -u --label "$report (CRLF as LF)" --label "replay of $capture" \
  "$scratch/report" "$scratch/replay"; then
  echo "FAIL: the replay of $capture differs from $report" >&2
  exit 1
fi
echo "PASS: the replay of $capture is $report byte for byte"
[[ -n $identities ]] || exit 0

"$tool" --json "$capture" </dev/null >"$scratch/replay.json" || { echo "FAIL: $tool --json $capture failed" >&2; exit 1; }
perl -pe 's/\r\n\z/\n/' "$identities" >"$scratch/identities.json"
if ! diff -u --label "$identities (CRLF as LF)" --label "replay --json of $capture" \
  "$scratch/identities.json" "$scratch/replay.json"; then
  echo "FAIL: the JSON replay of $capture differs from $identities" >&2
  exit 1
fi
echo "PASS: the JSON replay of $capture is $identities byte for byte"
