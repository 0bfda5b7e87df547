# shellcheck shell=bash
# Sourced by whatever runs a Windows program under Wine.

# Quiet Wine with no display and no Mono or Gecko prompts; the prefix is the
# caller's (WINEPREFIX).
quorvex_wine_env() {
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
  unset DISPLAY WAYLAND_DISPLAY
}
