#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end speed, memory and accuracy of `tarnq-cli find` on a corpus of ../shared/bench,
# side by side with the lower-bound program:
#   bench/find_bench.sh CORPUS_DIR [BUILD_DIR]
# Needs hyperfine, /usr/bin/time and the shared bench folder (SHARED_BENCH, default
# /work/shared/bench). Build a release first:
#   cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release && cmake --build build-release
set -euo pipefail
corpus=$(realpath "$1")
build=$(realpath "${2:-build-release}")
shared=${SHARED_BENCH:-/work/shared/bench}
cli="$build/cli/tarnq-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
gcc -O2 -o "$work/lowerbound" "$shared/lowerbound.c"
settings="$work/settings.ini"
: > "$settings"
export TARNQ_SETTINGS="$settings" LC_ALL=${LC_ALL:-C.UTF-8}
cache="$work/cache"

echo "== speed (warm page cache) =="
hyperfine -w 1 -r "${RUNS:-5}" -N \
  "$work/lowerbound -s $corpus" \
  "$work/lowerbound $corpus" \
  "$cli find --quiet --no-cache --json $corpus" \
  --export-markdown "$work/speed.md" >/dev/null
cat "$work/speed.md"
# The cache: the first run writes it (cold), later runs read it (warm).
hyperfine -r "${RUNS:-5}" -N --prepare "rm -f $cache" "$cli find --quiet --cache $cache --json $corpus" \
  --export-markdown "$work/cold.md" >/dev/null
"$cli" find --quiet --cache "$cache" --json "$corpus" >/dev/null
hyperfine -w 1 -r "${RUNS:-5}" -N "$cli find --quiet --cache $cache --json $corpus" \
  --export-markdown "$work/warm.md" >/dev/null
tail -n 1 "$work/cold.md" | sed 's/^/cold cache /'
tail -n 1 "$work/warm.md" | sed 's/^/warm cache /'

echo "== peak memory =="
for mode in "--no-cache" "--cache $cache"; do
  /usr/bin/time -f "find $mode: %M KiB peak, %e s" "$cli" find --quiet $mode --json "$corpus" >/dev/null
done

echo "== accuracy =="
for mode in "" "--similar --artist 80 --title 80"; do
  "$cli" find --quiet --no-cache --json $mode "$corpus" > "$work/rows.jsonl"
  python3 "$(dirname "$0")/groups_from_jsonl.py" "$corpus" < "$work/rows.jsonl" > "$work/groups.json"
  echo "find ${mode:-(exact)}:"
  /usr/bin/python3 "$shared/compare_groups.py" "$corpus" "$work/groups.json"
done
