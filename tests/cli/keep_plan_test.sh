#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# tarnq-cli's keep rules and its plan before acting, run as a black box on a small library made
# here from the committed fixtures: one song as FLAC in Library and twice as MP3 in Downloads, an
# empty file and a file that is not audio.
set -u
cli="$1"
data="$2"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
export TARNQ_SETTINGS="$root/TARNQ.INI"
fail() { echo "FAIL: $*"; exit 1; }

lib="$root/m"
song="Same Band - Same Song"
setup() {
  rm -rf "$lib"
  mkdir -p "$lib/Library" "$lib/Downloads"
  cp "$data/same-song.flac" "$lib/Library/$song.flac"
  cp "$data/same-song.mp3" "$lib/Downloads/$song.mp3"
  cp "$data/same-song.mp3" "$lib/Downloads/$song (1).mp3"
  touch -d @1500000000 "$lib/Library/$song.flac"
  touch -d @1600000000 "$lib/Downloads/$song.mp3"
  touch -d @1700000000 "$lib/Downloads/$song (1).mp3"
  : > "$lib/Downloads/empty.mp3"
  echo "not music" > "$lib/Downloads/notes.txt"
}
find_dry() { "$cli" find --no-cache --sort path --delete --dry-run "$@" "$lib" 2>&1; }
would() { grep -c "^would delete " <<<"$1"; }

setup
# best: the FLAC stays whatever the order.
out=$(find_dry --keep best) || fail "best: status $?"
[ "$(would "$out")" -eq 2 ] && ! grep -q "would delete .*\.flac" <<<"$out" || fail "best: $out"
out=$(find_dry --reverse --keep=best) || fail "best reversed: status $?"
! grep -q "would delete .*\.flac" <<<"$out" || fail "best reversed: $out"

# newest and oldest by modification time.
out=$(find_dry --keep newest)
grep -q "would delete .*Library/$song.flac" <<<"$out" && ! grep -q "would delete .*(1).mp3" <<<"$out" ||
  fail "newest: $out"
out=$(find_dry --keep oldest)
! grep -q "would delete .*\.flac" <<<"$out" || fail "oldest: $out"

# --keep-in: one copy from Downloads (the rule picks the older), everything else selected.
out=$(find_dry --keep best --keep-in "$lib/Downloads")
grep -q "would delete .*Library/$song.flac" <<<"$out" && grep -q "would delete .*Downloads/$song (1).mp3" <<<"$out" &&
  [ "$(would "$out")" -eq 2 ] || fail "keep-in: $out"

# --select-in: only members in Downloads are selected, never the last copy.
out=$(find_dry --keep newest --select-in "$lib/Downloads")
[ "$(would "$out")" -eq 2 ] && ! grep -q "would delete .*\.flac" <<<"$out" || fail "select-in: $out"
out=$(find_dry --keep first --select-in "$lib/Library")
[ "$(would "$out")" -eq 1 ] && grep -q "would delete .*\.flac" <<<"$out" || fail "select-in library: $out"

# --protect keeps the copies in its folder; --prefer selects the copies in its folder.
out=$(find_dry --select-dupes --protect "$lib/Downloads")
[ "$(would "$out")" -eq 1 ] && grep -q "would delete .*\.flac" <<<"$out" || fail "protect: $out"
out=$(find_dry --keep oldest --prefer "$lib/Library")
grep -q "would delete .*\.flac" <<<"$out" || fail "prefer: $out"

# A folder that does not exist or holds nothing of the list is a warning; a bad rule is a usage error.
out=$(find_dry --keep best --keep-in "$lib/Nowhere" --select-in "$root")
grep -q "^tarnq-cli: warning: --keep-in $lib/Nowhere: " <<<"$out" || fail "missing folder warning: $out"
! grep -q "warning: --select-in" <<<"$out" || fail "searched folder warned about: $out"
"$cli" find --no-cache --keep biggest "$lib" >/dev/null 2>&1
[ $? -eq 2 ] || fail "unknown rule"

