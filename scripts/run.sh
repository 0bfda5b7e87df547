#!/usr/bin/env bash
# Builds quorvex.exe and runs it: natively on Windows (MSYS2 or Git Bash),
# under Wine elsewhere. It builds in a folder of its own, so running it never
# changes what the test command builds.
set -euo pipefail
# shellcheck source=lib/install.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/install.sh"
# shellcheck source=lib/wine.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/wine.sh"
cd "$QUORVEX_ROOT"

# Quiet while the build succeeds; the compiler's messages when it does not.
build_quietly() {
  local log=$1
  shift
  mkdir -p "$(dirname "$log")"
  if ! "$@" >"$log" 2>&1; then
    cat "$log" >&2
    echo "run.sh: the build failed; its output is above and in $log" >&2
    exit 1
  fi
}

case "$(uname -s)" in
  MINGW* | MSYS* | CYGWIN*)
    build_quietly build/windows.log cmake -S . -B build/windows -DQUORVEX_BUILD_TESTS=OFF
    build_quietly build/windows.log cmake --build build/windows --config Release --target quorvex
    exe=$(find build/windows -name quorvex.exe -path '*Release*' -print -quit)
    exec "${exe:-build/windows/quorvex.exe}"
    ;;
esac

quorvex_need "${QUORVEX_WINDOWS_TOOLS[@]}"

build_quietly build/run.log cmake --preset run
build_quietly build/run.log cmake --build --preset run --target quorvex

export WINEPREFIX="${WINEPREFIX:-$PWD/build/wine-run}"
quorvex_wine_env
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  echo "Making a Wine prefix in $WINEPREFIX (once)..." >&2
  # A server still making or saving this prefix (an interrupted run) must
  # end before a new one starts in it.
  quorvex_wine_wait || true
  if ! quorvex_wine_boot build/wineboot.log; then
    echo "run.sh: Wine could not make its prefix in $WINEPREFIX; what it said is above" >&2
    exit 1
  fi
fi
exec wine build/run/quorvex.exe
