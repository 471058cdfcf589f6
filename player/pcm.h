// SPDX-License-Identifier: GPL-3.0-or-later
// PCM formats and the sample work between a decoder and the output: conversion to what the
// output takes (one or two channels, 8 or 16 bits) and the player's own volume.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tarnq::player {

enum class SampleType : uint8_t { kInteger, kFloat };

// What a decoder delivers: interleaved little-endian samples. Integer samples of 8 bits are
// unsigned (as in WAV files), wider ones signed; float samples are 32-bit IEEE in -1..1.
struct StreamFormat {
  uint32_t lengthSeconds = 0;
  uint64_t lengthFrames = 0;  // 0 when unknown
  uint32_t bitrate = 0;       // kbit/s, 0 when unknown
  uint32_t sampleRate = 0;
  uint16_t channels = 0;
  uint16_t bitsPerSample = 0;
  SampleType sampleType = SampleType::kInteger;

  uint32_t BytesPerFrame() const { return uint32_t{channels} * (bitsPerSample / 8u); }
};

// What the output plays: 1 or 2 channels of 8-bit unsigned or 16-bit signed samples.
struct OutputFormat {
  uint32_t sampleRate = 0;
  uint16_t channels = 0;
  uint16_t bitsPerSample = 0;

  uint32_t BlockAlign() const { return uint32_t{channels} * (bitsPerSample / 8u); }
  bool operator==(const OutputFormat&) const = default;
};

inline constexpr uint32_t kMinSampleRate = 1000;
inline constexpr uint32_t kMaxSampleRate = 768000;
inline constexpr uint16_t kMaxChannels = 32;

// Whether the converter can take a stream: a rate in range, 1 to kMaxChannels channels, integer
// samples of 8, 16, 24 or 32 bits or 32-bit floats.
bool IsPlayableFormat(const StreamFormat& format);

// The output format for a stream: mono stays mono, anything with two or more channels becomes
// stereo, 8-bit stays 8-bit, everything else becomes 16-bit.
OutputFormat OutputFormatFor(const StreamFormat& format);

// The player's volume: 0 silence, 255 unity gain.
inline constexpr int kUnityVolume = 255;
inline constexpr int kDefaultVolume = 100;

// Turns decoded bytes into output bytes and applies the volume. Only whole frames are converted;
// a caller keeps the rest for the next call. Allocates nothing per call.
class PcmConverter {
 public:
  void Configure(const StreamFormat& in);
  const OutputFormat& Output() const { return m_out; }
  // Bytes of input that make `outputBytes` bytes of output (whole frames).
  size_t InputBytesFor(size_t outputBytes) const;
  // Converts whole frames of `in` into `out` (which must hold them); returns the output bytes.
  size_t Convert(std::span<const uint8_t> in, std::span<uint8_t> out, int volume) const;

 private:
  StreamFormat m_in;
  OutputFormat m_out;
};

// Scales output samples in place by volume / 255 (16-bit signed or 8-bit unsigned), saturating.
void ApplyVolume(std::span<uint8_t> samples, uint16_t bitsPerSample, int volume);

}  // namespace tarnq::player
