# shellcheck shell=bash
# Sourced by the test scripts: a test counts what it finds wrong and goes on,
# so that one run shows every fault, then closes with check_finish.

problems=0
fail() {
  echo "FAIL: $*" >&2
  problems=$((problems + 1))
}

# check_finish MESSAGE [FOLDER]: with problems, their count (and the FOLDER
# where the files are kept) and exit code 1; without, "PASS: MESSAGE".
check_finish() {
  if ((problems > 0)); then
    echo "$problems problem(s)${2:+; files in $2}" >&2
    exit 1
  fi
  echo "PASS: $1"
}
