#!/usr/bin/env bash
# The README's two commands, as a new user meets them in a fresh clone of
# HEAD: the run command builds and runs quorvex.exe without touching the
# test command's build folders, so the test command run after it still
# configures the Windows tests and can build them; a test step that finds no test
# fails; and a source that does not compile makes the run command show the
# compiler's message.
# Usage: tests/scripts/commands_order_test.sh [SCRATCH_FOLDER]
set -euo pipefail
# shellcheck source=../../scripts/lib/check.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/check.sh"
# shellcheck source=../../scripts/lib/wine.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/wine.sh"

repo=$(git -C "$(dirname "$0")" rev-parse --show-toplevel)
scratch=${1:-$(mktemp -d "${TMPDIR:-/tmp}/quorvex-commands.XXXXXX")}
rm -rf "$scratch"
mkdir -p "$scratch"
clone=$scratch/clone
git clone --quiet "$repo" "$clone"
export WINEPREFIX=$scratch/wine
trap 'quorvex_wine_stop || true' EXIT

cd "$clone"
status=0
bash scripts/run.sh </dev/null >"$scratch/run.out" 2>"$scratch/run.err" || status=$?
((status == 0)) || fail "the run command exited with $status: $(tail -n 20 "$scratch/run.err")"
[[ $(tail -c 31 "$scratch/run.out") == "[TAMBRO] Press Enter to exit..." ]] ||
  fail "the run command's output does not end in the prompt"
[[ ! -e build/mingw ]] || fail "the run command made or changed build/mingw, the test command's folder"

# What the test command does next: its Windows configure, which must list
# every Windows test, and a build of the unit tests that would make them
# from their sources. That the same sources compile and pass under Wine the
# test command's own Windows step shows; here, that the run command leaves
# nothing in the way of building them.
cmake --preset mingw -DQUORVEX_BUILD_TESTS=ON >"$scratch/configure.log" 2>&1 ||
  fail "the test command's mingw configure failed after the run command"
listed=$(ctest --preset mingw -N 2>/dev/null | sed -n 's/^ *Test *#[0-9]*: //p')
for test in unit_tests_under_wine e2e_report; do
  grep -qx "$test" <<<"$listed" || fail "after the run command, ctest --preset mingw does not list $test"
done
# The build graph, not a dry run: a dry run stops at the glob check's
# re-run of CMake, which it may not perform, and so plans nothing.
if ninja -C build/mingw -t commands quorvex_unit_tests >"$scratch/build.log" 2>&1; then
  grep -q -- '-o tests/quorvex_unit_tests.exe' "$scratch/build.log" ||
    fail "after the run command, the Windows unit tests would not be linked: $(tail -n 5 "$scratch/build.log")"
else
  fail "after the run command, the Windows unit tests cannot be built: $(tail -n 20 "$scratch/build.log")"
fi

# A test step that finds nothing to run must fail, not pass.
cmake --preset mingw -DQUORVEX_BUILD_TESTS=OFF >>"$scratch/configure.log" 2>&1
if ctest --preset mingw >"$scratch/empty-ctest.log" 2>&1; then
  fail "ctest --preset mingw passed with no tests configured"
fi

# A broken source: the run command fails and says why.
printf '\nint broken_on_purpose = ;\n' >>src/app/main.cpp
status=0
bash scripts/run.sh </dev/null >"$scratch/broken.out" 2>"$scratch/broken.err" || status=$?
((status != 0)) || fail "the run command exited 0 with a source that does not compile"
grep -q 'main.cpp.*error' "$scratch/broken.err" ||
  fail "the run command did not show the compiler's message: $(tail -n 5 "$scratch/broken.err")"

if ((problems > 0)); then
  echo "$problems problem(s); files in $scratch" >&2
  exit 1
fi
# Its server ends before its prefix goes, and nothing is left running inside.
quorvex_wine_stop || true
cd /
rm -rf "$scratch"
echo "PASS: run command then test command in a fresh clone; empty test steps fail; build errors are shown"
