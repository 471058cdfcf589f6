#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# tarnq-cli find under a low address-space limit (ulimit -v): whatever runs out, the process ends
# with a status of its own (0, or 1 for an incomplete run), never killed by a signal.
# Arguments: the program, the fixture folder, and ON when built with the sanitizers.
set -u
cli="$1"
data="$2"
if [ "${3:-OFF}" = "ON" ]; then
  echo "skipped: the sanitizers reserve more address space than any useful limit"
  exit 0
fi
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
export TARNQ_SETTINGS="$root/none.ini"
fail() { echo "FAIL: $*"; exit 1; }
for folder in a b; do
  mkdir -p "$root/lib/$folder"
  cp "$data"/*.ogg "$data"/*.flac "$data"/*.mp3 "$root/lib/$folder/"
done

# Two limits (KiB) found here, as they depend on this system's libraries: the lowest at which the
# program starts at all (below it the loader or a library's start-up code gives up, before any
# code of ours runs), and the lowest at which a whole search runs.
lowest() {  # step, command...
  local step=$1 kb
  shift
  for ((kb = 16384; kb <= 1048576; kb += step)); do
    if (ulimit -v "$kb"; "$@" >/dev/null 2>&1); then echo "$kb"; return; fi
  done
}
loads=$(lowest 256 "$cli" --version 2>/dev/null)
[ -n "$loads" ] || fail "no limit up to 1 GiB lets the program start"
start=$(lowest 4096 "$cli" find --no-cache "$root/lib" 2>/dev/null)
[ -n "$start" ] || fail "no limit up to 1 GiB lets the search run"
# From a little above the first (the address-space layout varies from run to run) to a little
# above the second, in small steps, so that the memory runs out at many places of the run.
for ((kb = loads + 1024; kb <= start + 16384; kb += 256)); do
  (ulimit -v "$kb"; exec "$cli" find --no-cache "$root/lib" >/dev/null 2>"$root/err")
  status=$?
  if [ "$status" -ge 128 ]; then fail "limit $kb KiB: status $status: $(head -c 300 "$root/err")"; fi
  if [ "$kb" -ge "$start" ] && [ "$status" -gt 1 ]; then fail "limit $kb KiB: status $status"; fi
done
echo "all passed (the program starts with $loads KiB, a search runs with $start KiB)"
