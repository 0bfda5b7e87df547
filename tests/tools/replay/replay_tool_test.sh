#!/usr/bin/env bash
# The replay tool as a user meets it: exit code 2, a message on stderr and
# nothing on stdout for a call, a folder or a document it cannot use, the
# report and exit code 0 otherwise, the usage for --help.
set -u
# shellcheck source=../../../scripts/lib/check.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../../scripts/lib/check.sh"
replay=$(readlink -f "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

expect() {  # expect CODE STDERR-PATTERN -- ARGS...; an empty pattern wants nothing on stderr
  local want=$1 pattern=$2
  shift 3
  # A refusal comes at once; a tool that waits on a file is stopped and fails.
  timeout 20 "$replay" "$@" </dev/null >"$scratch/out" 2>"$scratch/err"
  local got=$?
  if [ "$got" -ne "$want" ] || { [ -n "$pattern" ] && ! grep -q -- "$pattern" "$scratch/err"; } ||
    { [ -z "$pattern" ] && [ -s "$scratch/err" ]; }; then
    fail "quorvex-replay $*: exit $got (want $want), stderr: $(cat "$scratch/err")"
  elif [ "$want" -eq 2 ] && [ -s "$scratch/out" ]; then
    fail "quorvex-replay $*: refused, yet wrote to stdout: $(head -c 200 "$scratch/out")"
  fi
}

expect 2 "usage" --
expect 2 "usage" -- a b
expect 2 "usage" -- --json
expect 2 "no option --jsn" -- --jsn "$scratch"
# A folder whose name begins with - is read only after --.
mkdir "$scratch/-x"
(cd "$scratch" && expect 2 "no option -x" -- -x)
(cd "$scratch" && "$replay" --json -- -x </dev/null | grep -q '"quorvex-identities"') ||
  fail "quorvex-replay --json -- -x did not read the folder -x"
for help in --help -h; do
  { "$replay" "$help" | grep -q -- "--json"; } || fail "quorvex-replay $help: no usage naming --json"
done
expect 2 "not-there" -- "$scratch/not-there"
mkdir "$scratch/bad-count"
printf 'x' >"$scratch/bad-count/PhysicalDrive0.bin"
printf '12 bytes' >"$scratch/bad-count/PhysicalDrive0.count"
expect 2 "PhysicalDrive0.count" -- "$scratch/bad-count"

# Files that are not regular ones once links are followed, or that no capture
# could be as large as, are refused before they are read.
special() {  # special NAME: a fresh folder holding only what the caller puts in it
  mkdir "$scratch/$1" && echo "$scratch/$1"
}
dir=$(special fifo-registry) && mkfifo "$dir/registry.reg"
expect 2 "registry.reg: a named pipe, not a regular file" -- "$dir"
dir=$(special zero-smbios) && ln -s /dev/zero "$dir/smbios.bin"
expect 2 "smbios.bin: a character device, not a regular file" -- "$dir"
dir=$(special folder-drive) && mkdir "$dir/PhysicalDrive0.bin"
expect 2 "PhysicalDrive0.bin: a folder, not a regular file" -- "$dir"
dir=$(special fifo-count) && printf 'x' >"$dir/PhysicalDrive1.bin" && mkfifo "$dir/PhysicalDrive1.count"
expect 2 "PhysicalDrive1.count: a named pipe" -- "$dir"
dir=$(special huge-dmi) && printf '_SM3_' >"$dir/smbios_entry_point"
truncate -s $((64 * 1024 * 1024 + 1)) "$dir/DMI"
expect 2 "DMI: larger than the 64 MiB" -- "$dir"
# A link to a regular file is read like the file itself.
dir=$(special linked-table) && printf '\0\3\4\0\0\0\0\0' >"$scratch/table.bin"
ln -s "$scratch/table.bin" "$dir/smbios.bin"
if ! timeout 20 "$replay" "$dir" </dev/null 2>"$scratch/err" | grep -q "SMBIOS size=0 bytes"; then
  fail "a linked smbios.bin is not replayed: $(cat "$scratch/err")"
fi

mkdir "$scratch/empty"
# With --keys and --diff, every capture is read before anything is written.
expect 2 "usage" -- --keys
expect 2 "usage" -- --diff "$scratch/empty"
expect 2 "usage" -- --keys --diff "$scratch/empty" "$scratch/empty"
expect 2 "not-there: cannot be read" -- --diff "$scratch/empty" "$scratch/not-there"
expect 2 "not-there: cannot be read" -- --keys "$scratch/empty" "$scratch/not-there"
printf 'PhysicalDrive0' >"$scratch/text.json"
expect 2 "text.json: not JSON" -- --keys "$scratch/empty" "$scratch/text.json"
printf '{"format":"quorvex-identities","version":3}' >"$scratch/v3.json"
expect 2 "v3.json: /version" -- --keys --json "$scratch/empty" "$scratch/v3.json"
# A field given twice is refused, even before its structure's kind says that it is one.
printf '%s' '{"format":"quorvex-identities","version":1,"nvidia":{"adaptersListed":true,"adapters":[]},
  "drives":[],"smbios":{"fetchFailed":false,"tableSize":0,"endOfTable":true,"structures":[
  {"vendor":"a","vendor":"b","kind":"bios","version":null,"releaseDate":null}]}}' >"$scratch/twice.json"