# Without a terminal, --yes is required, before anything is searched.
out=$("$cli" find --no-cache --keep best --trash "$lib" </dev/null 2>"$root/err")
[ $? -eq 2 ] && [ -z "$out" ] && grep -q "^tarnq-cli find: .*need --yes" "$root/err" || fail "--yes check: $out $(cat "$root/err")"

# With --yes the plan is printed first (paths, count, size), then the files are deleted.
out=$("$cli" find --no-cache --sort path --keep best --delete --yes "$lib" 2>"$root/err") || fail "delete: $(cat "$root/err")"
grep -q "^  $lib/Downloads/$song.mp3$" "$root/err" && grep -q "^Delete 2 files (0.01 MB)?$" "$root/err" ||
  fail "plan: $(cat "$root/err")"
grep -q "^2 file(s) deleted (0.01 MB), 0 failed$" <<<"$out" || fail "summary: $out"
[ -f "$lib/Library/$song.flac" ] && [ ! -e "$lib/Downloads/$song.mp3" ] || fail "wrong files deleted"
# --quiet leaves the plan out.
setup
"$cli" find --no-cache --keep best --delete --yes --quiet "$lib" >/dev/null 2>"$root/err" || fail "quiet delete"
! grep -q "Delete 2 files" "$root/err" || fail "plan printed with --quiet"

# --trash with nothing selected hints at the selection options.
setup
out=$("$cli" find --no-cache --trash --yes "$lib" 2>&1)
grep -q "nothing selected: nothing trashed (--select-dupes or --keep selects the duplicates)" <<<"$out" || fail "hint: $out"

# A listed member without audio (an empty or broken file whose name made it a member) is never
# the one kept while a playable copy is selected, whatever the rule.
setup
"$cli" find --no-cache --sort path --save "$root/list.tarnq" "$lib" >/dev/null 2>&1 || fail "save"
echo "broken" > "$lib/Downloads/$song (2).mp3"
{ printf '%s;1;7;32;;;;;;;;;;Same Song;Same Band;;;;;;\r\n' "$lib/Downloads/$song (2).mp3"
  cat "$root/list.tarnq"; } > "$root/broken.tarnq"
out=$("$cli" load --select-dupes --delete --dry-run "$root/broken.tarnq" 2>&1) || fail "broken: status"
grep -q "^  \[x\] $song (2).mp3" <<<"$out" && grep -q "^  \[ \] $song.mp3" <<<"$out" || fail "broken copy kept: $out"
# What the search passed over: one line of counts, each file with --verbose.
setup
ln -s "$lib/Library/$song.flac" "$lib/Downloads/link.flac"
"$cli" find --no-cache "$lib" >/dev/null 2>"$root/err" || fail "skipped: status $?"
grep -q "^tarnq-cli: skipped 3 files: 1 not audio, 1 empty, 1 link not followed$" "$root/err" || fail "skipped: $(cat "$root/err")"
"$cli" find --no-cache --verbose "$lib" >/dev/null 2>"$root/err"
grep -q "^tarnq-cli: skipped $lib/Downloads/empty.mp3: empty$" "$root/err" &&
  grep -q "^tarnq-cli: skipped $lib/Downloads/notes.txt: not audio$" "$root/err" || fail "verbose: $(cat "$root/err")"
"$cli" find --no-cache --quiet "$lib" >/dev/null 2>"$root/err"
[ ! -s "$root/err" ] || fail "quiet: $(cat "$root/err")"

