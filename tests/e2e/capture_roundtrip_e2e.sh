#!/usr/bin/env bash
# quorvex-capture.exe under Wine, one fresh prefix per registry scenario: the
# folder it writes must replay, through the native quorvex-replay, to exactly
# the report quorvex.exe prints in the same prefix and session. Wine's own
# firmware table and PhysicalDrive0 are part of every capture, so they round
# trip too. Also checked: exit code 0 and one listed line per file written,
# only the keys the report can read, and exit code 2 with a message for a
# folder that cannot be made or is not empty.
# With the replay tool, quorvex-capture.exe --json in the same session must
# print the document that quorvex-replay --json prints of the capture (the
# one record both write, and so the keys judged from it); --diff against that
# document finds no change, and --keys --json of saved documents is byte for
# byte the replay's of the same documents, while a capture folder is refused.
# Under a key quorvex-capture.exe --new-key makes, its --fingerprint of this
# machine is byte for byte the replay's of the capture, and its --match
# --key against that fingerprint finds the same machine (exit code 0). An
# option is never taken for a folder's name.
# Usage: capture_roundtrip_e2e.sh QUORVEX_EXE SCRATCH_FOLDER
# quorvex-capture.exe is taken from beside QUORVEX_EXE.
set -euo pipefail

# shellcheck source=frame.sh
source "$(dirname "${BASH_SOURCE[0]}")/frame.sh"
e2e_begin "$@"
capture_exe="$(dirname "$exe")/quorvex-capture.exe"

[[ -f "$capture_exe" ]] || { echo "FAIL: no $capture_exe beside $exe" >&2; exit 1; }

# The key lines of a capture's registry.reg, as UTF-8 without CRs.
key_lines() {
  iconv -f UTF-16 -t UTF-8 "$1" | sed 's/\r$//' | grep '^\['
}

# Every key must be one the report can read: an instance key (three parts
# below Enum), its Device Parameters, a display driver key, or an NVTweak GPU key.
check_keys_readable() {
  local line enum='^\[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\[^\\]+\\[^\\]+\\[^\\]+(\\Device Parameters)?\]$'
  local class='^\[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\\{4D36E968-E325-11CE-BFC1-08002BE10318\}\\[0-9]{4}\]$'
  local nvtweak='^\[HKEY_LOCAL_MACHINE\\SOFTWARE\\NVIDIA Corporation\\Global\\NVTweak\\Devices\\(0|[1-9][0-9]*)\]$'
  while IFS= read -r line; do
    shopt -s nocasematch
    if [[ ! "$line" =~ $enum && ! "$line" =~ $class && ! "$line" =~ $nvtweak ]]; then
      fail "$1: a key the report never reads: $line"
    fi
    shopt -u nocasematch
  done < <(key_lines "$1")
}

