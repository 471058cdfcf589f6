#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What `tarnq-cli play --output` writes against ffmpeg's decode of the same file: the whole file,
# and from a start point. Usage: reference_test.sh TARNQ_CLI PCM_COMPARE DATA_DIR
set -u
cli=$1 compare=$2 data=$3
if ! command -v ffmpeg >/dev/null 2>&1; then
  echo "SKIPPED: ffmpeg is not installed (scripts/setup installs it)"
  exit 77
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0

# ffmpeg's decode as raw 16-bit PCM: reference FILE OUT [output options...]. A start given as an
# output option makes ffmpeg decode from the beginning and drop what comes before it, which is
# exact; its input seek is not for VBR MPEG files without an index.
reference() {
  local file=$1 out=$2
  shift 2
  ffmpeg -v error -y -i "$file" "$@" -f s16le -acodec pcm_s16le "$out"
}

# check NAME MIN_SNR OURS.wav REF.raw [pcm_compare options...]
check() {
  local name=$1 min=$2 ours=$3 ref=$4
  shift 4
  local line
  line=$("$compare" "$ours" "$ref" --min-snr "$min" "$@")
  local status=$?
  if [ $status -eq 0 ]; then
    echo "ok   $name: $line"
  else
    echo "FAIL $name (want SNR >= $min dB within one MPEG frame): $line"
    failures=$((failures + 1))
  fi
}

# The committed fixtures, decoded whole: FILE MIN_SNR. Lossless paths must be bit exact (SNR
# "inf"; 90 dB is the floor); MPEG audio is decoded by libmpg123 against ffmpeg's own decoder, and
# Vorbis by libvorbis against ffmpeg's, so both differ in the last bit of some samples.
# AAC and WMA are decoded by ffmpeg's own decoders on both sides (through libavcodec); ALAC is
# lossless. ffmpeg also hands out the AAC encoder's padding after the end the MP4 file states; the
# comparison covers the frames both have.
fixtures=(
  "cbr-stereo.mp3 60"
  "vbr-joint.mp3 60"
  "mono.mp3 60"
  "mpeg2-mono.mp3 60"
  "layer2.mp2 60"
  "vbr-lowrate.mp3 60"
  "tagged.ogg 60"
  "described.ogg 60"
  "tagged.flac 90"
  "same-song.flac 90"
  "alac.m4a 90"
  "same-song-alac.m4a 90"
  "same-song-aac.m4a 60"
  "tagged.m4a 60"
  "tagged.wma 60"
  "lowrate.wma 60"
)
for entry in "${fixtures[@]}"; do
  read -r file min <<<"$entry"
  if ! "$cli" play "$data/$file" --output "$tmp/ours.wav"; then
    echo "FAIL $file: tarnq-cli play failed"
    failures=$((failures + 1))
    continue
  fi
  reference "$data/$file" "$tmp/ref.raw"
  check "$file" "$min" "$tmp/ours.wav" "$tmp/ref.raw"
done

# Files made here from a sweep (no period for a wrong alignment to hide in), started part-way:
# EXTENSION MIN_SNR ENCODER_OPTIONS... The first 4 frames of 1152 samples are left out of the
# comparison (room for a decoder that settles after a jump); the alignment must be within one
# MPEG frame.
sweeps=(
  "wav 90 -c:a pcm_s16le"
  "flac 90 -c:a flac"
  "ogg 60 -c:a libvorbis -q:a 3"
  "mp3 60 -c:a libmp3lame -b:a 128k"
  "mp3 60 -c:a libmp3lame -q:a 4"
  "mp2 60 -c:a mp2 -b:a 192k"
  "m4a 90 -c:a alac"
  "m4a 60 -c:a aac -b:a 128k"
)
ffmpeg -v error -y -f lavfi \
  -i "aevalsrc=0.5*sin(2*PI*(100*t+40*t*t))|0.4*sin(2*PI*(300*t+25*t*t)):s=44100:d=12" "$tmp/sweep.wav"
n=0
for entry in "${sweeps[@]}"; do
  read -r ext min options <<<"$entry"
  n=$((n + 1))
  file="$tmp/sweep$n.$ext"
  # shellcheck disable=SC2086
  ffmpeg -v error -y -i "$tmp/sweep.wav" $options "$file"
  for start in 3.3 8.05; do
    if ! "$cli" play "$file" --start "$start" --seconds 2 --output "$tmp/ours.wav"; then
      echo "FAIL $ext ($options) from $start s: tarnq-cli play failed"
      failures=$((failures + 1))
      continue
    fi
    reference "$file" "$tmp/ref.raw" -ss "$start" -t 2.5
    check "$ext ($options) from $start s" "$min" "$tmp/ours.wav" "$tmp/ref.raw" --skip 4608 --max-lag 1152
  done
done

if [ $failures -ne 0 ]; then
  echo "$failures comparison(s) failed"
  exit 1
fi
echo "all passed"
