#!/usr/bin/env bash
# The NVIDIA phase of quorvex.exe under Wine against a made-up registry
# (scenarios/nvidia.reg.utf8, imported with `wine reg import` into a fresh
# prefix), compared line by line with scenarios/nvidia.expected. Wine lists
# values sorted by name, so the expected lines follow that order; Wine's own
# display adapter (PCI\VEN_0000...) prints nothing and needs no line.
# With QUORVEX_REPLAY_TOOL set to the native replay tool, the same keys exported
# with `wine reg export` make a capture folder whose replay must print the
# same NVIDIA lines.
# Usage: nvidia_e2e.sh QUORVEX_EXE SCRATCH_FOLDER
set -euo pipefail

# shellcheck source=frame.sh
source "$(dirname "${BASH_SOURCE[0]}")/frame.sh"
e2e_begin "$@"

wine_session_start "$scratch/prefix"
e2e_import "$scenarios/nvidia.reg.utf8" "$scratch" || exit 1

status=0
wine_run_report "$exe" "$scratch/report.txt" || status=$?
[[ $status -eq 0 ]] || fail "quorvex.exe exited with $status"
nvidia_phase "$scratch/report.txt" >"$scratch/nvidia.txt"
if ! diff -u "$scenarios/nvidia.expected" "$scratch/nvidia.txt" >"$scratch/nvidia.diff"; then
  cat "$scratch/nvidia.diff" >&2
  fail "the NVIDIA phase of quorvex.exe differs from scenarios/nvidia.expected"
fi
# Named on its own: without the manifest's UTF-8 code page this is the line that breaks.
name_line='[TAMBRO] [NVIDIA] [0, 0] Name: Prüfkarte Größe Ω 😀'
grep -qxF "$name_line" "$scratch/nvidia.txt" ||
  fail "the non-ASCII description did not come out as UTF-8 (is the UTF-8 code page in the manifest?)"

if [[ -z "${QUORVEX_REPLAY_TOOL:-}" ]]; then
  echo "SKIP: replay round trip (QUORVEX_REPLAY_TOOL is not set to the native quorvex-replay)"
else
  capture="$scratch/capture"
  mkdir -p "$capture"
  keys=('HKLM\SYSTEM\CurrentControlSet\Enum'
        'HKLM\SYSTEM\CurrentControlSet\Control\Class'
        'HKLM\SOFTWARE\NVIDIA Corporation')
  part=0
  for key in "${keys[@]}"; do
    wine reg export "$key" "$scratch/export$part.reg" /y >"$scratch/export$part.log" 2>&1 ||
      fail "wine reg export $key failed"
    part=$((part + 1))
  done
  # One file with one header: the exports' texts joined, back in regedit's format.
  {
    iconv -f UTF-16 -t UTF-8 "$scratch/export0.reg"
    iconv -f UTF-16 -t UTF-8 "$scratch/export1.reg" | tail -n +2
    iconv -f UTF-16 -t UTF-8 "$scratch/export2.reg" | tail -n +2
  } | sed 's/\r$//' >"$scratch/capture.utf8"
  to_regedit_file "$scratch/capture.utf8" >"$capture/registry.reg"
  status=0
  "$QUORVEX_REPLAY_TOOL" "$capture" </dev/null >"$scratch/replay.txt" 2>"$scratch/replay.stderr" || status=$?
  [[ $status -eq 0 ]] || fail "quorvex-replay exited with $status: $(cat "$scratch/replay.stderr")"
  nvidia_phase "$scratch/replay.txt" >"$scratch/replay-nvidia.txt"
  if ! diff -u "$scratch/nvidia.txt" "$scratch/replay-nvidia.txt" >"$scratch/replay.diff"; then
    cat "$scratch/replay.diff" >&2
    fail "quorvex-replay on the exported capture differs from quorvex.exe under Wine"
  fi
fi

check_finish "NVIDIA phase under Wine$([[ -n "${QUORVEX_REPLAY_TOOL:-}" ]] && echo " and its replay")" "$scratch"
