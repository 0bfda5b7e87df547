#!/usr/bin/env bash
# The unit tests' Wine prefix, for ctest's fixture: "start PREFIX" makes it
# (or brings it up to date) and leaves its server running for the tests;
# "stop PREFIX" ends that server and returns once it has ended.
set -euo pipefail
# shellcheck source=../scripts/lib/wine.sh
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib/wine.sh"
quorvex_wine_env
export WINEPREFIX=$2
case $1 in
  start)
    # A server left by an interrupted run, or still saving the registry of the
    # last one, must end before a new one starts in the same prefix.
    quorvex_wine_stop || true
    mkdir -p "$WINEPREFIX"
    quorvex_wine_boot "$WINEPREFIX.wineboot.log" persistent
    ;;
  stop) quorvex_wine_stop ;;
  *) echo "usage: $0 start|stop PREFIX" >&2; exit 2 ;;
esac
