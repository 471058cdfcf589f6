// SPDX-License-Identifier: GPL-3.0-or-later
// WAV files built in the tests: a header with chosen fields, then the given sample bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarnq::testing {

inline void PutLe(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

struct WavSpec {
  uint16_t formatTag = 1;
  uint16_t channels = 2;
  uint32_t rate = 8000;
  uint16_t bits = 16;
};

inline std::string WavFile(const WavSpec& spec, const std::string& samples) {
  std::string out = "RIFF";
  PutLe(out, static_cast<uint32_t>(36 + samples.size()), 4);
  out += "WAVEfmt ";
  PutLe(out, 16, 4);
  PutLe(out, spec.formatTag, 2);
  PutLe(out, spec.channels, 2);
  PutLe(out, spec.rate, 4);
  PutLe(out, spec.rate * spec.channels * spec.bits / 8, 4);
  PutLe(out, spec.channels * spec.bits / 8, 2);
  PutLe(out, spec.bits, 2);
  out += "data";
  PutLe(out, static_cast<uint32_t>(samples.size()), 4);
  return out + samples;
}

// 16-bit samples counting 0, 1, 2 ... so that any dropped or repeated frame shows.
inline std::string Ramp16(size_t count) {
  std::string out;
  for (size_t i = 0; i < count; ++i) PutLe(out, static_cast<uint32_t>(i & 0x7FFF), 2);
  return out;
}

}  // namespace tarnq::testing
