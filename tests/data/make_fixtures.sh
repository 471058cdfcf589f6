#!/usr/bin/env bash
# Makes the committed audio fixtures of tests/analysis once, with real encoders and an independent
# tag writer. Not run by the build or the tests; needs ffmpeg, lame, flac, vorbis-tools and
# python3-mutagen (apt-get install ffmpeg lame flac vorbis-tools python3-mutagen).
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# One second of a 440 Hz tone, stereo and mono, 44.1 kHz.
ffmpeg -loglevel error -y -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=1" -ac 2 "$tmp/stereo.wav"
ffmpeg -loglevel error -y -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=1" -ac 1 "$tmp/mono.wav"
ffmpeg -loglevel error -y -f lavfi -i "sine=frequency=440:sample_rate=22050:duration=1" -ac 1 "$tmp/mono22.wav"
ffmpeg -loglevel error -y -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=0.25" -ac 1 "$tmp/short.wav"

# MPEG: constant 64 kbit/s stereo (lame's "Info" header, which is not a Xing header), a VBR file
# with a Xing header, mono, and MPEG-2 Layer III.
lame --quiet --resample 44.1 -m s --cbr -b 64 "$tmp/stereo.wav" cbr-stereo.mp3
lame --quiet -m j -V 6 "$tmp/stereo.wav" vbr-joint.mp3
lame --quiet --resample 44.1 -m m --cbr -b 32 "$tmp/mono.wav" mono.mp3
lame --quiet --resample 22.05 -m m --cbr -b 24 "$tmp/mono22.wav" mpeg2-mono.mp3
ffmpeg -loglevel error -y -i "$tmp/mono.wav" -c:a mp2 -b:a 64k layer2.mp2

# Tags written by mutagen, independently of our reader.
/usr/bin/python3 - <<'PY'
from mutagen.id3 import ID3, TIT2, TPE1, TALB, TCON, TRCK, TYER, COMM, TBPM, TPE4, ID3v1SaveOptions
t = ID3()
t.add(TIT2(encoding=3, text="Zwölf Lieder"))          # UTF-8
t.add(TPE1(encoding=1, text="Ärzte"))                 # UTF-16 with a byte-order mark
t.add(TPE4(encoding=0, text="Remixer"))
t.add(TALB(encoding=0, text="Album One"))
t.add(TCON(encoding=0, text="(13)"))
t.add(TRCK(encoding=0, text="3/12"))
t.add(TYER(encoding=0, text="1999"))
t.add(TBPM(encoding=0, text="120"))
t.add(COMM(encoding=0, lang="eng", desc="", text="nice"))
t.save("cbr-stereo.mp3", v2_version=3, v1=ID3v1SaveOptions.CREATE)

t = ID3()
t.add(TIT2(encoding=3, text="Вариации"))
t.add(TPE1(encoding=3, text="Band 24"))
t.add(TCON(encoding=3, text="Rock"))
t.save("vbr-joint.mp3", v2_version=4, v1=ID3v1SaveOptions.REMOVE)
PY

# Ogg Vorbis with comments; a file with a second (Opus) logical stream beside the Vorbis one.
oggenc --quiet -q 0 -t "Ogg Title" -a "Ogg Artist" -l "Ogg Album" -N 7 -d 2004 -G "Jazz" \
  -c "COMMENT=plain comment" -o tagged.ogg "$tmp/stereo.wav"
ffmpeg -loglevel error -y -i "$tmp/mono.wav" -c:a libopus -b:a 16k "$tmp/opus.ogg"
cp "$tmp/opus.ogg" opus-only.ogg
ffmpeg -loglevel error -y -i "$tmp/opus.ogg" -i tagged.ogg -map 0:a -map 1:a -c copy \
  -metadata:s:a:1 title="Two Streams" two-streams.ogg

# FLAC with Vorbis comments.
flac --silent -f --compression-level-0 -T "TITLE=Flac Title" -T "ARTIST=Flac Artist" \
  -T "ALBUM=Flac Album" -T "TRACKNUMBER=5/9" -T "DATE=2011-05-01" -T "GENRE=Blues" \
  -o tagged.flac "$tmp/short.wav"

# WMA (ASF) and MP4 audio written by ffmpeg's muxers.
ffmpeg -loglevel error -y -i "$tmp/mono.wav" -c:a wmav2 -b:a 32k -metadata title="Wma Title" \
  -metadata artist="Wma Artist" -metadata album="Wma Album" -metadata genre="Pop" \
  -metadata date=2015 -metadata comment="wma comment" tagged.wma
ffmpeg -loglevel error -y -i "$tmp/mono.wav" -c:a aac -b:a 24k -metadata title="Mp4 Title" \
  -metadata artist="Mp4 Artist" -metadata album_artist="Album Artist" -metadata album="Mp4 Album" \
  -metadata genre="Electronic" -metadata date=2020 -metadata track="4/10" tagged.m4a
ffmpeg -loglevel error -y -i "$tmp/mono.wav" -c:a alac -t 0.3 -metadata title="Alac" \
  -metadata album_artist="Only Album Artist" alac.m4a
ls -l
