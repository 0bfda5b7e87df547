#!/usr/bin/env bash
# Builds and runs every test: the host build under ASan/UBSan, the fuzz
# targets for a bounded number of inputs, and the Windows build under Wine
# (its unit tests and the end-to-end runs of the .exe), then the release
# built twice to prove it reproducible.
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/deps.sh
quorvex_need "${QUORVEX_WINDOWS_TOOLS[@]}" "${QUORVEX_TEST_TOOLS[@]}"

jobs=$(nproc 2>/dev/null || echo 2)
step() { printf '\n=== %s\n' "$*"; }

step "source formatting (clang-format)"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror

step "host build and tests (ASan/UBSan)"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
ctest --preset native -j "$jobs"

step "static analysis (clang-tidy) of the project's own sources"
if ! run-clang-tidy -p build/native -quiet -j "$jobs" "^$PWD/(src|tools|tests)/" >build/clang-tidy.log 2>&1; then
  grep -E -A3 'error:|warning:' build/clang-tidy.log | head -n 60
  echo "clang-tidy found problems; the whole log is build/clang-tidy.log" >&2
  exit 1
fi
echo "clang-tidy: no findings"

step "fuzz targets (libFuzzer, ASan/UBSan)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
ctest --preset fuzz

step "Windows build and its tests under Wine"
cmake --preset mingw -DQUORVEX_REPLAY_TOOL="$PWD/build/native/tools/quorvex-replay" >/dev/null
cmake --build --preset mingw -j "$jobs"
ctest --preset mingw

step "release zip built twice from clean clones, compared byte for byte"
bash tests/release/reproducible_test.sh
