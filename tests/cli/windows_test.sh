#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# tarnq-cli.exe under Wine as a black box: the same groups and the same file information as the
# Linux tarnq-cli on one fixture library, the missing play command, errors and deletion.
# Usage: windows_test.sh TARNQ-CLI.EXE LINUX-TARNQ-CLI DATA-FOLDER   (Wine's environment set by the caller)
set -uo pipefail
exe=$(realpath "$1")
linux=$(realpath "$2")
data=$(realpath "$3")
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
winpath() { printf 'Z:%s' "${1//\//\\}"; }
win() { wine "$exe" "$@" 2>&1 | tr -d '\r'; return "${PIPESTATUS[0]}"; }

d=$(mktemp -d)
trap 'rm -rf "$d"' EXIT
# No two names differ only in letter case: Windows would take them for one file.
mkdir -p "$d/lib/a" "$d/lib/b/deep" "$d/lib/ab" "$d/lib/songs" "$d/lib/other"
cp "$data/cbr-stereo.mp3" "$d/lib/a/one.mp3"
cp "$data/cbr-stereo.mp3" "$d/lib/b/deep/two.mp3"
cp "$data/tagged.flac" "$d/lib/ab/x.flac"
cp "$data/same-song.mp3" "$d/lib/songs/same-song.mp3"
cp "$data/same-song.flac" "$d/lib/songs/same-song.flac"
cp "$data/same-song-aac.m4a" "$d/lib/other/same-song-aac.m4a"
cp "$data/tagged.ogg" "$d/lib/other/tagged.ogg"
echo hi >"$d/lib/a/notes.txt"
export TARNQ_SETTINGS=/nonexistent/settings.ini LC_ALL=C.UTF-8

# group number and path below the library, one line per file, sorted
groups_of() {  # groups_of PREFIX-TO-STRIP
  sed -n 's/^{"group":\([0-9]*\),"path":"\([^"]*\)".*/\1 \2/p' | sed 's/\\\\/\//g' |
    awk -v p="$1" '{ sub(p, "", $2); print }' | sort
}
"$linux" find --no-cache --json --sort path "$d/lib" 2>/dev/null | groups_of "$d/lib/" >"$d/linux.groups"
TARNQ_SETTINGS='Z:\nonexistent\settings.ini' win find --no-cache --json --sort path "$(winpath "$d/lib")" |
  groups_of "Z:$d/lib/" >"$d/windows.groups"
[ "$(cut -d' ' -f1 "$d/linux.groups" | sort -u | wc -l)" -ge 2 ] || fail "the Linux run found fewer than 2 groups: $(cat "$d/linux.groups")"
diff -u "$d/linux.groups" "$d/windows.groups" >"$d/groups.diff" || fail "groups differ from Linux: $(cat "$d/groups.diff")"

# The same properties and tags for every fixture type (paths left out).
files=(cbr-stereo.mp3 tagged.flac tagged.ogg tagged.m4a tagged.wma vbr-joint.mp3 layer2.mp2 opus-only.ogg)
strip() { sed 's/"path":"[^"]*",//'; }
linux_info=$(cd "$data" && "$linux" info --json "${files[@]}" 2>&1 | strip)
windows_info=$(cd "$data" && win info --json "${files[@]}" | strip)
[ "$linux_info" = "$windows_info" ] || fail "info differs from Linux: $(diff <(echo "$linux_info") <(echo "$windows_info"))"

# No play: the help says so, and the command is a usage error.
help=$(win --help)
grep -q "no 'play': this build has no player" <<<"$help" || fail "help does not say there is no play: $help"
grep -q '^  play ' <<<"$help" && fail "help lists play"
out=$(win play "$(winpath "$d/lib/a/one.mp3")"); status=$?
[ "$status" = 2 ] && grep -q "'play' is not available" <<<"$out" || fail "play gave status $status: $out"

# A missing folder: the path as given and the system's words for error 3, status 1.
out=$(win find --no-cache 'Z:\nonexistent\music'); status=$?
[ "$status" = 1 ] && grep -qE '^tarnq-cli: Z:\\nonexistent\\music: [A-Z].*[^ ]$' <<<"$out" ||
  fail "missing folder gave status $status: $out"

# Deleting the duplicates keeps the first of each group (by path) and removes the rest.
out=$(win find --no-cache --sort path --select-dupes --delete --yes "$(winpath "$d/lib")"); status=$?
[ "$status" = 0 ] || fail "delete gave status $status: $out"
[ -e "$d/lib/a/one.mp3" ] && [ ! -e "$d/lib/b/deep/two.mp3" ] || fail "delete did not keep one.mp3 and remove two.mp3: $out"
[ -e "$d/lib/a/notes.txt" ] && [ -e "$d/lib/ab/x.flac" ] || fail "delete touched files outside the groups"

if [ "$failures" -eq 0 ]; then echo "all passed"; else echo "$failures failed"; exit 1; fi
