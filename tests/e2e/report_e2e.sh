#!/usr/bin/env bash
# The whole report of quorvex.exe under Wine, in a fresh prefix, with standard
# input at end of file, compared byte for byte with scenarios/report.expected:
# the banner, the three phases framed and in order, the completion line, and
# the prompt as the very last bytes, then exit code 0. What Wine reads off the
# host's firmware (the SMBIOS values and the table's size) is masked on both
# sides; the labels and their order are not.
# Usage: report_e2e.sh QUORVEX_EXE SCRATCH_FOLDER
set -euo pipefail

# shellcheck source=frame.sh
source "$(dirname "${BASH_SOURCE[0]}")/frame.sh"
e2e_begin "$@"
wine_session_start "$scratch/prefix"

status=0
wine_run_report "$exe" "$scratch/report.txt" || status=$?
((status == 0)) || fail "quorvex.exe exited with $status"

mask_host_values() {
  sed -E -e 's/^(\[TAMBRO\] \[[A-Z]+ INFO\] [A-Za-z]+: ).*/\1<host>/' \
    -e 's/^(\[TAMBRO\] \[SMBIOS\] SMBIOS size=)[0-9]+ bytes$/\1<host> bytes/' "$1"
}
mask_host_values "$scratch/report.txt" >"$scratch/report.masked"
# The expected file ends in the prompt with no end of line, as the report
# does; sed and diff keep that difference visible.
if ! diff -u "$scenarios/report.expected" "$scratch/report.masked" >"$scratch/report.diff"; then
  cat "$scratch/report.diff" >&2
  fail "the report differs from scenarios/report.expected"
fi

((problems == 0)) || { echo "--- standard error ---" >&2; cat "$scratch/report.txt.stderr" >&2; }
check_finish "quorvex.exe under Wine printed scenarios/report.expected and exited with 0" "$scratch"