# info: a file that only its name and type made recognisable has no audio, and says so.
echo "broken" > "$root/$song.mp3"
out=$("$cli" info "$root/$song.mp3" "$data/same-song.mp3")
grep -q "^  no audio found$" <<<"$out" && [ "$(grep -c "no audio found" <<<"$out")" -eq 1 ] || fail "info: $out"
"$cli" info --json "$root/$song.mp3" | grep -q '"ok":true,.*"audio":false}$' || fail "info json"
# Arguments as users type them: help COMMAND, --opt=value, load with find's list options and its
# Total line.
"$cli" help load | grep -q "^Usage: tarnq-cli load" || fail "help load"
"$cli" help nothing >/dev/null 2>&1; [ $? -eq 2 ] || fail "help of an unknown command"
setup
"$cli" find --no-cache --save="$root/list.tarnq" "$lib" >/dev/null 2>&1 || fail "save="
out=$("$cli" load --sort=name --reverse --keep best "$root/list.tarnq" 2>&1) || fail "load: $out"
grep -q "^Total 3 files, [0-9,]* bytes, 1 group, 2 selected, 0.01 MB to free$" <<<"$out" || fail "load total: $out"
[ "$(grep -o "^  \[.\] [^	]*" <<<"$out" | head -1)" = "  [ ] $song.flac" ] || fail "load sort: $out"
"$cli" load --sort colour "$root/list.tarnq" >/dev/null 2>&1; [ $? -eq 2 ] || fail "load bad sort"

# Output to read and to pipe: names cannot break the layout; --paths prints raw paths, refuses a
# newline unless -0.
setup
odd="$lib/Downloads/odd"$'\n'"name\\x.mp3"
cp "$data/same-song.mp3" "$odd"
out=$("$cli" find --no-cache --sort path --keep best "$lib" 2>/dev/null)
grep -q "^      Filename	.*	Size	Full path$" <<<"$out" || fail "header: $out"
grep -q "^Group 1: Same Band / Same Song, 4 files, 3 selected, 0.02 MB$" <<<"$out" || fail "group heading: $out"
grep -qF '[x] odd\x0Aname\\x.mp3	' <<<"$out" || fail "escaped name: $out"
"$cli" find --no-cache --keep best --paths "$lib" >/dev/null 2>"$root/err"
[ $? -eq 2 ] && grep -q "holds a newline; use -0" "$root/err" || fail "newline refused: $(cat "$root/err")"
[ "$("$cli" find --no-cache --keep best --paths -0 "$lib" 2>/dev/null | tr '\0' '#' | grep -o '#' | wc -l)" -eq 3 ] ||
  fail "-0"
rm "$odd"
[ "$("$cli" find --no-cache --keep best --paths "$lib" 2>/dev/null | wc -l)" -eq 2 ] || fail "--paths"
out=$("$cli" find --no-cache --keep best --paths --delete --yes "$lib" 2>/dev/null)
[ "$(wc -l <<<"$out")" -eq 2 ] && [ ! -e "$(head -1 <<<"$out")" ] || fail "--paths with an action: $out"
"$cli" find --no-cache -0 "$lib" >/dev/null 2>&1; [ $? -eq 2 ] || fail "-0 without --paths"
"$cli" find --no-cache --paths --json "$lib" >/dev/null 2>&1; [ $? -eq 2 ] || fail "--paths with --json"

# JSON values say what they mean.
out=$("$cli" info --json "$data/vbr-joint.mp3" "$data/same-song.flac")
grep -q '"format":"mpeg",.*"channels":2,"channelMode":"joint stereo",.*"bitrate":[1-9][0-9]*,"vbr":true,' <<<"$out" &&
  grep -q '"format":"flac",.*"channels":1,"channelMode":"mono",.*"vbr":false,' <<<"$out" || fail "json: $out"

# Exports: the extension picks the UTF-8 variant without a byte-order mark; names work as --format.
setup
"$cli" find --no-cache --export "$root/list.csv" "$lib" >/dev/null 2>&1 || fail "export csv"
head -c 9 "$root/list.csv" | grep -q "^Filename;" || fail "csv: $(head -c 20 "$root/list.csv" | od -c)"
"$cli" find --no-cache --export "$root/list.out" --format=txt-utf8 "$lib" >/dev/null 2>&1 || fail "export txt-utf8"
head -c 8 "$root/list.out" | grep -q "^Filename" || fail "txt-utf8"
"$cli" find --no-cache --export "$root/list.out" "$lib" >/dev/null 2>&1; [ $? -eq 2 ] || fail "export without a format"
"$cli" find --no-cache --export "$root/list.csv" --format 10 "$lib" >/dev/null 2>&1; [ $? -eq 2 ] || fail "format 10"

