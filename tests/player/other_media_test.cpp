// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/other_media.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/errors.h"
#include "temp_folder.h"

namespace tarnq::player {
namespace {

std::span<const uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

struct MediaCase {
  const char* name;
  std::string head;
  const char16_t* path;
  bool other;
};

class OtherMedia : public ::testing::TestWithParam<MediaCase> {};

TEST_P(OtherMedia, IsToldByItsFirstBytesOrElseItsExtension) {
  EXPECT_EQ(LooksLikeOtherMedia(Bytes(GetParam().head), GetParam().path), GetParam().other);
}

INSTANTIATE_TEST_SUITE_P(
    Files, OtherMedia,
    ::testing::Values(MediaCase{"avi", std::string("RIFF\x10\0\0\0AVI ", 12), u"/m/clip.avi", true},
                      MediaCase{"aiff", "FORM\0\0\0\0AIFF", u"/m/a.aif", true},
                      MediaCase{"midi", "MThd\0\0\0\x06", u"/m/song.mid", true},
                      MediaCase{"mpeg_video", std::string("\0\0\x01\xB3\x14\0", 6), u"/m/v.bin", true},
                      MediaCase{"mpeg_program", std::string("\0\0\x01\xBA\x44\0", 6), u"/m/v.vob", true},
                      MediaCase{"ogg_opus", "OggS\0\x02\0\0", u"/m/voice.ogg", true},
                      MediaCase{"matroska", "\x1A\x45\xDF\xA3\x9F", u"/m/film.mkv", true},
                      MediaCase{"iso_media", std::string("\0\0\0\x20" "ftypisom", 12), u"/m/video.m4v", true},
                      MediaCase{"asf", "\x30\x26\xB2\x75\x8E\x66\xCF\x11", u"/m/x.asf", true},
                      MediaCase{"wmv_by_name", "garbage!", u"/m/CLIP.WMV", true},
                      MediaCase{"mpg_by_name", "garbage!", u"/m/clip.mpg", true},
                      MediaCase{"text", "#!/bin/sh\necho", u"/m/run.sh", false},
                      MediaCase{"elf", "\x7F" "ELF\x02\x01", u"/m/tool", false},
                      MediaCase{"mp3_name_garbage", "garbage!", u"/m/broken.mp3", false},
                      MediaCase{"short_head", "RIF", u"/m/x.bin", false},
                      MediaCase{"ftyp_too_short", std::string("\0\0\0\x20" "fty", 7), u"/m/x.bin", false}),
    [](const ::testing::TestParamInfo<MediaCase>& info) { return std::string(info.param.name); });

TEST(FileProbe, ReadsTheSizeAndTheFirstBytes) {
  testing::TempFolder dir;
  dir.Write("big.bin", "RIFF" + std::string(1021, 'x'));
  dir.Write("small.bin", std::string(1024, 'y'));
  const FileProbe big = ProbeFile(dir.Path("big.bin"));
  ASSERT_EQ(big.error, 0u);
  EXPECT_EQ(big.size, 1025u);
  EXPECT_FALSE(big.TooSmallToShow());
  ASSERT_EQ(big.headLength, sizeof big.head);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(big.head), 4), "RIFF");
  // A file of exactly 1024 bytes shows nothing.
  EXPECT_TRUE(ProbeFile(dir.Path("small.bin")).TooSmallToShow());
  EXPECT_EQ(ProbeFile(dir.Path("gone.bin")).error, platform::err::kFileNotFound);
  EXPECT_NE(ProbeFile(dir.Path()).error, 0u) << "a folder is not a file to show";
}

}  // namespace
}  // namespace tarnq::player
