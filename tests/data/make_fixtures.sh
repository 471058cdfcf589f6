#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
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

# Real-world shapes that readers get wrong when they follow the first header or frame blindly.
# ffmpeg's MP3 muxer writes its "Info" frame at a higher bit rate than the audio frames when the
# stream's rate is too small to hold the header (here 56 against 8 kbit/s). Tagged files need
# 4,323 bytes of audio behind the tag for the first block.
ffmpeg -loglevel error -y -f lavfi -i "sine=frequency=440:sample_rate=22050:duration=5" -ac 1 \
  -c:a libmp3lame -b:a 8k cbr-info.mp3
# Low-bit-rate VBR (about 8.9 kbit/s, 7.1 s): the average cut to whole kbit/s would stretch it to 8 s.
ffmpeg -loglevel error -y -f lavfi -i "sine=frequency=300:sample_rate=11025:duration=7" -ac 1 "$tmp/speech.wav"
lame --quiet -m m -V 9 "$tmp/speech.wav" vbr-lowrate.mp3
# Short streams for the tag fixtures below (1.2 s where the stream matters), a small cover picture.
lame --quiet --resample 44.1 -m m --cbr -b 32 "$tmp/short.wav" "$tmp/short.mp3"
ffmpeg -loglevel error -y -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=1.2" -ac 1 "$tmp/tagbase.wav"
lame --quiet --resample 44.1 -m m --cbr -b 32 "$tmp/tagbase.wav" "$tmp/tagbase.mp3"
ffmpeg -loglevel error -y -f lavfi -i "testsrc=size=48x48:rate=1" -frames:v 1 "$tmp/cover.jpg"
# WMA written by ffmpeg: 1.2 s at 24 kbit/s in 3,200-byte packets (the bytes over the maximum bit
# rate give 2 s); "track" becomes the 1-based WM/TrackNumber text, and mutagen adds a 0-based
# WM/Track number that must not win.
ffmpeg -loglevel error -y -f lavfi -i "sine=frequency=440:sample_rate=22050:duration=1.2" -ac 1 \
  -c:a wmav2 -b:a 24k lowrate.wma
ffmpeg -loglevel error -y -i "$tmp/mono.wav" -t 0.5 -c:a wmav2 -b:a 24k -metadata title="Numbered" \
  -metadata track=7 tracknumber.wma
# Ogg Vorbis with the standard DESCRIPTION key and YEAR instead of COMMENT and DATE.
oggenc --quiet -q 0 -c "TITLE=Described" -c "DESCRIPTION=standard comment key" -c "YEAR=1996" \
  -o described.ogg "$tmp/short.wav"

TMP="$tmp" /usr/bin/python3 - <<'PY'
import os, shutil
from mutagen.id3 import ID3, TIT2, TPE1, TALB, TCON, COMM, TDRC, APIC, ID3v1SaveOptions, delete
from mutagen.asf import ASF, ASFDWordAttribute
tmp = os.environ["TMP"]
short = os.path.join(tmp, "short.mp3")
cover = open(os.path.join(tmp, "cover.jpg"), "rb").read()

# Two ID3v2 tags in a row, as a tagger leaves them that prepends a new tag instead of replacing the
# old one. The old (second) tag carries a picture, whose bytes hold many FF that can pass for an
# MPEG frame header.
shutil.copy(os.path.join(tmp, "tagbase.mp3"), os.path.join(tmp, "old.mp3"))
t = ID3()
t.add(TIT2(encoding=0, text="Old Title"))
t.add(APIC(encoding=0, mime="image/jpeg", type=3, desc="", data=cover))
t.save(os.path.join(tmp, "old.mp3"), v2_version=3, v1=ID3v1SaveOptions.REMOVE)
open(os.path.join(tmp, "new.tag"), "wb").close()
t = ID3()
t.add(TIT2(encoding=1, text="New Title"))
t.add(TPE1(encoding=1, text="New Artist"))
t.save(os.path.join(tmp, "new.tag"), v2_version=3, v1=ID3v1SaveOptions.REMOVE)
with open("two-tags.mp3", "wb") as out:
    out.write(open(os.path.join(tmp, "new.tag"), "rb").read())
    out.write(open(os.path.join(tmp, "old.mp3"), "rb").read())

# iTunes-style comments: machine data under "iTun..." descriptions beside the user's comment.
# mutagen orders frames by size, so the short iTunPGAP frame comes first.
shutil.copy(short, "itunes-comment.mp3")
t = ID3()
t.add(TIT2(encoding=0, text="Commented"))
t.add(COMM(encoding=0, lang="eng", desc="iTunPGAP", text="0"))
t.add(COMM(encoding=0, lang="eng", desc="iTunNORM",
           text=" 00000156 00000150 00000E4C 00000E56 00000000 00000000 00007D6A 00007D6A 00000000 00000000"))
