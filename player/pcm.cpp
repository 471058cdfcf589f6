// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/pcm.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace tarnq::player {
namespace {

int32_t Saturate16(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, -32768, 32767)); }

// Floats in -1..1 to 16-bit samples, rounded; NaN is silence, everything beyond full scale clips.
constexpr size_t kFloatBlock = 256;
void FloatsTo16(const float* in, int16_t* out) {
  for (size_t i = 0; i < kFloatBlock; ++i) {
    float x = in[i] * 32768.0f;
    x = x != x ? 0.0f : x;
    x = x < -32768.0f ? -32768.0f : x;
    x = x > 32767.0f ? 32767.0f : x;
    x += x >= 0.0f ? 0.5f : -0.5f;
    out[i] = static_cast<int16_t>(static_cast<int32_t>(x));
  }
}

// Converts `frames` frames; `read` gives one sample as a signed value scaled to 32 bits.
// Down-mix: the first two channels are left and right, the others go to both at half level (a
// centre and surround channels), and the sum is scaled so that it cannot clip.
template <typename Read>
void MixFrames(const uint8_t* in, uint8_t* out, size_t frames, const StreamFormat& inFormat,
               const OutputFormat& outFormat, Read read) {
  const size_t inFrame = inFormat.BytesPerFrame();
  const size_t outFrame = outFormat.BlockAlign();
  const size_t bytes = inFormat.bitsPerSample / 8u;
  const unsigned extra = inFormat.channels > 2 ? inFormat.channels - 2u : 0u;
  const int64_t divisor = 2 + extra;  // left + half of each extra, over (1 + extra / 2)
  for (size_t i = 0; i < frames; ++i) {
    const uint8_t* frame = in + i * inFrame;
    int64_t left = read(frame);
    int64_t right = inFormat.channels >= 2 ? read(frame + bytes) : left;
    if (extra > 0) {
      int64_t rest = 0;
      for (unsigned c = 2; c < inFormat.channels; ++c) rest += read(frame + c * bytes);
      left = (left * 2 + rest) / divisor;
      right = (right * 2 + rest) / divisor;
    }
    uint8_t* target = out + i * outFrame;
    const int64_t values[2] = {left, right};
    for (unsigned c = 0; c < outFormat.channels; ++c) {
      if (outFormat.bitsPerSample == 8) {
        target[c] = static_cast<uint8_t>((values[c] >> 24) + 128);
      } else {
        // Round to nearest rather than truncate, so that 24-bit sources lose no bias.
        const int32_t s = Saturate16((values[c] + 0x8000) >> 16);
        target[2 * c] = static_cast<uint8_t>(s & 0xFF);
        target[2 * c + 1] = static_cast<uint8_t>((s >> 8) & 0xFF);
      }
    }
  }
}

}  // namespace

bool IsPlayableFormat(const StreamFormat& f) {
  if (f.sampleRate < kMinSampleRate || f.sampleRate > kMaxSampleRate) return false;
  if (f.channels < 1 || f.channels > kMaxChannels) return false;
  if (f.sampleType == SampleType::kFloat) return f.bitsPerSample == 32;
  return f.bitsPerSample == 8 || f.bitsPerSample == 16 || f.bitsPerSample == 24 || f.bitsPerSample == 32;
}

OutputFormat OutputFormatFor(const StreamFormat& f) {
  OutputFormat out;
  out.sampleRate = f.sampleRate;
  out.channels = f.channels >= 2 ? 2 : 1;
  out.bitsPerSample = (f.bitsPerSample == 8 && f.sampleType == SampleType::kInteger) ? 8 : 16;
  return out;
}

void PcmConverter::Configure(const StreamFormat& in) {
  m_in = in;
  m_out = OutputFormatFor(in);
}

size_t PcmConverter::InputBytesFor(size_t outputBytes) const {
  if (m_out.BlockAlign() == 0) return 0;
  return outputBytes / m_out.BlockAlign() * m_in.BytesPerFrame();
}