# round_trip NAME SCENARIO NVTWEAK_KEYS: NVTWEAK_KEYS lists the Devices\N
# numbers the capture must hold, and it must hold no other.
round_trip() {
  local name=$1 scenario=$2 want_nvtweak=$3
  local dir="$scratch/$name" status=0
  mkdir -p "$dir"
  wine_session_start "$dir/prefix"
  e2e_import "$scenario" "$dir" || return

  wine_run_report "$exe" "$dir/report.txt" || status=$?
  [[ $status -eq 0 ]] || fail "$name: quorvex.exe exited with $status"

  local capture="$dir/capture" windows_capture windows_live
  windows_capture=$(windows_path "$capture") || { fail "$name: no Windows path for the capture"; return; }
  status=0
  timeout 60 wine "$capture_exe" "$windows_capture" </dev/null >"$dir/capture.out" \
    2>"$dir/capture.err" || status=$?
  [[ $status -eq 0 ]] || fail "$name: quorvex-capture.exe exited with $status: $(cat "$dir/capture.err")"

  # One line per file, each the folder's path and the file's name.
  local listed written
  listed=$(sed 's/\r$//' "$dir/capture.out" | sed 's/.*\\//' | sort)
  written=$(find "$capture" -mindepth 1 -printf '%f\n' | sort)
  [[ "$listed" == "$written" ]] ||
    fail "$name: the listing ($(tr '\n' ' ' <<<"$listed")) is not what was written ($(tr '\n' ' ' <<<"$written"))"
  if grep -v -F -- "$windows_capture\\" <(sed 's/\r$//' "$dir/capture.out") >/dev/null; then
    fail "$name: a listed line is not a file in $windows_capture"
  fi
  for file in registry.reg smbios.bin PhysicalDrive0.bin PhysicalDrive0.count; do
    [[ -f "$capture/$file" ]] || fail "$name: no $file in the capture"
  done
  if [[ -f "$capture/registry.reg" ]]; then
    check_keys_readable "$capture/registry.reg"
    local got_nvtweak
    got_nvtweak=$(key_lines "$capture/registry.reg" | sed -n 's/.*\\NVTweak\\Devices\\\(.*\)\]$/\1/p' | tr '\n' ' ')
    [[ "$got_nvtweak" == "$want_nvtweak" ]] ||
      fail "$name: NVTweak keys captured: '$got_nvtweak', expected '$want_nvtweak'"
  fi
  # The live machine's JSON document, in the same session as the capture.
  status=0
  timeout 60 wine "$capture_exe" --json </dev/null >"$dir/live.json" 2>"$dir/live.err" || status=$?
  [[ $status -eq 0 ]] || fail "$name: quorvex-capture.exe --json exited with $status: $(cat "$dir/live.err")"
  windows_live=$(windows_path "$dir/live.json") || { fail "$name: no Windows path for live.json"; return; }
  status=0
  timeout 60 wine "$capture_exe" --diff "$windows_live" </dev/null >"$dir/diff.out" 2>&1 || status=$?
  [[ $status -eq 0 ]] || fail "$name: quorvex-capture.exe --diff of its own document exited with $status: $(cat "$dir/diff.out")"
  # Saved documents on Windows, named as the replay below names them: a copy
  # is a capture of its own, the same file named again is read once; a
  # folder is refused.
  cp "$dir/live.json" "$dir/copy.json"
  status=0
  (cd "$dir" && timeout 60 wine "$capture_exe" --keys --json live.json copy.json ./live.json </dev/null \
    >"$dir/documents-keys.json" 2>"$dir/live.err") || status=$?
  [[ $status -eq 0 ]] || fail "$name: quorvex-capture.exe --keys --json of documents exited with $status: $(cat "$dir/live.err")"
  grep -q "./live.json is live.json again" "$dir/live.err" ||
    fail "$name: the same document named twice was not read once: $(cat "$dir/live.err")"
  status=0
  (cd "$dir" && timeout 60 wine "$capture_exe" --keys capture </dev/null >"$dir/folder.out" 2>&1) || status=$?
  if [[ $status -ne 2 ]] || ! grep -q "quorvex-replay --json" "$dir/folder.out"; then
    fail "$name: quorvex-capture.exe --keys of a folder exited with $status: $(cat "$dir/folder.out")"
  fi
  # This machine's fingerprint under a key the capture tool makes (CNG's
  # generator), matched against this machine now; the replay of the capture
  # must give its bytes below.
  status=0
  (cd "$dir" && timeout 60 wine "$capture_exe" --new-key key </dev/null >"$dir/key.out" 2>&1) || status=$?
  [[ $status -eq 0 && $(stat -c %s "$dir/key" 2>/dev/null) == 32 ]] ||
    fail "$name: quorvex-capture.exe --new-key exited with $status: $(cat "$dir/key.out")"
  status=0
  (cd "$dir" && timeout 60 wine "$capture_exe" --fingerprint --key key </dev/null >"$dir/live.fp" \
    2>"$dir/fingerprint.err") || status=$?
  [[ $status -eq 0 ]] ||
    fail "$name: quorvex-capture.exe --fingerprint exited with $status: $(cat "$dir/fingerprint.err")"
  status=0
  (cd "$dir" && timeout 60 wine "$capture_exe" --match --key key live.fp </dev/null >"$dir/match.out" 2>&1) ||
    status=$?
  [[ $status -eq 0 ]] ||
    fail "$name: quorvex-capture.exe --match --key of its own fingerprint exited with $status: $(cat "$dir/match.out")"
  # The session is left running: the comparisons below need no Wine, and
  # the next session's start ends it.

  if [[ -z "${QUORVEX_REPLAY_TOOL:-}" ]]; then
    echo "SKIP: $name replay (QUORVEX_REPLAY_TOOL is not set to the native quorvex-replay)"
    return
  fi
  # The comparison the hosted Windows workflow runs, on the report and the
  # document as the programs wrote them, CRLF line ends and all.
  if ! bash "$(dirname "${BASH_SOURCE[0]}")/../../scripts/replay_compare.sh" \
    "$capture" "$dir/report.txt.raw" "$dir/live.json" >"$dir/compare.out" 2>&1; then
    cat "$dir/compare.out" >&2
    fail "$name: the replay of the capture is not quorvex.exe's report or quorvex-capture.exe's document"
  fi
  (cd "$dir" && "$QUORVEX_REPLAY_TOOL" --keys --json live.json copy.json ./live.json </dev/null \
    >replay-documents-keys.json 2>/dev/null)
  if ! perl -pe 's/\r\n\z/\n/' "$dir/documents-keys.json" | cmp -s - "$dir/replay-documents-keys.json"; then
    fail "$name: quorvex-capture.exe --keys --json of two documents is not quorvex-replay's"
  fi
  "$QUORVEX_REPLAY_TOOL" --fingerprint --key "$dir/key" "$capture" </dev/null >"$dir/replay.fp"
  if ! perl -pe 's/\r\n\z/\n/' "$dir/live.fp" | cmp -s - "$dir/replay.fp"; then
    fail "$name: quorvex-capture.exe --fingerprint is not quorvex-replay --fingerprint of its capture"
  fi
}

