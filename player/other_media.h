// SPDX-License-Identifier: GPL-3.0-or-later
// What the player window shows for a file: the first bytes and the size decide whether the file is
// worth showing at all and, when the player's decoders do not take it, whether it looks like other
// media (video, MIDI, AIFF, other containers) that the desktop's media framework may play.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace tarnq::player {

// A file of this many bytes or fewer shows nothing in the player window.
inline constexpr uint64_t kMaxUnshownFileSize = 1024;

// The start of a file, as the player window's content choice looks at it.
struct FileProbe {
  uint32_t error = 0;  // 0, or why the file cannot be read (a system error code)
  uint64_t size = 0;
  uint8_t head[16] = {};
  size_t headLength = 0;

  std::span<const uint8_t> Head() const { return {head, headLength}; }
  bool TooSmallToShow() const { return size <= kMaxUnshownFileSize; }
};

// Reads the size and the first bytes of a regular file. Never throws.
FileProbe ProbeFile(std::u16string_view path);

// Whether a file looks like media the player's decoders do not play: by its first bytes (RIFF,
// FORM, MIDI, MPEG video and program streams, Ogg, Matroska/WebM, ISO media "ftyp", ASF and a few
// others), or else by the extension WMA, WMV, MPG or MPEG.
bool LooksLikeOtherMedia(std::span<const uint8_t> head, std::u16string_view path);

}  // namespace tarnq::player
