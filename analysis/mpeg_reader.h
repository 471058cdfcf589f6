// SPDX-License-Identifier: GPL-3.0-or-later
// MPEG audio (Layers I-III of MPEG-1, MPEG-2 and MPEG-2.5): stream properties from the first frame
// header and an optional encoder header (Xing, Info or VBRI), texts from the ID3 tags.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "analysis/file_window.h"
#include "analysis/tag_record.h"

namespace tarnq::analysis {

inline constexpr size_t kMpegBlockSize = 4323;

// The encoder's header inside the first frame. "Xing" marks a variable bit rate, "Info" (the same
// layout, written by LAME and ffmpeg) a constant one; "VBRI" is the Fraunhofer encoders' header.
enum class MpegEncoderHeader : uint8_t { None, Xing, Info, Vbri };

struct MpegFrameInfo {
  uint32_t layer = 0;        // header bits: 1 = Layer III, 2 = Layer II, 3 = Layer I
  uint32_t version = 0;      // 3 = MPEG-1, 2 = MPEG-2, 0 = MPEG-2.5
  // bit/s; 0 = free format. Behind an Info header, the rate of the frame after it: the header's own
  // frame is often written at another rate than the audio.
  uint32_t bitrate = 0;
  uint32_t mode = 0;         // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
  // Average bit/s from a Xing or VBRI header, rounded down to a multiple of 1000; 0 = none (also
  // for an Info header, whose stream has a constant rate).
  uint32_t xingBitrate = 0;
  uint32_t sampleRate = 0;
  uint32_t frameLength = 0;  // bytes of the first frame with padding; 0 for free format
  uint32_t frameCount = 0;   // the header's frame count, or stream length / frameLength rounded
  uint32_t duration = 0;     // seconds
  MpegEncoderHeader header = MpegEncoderHeader::None;
  bool headerFrameCount = false;  // frameCount comes from the encoder header
};

// What the player takes from an encoder header. The seek table (Xing and Info only) is copied
// whenever the header has one; frames and bytes only into fields that are still 0.
struct XingInfo {
  bool hasToc = false;
  uint8_t toc[100] = {};
  uint32_t frames = 0;
  uint32_t bytes = 0;
};

// One frame header as a decoder needs it.
struct MpegFrameHeader {
  uint32_t layer = 0;            // header bits: 1 = Layer III, 2 = Layer II, 3 = Layer I
  uint32_t version = 0;          // 3 = MPEG-1, 2 = MPEG-2, 0 = MPEG-2.5
  uint32_t sampleRate = 0;       // Hz
  uint32_t channels = 0;         // 1 for mono, else 2
  uint32_t samplesPerFrame = 0;
  uint32_t bitrate = 0;          // bit/s; 0 = free format
  uint32_t frameBytes = 0;       // with padding; 0 = free format
};

// Decodes the four header bytes at `bytes`. False when they are no valid frame header.
bool ParseMpegFrameHeader(const uint8_t* bytes, MpegFrameHeader& header);

// Decodes the frame header that starts `buffer` (and an encoder header inside that frame).
// `streamLength`: bytes of audio from the frame on. Returns false when no valid header starts it.
// With a frame count from the encoder header, duration = frames x samples per frame / rate.
bool DecodeFirstFrame(const uint8_t* buffer, size_t length, uint64_t streamLength,
                      MpegFrameInfo& info, XingInfo* xing = nullptr);

// Offset of the audio stream: behind the ID3v2 tags (taggers that prepend a new tag leave several
// in a row), zero padding and a stray FF 00 00 00, at the first FF byte, never beyond `limit`.
uint64_t FindAudioStart(FileWindow& file, uint64_t limit);

// The slow path: looks for three consistent frames in at most 32 blocks. Without an encoder
// header's frame count, the frames are counted over the stream from the first accepted frame on.
// Returns 0 on success (channels, bitrate, sampleRate and duration set), all ones on failure.
uint32_t ScanForFrames(FileWindow& file, TagRecord& tag, XingInfo* xing = nullptr);

// Reads an MPEG audio file. Returns 0, or the system error of opening or reading it; a file
// without frames succeeds with an empty formatName and whatever tags it has.
uint32_t ReadMpegFile(std::u16string_view path, TagRecord& tag, XingInfo* xing = nullptr);

}  // namespace tarnq::analysis
