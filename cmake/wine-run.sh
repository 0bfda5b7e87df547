#!/usr/bin/env bash
# Runs one Windows program under Wine, quietly and without a display. The
# prefix comes from WINEPREFIX (the tests set one inside the build tree).
set -euo pipefail
# shellcheck source=../scripts/lib.sh
source "$(dirname "$0")/../scripts/lib.sh"
quorvex_wine_env
exec wine "$@"
