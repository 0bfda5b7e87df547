#!/usr/bin/env bash
# Builds quorvex.exe and runs it: natively on Windows (MSYS2 or Git Bash),
# under Wine elsewhere.
set -euo pipefail
cd "$(dirname "$0")/.."

case "$(uname -s)" in
  MINGW* | MSYS* | CYGWIN*)
    cmake -S . -B build/windows -DQUORVEX_BUILD_TESTS=OFF
    cmake --build build/windows --config Release --target quorvex
    exe=$(find build/windows -name quorvex.exe -path '*Release*' -print -quit)
    exec "${exe:-build/windows/quorvex.exe}"
    ;;
esac

source scripts/deps.sh
quorvex_need "${QUORVEX_WINDOWS_TOOLS[@]}"

cmake --preset mingw -DQUORVEX_BUILD_TESTS=OFF >/dev/null
cmake --build --preset mingw --target quorvex >/dev/null

export WINEPREFIX="${WINEPREFIX:-$PWD/build/wine-run}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
unset DISPLAY WAYLAND_DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Making a Wine prefix in $WINEPREFIX (once)..." >&2
  wine wineboot -i >/dev/null 2>&1
fi
exec wine build/mingw/quorvex.exe
