#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Rendering speed of `tarnq-cli play --output` per format, side by side with ffmpeg's own decode of
# the same file:
#   bench/player_render.sh [BUILD_DIR] [SECONDS]
# Makes a file of SECONDS (default 300) per format with ffmpeg in a temporary folder, then times
#   tarnq-cli play F --output X.wav      against      ffmpeg -i F -f s16le -y /dev/null
# best of 3 each, and prints the ratio (ffmpeg's time / ours: 1.0 = as fast, above = faster).
# Formats whose slot is not there yet print a note instead of a time.
set -uo pipefail
build=$(realpath "${1:-build}")
seconds=${2:-300}
cli="$build/cli/tarnq-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A music-like signal: two sweeping tones and a little noise, stereo, 44.1 kHz.
ffmpeg -v error -y -f lavfi \
  -i "aevalsrc=0.4*sin(2*PI*(220+110*sin(t/7))*t)+0.05*(random(0)-0.5)|0.3*sin(2*PI*(330+80*sin(t/5))*t)+0.05*(random(1)-0.5):s=44100:d=$seconds" \
  -c:a pcm_s16le "$work/source.wav"

# EXTENSION ENCODER_OPTIONS... (one line per format; add new formats here)
formats=(
  "mp3 -c:a libmp3lame -b:a 192k"
  "ogg -c:a libvorbis -q:a 5"
  "flac -c:a flac"
  "wav -c:a pcm_s16le"
  "m4a -c:a aac -b:a 192k"
  "wma -c:a wmav2 -b:a 192k"
)

# best_of3 COMMAND...: the shortest wall time of three runs in seconds, or "fail".
best_of3() {
  local best="" t
  for _ in 1 2 3; do
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || { echo fail; return; }
    end=$(date +%s.%N)
    t=$(echo "$end - $start" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
  done
  printf '%.3f' "$best"
}

printf '%-6s %10s %10s %8s\n' format "ours (s)" "ffmpeg (s)" ratio
for entry in "${formats[@]}"; do
  read -r ext options <<<"$entry"
  file="$work/render.$ext"
  # shellcheck disable=SC2086
  ffmpeg -v error -y -i "$work/source.wav" $options "$file"
  ours=$(best_of3 "$cli" play "$file" --output "$work/out.wav")
  theirs=$(best_of3 ffmpeg -v error -i "$file" -f s16le -y /dev/null)
  if [ "$ours" = fail ]; then
    printf '%-6s %10s %10s %8s\n' "$ext" "no slot" "$theirs" "-"
  else
    printf '%-6s %10s %10s %8.2f\n' "$ext" "$ours" "$theirs" "$(echo "$theirs / $ours" | bc -l)"
  fi
done
