# shellcheck shell=bash
# Sourced by the project's scripts: installing what is missing, the quiet
# Wine environment, and the failure count that the test scripts report.

# quorvex_need ENTRY...: each ENTRY is "command-or-path:package"; installs, on
# Debian or Ubuntu, the packages whose command (or file) is missing. Nothing
# is installed when everything is there.
quorvex_need() {
  local missing=() entry probe
  for entry in "$@"; do
    probe=${entry%%:*}
    if [[ $probe == /* ]]; then
      [[ -e $probe ]] || missing+=("${entry#*:}")
    else
      command -v "$probe" >/dev/null 2>&1 || missing+=("${entry#*:}")
    fi
  done
  quorvex_apt_install "${missing[@]}"
}

quorvex_apt_install() {
  (($# > 0)) || return 0
  echo "Installing: $*" >&2
  local sudo=""
  [[ $(id -u) -eq 0 ]] || sudo=sudo
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

# Quiet Wine with no display and no Mono or Gecko prompts; the prefix is the
# caller's (WINEPREFIX).
quorvex_wine_env() {
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
  unset DISPLAY WAYLAND_DISPLAY
}

# A test script counts what it finds wrong and goes on, so that one run shows
# every fault, and exits non-zero at the end when the count is not zero.
problems=0
fail() {
  echo "FAIL: $*" >&2
  problems=$((problems + 1))
}
