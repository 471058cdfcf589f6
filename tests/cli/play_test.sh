#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# tarnq-cli play as a black box. --output: the WAV written holds exactly the expected PCM (whole,
# from --start for --seconds, silenced at volume 0). On the sound device, through PortAudio and an
# ALSA configuration of our own in a temporary HOME: the bytes that reach ALSA are those --output
# writes, a missing device and Ctrl-C end with their status. Failures end with their status and a
# message that names the reason.
set -u
cli="$1"
data="$2"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
cd "$root" || exit 1
failed=0
fail() { echo "FAIL: $*"; failed=1; }
le32() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))\\x$(printf %02x $(($1 >> 16 & 255)))\\x$(printf %02x $(($1 >> 24 & 255)))"; }

# 3 s of 8 kHz 16-bit stereo noise behind the canonical 44-byte header (the one play writes).
size=96000
head -c $size /dev/urandom > pcm
{ printf 'RIFF'; le32 $((36 + size)); printf 'WAVEfmt '; le32 16; printf '\x01\x00\x02\x00'; le32 8000; le32 32000
  printf '\x04\x00\x10\x00data'; le32 $size; cat pcm; } > in.wav

"$cli" play in.wav --output out.wav || fail "play whole file: status $?"
cmp -s in.wav out.wav || fail "the whole file differs from its source"

# From 1 s for 0.5 s: bytes 32000 to 48000 of the samples.
"$cli" play --start 1 --seconds=0.5 --output part.wav in.wav || fail "play part: status $?"
tail -c +45 part.wav > got
head -c 48000 pcm | tail -c 16000 > want
cmp -s got want || fail "--start 1 --seconds 0.5 is not the samples from 1 s to 1.5 s"
[ "$(head -c 44 part.wav | tail -c 4 | od -An -tu4 | tr -d ' ')" = 16000 ] || fail "data size of the part"

"$cli" play in.wav --volume 0 --output quiet.wav || fail "play at volume 0: status $?"
tail -c +45 quiet.wav | cmp -s - <(head -c $size /dev/zero) || fail "volume 0 is not silence"

out=$("$cli" play missing.wav --output x.wav 2>&1); status=$?
[ $status = 1 ] || fail "missing file: status $status"
[[ "$out" == *"missing.wav: No such file or directory"* ]] || fail "missing file message: $out"

printf 'RIFF\x04\x00\x00\x00WAVE' > bad.wav
out=$("$cli" play bad.wav --output x.wav 2>&1); status=$?
[ $status = 1 ] || fail "bad header: status $status"
[[ "$out" == *"bad.wav: no format chunk"* ]] || fail "bad header message: $out"
[ -e x.wav ] && fail "a failed play wrote its output"

out=$("$cli" play in.wav --start 3 --output x.wav 2>&1); status=$?
[ $status = 1 ] && [[ "$out" == *"cannot start at 3.000 s (the file is 3.000 s long)"* ]] || fail "start at the end: $status $out"

# MP4 audio and WMA through the library slots: the exact length of the Apple Lossless file, a start
# that lands on its frame, six channels mixed down to stereo, WMA that cannot seek, a text file.
field() { head -c $(($2 + $3)) "$1" | tail -c "$3" | od -An -tu$3 | tr -d ' '; }
"$cli" play "$data/alac.m4a" --output alac.wav || fail "play ALAC: status $?"
[ "$(field alac.wav 40 4)" = 26460 ] && [ "$(field alac.wav 22 2)" = 1 ] && [ "$(field alac.wav 24 4)" = 44100 ] ||
  fail "ALAC: not 13230 frames of 44.1 kHz mono"
"$cli" play "$data/alac.m4a" --start 0.1 --output late.wav || fail "play ALAC from 0.1 s: status $?"
cmp -s <(tail -c +45 late.wav) <(tail -c +45 alac.wav | tail -c +8821) || fail "ALAC from 0.1 s is not the samples from frame 4410"
"$cli" play "$data/six-channels.m4a" --output six.wav || fail "play six channels: status $?"
[ "$(field six.wav 22 2)" = 2 ] && [ "$(field six.wav 40 4)" = 8000 ] || fail "six channels: not 2000 stereo frames"
"$cli" play "$data/tagged.wma" --output wma.wav || fail "play WMA: status $?"
[ "$(field wma.wav 40 4)" = 86016 ] || fail "WMA: not 43008 frames"
out=$("$cli" play "$data/tagged.wma" --start 0.5 --output x.wav 2>&1); status=$?
[ $status = 1 ] && [[ "$out" == *"tagged.wma: cannot start at 0.500 s: files of this kind play only from the start"* ]] ||
  fail "WMA start: $status $out"
echo "no movie here" > notes.m4a
out=$("$cli" play notes.m4a --output x.wav 2>&1); status=$?
[ $status = 1 ] && [[ "$out" == *"notes.m4a: not an MP4 audio file (no readable movie header)"* ]] || fail "text as .m4a: $status $out"

check_usage() {
  local expected="$1"; shift
  out=$("$cli" play "$@" 2>&1); status=$?
  [ $status = 2 ] || fail "play $*: status $status"
  [[ "$out" == *"$expected"* ]] || fail "play $*: message $out"
}
check_usage "no file to play" --output x.wav
check_usage "--volume takes a percentage 0-100" in.wav --volume 101 --output x.wav
check_usage "--start takes seconds" in.wav --start -1 --output x.wav
check_usage "--seconds takes seconds" in.wav --seconds abc --output x.wav
check_usage "unknown option '--loud'" in.wav --loud --output x.wav
check_usage "only one file can be played" in.wav in.wav --output x.wav