t.add(COMM(encoding=0, lang="eng", desc="", text="the user's own comment"))
t.save("itunes-comment.mp3", v2_version=3, v1=ID3v1SaveOptions.REMOVE)

# ID3v2.4 keeps the year in TDRC (there is no TYER).
shutil.copy(short, "v24-year.mp3")
t = ID3()
t.add(TIT2(encoding=3, text="Dated"))
t.add(TDRC(encoding=3, text="2007-03-12"))
t.save("v24-year.mp3", v2_version=4, v1=ID3v1SaveOptions.REMOVE)

# An ID3v1 tag alone whose genre byte is one of the later additions (189, Dubstep).
shutil.copy(short, "v1-genre.mp3")
t = ID3()
t.add(TIT2(encoding=0, text="V1 Genre"))
t.add(TCON(encoding=0, text="Dubstep"))
t.save("v1-genre.mp3", v2_version=3, v1=ID3v1SaveOptions.CREATE)
delete("v1-genre.mp3", delete_v1=False, delete_v2=True)

a = ASF("tracknumber.wma")
a["WM/Track"] = [ASFDWordAttribute(2)]
a.save()
PY
ls -l

# One song as FLAC and as MP3 with the same tags (the command line's keep rules).
flac --silent -f --compression-level-5 -T "TITLE=Same Song" -T "ARTIST=Same Band" -o same-song.flac "$tmp/tagbase.wav"
lame --quiet -m m --cbr -b 32 --tt "Same Song" --ta "Same Band" --id3v2-only "$tmp/tagbase.wav" same-song.mp3
# The same song as Apple Lossless and as AAC whose bit rate is higher than the lossless copy's (one
# second of faint noise at 8 kHz packs into about 17 kbit/s): the keep rules must still prefer the
# lossless one, although an MP4 file's Type text is its brand for both.
ffmpeg -loglevel error -y -f lavfi -i "anoisesrc=r=8000:a=0.00003:d=1:seed=1" -ac 1 -sample_fmt s16p -c:a alac \
  -metadata title="Same Song" -metadata artist="Same Band" same-song-alac.m4a
ffmpeg -loglevel error -y -f lavfi -i "sine=frequency=440:sample_rate=22050:duration=1" -ac 1 -c:a aac \
  -b:a 32k -metadata title="Same Song" -metadata artist="Same Band" same-song-aac.m4a

# The player's slots: Layer II frames of 1,728 bytes (384 kbit/s at 32 kHz), larger than one
# maximal Layer III frame; six-channel Vorbis (a tone at a different level per channel, so the
# channel order shows); a 24-bit stereo FLAC file.
ffmpeg -loglevel error -y -f lavfi -i "aevalsrc=0.3*sin(2*PI*(200+300*t)*t)|0.3*sin(2*PI*(500+200*t)*t):s=32000:d=0.3" \
  -c:a mp2 -b:a 384k layer2-384k.mp2
ffmpeg -loglevel error -y -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=0.2" \
  -af "pan=5.1|c0=c0|c1=0.5*c0|c2=0.25*c0|c3=0.1*c0|c4=0.05*c0|c5=0.02*c0" "$tmp/six.wav"
oggenc --quiet -q 0 -o six-channels.ogg "$tmp/six.wav"
ffmpeg -loglevel error -y -f lavfi -i "aevalsrc=0.4*sin(2*PI*(300+900*t)*t)|0.3*sin(2*PI*(700-500*t)*t):s=48000:d=0.15" \
  -c:a pcm_s24le "$tmp/s24.wav"
flac --silent -f -o stereo-24bit.flac "$tmp/s24.wav"
# 8-bit mono FLAC (the player hands out 8-bit samples unsigned, as WAV files hold them).
ffmpeg -loglevel error -y -f lavfi -i "sine=frequency=440:sample_rate=8000:duration=0.25" -ac 1 -c:a pcm_u8 "$tmp/u8.wav"
flac --silent -f -o mono-8bit.flac "$tmp/u8.wav"
# The player's MP4 slot: six channels of Apple Lossless (each channel a different level of one tone,
# mixed down to stereo for the output), and an MP4 file with a picture track and no sound.
ffmpeg -loglevel error -y -f lavfi -i "sine=frequency=440:sample_rate=8000:duration=0.25" \
  -af "pan=5.1|c0=c0|c1=0.5*c0|c2=0.25*c0|c3=0.125*c0|c4=0.75*c0|c5=0.6*c0" -c:a alac -sample_fmt s16p \
  six-channels.m4a
ffmpeg -loglevel error -y -f lavfi -i "color=c=black:s=16x16:r=5:d=0.4" -c:v mpeg4 -f mp4 video-only.m4v
# Other media for the player window: a second of a moving test picture (no sound), larger than the
# 1,024 bytes below which the window shows nothing.
ffmpeg -loglevel error -y -f lavfi -i "testsrc=s=64x48:r=10:d=1" -c:v mpeg4 -q:v 12 -f mp4 video-clip.m4v
