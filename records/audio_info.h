// SPDX-License-Identifier: GPL-3.0-or-later
// The audio properties and tag texts of one file, as the analysis or the information cache
// supplies them. A plain record: it is copied byte for byte into packed `FoundFile`s, so it has no
// destructor; whoever holds the record owns its text block and frees it with Release().
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarnq::records {

// Format codes (the reader that produced the properties).
inline constexpr uint32_t kFormatMpeg = 0;    // "*.MP3;*.MP1;*.MP2;*.MPP"
inline constexpr uint32_t kFormatOgg = 1;     // "*.OGG;*.OGM"
inline constexpr uint32_t kFormatWma = 2;     // "*.WMA"
inline constexpr uint32_t kFormatFlac = 3;    // "*.FLAC"
inline constexpr uint32_t kFormatMp4 = 4;     // "*.M4A;*.M4V"
inline constexpr uint32_t kFormatPlugin = 5;  // supplied by a content plug-in

// The codec of the audio track, where the format code alone does not tell it (an MP4 file holds
// AAC or ALAC). It rides in bits 16-23 of the format word, so the record keeps its size and the
// matching reads nothing more. Only the analysis knows it: results files store the format code
// alone (a loaded list's codec is kUnknown) and the information cache keeps it in a field of its
// own. kUnknown also means "not looked for" (every reader but MP4's); an unknown codec is never
// taken for a lossless one.
enum class Codec : uint8_t { kUnknown = 0, kOther = 1, kAac = 2, kAlac = 3 };
inline constexpr Codec kLastCodec = Codec::kAlac;
inline constexpr uint32_t kFormatCodecBits = 0x00FF0000;
inline constexpr uint32_t kFormatCodeMask = ~kFormatCodecBits;
inline constexpr int kFormatCodecShift = 16;
// The format word of `format` with `codec`.
constexpr uint32_t WithCodec(uint32_t format, Codec codec) {
  return (format & ~kFormatCodecBits) | uint32_t{static_cast<uint8_t>(codec)} << kFormatCodecShift;
}
// The word as results files and the cache's format field store it: without the codec.
constexpr uint32_t WithoutCodec(uint32_t format) { return format & ~kFormatCodecBits; }
// "alac", "aac"; empty for kUnknown and kOther.
std::string_view CodecName(Codec codec);

// Indexes of the six texts of the block.
inline constexpr size_t kTextType = 0;
inline constexpr size_t kTextGenre = 1;
inline constexpr size_t kTextTitle = 2;
inline constexpr size_t kTextArtist = 3;
inline constexpr size_t kTextAlbum = 4;
inline constexpr size_t kTextComment = 5;
inline constexpr size_t kTextCount = 6;

// Most UTF-16 units kept per text when a block is built (the Type text limits only the reader's
// description; the rate and channel parts are added after it).
inline constexpr std::array<size_t, kTextCount> kTextLimits = {16, 32, 256, 256, 256, 256};
// No single text of a block exceeds this many bytes of UTF-8.
inline constexpr size_t kMaxTextBytes = 1023;
// Comparisons fetch texts with this capacity, so they see at most its first 255 units.
inline constexpr size_t kCompareCapacity = 256;

// What a reader found, as Build() takes it. The texts need not be zero-terminated.
struct AudioSource {
  uint32_t format = kFormatMpeg;
  Codec codec = Codec::kUnknown;
  uint16_t channels = 0;  // channel mode: above 1 is stereo, 3 joint stereo
  uint16_t track = 0;
  uint16_t bpm = 0;
  uint16_t year = 0;
  uint32_t duration = 0;    // whole seconds
  uint32_t sampleRate = 0;  // Hz, 0 = unknown
  int32_t bitrate = 0;      // kbit/s, negative = variable with that average
  std::u16string_view formatName;  // the reader's description; empty = nothing recognised
  std::u16string_view genre, title, artist, album, comment;
};

// 32 bytes, natural alignment, no padding: the same bytes sit at offset 44 of a FoundFile.
struct AudioInfo {
  uint32_t format = 0;  // the format code; bits 16-23 the codec (see Codec)
  uint16_t channels = 0;
  uint16_t track = 0;
  uint16_t bpm = 0;
  uint16_t year = 0;
  uint32_t duration = 0;
  uint32_t sampleRate = 0;
  int32_t bitrate = 0;
  // Six zero-terminated UTF-8 texts back to back and one more zero byte; null = all empty.
  char* texts = nullptr;

  // Text `index` (0-5) converted to UTF-16, at most capacity - 1 units (a surrogate pair is never
  // split), always terminated. Returns the number of units written. Empty for a null block or an
  // index out of range.
  size_t GetText(size_t index, char16_t* destination, size_t capacity) const;
  // The same into a string (its storage is reused; no terminator counted in its size).
  void GetText(size_t index, std::u16string& out, size_t capacity = kCompareCapacity) const;
  std::u16string GetText(size_t index, size_t capacity = kCompareCapacity) const;
  // The stored UTF-8 bytes of text `index`.
  std::string_view TextUtf8(size_t index) const;
  // All six at once (one pass over the block).
  std::array<std::string_view, kTextCount> TextsUtf8() const;
  bool HasText(size_t index) const;
  // Both texts fetched with kCompareCapacity and compared like the user's locale sorts, ignoring
  // case: -1, 0 or 1.
  int CompareField(const AudioInfo& other, size_t index) const;

  // The reader's format code (kFormatMpeg ...), without the codec.
  uint32_t FormatCode() const { return format & kFormatCodeMask; }
  Codec AudioCodec() const {
    const auto value = static_cast<uint8_t>((format & kFormatCodecBits) >> kFormatCodecShift);
    return value <= static_cast<uint8_t>(kLastCodec) ? static_cast<Codec>(value) : Codec::kUnknown;
  }

  // Playable audio was found: stream properties and a duration above 0.
  bool HasAudio() const { return duration > 0 && (sampleRate != 0 || bitrate != 0); }

  // Deep copy: the numbers and a new text block. `target`'s old block is not freed. Returns false
  // (target's texts null) when the block cannot be allocated.
  bool CopyTo(AudioInfo& target) const;
  // Frees the text block and leaves the pointer null.
  void Release();

  // Fills the numbers from `source`, composes the Type text and packs the six texts into a new
  // block (the old one is not freed). Returns false, texts null, when the block cannot be allocated.
  bool Build(const AudioSource& source);
  // Replaces the texts by a new block made of `texts` (cut to kTextLimits; the Type text is taken
  // as already composed), freeing the old one. Returns false, texts null, when out of memory.
  bool SetTexts(const std::array<std::u16string_view, kTextCount>& texts);
};

static_assert(sizeof(AudioInfo) == 32, "AudioInfo is stored byte for byte in packed records");
static_assert(offsetof(AudioInfo, duration) == 12 && offsetof(AudioInfo, bitrate) == 20 &&
              offsetof(AudioInfo, texts) == 24);

// The Type text: the description cut to its limit, then ", <rate>Hz" and ", Joint Stereo" or
// ", Stereo"; empty when there is no description.
std::u16string ComposeTypeText(std::u16string_view description, uint32_t sampleRate,
                               uint16_t channels);

// Packs already limited UTF-8 texts into a new block (malloc'ed; free with AudioInfo::Release or
// std::free). Each text is cut to kMaxTextBytes at a character boundary. Null when out of memory.
char* PackTextBlock(const std::array<std::string_view, kTextCount>& utf8Texts);

}  // namespace tarnq::records
