# shellcheck shell=bash
# Sourced by run.sh and test.sh: the packages each command needs, installed by
# quorvex_need when their command or file is missing.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# shellcheck disable=SC2034 # used by the scripts that source this file
QUORVEX_WINDOWS_TOOLS=(
  cmake:cmake ninja:ninja-build
  x86_64-w64-mingw32-g++:g++-mingw-w64-x86-64
  # Debian's wine64 puts its loader under /usr/lib/wine, not on the PATH.
  wine:wine /usr/lib/wine/wine64:wine64
)
# shellcheck disable=SC2034
QUORVEX_TEST_TOOLS=(
  g++:build-essential
  /usr/src/googletest/CMakeLists.txt:googletest
  clang++:clang
  clang-format:clang-format clang-tidy:clang-tidy
  iconv:libc-bin git:git tmux:tmux
  shellcheck:shellcheck yamllint:yamllint
)

# libFuzzer ships in the runtime package of whichever Clang is installed, so
# it is looked for beside that Clang's runtime, not at one version's path.
quorvex_need_libfuzzer() {
  local runtime version
  runtime=$(clang++ -print-runtime-dir 2>/dev/null || true)
  [[ -n $runtime && -e $runtime/libclang_rt.fuzzer-x86_64.a ]] && return 0
  version=$(clang++ -dumpversion)
  quorvex_apt_install "libclang-rt-${version%%.*}-dev"
}
