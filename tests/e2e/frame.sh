# shellcheck shell=bash
# Sourced by the end-to-end scripts: the frame every one of them runs in. A
# fresh Wine prefix and one wineserver kept alive for the whole session: a
# new server rebuilds Wine's display devices and drops adapters imported
# before it started, so the scenario import and the run must share the server
# that made the prefix.
# shellcheck source=../../scripts/lib/check.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/check.sh"
# shellcheck source=../../scripts/lib/wine.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/wine.sh"

# The scenarios beside the scripts.
# shellcheck disable=SC2034 # used by the scripts that source this file
scenarios=$(cd "$(dirname "${BASH_SOURCE[0]}")/scenarios" && pwd)

# e2e_begin QUORVEX_EXE SCRATCH_FOLDER: the script's two arguments, as `exe`
# and `scratch`; the scratch folder is made afresh.
e2e_begin() {
  (($# == 2)) || { echo "usage: $0 QUORVEX_EXE SCRATCH_FOLDER" >&2; exit 2; }
  # shellcheck disable=SC2034 # used by the scripts that source this file
  exe=$1
  scratch=$2
  # A session's server is persistent: one that an interrupted run left in a
  # prefix here would never end, so it is stopped before its folder goes.
  local prefix
  while IFS= read -r -d '' prefix; do
    WINEPREFIX=${prefix%/system.reg} quorvex_wine_stop || true
  done < <(find "$scratch" -maxdepth 3 -name system.reg -print0 2>/dev/null)
  rm -rf "$scratch"
  mkdir -p "$scratch"
}

# wine_session_start FOLDER: makes FOLDER afresh as the prefix and starts its
# server; the server is stopped however the script ends. A script that sets
# its own EXIT trap afterwards must call wine_session_stop from it. A session
# begins once the previous one's server has ended (wine_session_stop waits for
# it) and once any server left in FOLDER by an earlier run has ended too.
wine_session_start() {
  wine_session_stop
  export WINEPREFIX="$1"
  quorvex_wine_env
  trap wine_session_stop EXIT
  # Without these the EXIT trap would not run when ctest's timeout kills us.
  trap 'exit 129' HUP
  trap 'exit 130' INT
  trap 'exit 143' TERM
  [[ ! -d $WINEPREFIX ]] || quorvex_wine_stop || true
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wine_session_prefix=$WINEPREFIX
  quorvex_wine_boot "$WINEPREFIX.wineboot.log" persistent
}

wine_session_stop() {
  if [[ -n "${wine_session_prefix:-}" ]]; then
    WINEPREFIX=$wine_session_prefix quorvex_wine_stop || true
    wine_session_prefix=""
  fi
}

# to_regedit_file UTF8_FILE: the file in regedit's own format on standard
# output: UTF-16LE with a byte-order mark and CRLF line ends. Without the mark
# `wine reg import` reads the file as ANSI and garbles it.
to_regedit_file() {
  printf '\xff\xfe'
  sed 's/$/\r/' "$1" | iconv -f UTF-8 -t UTF-16LE
}

# e2e_import SCENARIO FOLDER: the scenario (a UTF-8 file) imported into the
# running session with `wine reg import`, its regedit form and the import's
# log kept in FOLDER. A refusal is a failure and returns 1.
e2e_import() {
  to_regedit_file "$1" >"$2/scenario.reg"
  if ! wine reg import "$2/scenario.reg" >"$2/import.log" 2>&1; then
    cat "$2/import.log" >&2
    fail "wine reg import refused $(basename "$1")"
    return 1
  fi
}

# windows_path PATH: PATH as the session's Windows path. When winepath fails
# it says so, with its exit status and message, and returns 1, so that the
# caller does not hand a program an empty name.
windows_path() {
  local status=0 path
  path=$(winepath -w "$1" 2>"$scratch/winepath.err") || status=$?
  if ((status != 0)) || [[ -z $path ]]; then
    echo "winepath -w $1 exited with $status: $(cat "$scratch/winepath.err")" >&2
    return 1
  fi
  printf '%s\n' "$path"
}

# wine_run_report EXE OUT: runs EXE with standard input at end of file and
# writes what it printed to OUT with the CR of each CRLF removed (the C runtime
# writes text mode to a pipe). Returns the program's exit code.
wine_run_report() {
  local status=0
  timeout 60 wine "$1" </dev/null >"$2.raw" 2>"$2.stderr" || status=$?
  sed 's/\r$//' "$2.raw" >"$2"
  return "$status"
}

# nvidia_phase REPORT: the NVIDIA phase's lines, from its opening line to its
# closing line, both included.
nvidia_phase() {
  sed -n '/^\[TAMBRO\] \[NVIDIA\] Initialise successfully!$/,/^\[TAMBRO\] \[NVIDIA\] Cleanup successfully!$/p' "$1"
}