expect 2 'twice.json: /smbios/structures/0: "vendor" named twice' -- --keys "$scratch/twice.json"
expect 2 "fifo-registry/registry.reg: a named pipe" -- --keys "$scratch/empty" "$scratch/fifo-registry"
mkfifo "$scratch/pipe.json"
expect 2 "pipe.json: a named pipe" -- --keys "$scratch/empty" "$scratch/pipe.json"
"$replay" --json "$scratch/empty" >"$scratch/doc.json" </dev/null
# --fingerprint, --match and --new-key: the key is checked before a capture is read, an option
# that does not fit the mode is refused, and --match's status is its verdict.
"$replay" --new-key "$scratch/key" </dev/null || fail "quorvex-replay --new-key exited with $?"
expect 2 "key: already exists; a new key never replaces a file" -- --new-key "$scratch/key"
head -c 31 "$scratch/key" >"$scratch/short-key"
expect 2 "short-key: only 31 bytes; a key needs at least 32" -- --fingerprint --key "$scratch/short-key" "$scratch/empty"
expect 2 "usage" -- --fingerprint "$scratch/empty"
expect 2 "usage" -- --fingerprint --json --key "$scratch/key" "$scratch/empty"
expect 2 "usage" -- --match --key "$scratch/key" "$scratch/empty"
expect 2 "usage" -- --keys --key "$scratch/key" "$scratch/empty"
component() { printf '{"kind":"drive-serial","tag":"%s"}' "$(printf "%032d" "$1")"; }
printf '{"format":"quorvex-fingerprint","version":1,"components":[%s,%s,%s]}\n' "$(component 1)" \
  "$(component 2)" "$(component 3)" >"$scratch/enrolled.fp"
printf '{"format":"quorvex-fingerprint","version":1,"components":[%s,%s]}\n' "$(component 1)" "$(component 4)" \
  >"$scratch/other.fp"
expect 0 "" -- --match "$scratch/enrolled.fp" "$scratch/enrolled.fp"
expect 1 "" -- --match "$scratch/enrolled.fp" "$scratch/other.fp"
grep -qx "different machines: 1 of the 4 distinct components match; .*" "$scratch/out" ||
  fail "--match of two machines sharing one component says: $(cat "$scratch/out")"
expect 2 "doc.json: /format: not \"quorvex-fingerprint\"" -- --match "$scratch/enrolled.fp" "$scratch/doc.json"

# Every mode but the text report fails when its output cannot be written.
for call in "--json $scratch/empty" "--keys $scratch/empty" "--keys --json $scratch/doc.json" \
  "--diff $scratch/empty $scratch/doc.json" "--fingerprint --key $scratch/key $scratch/empty" \
  "--match $scratch/enrolled.fp $scratch/enrolled.fp"; do
  # shellcheck disable=SC2086 # the call's words
  timeout 20 "$replay" $call </dev/null >/dev/full 2>"$scratch/err"
  got=$?
  if [ "$got" -ne 2 ] || ! grep -q "standard output could not be written" "$scratch/err"; then
    fail "quorvex-replay $call >/dev/full: exit $got, stderr: $(cat "$scratch/err")"
  fi
done