# The sound device: ALSA's file plug-in records the exact interleaved PCM it is given.
mkdir -p filedev nodev slowdev
printf 'pcm.!default {\n type file\n slave.pcm "null"\n file "%s/device.raw"\n format "raw"\n}\n' "$root" > filedev/.asoundrc
printf 'pcm.!default {\n type hw\n card 99\n}\n' > nodev/.asoundrc
# A reader that takes about a tenth of a second's bytes each tenth of a second paces the device.
printf 'pcm.!default {\n type file\n slave.pcm "null"\n file "|while [ $(head -c 3200 | wc -c) -gt 0 ]; do sleep 0.1; done"\n format "raw"\n}\n' > slowdev/.asoundrc

# Played on the device, the samples are those --output writes; the device may play silence
# before, between (it is not paced, so it can outrun the player) and after them, nothing else.
# The fixture's samples are never an all-zero frame, so removing those frames takes only the silence.
head -c $size /dev/urandom | od -An -v -tx1 -w4 | awk '{ for (i = 1; i <= 4; ++i) printf "\\x%s", (i == 1 && $i == "00") ? "01" : $i }' > nz.txt
printf "$(cat nz.txt)" > nzpcm
{ printf 'RIFF'; le32 $((36 + size)); printf 'WAVEfmt '; le32 16; printf '\x01\x00\x02\x00'; le32 8000; le32 32000
  printf '\x04\x00\x10\x00data'; le32 $size; cat nzpcm; } > nz.wav
"$cli" play nz.wav --volume 80 --output nz-out.wav || fail "render at volume 80: status $?"
out=$(HOME="$root/filedev" timeout 30 "$cli" play nz.wav --volume 80 2>&1); status=$?
[ $status = 0 ] || fail "play on the device: status $status $out"
[ -z "$out" ] || fail "play on the device wrote to stderr: $out"
strip_silence() { od -An -v -tx1 -w4 "$1" | grep -v '^ 00 00 00 00$'; }
[ -s device.raw ] && diff -q <(strip_silence device.raw) <(tail -c +45 nz-out.wav | od -An -v -tx1 -w4 | grep -v '^ 00 00 00 00$') >/dev/null ||
  fail "the device did not get the samples --output writes"

out=$(HOME="$root/nodev" timeout 30 "$cli" play in.wav 2>&1); status=$?
[ $status = 1 ] || fail "no device: status $status"
[ "$out" = "tarnq-cli: no sound output device" ] || fail "no device message: $out"

HOME="$root/slowdev" timeout 30 "$cli" play in.wav 2> slow.err & pid=$!
sleep 1
kill -INT $pid; wait $pid; status=$?
[ $status = 130 ] || fail "Ctrl-C while playing: status $status $(cat slow.err)"
# PortAudio itself reports the pipe write that the stop cuts short; nothing else may be said.
grep -v "^Expression '.*' failed in 'src/hostapi/alsa/" slow.err > slow.rest
[ -s slow.rest ] && fail "Ctrl-C while playing wrote to stderr: $(cat slow.rest)"

# A device that stops taking samples mid-play (its reader stops reading) ends the play with a
# message, never a hang.
mkdir -p stalldev
printf 'pcm.!default {\n type file\n slave.pcm "null"\n file "|head -c 40000 >/dev/null; sleep 5"\n format "raw"\n}\n' > stalldev/.asoundrc
# 10 s, far more than the pipe and the device hold.
long=320000
{ printf 'RIFF'; le32 $((36 + long)); printf 'WAVEfmt '; le32 16; printf '\x01\x00\x02\x00'; le32 8000; le32 32000
  printf '\x04\x00\x10\x00data'; le32 $long; head -c $long /dev/urandom; } > long.wav
out=$(HOME="$root/stalldev" timeout 60 "$cli" play long.wav 2>&1); status=$?
[ $status = 1 ] || fail "device that stops: status $status $out"
[[ "$out" == *"long.wav: the sound device stopped playing"* ]] || fail "device that stops: message $out"

# Files of an input plug-in (the test plug-in, given as the third argument, which plays sine
# tones described in "*.tone" files): found in the folder TARNQ_INPUT_PLUGINS names, rendered
# whole and from --start, and a plug-in that never delivers sound fails with its reason.
if [ -n "${3:-}" ]; then
  mkdir plugins
  cp "$3" plugins/in_tarnqtest.so
  export TARNQ_INPUT_PLUGINS="$root/plugins"
  printf 'frequency=440\nrate=8000\nchannels=2\nbits=16\nms=3000\n' > a.tone
  "$cli" play a.tone --output tone.wav || fail "play a tone: status $?"
  [ "$(head -c 44 tone.wav | tail -c 4 | od -An -tu4 | tr -d ' ')" = 96000 ] || fail "data size of the tone"
  "$cli" play a.tone --start 1 --output tail.wav || fail "play a tone from 1 s: status $?"
  cmp -s <(tail -c +45 tail.wav) <(tail -c +$((45 + 32000)) tone.wav) || fail "the tone from 1 s is not the whole tone's tail"
  printf 'ms=1000\nfault=never-open\n' > mute.tone
  out=$("$cli" play mute.tone --output x.wav 2>&1); status=$?
  [ $status = 1 ] && [[ "$out" == *"mute.tone: the plug-in in_tarnqtest.so delivered no sound within 2 seconds"* ]] ||
    fail "mute plug-in: $status $out"
  out=$(TARNQ_INPUT_PLUGINS="$root/nowhere" "$cli" play a.tone --output x.wav 2>&1); status=$?
  [ $status = 1 ] && [[ "$out" == *"a.tone: no decoder takes this file"* ]] || fail "without the plug-in: $status $out"
  unset TARNQ_INPUT_PLUGINS
fi

[ $failed = 0 ] && echo "all passed"
