#!/usr/bin/env bash
# Runs one Windows program under Wine, quietly and without a display. The
# prefix comes from WINEPREFIX (the tests set one inside the build tree).
set -euo pipefail
export WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
unset DISPLAY WAYLAND_DISPLAY
exec wine "$@"
