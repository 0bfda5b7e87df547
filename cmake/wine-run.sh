#!/usr/bin/env bash
# Runs one Windows program under Wine, quietly and without a display. The
# prefix comes from WINEPREFIX (the tests set one inside the build tree).
set -euo pipefail
# shellcheck source=../scripts/lib/wine.sh
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib/wine.sh"
quorvex_wine_env
exec wine "$@"
