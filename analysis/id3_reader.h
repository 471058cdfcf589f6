// SPDX-License-Identifier: GPL-3.0-or-later
// ID3 tags of MPEG audio files: the ID3v2 tag at the start (2.2, 2.3, 2.4) and the ID3v1 tag in the
// last 128 bytes (1.0, 1.1). Only read, never written.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "analysis/file_window.h"
#include "analysis/tag_record.h"

namespace tarnq::analysis {

inline constexpr size_t kGenreCount = 192;
// The ID3v1 genre list with its later extensions, numbers 0 to 191.
extern const std::array<std::u16string_view, kGenreCount> GenreNames;
// The name of genre `number`, empty for 192 and above.
std::u16string_view GenreName(uint32_t number);

struct Id3v2Header {
  int versionIndex = 0;  // 0 = 2.2.0, 1 = 2.2.1, 2 = 2.3.0, 3 = 2.4.0
  int idLength = 0;      // bytes of a frame identifier
  int sizeLength = 0;    // bytes of a frame size
  int flagsLength = 0;   // bytes of frame flags
  uint8_t flags = 0;     // the tag header's flag byte
  uint64_t position = 0; // just after the 10-byte header
  uint32_t tagSize = 0;  // the header's synchsafe size (excludes header and footer)

  // Where the tag ends, a 2.4 footer included.
  uint64_t End() const { return position + tagSize + ((versionIndex == 3 && (flags & 0x10)) ? 10 : 0); }
};

// Decodes the 10 bytes of a tag header found at file offset `start`; nothing when they are not a
// supported ID3v2 header.
std::optional<Id3v2Header> ParseId3v2Header(std::span<const uint8_t> bytes, uint64_t start = 0);

// Reads the ID3v2 tag at the start of the file into `tag` (texts only into empty fields where the
// first frame wins), then normalises the genre. The comment is the first comment frame with an
// empty description, else the first whose description is not a player's machine key, else none;
// the year comes from TDRC when there is no TYER or TORY. Frame flags are honoured (compressed
// and encrypted frames skipped). Returns the first I/O error or 0.
uint32_t ReadId3v2Frames(FileWindow& file, TagRecord& tag);

// True when `last128` (the file's last 128 bytes of a file longer than 128 bytes) is an ID3v1 tag.
bool IsId3v1(std::span<const uint8_t> last128);
// Fills the gaps of `tag` from an ID3v1 tag (no effect unless IsId3v1).
void ReadId3v1(std::span<const uint8_t> last128, TagRecord& tag);

// "(13)" and "13" become "Pop", "(13)Pop Rock" becomes "Pop Rock", numbers without a name give "".
void NormalizeGenre(FixedText<32>& genre);

}  // namespace tarnq::analysis
