#!/usr/bin/env bash
# The whole report of quorvex.exe under Wine, in a fresh prefix, with standard
# input at end of file: the banner, the three phases framed and in order, the
# completion line, and the prompt as the very last bytes, then exit code 0.
# Usage: report_e2e.sh QUORVEX_EXE SCRATCH_FOLDER
# With QUORVEX_REPLAY set to the native replay tool, the banner is also
# compared byte for byte with what the same run sequence prints there.
set -euo pipefail

exe=$1
scratch=$2
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine_session.sh
source "$here/wine_session.sh"

rm -rf "$scratch"
mkdir -p "$scratch"
wine_session_start "$scratch/prefix"

status=0
wine_run_report "$exe" "$scratch/report.txt" || status=$?

mapfile -t lines <"$scratch/report.txt"
at=0
problems=0


# Stops at the first line out of place: everything after it would only
# repeat the same fault.
expect() {
  if [[ "${lines[at]-<end of output>}" != "$1" ]]; then
    fail "line $((at + 1)): expected '$1', got '${lines[at]-<end of output>}'"
    return 1
  fi
  at=$((at + 1))
}

# A phase's own lines, whatever they are, up to its closing line; each must
# still have the report's line shape.
skip_phase_lines() {
  local closing=$1
  while ((at < ${#lines[@]})) && [[ "${lines[at]}" != "$closing" ]]; do
    if [[ "${lines[at]}" != "[TAMBRO] ["* ]]; then
      fail "line $((at + 1)) inside a phase is not a report line: '${lines[at]}'"
      return 1
    fi
    at=$((at + 1))
  done
}

# Drive lines come in threes for ascending numbers 0 to 7. Wine's
# PhysicalDrive0 answers with no strings, so usually there are none.
check_drive_lines() {
  local previous=-1 n tag='[TAMBRO] [DiskStorage] ['
  local pattern='^\[TAMBRO\] \[DiskStorage\] \[([0-7])\] SerialNumber: '
  while [[ "${lines[at]-}" =~ $pattern ]]; do
    n=${BASH_REMATCH[1]}
    if ((n <= previous)); then
      fail "line $((at + 1)): drive $n reported after drive $previous"
      return 1
    fi
    previous=$n
    at=$((at + 1))
    [[ "${lines[at]-}" == "$tag$n] Model: "* ]] || { fail "line $((at + 1)): no Model line for drive $n"; return 1; }
    at=$((at + 1))
    [[ "${lines[at]-}" == "$tag$n] Firmware: "* ]] || { fail "line $((at + 1)): no Firmware line for drive $n"; return 1; }
    at=$((at + 1))
  done
}

check_banner_shape() {
  local row
  expect "" || return 1
  for row in 1 2 3 4 5 6 7 8; do
    local line=${lines[at]-}
    if [[ "$line" != "  "* || "$line" != *[!\ ]* || "$line" == *" " ]]; then
      fail "line $((at + 1)): banner row $row is not two-space indented art: '$line'"
      return 1
    fi
    at=$((at + 1))
  done
  expect ""
}

check_banner_against_replay() {
  if [[ -z "${QUORVEX_REPLAY:-}" ]]; then
    echo "SKIP: QUORVEX_REPLAY is not set; the banner is checked for its shape only." >&2
    return 0
  fi
  if [[ ! -x "$QUORVEX_REPLAY" ]]; then
    fail "QUORVEX_REPLAY=$QUORVEX_REPLAY is not an executable"
    return 1
  fi
  mkdir -p "$scratch/empty-capture"
  local replay_status=0
  "$QUORVEX_REPLAY" "$scratch/empty-capture" </dev/null >"$scratch/replay.txt" || replay_status=$?
  if ((replay_status != 0)); then
    fail "$QUORVEX_REPLAY on an empty capture folder exited with $replay_status"
    return 1
  fi
  # Ten banner lines, then the title, the mode line and an empty line.
  if ! cmp -s <(head -n 13 "$scratch/replay.txt") <(head -n 13 "$scratch/report.txt"); then
    fail "the banner differs from the replay tool's:"
    diff <(head -n 13 "$scratch/replay.txt") <(head -n 13 "$scratch/report.txt") >&2 || true
  fi
}

check_report() {
  check_banner_shape || return 1
  expect "                    Quorvex v1.0" || return 1
  expect "              [ Direct Driver Access Mode ]" || return 1
  expect "" || return 1

  expect "[TAMBRO] [NVIDIA] Initialise successfully!" || return 1
  skip_phase_lines "[TAMBRO] [NVIDIA] Cleanup successfully!" || return 1
  expect "[TAMBRO] [NVIDIA] Cleanup successfully!" || return 1
  expect "" || return 1

  expect "[TAMBRO] [DiskStorage] Initialise successfully!" || return 1
  expect "[TAMBRO] [DiskStorage] Reading serials..." || return 1
  check_drive_lines || return 1
  expect "[TAMBRO] [DiskStorage] Cleanup successfully!" || return 1
  expect "" || return 1

  expect "[TAMBRO] [SMBIOS] Initialise successfully!" || return 1
  skip_phase_lines "[TAMBRO] [SMBIOS] Cleanup successfully!" || return 1
  expect "[TAMBRO] [SMBIOS] Cleanup successfully!" || return 1
  expect "" || return 1

  expect "[TAMBRO] HWID collection completed!" || return 1
  expect "" || return 1
  expect "[TAMBRO] Press Enter to exit..." || return 1
  if ((at != ${#lines[@]})); then
    fail "output goes on after the prompt: '${lines[at]}'"
  fi
}

if ((status != 0)); then
  fail "quorvex.exe exited with $status"
fi
check_report || true
# The last bytes are the prompt's own, so no newline follows it.
prompt='[TAMBRO] Press Enter to exit...'
if [[ "$(tail -c "${#prompt}" "$scratch/report.txt")" != "$prompt" ]]; then
  fail "the output does not end in the prompt with no newline after it"
fi
check_banner_against_replay

if ((problems > 0)); then
  echo "--- output of quorvex.exe (CRs removed) ---" >&2
  cat "$scratch/report.txt" >&2
  echo "--- standard error ---" >&2
  cat "$scratch/report.txt.stderr" >&2
  exit 1
fi
echo "quorvex.exe under Wine: ${#lines[@]} lines, framing and order as expected, exit code 0."