size_t PcmConverter::Convert(std::span<const uint8_t> in, std::span<uint8_t> out, int volume) const {
  const size_t inFrame = m_in.BytesPerFrame();
  const size_t outFrame = m_out.BlockAlign();
  if (inFrame == 0 || outFrame == 0) return 0;
  const size_t frames = std::min(in.size() / inFrame, out.size() / outFrame);
  const bool same = m_in.sampleType == SampleType::kInteger && m_in.channels == m_out.channels &&
                    m_in.bitsPerSample == m_out.bitsPerSample;
  if (same) {
    std::memcpy(out.data(), in.data(), frames * outFrame);
  } else {
    // Chosen once per call, so that the per-sample loop has no branch on the format.
    if (m_in.sampleType == SampleType::kFloat && m_in.channels <= 2) {
      // The common case of lossy decoders (mono or stereo floats), in blocks of a fixed size
      // without branches, so that the compiler converts several samples per instruction.
      const size_t count = frames * m_in.channels;
      float block[kFloatBlock] = {};  // a short last block converts stale samples, never unset ones
      int16_t samples[kFloatBlock];
      for (size_t done = 0; done < count; done += kFloatBlock) {
        const size_t n = std::min(kFloatBlock, count - done);
        std::memcpy(block, in.data() + 4 * done, 4 * n);
        FloatsTo16(block, samples);
        if constexpr (std::endian::native == std::endian::little) {
          std::memcpy(out.data() + 2 * done, samples, 2 * n);
        } else {
          for (size_t i = 0; i < n; ++i) {
            out[2 * (done + i)] = static_cast<uint8_t>(samples[i] & 0xFF);
            out[2 * (done + i) + 1] = static_cast<uint8_t>((samples[i] >> 8) & 0xFF);
          }
        }
      }
    } else if (m_in.sampleType == SampleType::kFloat) {
      MixFrames(in.data(), out.data(), frames, m_in, m_out, [](const uint8_t* p) {
        float value;
        std::memcpy(&value, p, 4);
        if (!std::isfinite(value)) return int64_t{0};
        return static_cast<int64_t>(std::clamp(static_cast<double>(value), -1.0, 1.0) * 2147483647.0);
      });
    } else if (m_in.bitsPerSample == 8) {
      MixFrames(in.data(), out.data(), frames, m_in, m_out, [](const uint8_t* p) { return (int64_t{p[0]} - 128) << 24; });
    } else if (m_in.bitsPerSample == 16) {
      MixFrames(in.data(), out.data(), frames, m_in, m_out,
                [](const uint8_t* p) { return int64_t{static_cast<int16_t>(p[0] | (p[1] << 8))} << 16; });
    } else if (m_in.bitsPerSample == 24) {
      MixFrames(in.data(), out.data(), frames, m_in, m_out, [](const uint8_t* p) {
        return int64_t{static_cast<int32_t>((uint32_t{p[0]} << 8) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 24))};
      });
    } else {
      MixFrames(in.data(), out.data(), frames, m_in, m_out, [](const uint8_t* p) {
        return int64_t{static_cast<int32_t>(uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) |
                                            (uint32_t{p[3]} << 24))};
      });
    }
  }
  ApplyVolume(out.first(frames * outFrame), m_out.bitsPerSample, volume);
  return frames * outFrame;
}

void ApplyVolume(std::span<uint8_t> samples, uint16_t bitsPerSample, int volume) {
  volume = std::clamp(volume, 0, kUnityVolume);
  if (volume == kUnityVolume) return;
  if (bitsPerSample == 8) {
    for (uint8_t& s : samples) s = static_cast<uint8_t>(128 + (int{s} - 128) * volume / kUnityVolume);
    return;
  }
  for (size_t i = 0; i + 1 < samples.size(); i += 2) {
    const int32_t s = static_cast<int16_t>(samples[i] | (samples[i + 1] << 8));
    const int32_t scaled = Saturate16(int64_t{s} * volume / kUnityVolume);
    samples[i] = static_cast<uint8_t>(scaled & 0xFF);
    samples[i + 1] = static_cast<uint8_t>((scaled >> 8) & 0xFF);
  }
}

}  // namespace tarnq::player
