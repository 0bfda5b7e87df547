#!/usr/bin/env bash
# The hosted Windows job runs what docs/building.md's "On Windows" section
# tells a user to run, and nothing of that kind besides: every command of the
# section's PowerShell blocks is a line of the job, and every cmake, ctest,
# cmd or call (&) line of the job is one of those commands.
# Indentation is ignored, a line ending in PowerShell's ` is read together
# with the next, and a workflow line that names ${{ matrix.preset }} stands for
# one line per preset of the matrix.
# Usage: tests/scripts/windows_workflow_test.sh
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
# shellcheck source=../../scripts/lib/check.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/check.sh"
workflow=.github/workflows/windows.yml
page=docs/building.md

logical_lines() {
  sed 's/^[[:space:]]*//' | awk '{ line = line $0 } /`$/ { line = line " "; next } { print line; line = "" }'
}

page_commands=$(awk '/^## On Windows$/ { section = 1; next }
              section && /^##?#? / { exit }
              section && /^```powershell$/ { block = 1; next }
              block && /^```$/ { block = 0; next }
              block { print }' "$page" | logical_lines)
# shellcheck disable=SC2016 # the matrix reference is literal text here
reference='${{ matrix.preset }}'
presets=$(sed -n 's/^[[:space:]-]*preset: *\([[:alnum:]-]*\).*/\1/p' "$workflow" | sort -u)
[[ -n $presets ]] || fail "no preset found in the matrix of $workflow"
# The Windows job's lines: the other jobs run Linux commands of their own.
runs=$(awk '/^  windows:$/ { job = 1; next } job && /^  [[:alnum:]-]+:$/ { exit } job' "$workflow" |
  logical_lines | while IFS= read -r line; do
  if [[ $line == *"$reference"* ]]; then
    for preset in $presets; do printf '%s\n' "${line//"$reference"/$preset}"; done
  else
    printf '%s\n' "$line"
  fi
done)

count=0
while IFS= read -r command; do
  count=$((count + 1))
  grep -qxF -- "$command" <<<"$runs" || fail "$page's command is not in $workflow: $command"
done <<<"$page_commands"
((count >= 10)) || fail "only $count PowerShell command(s) found in $page's On Windows section"

while IFS= read -r command; do
  [[ $command =~ ^(cmake|ctest|cmd\ /c|\&)\  ]] || continue
  grep -qxF -- "$command" <<<"$page_commands" || fail "$workflow runs what $page does not say: $command"
done <<<"$runs"

check_finish "$workflow runs the $count commands of $page's On Windows section, for presets ${presets//$'\n'/ }"
