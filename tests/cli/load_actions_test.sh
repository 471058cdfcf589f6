#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# tarnq-cli load with the list actions, run as a black box on files made here.
set -u
cli="$1"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
export TARNQ_SETTINGS="$root/TARNQ.INI"
fail() { echo "FAIL: $*"; exit 1; }

# FILETIME of a file whose time was set to whole seconds.
stamp=1400000000
filetime=$((stamp * 10000000 + 116444736000000000))
make_file() {  # path content
  mkdir -p "$(dirname "$1")"
  printf '%s' "$2" > "$1"
  touch -d "@$stamp" "$1"
}
row() {  # path group
  printf '%s;%s;%s;32;%s;;;;2;44100;128;200;;Song;Band;;;;;;\r\n' "$1" "$2" "$(stat -c %s "$1")" "$filetime"
}
setup() {
  rm -rf "$root/m"
  make_file "$root/m/old/x.mp3" "x1"
  make_file "$root/m/new/x.mp3" "x2"
  make_file "$root/m/old/y.mp3" "y1"
  make_file "$root/m/keep/y.mp3" "y2"
  make_file "$root/m/old/-rf \\ odd.mp3" "z1"
  make_file "$root/m/new/z.mp3" "z2"
  { row "$root/m/old/x.mp3" 1; row "$root/m/new/x.mp3" 1
    row "$root/m/old/y.mp3" 2; row "$root/m/keep/y.mp3" 2
    row "$root/m/old/-rf \\ odd.mp3" 3; row "$root/m/new/z.mp3" 3; } > "$root/list.tarnq"
}

# Dry run: says what it would do, touches nothing.
setup
out=$("$cli" load --select-dupes --prefer "$root/m/old" --protect "$root/m/keep" --delete --dry-run "$root/list.tarnq") ||
  fail "dry run status $?"
grep -q "would delete $root/m/old/x.mp3" <<<"$out" || fail "dry run: $out"
grep -q "would delete $root/m/old/y.mp3" <<<"$out" || fail "dry run y: $out"
grep -q "would delete $root/m/old/-rf" <<<"$out" || fail "dry run odd name: $out"
[ -f "$root/m/old/x.mp3" ] || fail "dry run deleted a file"

# Without a terminal and without --yes nothing happens.
"$cli" load --select-dupes --delete "$root/list.tarnq" </dev/null >/dev/null 2>&1
[ $? -eq 2 ] || fail "missing --yes must be a usage error"
[ -f "$root/m/new/x.mp3" ] || fail "deleted without --yes"

# Delete with preferred and protected folders; the JSON rows carry "selected".
out=$("$cli" load --select-dupes --prefer "$root/m/old" --protect "$root/m/keep" --delete --yes --json \
      --save "$root/after.tarnq" --export "$root/after.csv" --format 3 "$root/list.tarnq" 2>"$root/err") ||
  fail "delete status $? $(cat "$root/err")"
[ ! -e "$root/m/old/x.mp3" ] && [ ! -e "$root/m/old/y.mp3" ] && [ ! -e "$root/m/old/-rf \\ odd.mp3" ] ||
  fail "selected files left"
[ -f "$root/m/new/x.mp3" ] && [ -f "$root/m/keep/y.mp3" ] && [ -f "$root/m/new/z.mp3" ] || fail "kept file gone"
[ "$(grep -c '"selected":false' <<<"$out")" -eq 3 ] || fail "json rows: $out"
grep -q "deleted $root/m/old/x.mp3" "$root/err" || fail "no report of the deletion"
[ "$(wc -l < "$root/after.tarnq")" -eq 3 ] || fail "saved list"
head -1 "$root/after.csv" | grep -q '^Filename;Path;Artist;Title' || fail "csv header: $(head -1 "$root/after.csv")"

# A file that changed since the list was made is refused and its row kept; the status is 1.
setup
printf 'more' >> "$root/m/new/x.mp3"
out=$("$cli" load --select-dupes --wipe --yes "$root/list.tarnq" 2>"$root/err")
[ $? -eq 1 ] || fail "changed file: status"
grep -q "failed: $root/m/new/x.mp3: The file has changed" "$root/err" || fail "changed file: $(cat "$root/err")"
[ -f "$root/m/new/x.mp3" ] || fail "changed file was wiped"
[ ! -e "$root/m/keep/y.mp3" ] || fail "unchanged duplicate not wiped"
grep -qP "^  x.mp3\t$root/m/new\t" <<<"$out" || fail "row of the failed file: $out"

