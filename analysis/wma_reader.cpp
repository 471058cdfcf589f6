// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/wma_reader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "analysis/byte_cursor.h"
#include "analysis/file_window.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/per_thread.h"

namespace tarnq::analysis {
namespace {

using Guid = std::array<uint8_t, 16>;

// A GUID in its registry spelling {d1-d2-d3-d4} as it is stored: the first three parts
// little-endian, the last eight bytes as they stand.
constexpr Guid MakeGuid(uint32_t d1, uint16_t d2, uint16_t d3, uint64_t d4) {
  Guid g{};
  for (int i = 0; i < 4; ++i) g[size_t(i)] = uint8_t(d1 >> (8 * i));
  for (int i = 0; i < 2; ++i) g[size_t(4 + i)] = uint8_t(d2 >> (8 * i));
  for (int i = 0; i < 2; ++i) g[size_t(6 + i)] = uint8_t(d3 >> (8 * i));
  for (int i = 0; i < 8; ++i) g[size_t(8 + i)] = uint8_t(d4 >> (8 * (7 - i)));
  return g;
}

constexpr Guid kHeaderObject = MakeGuid(0x75B22630, 0x668E, 0x11CF, 0xA6D900AA0062CE6C);
constexpr Guid kFileProperties = MakeGuid(0x8CABDCA1, 0xA947, 0x11CF, 0x8EE400C00C205365);
constexpr Guid kStreamProperties = MakeGuid(0xB7DC0791, 0xA9B7, 0x11CF, 0x8EE600C00C205365);
constexpr Guid kContentDescription = MakeGuid(0x75B22633, 0x668E, 0x11CF, 0xA6D900AA0062CE6C);
constexpr Guid kExtendedContent = MakeGuid(0xD2D0A440, 0xE307, 0x11D2, 0x97F000A0C95EA850);
constexpr Guid kAudioMedia = MakeGuid(0xF8699E40, 0x5B4D, 0x11CF, 0xA8FD00805F5C442B);

// More objects than this in one header is not a real file.
constexpr uint32_t kMaxObjects = 4096;

bool Is(std::span<const uint8_t> bytes, const Guid& guid) {
  return bytes.size() >= 16 && std::memcmp(bytes.data(), guid.data(), 16) == 0;
}

bool IsWhiteSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r') || c == 0xA0; }

// A UTF-16LE string of `byteLength` bytes: up to its zero unit, leading and trailing white space
// dropped, at most 255 units kept.
template <size_t N>
void ReadAsfString(ByteCursor& cursor, uint64_t byteLength, FixedText<N>& target, size_t limit) {
  thread_local platform::PerThread<std::u16string> t_textHolder;
  std::u16string& text = t_textHolder.Get();
  text.clear();
  uint64_t keep = std::min<uint64_t>(byteLength, 2 * 1024);
  auto bytes = cursor.Take(static_cast<size_t>(keep));
  cursor.Skip(byteLength - keep);
  if (!cursor.Ok()) return;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    auto unit = static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
    if (unit == 0) break;
    if (text.empty() && IsWhiteSpace(unit)) continue;
    text.push_back(unit);
  }
  std::u16string_view view = platform::CutUtf16(text, limit);
  while (!view.empty() && IsWhiteSpace(view.back())) view.remove_suffix(1);
  target.Assign(view);
}

bool NameIs(std::u16string_view name, std::u16string_view wanted) {
  return platform::FoldCase(name) == platform::FoldCase(wanted);
}

void ReadContentDescription(ByteCursor cursor, TagRecord& tag) {
  uint16_t lengths[5];
  for (uint16_t& length : lengths) length = cursor.Le16();
  if (!cursor.Ok()) return;
  if (lengths[0]) ReadAsfString(cursor, lengths[0], tag.title, 255);
  if (lengths[1]) ReadAsfString(cursor, lengths[1], tag.artist, 255);
  cursor.Skip(lengths[2]);
  if (lengths[3]) ReadAsfString(cursor, lengths[3], tag.comment, 255);
}

// Track numbers of the Extended Content Description: WM/TrackNumber counts from 1, the older
// WM/Track from 0; the first one wins over the second whatever their order.
struct TrackAttributes {
  bool hasTrackNumber = false;
  uint16_t trackNumber = 0;
  uint16_t trackNumberTotal = 0;
  bool hasTrack = false;
  uint16_t track = 0;
  uint16_t trackTotal = 0;
};

// A number attribute: DWORD, QWORD or WORD. False for other types or lengths.
bool ReadNumber(ByteCursor& cursor, uint16_t type, uint16_t length, uint64_t& value) {
  if (!((type == 3 && length == 4) || (type == 4 && length == 8) || (type == 5 && length == 2))) {
    return false;
  }
  auto bytes = cursor.Take(length);
  if (bytes.empty()) return false;
  value = length == 2 ? Le16(bytes.data()) : length == 4 ? Le32(bytes.data()) : Le64(bytes.data());
  return true;
}

// A track attribute as a number or a text "n/m"; `base` is added to both forms. False when the
// value holds no number or gives no track.
bool ReadTrackValue(ByteCursor& cursor, uint16_t type, uint16_t length, uint16_t base,
                    uint16_t& track, uint16_t& total) {
  uint64_t number = 0;
  if (type == 0) {
    FixedText<32> text;
    ReadAsfString(cursor, length, text, 31);
    std::u16string_view view = text.View();
    if (!cursor.Ok() || view.find_first_of(u"0123456789") == std::u16string_view::npos) return false;
    ParseTrackText(view, track, total);
    number = track;
  } else if (!ReadNumber(cursor, type, length, number)) {
    return false;
  }
  number += base;
  if (number == 0) return false;
  track = number > 65535 ? 65535 : static_cast<uint16_t>(number);
  return true;
}

void ReadExtendedContent(ByteCursor cursor, TagRecord& tag) {
  uint16_t count = cursor.Le16();
  thread_local platform::PerThread<std::u16string> t_nameHolder;
  std::u16string& name = t_nameHolder.Get();
  TrackAttributes tracks;
  for (uint16_t i = 0; i < count && cursor.Ok(); ++i) {
    uint16_t nameLength = cursor.Le16();
    auto nameBytes = cursor.Take(nameLength);
    uint16_t type = cursor.Le16();
    uint16_t valueLength = cursor.Le16();
    if (!cursor.Ok()) return;
    name.clear();
    for (size_t k = 0; k + 1 < nameBytes.size(); k += 2) {
      auto unit = static_cast<char16_t>(nameBytes[k] | nameBytes[k + 1] << 8);
      if (unit == 0) break;
      name.push_back(unit);
    }
    if (type == 0 && NameIs(name, u"WM/Genre")) {
      ReadAsfString(cursor, valueLength, tag.genre, 31);
    } else if (type == 0 && NameIs(name, u"WM/AlbumTitle")) {
      ReadAsfString(cursor, valueLength, tag.album, 255);
    } else if (type == 0 && NameIs(name, u"WM/Year")) {
      FixedText<6> year;
      ReadAsfString(cursor, valueLength, year, 5);
      tag.year = YearOrZero(ParseDecimal(year.View()));
    } else if (NameIs(name, u"WM/TrackNumber") && !tracks.hasTrackNumber) {
      const uint64_t valueEnd = cursor.Position() + valueLength;
      tracks.hasTrackNumber =
          ReadTrackValue(cursor, type, valueLength, 0, tracks.trackNumber, tracks.trackNumberTotal);
      cursor.Skip(valueEnd - std::min(valueEnd, cursor.Position()));
    } else if (NameIs(name, u"WM/Track") && !tracks.hasTrack) {
      // Zero-based: 0 (or "0") is the first track.
      const uint64_t valueEnd = cursor.Position() + valueLength;
      tracks.hasTrack = ReadTrackValue(cursor, type, valueLength, 1, tracks.track, tracks.trackTotal);
      cursor.Skip(valueEnd - std::min(valueEnd, cursor.Position()));
    } else {
      cursor.Skip(valueLength);
    }
  }
  if (tracks.hasTrackNumber) {
    tag.track = tracks.trackNumber;
    tag.trackTotal = tracks.trackNumberTotal;
  } else if (tracks.hasTrack) {
    tag.track = tracks.track;
    tag.trackTotal = tracks.trackTotal;
  }
}

void ReadStreamProperties(ByteCursor cursor, TagRecord& tag) {
  auto streamType = cursor.Take(16);
  cursor.Skip(16 + 8);  // error correction type, time offset
  uint32_t formatLength = cursor.Le32();
  cursor.Skip(4 + 2 + 4);  // error correction length, flags, reserved
  if (!cursor.Ok() || !Is(streamType, kAudioMedia) || formatLength < 10) return;
  cursor.Skip(2);  // format tag
  uint16_t channels = cursor.Le16();
  uint32_t rate = cursor.Le32();
  uint32_t bytesPerSecond = cursor.Le32();
  if (!cursor.Ok()) return;
  if (channels < 3) tag.channels = channels;
  tag.sampleRate = rate;
  tag.bitrate = static_cast<int32_t>(bytesPerSecond / 125);
}

// Whole seconds of the File Properties play duration (100 ns units) minus the preroll
// (milliseconds, included in the play duration), when they make sense: not a live broadcast
// (flag bit 0, whose durations are not valid), and more play time than preroll.
std::optional<uint32_t> PlayTime(uint64_t play, uint64_t preroll, uint32_t flags) {
  constexpr uint64_t kUnitsPerMillisecond = 10000;
  if ((flags & 1) || preroll > play / kUnitsPerMillisecond) return std::nullopt;
  uint64_t units = play - preroll * kUnitsPerMillisecond;
  if (units == 0) return std::nullopt;
  return static_cast<uint32_t>(std::min<uint64_t>(units / 10'000'000, 0xFFFFFFFFu));
}

}  // namespace

