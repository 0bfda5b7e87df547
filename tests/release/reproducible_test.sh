#!/usr/bin/env bash
# Builds the release of HEAD twice, from two fresh clones at different
# absolute paths, seconds apart, with a different time zone and umask, and
# requires the same bytes from both: the executables, SHA256SUMS, the zip and
# its checksum. Also checks that the zip holds every program built, README.md,
# LICENSE, the tracked files of docs/ (which the README links to) and
# SHA256SUMS, and that SHA256SUMS matches what it lists.
# Uncommitted changes are not in a clone, so they are not tested.
# Usage: tests/release/reproducible_test.sh [SCRATCH_FOLDER]
set -euo pipefail
# shellcheck source=../../scripts/lib/check.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/check.sh"

repo=$(git -C "$(dirname "$0")" rev-parse --show-toplevel)
if [ $# -ge 1 ]; then
  scratch=$1
  rm -rf "$scratch"
  mkdir -p "$scratch"
else
  scratch=$(mktemp -d "${TMPDIR:-/tmp}/quorvex-reproducible.XXXXXX")
fi
# Paths of different lengths, so a path that leaks also moves what follows it.
first=$scratch/a
second=$scratch/second-checkout/b
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-2}

started=$(date +%s)
commit=$(git -C "$repo" rev-parse --short HEAD)
echo "Reproducibility check of commit $commit in $scratch"
if [ -n "$(git -C "$repo" status --porcelain --untracked-files=no)" ]; then
  echo "note: the working tree has uncommitted changes; only the commit is built"
fi

# release_build CHECKOUT [ENV...]: clone HEAD and run the release workflow.
release_build() {
  local checkout=$1
  shift
  mkdir -p "$(dirname "$checkout")"
  git clone --quiet "$repo" "$checkout"
  if ! (cd "$checkout" && env "$@" cmake --workflow --preset release >"$checkout.log" 2>&1); then
    echo "FAIL: the release workflow failed in $checkout; its output is in $checkout.log" >&2
    tail -n 20 "$checkout.log" >&2
    exit 1
  fi
}

release_build "$first" TZ=UTC0
sleep 1
(umask 077 && release_build "$second" TZ=XST-14)

zip_name=$(cd "$first/dist" && ls -- *.zip)
compared=()
for file in "dist/$zip_name" "dist/$zip_name.sha256" dist/SHA256SUMS; do
  compared+=("$file")
done
while IFS= read -r exe; do
  compared+=("build/release/$exe")
done < <(cd "$first/build/release" && ls -- *.exe)

for file in "${compared[@]}"; do
  if [ ! -f "$first/$file" ] || [ ! -f "$second/$file" ]; then
    fail "$file is missing from one of the builds"
  elif ! cmp -s "$first/$file" "$second/$file"; then
    fail "$file differs: $(cmp "$first/$file" "$second/$file" 2>&1 | head -n 1)"
  fi
done

# What the zip holds, unpacked: every program built, the two documents, the
# pages beside the README and SHA256SUMS, and checksums that match the
# unpacked files and the build.
unpacked=$scratch/unpacked
mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "$first/dist/$zip_name")
folder=$unpacked/${zip_name%.zip}
expected=$( (cd "$first/build/release" && ls -- *.exe; printf '%s\n' README.md LICENSE SHA256SUMS
  git -C "$first" ls-files docs) |
  sed "s|^|${zip_name%.zip}/|" | sort)
found=$( (cd "$unpacked" && cmake -E tar tf "$first/dist/$zip_name") | sort)
if [ "$found" != "$expected" ]; then
  fail "the zip holds: $(tr '\n' ' ' <<<"$found"), not one folder with: $(tr '\n' ' ' <<<"$expected")"
fi
if [ -d "$folder" ]; then
  (cd "$folder" && sha256sum --check --quiet SHA256SUMS) || fail "SHA256SUMS does not match the files in the zip"
  cmp -s "$folder/SHA256SUMS" "$first/dist/SHA256SUMS" || fail "dist/SHA256SUMS is not the one in the zip"
  while IFS= read -r exe; do
    cmp -s "$folder/$exe" "$first/build/release/$exe" || fail "$exe in the zip is not the one built"
  done < <(cd "$first/build/release" && ls -- *.exe)
fi
(cd "$first/dist" && sha256sum --check --quiet "$zip_name.sha256") || fail "$zip_name.sha256 does not match the zip"

# What a bare Windows install needs of the .exe that ships.
bash "$(dirname "$0")/pe_image_test.sh" "$first/build/release/quorvex.exe" "$scratch/pe-image" ||
  fail "the shipped quorvex.exe is not the image a bare Windows install can run"

elapsed=$(($(date +%s) - started))
if ((problems > 0)); then
  echo "RELEASE CHECK FAILED: $problems problem(s) with commit $commit; both builds are kept in $scratch (${elapsed} s)" >&2
  exit 1
fi
echo "REPRODUCIBLE: ${#compared[@]} files byte-identical across the two builds of $commit:"
printf '  %s\n' "${compared[@]}"
echo "(${elapsed} s)"
if [ $# -eq 0 ]; then
  rm -rf "$scratch"
fi
