#!/usr/bin/env bash
# What a bare Windows install needs of quorvex.exe, read off the built image:
# a 64-bit console program that imports only system DLLs, carries no symbols,
# and embeds the manifest (as the process manifest, RT_MANIFEST 1) and the
# version resource. Run by the release check on the .exe that ships.
# Usage: pe_image_test.sh QUORVEX_EXE SCRATCH_FOLDER
set -euo pipefail
# shellcheck source=../../scripts/lib/check.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/check.sh"

exe=$1
scratch=$2
objdump=${QUORVEX_OBJDUMP:-x86_64-w64-mingw32-objdump}
rm -rf "$scratch"
mkdir -p "$scratch"

"$objdump" -p "$exe" >"$scratch/headers.txt"
"$objdump" -h "$exe" >"$scratch/sections.txt"

check_image_kind() {
  grep -q 'file format pei-x86-64' "$scratch/headers.txt" || fail "not a 64-bit PE image"
  grep -Eq '^Subsystem[[:space:]]+00000003' "$scratch/headers.txt" || fail "not a console program"
  local size
  size=$(wc -c <"$exe")
  ((size < 1024 * 1024)) || fail "quorvex.exe is $size bytes, 1 MiB or more"
}

# Statically linked: no libstdc++, libgcc or winpthread DLL beside the .exe.
check_imports() {
  local dll seen_kernel32=0
  local -a dlls
  mapfile -t dlls < <(sed -n 's/^[[:space:]]*DLL Name: //p' "$scratch/headers.txt")
  ((${#dlls[@]} > 0)) || fail "no import table found"
  for dll in "${dlls[@]}"; do
    case "${dll,,}" in
      kernel32.dll) seen_kernel32=1 ;;
      advapi32.dll | setupapi.dll | msvcrt.dll | ucrtbase.dll | api-ms-win-crt-*.dll) ;;
      *) fail "imports $dll, which a bare Windows install does not have" ;;
    esac
  done
  ((seen_kernel32)) || fail "does not import KERNEL32.dll"
}

check_stripped() {
  "$objdump" -t "$exe" >"$scratch/symbols.txt"
  if grep -q '^\[' "$scratch/symbols.txt"; then
    fail "the symbol table is still there"
  fi
  if grep -q '\.debug_' "$scratch/sections.txt"; then
    fail "debug sections are still there"
  fi
}

# Every resource leaf as "TYPE NAME ADDR SIZE" (ids and the address in hex, as
# objdump prints them), read from the resource directory rather than found by
# searching the bytes, so a manifest under the wrong id does not count.
resource_leaves() {
  awk '
    /^The \.rsrc Resource Directory section/ { on = 1; next }
    on && /Entry: ID:/ {
      match($0, /^[0-9a-f]+ +/); depth = RLENGTH; id = $4; sub(/,$/, "", id)
      if (!typeDepth || depth == typeDepth) { typeDepth = depth; type = id; name = "" }
      else if (!nameDepth || depth == nameDepth) { nameDepth = depth; name = id }
    }
    on && /Leaf: Addr:/ { addr = $4; size = $6; sub(/,$/, "", addr); sub(/,$/, "", size); print type, name, addr, size }
  ' "$scratch/headers.txt"
}

# resource_bytes TYPE NAME OUT: writes the data of resource TYPE/NAME to OUT.
resource_bytes() {
  local addr size base vma fileoff
  read -r addr size < <(resource_leaves | awk -v t="$1" -v n="$2" '$1 == t && $2 == n { print $3, $4; exit }')
  [[ -n "${addr:-}" ]] || return 1
  base=$(awk '$1 == "ImageBase" { print "0x" $2 }' "$scratch/headers.txt")
  read -r vma fileoff < <(awk '$2 == ".rsrc" { print "0x" $4, "0x" $6 }' "$scratch/sections.txt")
  dd if="$exe" of="$3" bs=4096 iflag=skip_bytes,count_bytes status=none \
     skip="$((addr - (vma - base) + fileoff))" count="$((size))"
}

# The bytes of TEXT in UTF-16LE, as od prints them: " 51 00 75 00 ...".
utf16_hex() {
  local text=$1 i
  for ((i = 0; i < ${#text}; i++)); do
    printf ' %02x 00' "'${text:i:1}"
  done
}

check_manifest() {
  local manifest=$scratch/manifest.xml
  if ! resource_bytes 0x000018 0x000001 "$manifest"; then
    fail "no RT_MANIFEST resource with id 1"
    return
  fi
  local -a wanted=(
    'requestedExecutionLevel level="asInvoker"'
    # Windows 10 and 11 share this id.
    'supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"'
    '<activeCodePage xmlns="http://schemas.microsoft.com/SMI/2019/WindowsSettings">UTF-8</activeCodePage>'
  )
  local text
  for text in "${wanted[@]}"; do
    grep -qF -- "$text" "$manifest" || fail "the embedded manifest lacks: $text"
  done
  # A second manifest (a linker's default one, say) would compete with ours.
  local count
  count=$(resource_leaves | awk '$1 == "0x000018"' | wc -l)
  ((count == 1)) || fail "$count manifest resources instead of one"
}

# A VERSIONINFO string: the key, NUL, padding to 32 bits, then the value.
version_string_hex() {
  local key=$1 value=$2 pad=""
  # The key starts 6 bytes into its 32-bit aligned block.
  ((${#key} % 2)) && pad=" 00 00"
  echo "$(utf16_hex "$key") 00 00$pad$(utf16_hex "$value") 00 00"
}

check_version() {
  local version=$scratch/version.bin
  if ! resource_bytes 0x000010 0x000001 "$version"; then
    fail "no RT_VERSION resource with id 1"
    return
  fi
  local hex
  hex=$(od -An -tx1 -v "$version" | tr -d '\n' | tr -s ' ')
  # VS_FIXEDFILEINFO: signature, structure version, file version 1.0.0.0,
  # product version 1.0.0.0.
  local fixed=' bd 04 ef fe 00 00 01 00 00 00 01 00 00 00 00 00 00 00 01 00 00 00 00 00'
  [[ "$hex" == *"$fixed"* ]] || fail "the fixed version is not 1.0.0.0"
  local pair key value
  for pair in "ProductName=Quorvex" "ProductVersion=1.0" "FileVersion=1.0"; do
    key=${pair%%=*} value=${pair#*=}
    [[ "$hex" == *"$(version_string_hex "$key" "$value")"* ]] ||
      fail "the version resource lacks $key \"$value\""
  done
}

check_image_kind
check_imports
check_stripped
check_manifest
check_version

if ((problems > 0)); then
  echo "--- $objdump -p $exe ---" >&2
  cat "$scratch/headers.txt" >&2
  exit 1
fi
echo "quorvex.exe: console PE32+, system DLLs only, stripped, manifest and version resource embedded."