round_trip nvidia "$scenarios/nvidia.reg.utf8" "0 2 "
round_trip two_gpus "$scenarios/capture_two_gpus.reg.utf8" "0 1 "
round_trip no_nvidia "$scenarios/capture_no_nvidia.reg.utf8" ""

# Folders it must refuse: below a file, and one that already holds files. The
# last scenario's session does: no registry is read.
refusals="$scratch/refusals"
mkdir -p "$refusals"
echo "not a folder" >"$refusals/afile"
for target in "$refusals/afile/capture" "$scratch/nvidia/capture"; do
  windows_target=$(windows_path "$target") || { fail "no Windows path for $target"; continue; }
  status=0
  wine "$capture_exe" "$windows_target" </dev/null >"$refusals/out" 2>"$refusals/err" || status=$?
  [[ $status -eq 2 ]] || fail "quorvex-capture.exe into $target exited with $status, not 2"
  grep -q 'quorvex-capture: ' "$refusals/err" || fail "no message for $target"
  [[ ! -s "$refusals/out" ]] || fail "files listed for $target, which was refused"
done
[[ "$(cat "$refusals/afile")" == "not a folder" ]] || fail "the file in the way was changed"
# An option is never a folder's name: the usage for help, a refusal for the rest.
for call in "--help:0" "-h:0" "--jsonn:2" "-x:2" "--diff:2"; do
  status=0
  (cd "$refusals" && wine "$capture_exe" "${call%:*}" </dev/null >"$refusals/out" 2>&1) || status=$?
  [[ $status -eq ${call#*:} ]] || fail "quorvex-capture.exe ${call%:*} exited with $status"
  [[ ! -e "$refusals/${call%:*}" ]] || fail "quorvex-capture.exe ${call%:*} made a folder of that name"
done
grep -q -- "--json" "$refusals/out" || fail "the usage does not name --json"
wine_session_stop

check_finish "quorvex-capture.exe under Wine$([[ -n "${QUORVEX_REPLAY_TOOL:-}" ]] && echo ", replayed byte for byte")" "$scratch"