# Input is checked before the search: a bad filter item, missing folders.
"$cli" find --no-cache --filter '+*.mp3;dQ5' "$lib" >/dev/null 2>"$root/err"
[ $? -eq 2 ] && grep -q "^tarnq-cli find: --filter: item 'dQ5'" "$root/err" || fail "filter: $(cat "$root/err")"
"$cli" find --no-cache --verbose --filter '+*.flac' "$lib" 2>&1 >/dev/null | grep -q "^tarnq-cli find: filter in use: .*+\*.flac" ||
  fail "filter echo"
setup
"$cli" find --no-cache --keep best --copy-to "$root/copies" "$lib" >/dev/null 2>"$root/err" || fail "copy-to: $(cat "$root/err")"
grep -q "^tarnq-cli find: created the folder $root/copies$" "$root/err" && [ -f "$root/copies/$song.mp3" ] ||
  fail "copy-to folder: $(cat "$root/err")"
out=$("$cli" find --no-cache --keep best --move-to "$root/no/such" --yes "$lib" 2>"$root/err")
[ $? -eq 2 ] && [ -z "$out" ] && grep -q "^tarnq-cli find: --move-to $root/no/such: No such file or directory" "$root/err" ||
  fail "move-to: $(cat "$root/err")"

# --columns adds the group, the selection and the size to an export.
setup
"$cli" find --no-cache --sort path --keep best --export "$root/cols.csv" --columns +group,+selected,+size "$lib" >/dev/null 2>&1 ||
  fail "columns"
head -1 "$root/cols.csv" | grep -q ";Group;Selected" && grep -q ";1;x" "$root/cols.csv" || fail "columns: $(cat "$root/cols.csv")"
"$cli" find --no-cache --export "$root/cols.csv" --columns +colour "$lib" >/dev/null 2>&1; [ $? -eq 2 ] || fail "bad column"
"$cli" find --no-cache --columns +group "$lib" >/dev/null 2>&1; [ $? -eq 2 ] || fail "--columns without --export"

# Hostile option values are usage errors, never a silent default.
for args in "--move-to=" "--prefer=" "--keep-in=" "--cache=" "--artist=-5" "--title=99999999999" "--keep=" "--format=0"; do
  "$cli" find --no-cache "$args" "$lib" >/dev/null 2>&1; [ $? -eq 2 ] || fail "hostile value $args"
done

# find takes files as well as folders.
setup
out=$("$cli" find --no-cache --paths --keep best "$lib/Library/$song.flac" "$lib/Downloads/$song.mp3" 2>/dev/null)
[ "$out" = "$lib/Downloads/$song.mp3" ] || fail "files: $out"

# A closed or full standard output is a failure (status 1), not a crash.
"$cli" find --no-cache "$lib" >&- 2>/dev/null
[ $? -eq 1 ] || fail "closed output"
"$cli" find --no-cache --keep best --delete --yes "$lib" >/dev/full 2>/dev/null
[ $? -eq 1 ] || fail "full output"
# The question on a real terminal (a pseudo-terminal made by script(1)): "y" deletes the plan's
# files, anything else or the end of input does nothing.
if command -v script >/dev/null; then
  ask() { timeout 60 script -qec "$cli find --no-cache --quiet --keep best --delete '$lib'" /dev/null; }
  setup
  printf 'n\n' | ask > "$root/answer" 2>&1
  [ $? -eq 1 ] && grep -q "nothing done" "$root/answer" && [ -f "$lib/Downloads/$song.mp3" ] || fail "answer no: $(cat "$root/answer")"
  ask < /dev/null > "$root/answer" 2>&1
  [ $? -eq 1 ] && [ -f "$lib/Downloads/$song.mp3" ] || fail "end of input: $(cat "$root/answer")"
  printf 'y\n' | ask > "$root/answer" 2>&1
  [ $? -eq 0 ] && [ ! -e "$lib/Downloads/$song.mp3" ] && [ -f "$lib/Library/$song.flac" ] || fail "answer yes: $(cat "$root/answer")"
else
  echo "script(1) is missing: the terminal question is not tested"
fi
echo "all passed"