# Move across file systems when /dev/shm is another one.
setup
if [ -w /dev/shm ] && [ "$(stat -c %d /dev/shm)" != "$(stat -c %d "$root")" ]; then
  target=/dev/shm/tarnq-cli-move-$$
  rm -rf "$target"
  "$cli" load --select-dupes --move-to "$target" --yes "$root/list.tarnq" >/dev/null 2>&1 || fail "move status"
  [ -f "$target/x.mp3" ] && [ ! -e "$root/m/new/x.mp3" ] && [ -f "$root/m/old/x.mp3" ] || fail "move"
  grep -q "^1=$target" "$TARNQ_SETTINGS" || fail "copy history: $(cat "$TARNQ_SETTINGS")"
  rm -rf "$target"
fi

# The kept copy is gone since the list was saved: the selected copy is the last one and stays.
setup
rm "$root/m/old/x.mp3"
"$cli" load --select-dupes --delete --yes "$root/list.tarnq" >"$root/out" 2>"$root/err"
[ $? -eq 1 ] || fail "last copy: status"
grep -q "failed: $root/m/new/x.mp3: No other copy" "$root/err" || fail "last copy: $(cat "$root/err")"
[ -f "$root/m/new/x.mp3" ] || fail "the last copy was deleted"
[ ! -e "$root/m/keep/y.mp3" ] || fail "a duplicate with its kept copy was not deleted"

# A copy that fails keeps its file from the delete that follows (here every target name is taken
# by a folder, so no copy can be made).
setup
mkdir -p "$root/blocked/x.mp3" "$root/blocked/y.mp3" "$root/blocked/z.mp3" "$root/blocked/-rf \\ odd.mp3"
"$cli" load --select-dupes --copy-to "$root/blocked" --delete --yes "$root/list.tarnq" >/dev/null 2>"$root/err"
[ $? -eq 1 ] || fail "failed copy: status"
# A target that is not a folder at all is refused before anything is done.
printf 'not a folder' > "$root/notafolder"
"$cli" load --select-dupes --copy-to "$root/notafolder" --delete --yes "$root/list.tarnq" >/dev/null 2>&1
[ $? -eq 2 ] || fail "copy target that is a file: status"
[ -f "$root/m/new/x.mp3" ] && [ -f "$root/m/keep/y.mp3" ] || fail "a file whose copy failed was deleted"
grep -q "Its copy did not succeed" "$root/err" || fail "failed copy: $(cat "$root/err")"

# Save and export never replace what is not a regular file; "--export -" writes to standard output.
setup
mkfifo "$root/fifo"
timeout 10 "$cli" load --save "$root/fifo" "$root/list.tarnq" >/dev/null 2>&1
[ $? -eq 1 ] && [ -p "$root/fifo" ] || fail "save over a FIFO"
timeout 10 "$cli" load --export "$root/fifo" --format 3 "$root/list.tarnq" >/dev/null 2>&1
[ $? -eq 1 ] && [ -p "$root/fifo" ] || fail "export over a FIFO"
out=$("$cli" load --export - --format 3 "$root/list.tarnq" 2>/dev/null) || fail "export to stdout: status"
head -1 <<<"$out" | grep -q 'Filename;Path;Artist;Title' || fail "export to stdout: $out"
! grep -q "Group 1" <<<"$out" || fail "the list printed with the export: $out"

# A relative or Windows path in the file is skipped and reported; the rest loads (exit status 0).
printf 'relative/x.mp3;1\r\nC:\\Music\\y.mp3;1\r\n' >> "$root/list.tarnq"
"$cli" load "$root/list.tarnq" >/dev/null 2>"$root/err"
[ $? -eq 0 ] && grep -q "skipped 2 line" "$root/err" || fail "relative path: $(cat "$root/err")"
"$cli" load "$root/missing.tarnq" >/dev/null 2>&1
[ $? -eq 1 ] || fail "missing file"
echo "all passed"
