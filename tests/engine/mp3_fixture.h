// SPDX-License-Identifier: GPL-3.0-or-later
// Minimal real MP3 files for end-to-end tests: MPEG-1 Layer III frames (128 kbit/s, 44.1 kHz,
// joint stereo, silent payload) followed by an ID3v1 tag, so the real readers analyse them.
#pragma once

#include <fstream>
#include <string>

namespace tarnq::testing {

// `frames` frames of 417 bytes (about 26 ms each) and an ID3v1 tag with the texts given.
inline std::string Mp3Bytes(const std::string& artist, const std::string& title, int frames = 120,
                            const std::string& album = "Album") {
  std::string bytes;
  for (int i = 0; i < frames; ++i) {
    std::string frame(417, '\0');
    frame[0] = '\xFF';
    frame[1] = '\xFB';  // MPEG-1, Layer III, no CRC
    frame[2] = '\x90';  // 128 kbit/s, 44.1 kHz, no padding
    frame[3] = '\x64';  // joint stereo
    bytes += frame;
  }
  auto field = [](const std::string& text, size_t width) {
    std::string f = text.substr(0, width);
    f.resize(width, '\0');
    return f;
  };
  bytes += "TAG" + field(title, 30) + field(artist, 30) + field(album, 30) + field("2001", 4) +
           field("", 30) + std::string(1, '\x0D');
  return bytes;
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace tarnq::testing
