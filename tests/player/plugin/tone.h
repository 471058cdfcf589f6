// SPDX-License-Identifier: GPL-3.0-or-later
// The test plug-in's file format, shared by the plug-in and the tests that check what it plays:
// a text of "key=value" lines naming a sine tone, and the samples that tone consists of.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace tarnq::testing {

struct Tone {
  int frequency = 440;
  int rate = 8000;
  int channels = 1;
  int bits = 16;
  int ms = 1000;        // the length GetLength reports and the plug-in plays
  int infoMs = -2;      // what GetFileInfo reports, when not the length (-2: the length)
  std::string title;    // what GetFileInfo reports
  std::string fault;    // a misbehaviour, see in_tarnqtest.cpp

  int FrameBytes() const { return channels * (bits / 8); }
  uint64_t Frames() const { return static_cast<uint64_t>(ms) * static_cast<uint64_t>(rate) / 1000; }
};

inline std::string ToneText(const Tone& tone) {
  std::string text = "frequency=" + std::to_string(tone.frequency) + "\nrate=" + std::to_string(tone.rate) +
                     "\nchannels=" + std::to_string(tone.channels) + "\nbits=" + std::to_string(tone.bits) +
                     "\nms=" + std::to_string(tone.ms) + "\n";
  if (tone.infoMs != -2) text += "info-ms=" + std::to_string(tone.infoMs) + "\n";
  if (!tone.title.empty()) text += "title=" + tone.title + "\n";
  if (!tone.fault.empty()) text += "fault=" + tone.fault + "\n";
  return text;
}

inline bool ParseTone(std::string_view text, Tone& tone) {
  tone = Tone{};
  bool any = false;
  while (!text.empty()) {
    const size_t end = text.find('\n') == std::string_view::npos ? text.size() : text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end < text.size() ? end + 1 : end);
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, eq);
    const std::string value(line.substr(eq + 1));
    const int number = std::atoi(value.c_str());
    any = true;
    if (key == "frequency") tone.frequency = number;
    else if (key == "rate") tone.rate = number;
    else if (key == "channels") tone.channels = number;
    else if (key == "bits") tone.bits = number;
    else if (key == "ms") tone.ms = number;
    else if (key == "info-ms") tone.infoMs = number;
    else if (key == "title") tone.title = value;
    else if (key == "fault") tone.fault = value;
    else any = false;
  }
  return any;
}

// Frame `frame` of the tone: the left channel a sine at 12000 of full scale, the right one at half
// that (so that swapped channels show). 8-bit samples are unsigned, 16-bit ones signed.
inline void ToneFrame(const Tone& tone, uint64_t frame, char* out) {
  const double phase = 2.0 * 3.14159265358979323846 * tone.frequency * static_cast<double>(frame % tone.rate) / tone.rate;
  const long left = std::lround(12000.0 * std::sin(phase));
  for (int c = 0; c < tone.channels; ++c) {
    const long value = c == 0 ? left : left / 2;
    if (tone.bits == 8) {
      out[c] = static_cast<char>(128 + value / 256);
    } else {
      const uint16_t bits = static_cast<uint16_t>(static_cast<int16_t>(value));
      out[2 * c] = static_cast<char>(bits & 0xFF);
      out[2 * c + 1] = static_cast<char>(bits >> 8);
    }
  }
}

// The tone's PCM from frame `first` for `frames` frames.
inline std::string ToneBytes(const Tone& tone, uint64_t first, uint64_t frames) {
  std::string bytes(frames * static_cast<uint64_t>(tone.FrameBytes()), '\0');
  for (uint64_t i = 0; i < frames; ++i) ToneFrame(tone, first + i, bytes.data() + i * tone.FrameBytes());
  return bytes;
}

}  // namespace tarnq::testing