# --from: a capture a line, CR LF or LF, empty lines skipped, after the arguments;
# the same file named again is read once.
printf '%s\r\n\n%s\n' "$scratch/empty" "$scratch/doc.json" >"$scratch/list"
ln -s doc.json "$scratch/again.json"
"$replay" --keys --json --from "$scratch/list" "$scratch/again.json" </dev/null >"$scratch/out" 2>"$scratch/err"
names=$(grep -o '"capture":"[^"]*"' "$scratch/out" | tr '\n' ' ')
if [ "$names" != "\"capture\":\"$scratch/again.json\" \"capture\":\"$scratch/empty\" " ] ||
  ! grep -q "note: $scratch/doc.json is $scratch/again.json again; it is read once" "$scratch/err"; then
  fail "--keys --from: captures $names; stderr: $(cat "$scratch/err")"
fi
"$replay" --keys --from - </dev/null <"$scratch/list" >"$scratch/out" 2>&1 ||
  fail "--keys --from - did not read the list from standard input: $(cat "$scratch/out")"
printf '%s\n' "$scratch/empty" "$scratch/not-there" >"$scratch/bad-list"
expect 2 "not-there: cannot be read" -- --keys --from "$scratch/bad-list"
expect 2 "no-list: cannot be read" -- --keys --from "$scratch/no-list"
: >"$scratch/no-names"
expect 2 "no-names: names no capture" -- --keys --from "$scratch/no-names"
expect 2 "usage" -- --diff --from "$scratch/list" "$scratch/empty" "$scratch/empty"

# Messages show what they quote: a name's controls as pictures, a pointer as RFC 6901 escapes it.
printf '{"format":"quorvex-identities","a/b~c":[[[[[[[[[[[[[[[[0]]]]]]]]]]]]]]]]}' >"$scratch/deep"$'\e]0;T\a'.json
expect 2 'deep␛]0;T␇.json: /a~1b~0c/0/0/0/0/0/0/0/0/0/0/0/0/0/0/0: nested deeper' -- --keys "$scratch/deep"*.json
if grep -q $'[\e\a]' "$scratch/err"; then fail "a refusal wrote a control to standard error: $(cat -v "$scratch/err")"; fi

"$replay" "$scratch/empty" </dev/null >"$scratch/out" 2>"$scratch/err"
code=$?
if [ "$code" -ne 0 ] || [ -s "$scratch/err" ]; then
  fail "empty folder: exit $code, stderr: $(cat "$scratch/err")"
fi
if [ "$(tail -c 31 "$scratch/out")" != "[TAMBRO] Press Enter to exit..." ]; then
  fail "empty folder: the report does not end with the prompt"
fi

# A drive whose serial number erases the line: a file gets the exact bytes,
# a terminal (a pseudo-terminal made by script) the control shown as a picture.
mkdir "$scratch/erasing"
{
  head -c 24 /dev/zero
  printf '\x28\x00\x00\x00'
  head -c 12 /dev/zero
  printf 'S1\x1b[2KS2\x00'
} >"$scratch/erasing/PhysicalDrive0.bin"
line='[TAMBRO] [DiskStorage] [0] SerialNumber: S1'
"$replay" "$scratch/erasing" </dev/null >"$scratch/out" 2>&1
if ! grep -qxF "$line"$'\x1b''[2KS2' "$scratch/out"; then
  fail "redirected replay does not hold the serial number's exact bytes"
fi
script -qec "'$replay' '$scratch/erasing' </dev/null" /dev/null </dev/null >"$scratch/tty" 2>&1
if ! grep -qF "$line␛[2KS2" "$scratch/tty" || grep -qF $'\x1b' "$scratch/tty"; then
  fail "replay on a terminal does not show the serial number's control; got: $(grep -a SerialNumber "$scratch/tty" | cat -v)"
fi
script -qec "'$replay' --keys '$scratch/erasing' '$scratch/erasing'" /dev/null </dev/null >"$scratch/tty" 2>&1
if ! grep -qF "S1␛[2KS2" "$scratch/tty" || grep -qF $'\x1b' "$scratch/tty"; then
  fail "--keys on a terminal does not show the serial number's control; got: $(cat -v "$scratch/tty")"
fi

check_finish "replay tool: all checks"
