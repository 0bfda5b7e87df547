# Sourced by run.sh and test.sh: installs, on Debian or Ubuntu, whatever of
# the toolchain is missing. Nothing is installed when everything is there.

quorvex_apt_install() {
  local missing=("$@")
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}" >&2
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Each argument is "command-or-path:package".
quorvex_need() {
  local missing=() entry probe package
  for entry in "$@"; do
    probe=${entry%%:*}
    package=${entry#*:}
    if [[ $probe == /* ]]; then
      [ -e "$probe" ] || missing+=("$package")
    else
      command -v "$probe" >/dev/null 2>&1 || missing+=("$package")
    fi
  done
  quorvex_apt_install "${missing[@]}"
}

QUORVEX_WINDOWS_TOOLS=(
  cmake:cmake ninja:ninja-build
  x86_64-w64-mingw32-g++:g++-mingw-w64-x86-64
  wine:wine wine64:wine64
)
QUORVEX_TEST_TOOLS=(
  g++:build-essential
  /usr/src/googletest/CMakeLists.txt:googletest
  clang++:clang
  /usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.fuzzer-x86_64.a:libclang-rt-14-dev
  clang-format:clang-format clang-tidy:clang-tidy
  iconv:libc-bin git:git tmux:tmux
)