uint32_t ReadWmaFile(std::u16string_view path, TagRecord& tag) {
  platform::InputFile input;
  if (uint32_t error = input.Open(path, tag.knownFileSize)) return error;
  FileWindow file(input, 4096);
  const uint64_t fileSize = file.Size();
  ByteCursor head(file, 0, fileSize);
  auto guid = head.Take(16);
  uint64_t headerSize = head.Le64();
  uint32_t count = head.Le32();
  head.Skip(2);
  if (!head.Ok() || !Is(guid, kHeaderObject)) return ~0u;
  const uint64_t headerEnd = std::min(headerSize, fileSize);

  uint32_t maxBitrate = 0;
  std::optional<uint32_t> playTime;
  uint64_t pos = head.Position();
  for (uint32_t i = 0; i < count && i < kMaxObjects && pos < headerEnd; ++i) {
    ByteCursor object(file, pos, headerEnd);
    auto id = object.Take(16);
    uint64_t size = object.Le64();
    if (!object.Ok()) return ~0u;
    // Every object moves the walk forward and stays inside the header.
    if (size < 24 || size > headerEnd - pos) break;
    ByteCursor body(file, pos + 24, pos + size);
    if (Is(id, kFileProperties)) {
      body.Skip(16 + 8 + 8 + 8);  // file id, file size, creation date, data packets
      uint64_t play = body.Le64();
      body.Skip(8);  // send duration
      uint64_t preroll = body.Le64();
      uint32_t flags = body.Le32();
      body.Skip(4 + 4);  // minimum and maximum packet size
      uint32_t m = body.Le32();
      if (body.Ok()) {
        maxBitrate = m;
        playTime = PlayTime(play, preroll, flags);
      }
    } else if (Is(id, kStreamProperties)) {
      ReadStreamProperties(body, tag);
    } else if (Is(id, kContentDescription)) {
      ReadContentDescription(body, tag);
    } else if (Is(id, kExtendedContent)) {
      ReadExtendedContent(body, tag);
    }
    pos += size;
  }
  if (playTime) {
    tag.duration = *playTime;
  } else if (maxBitrate != 0 && fileSize > headerEnd) {
    tag.duration = static_cast<uint32_t>(
        std::min(static_cast<double>(fileSize - headerEnd) * 8.0 / maxBitrate, 4294967295.0));
  }
  tag.formatName.Assign(u"WMA");
  TrimTags(tag);
  return 0;
}

}  // namespace tarnq::analysis
