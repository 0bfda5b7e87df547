# shellcheck shell=bash
# Sourced by whatever runs a Windows program under Wine.

# Quiet Wine with no display and no Mono or Gecko prompts; the prefix is the
# caller's (WINEPREFIX).
quorvex_wine_env() {
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
  unset DISPLAY WAYLAND_DISPLAY
}

# quorvex_wine_wait: returns once no wineserver of WINEPREFIX runs. One still
# running after 30 s is stuck: it is killed, so that it cannot hang the
# caller, and the wait fails.
quorvex_wine_wait() {
  local status=0
  timeout 30 wineserver -w || status=$?
  ((status == 0)) && return 0
  if ((status == 124)); then
    echo "the wineserver of $WINEPREFIX was still running after 30 s; killed" >&2
    wineserver -k9 >/dev/null 2>&1 || true
    timeout 10 wineserver -w || true
  else
    echo "wineserver -w exited with $status for $WINEPREFIX" >&2
  fi
  return 1
}

# quorvex_wine_stop: ends the server of WINEPREFIX, and with it every Windows
# process of the prefix, and returns once it has ended: after ten seconds
# `wineserver -k` sends SIGKILL and returns without waiting any longer.
quorvex_wine_stop() {
  wineserver -k >/dev/null 2>&1 || true
  quorvex_wine_wait
}

# quorvex_wine_boot LOG [persistent]: makes WINEPREFIX a Windows prefix with
# `wine wineboot -i`, its output in LOG; with "persistent" it first starts the
# prefix's server, which then runs until quorvex_wine_stop. A failure, or a
# wineboot still running after 60 s, is told with its exit status and output;
# then the prefix's server is ended and the same is tried once more, with
# Wine's error messages on (output in LOG.retry, shown too). Returns 1 only
# when that fails as well.
quorvex_wine_boot() {
  local log=$1 persistent=${2:-} status=0
  quorvex_wine_boot_once "$log" "$persistent" 60 "${WINEDEBUG-}" || status=$?
  ((status == 0)) && return 0
  {
    echo "wineboot -i failed in $WINEPREFIX with exit status $status$( ((status == 124)) && echo " (still running after 60 s)"); its output:"
    if [[ -s $log ]]; then cat "$log"; else echo "(none)"; fi
    echo "wineboot -i once more, with WINEDEBUG=err+all,fixme-all:"
  } >&2
  quorvex_wine_stop || true
  status=0
  quorvex_wine_boot_once "$log.retry" "$persistent" 90 err+all,fixme-all || status=$?
  cat "$log.retry" >&2
  if ((status != 0)); then
    echo "wineboot -i failed again in $WINEPREFIX with exit status $status" >&2
    return 1
  fi
  echo "wineboot -i succeeded the second time in $WINEPREFIX" >&2
}

# quorvex_wine_boot_once LOG PERSISTENT SECONDS WINEDEBUG
quorvex_wine_boot_once() {
  local log=$1 persistent=$2 seconds=$3 debug=$4
  : >"$log"
  if [[ -n $persistent ]]; then
    # It returns once the server listens. The server must not hold the
    # caller's output open: ctest would wait for it.
    wineserver -p >/dev/null 2>>"$log" || return
  fi
  # The first Windows process of a new prefix waits up to five minutes for
  # Wine's own start-up (its message about it is an error, hidden by
  # WINEDEBUG=-all), so a stuck start-up is cut short here. timeout runs it
  # in a process group of its own, which must not touch a terminal.
  WINEDEBUG=$debug timeout "$seconds" wine wineboot -i </dev/null >>"$log" 2>&1
}
