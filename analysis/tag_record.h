// SPDX-License-Identifier: GPL-3.0-or-later
// The working record every format reader fills: stream properties and tag texts of one file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/text.h"
#include "records/audio_info.h"
#include "platform/per_thread.h"

namespace tarnq::analysis {

// A zero-terminated UTF-16 text of at most Capacity - 1 units, stored inline so that filling a
// record never touches the heap. Longer input is cut without splitting a surrogate pair.
template <size_t Capacity>
class FixedText {
 public:
  static constexpr size_t kCapacity = Capacity;

  std::u16string_view View() const { return {m_units, m_length}; }
  const char16_t* CStr() const { return m_units; }
  size_t Length() const { return m_length; }
  bool Empty() const { return m_length == 0; }
  void Clear() {
    m_length = 0;
    m_units[0] = 0;
  }
  void Assign(std::u16string_view text) {
    size_t n = text.size() < Capacity - 1 ? text.size() : Capacity - 1;
    if (n < text.size() && n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
    for (size_t i = 0; i < n; ++i) m_units[i] = text[i];
    m_units[n] = 0;
    m_length = static_cast<uint16_t>(n);
  }
  // Decodes UTF-8 (the whole range; malformed sequences become U+FFFD).
  void AssignUtf8(std::string_view utf8) {
    // One scratch buffer per thread keeps the hot path free of allocations after warm-up.
    thread_local platform::PerThread<std::u16string> t_scratchHolder;
    std::u16string& scratch = t_scratchHolder.Get();
    scratch.clear();
    platform::AppendUtf8ToUtf16(utf8.substr(0, 4 * Capacity), scratch);
    Assign(scratch);
  }

 private:
  char16_t m_units[Capacity] = {};
  uint16_t m_length = 0;
};

// Filled with zeros before each reader runs.
struct TagRecord {
  // Not a tag: the file's size when the caller knows it from a folder listing (readers then open
  // the file without asking its size again). Set after Clear().
  uint64_t knownFileSize = ~uint64_t{0};
  // Channel-mode code: 0 unknown or not stereo, 1 mono (some readers), 2 stereo, 3 joint stereo;
  // the FLAC, WMA and Ogg readers store the plain channel count.
  uint16_t channels = 0;
  uint16_t track = 0;
  uint16_t trackTotal = 0;  // read but not carried into an AudioInfo
  uint16_t bpm = 0;
  uint16_t year = 0;        // 0 for any year below 1900
  uint32_t duration = 0;    // whole seconds
  uint32_t sampleRate = 0;  // Hz
  int32_t bitrate = 0;      // kbit/s; -n marks a variable rate averaging n kbit/s
  // The audio track's codec where the container does not tell it (MP4); kUnknown elsewhere.
  records::Codec codec = records::Codec::kUnknown;
  FixedText<16> formatName;  // empty: the reader recognised nothing
  FixedText<32> genre;
  FixedText<256> title;
  FixedText<256> artist;
  FixedText<256> album;
  FixedText<256> comment;

  void Clear() { *this = TagRecord{}; }
};
// Kept trivially destructible: a per-thread TagRecord then needs no destructor registered.
static_assert(std::is_trivially_destructible_v<TagRecord>);

// Removes leading, then trailing U+0020 (only spaces) from formatName and the five texts.
void TrimTags(TagRecord& tag);

// Years below 1900 are not years.
inline uint16_t YearOrZero(int64_t value) {
  return value >= 1900 && value <= 65535 ? static_cast<uint16_t>(value) : 0;
}

// Leading-space-tolerant decimal parse of a text; no digits gives 0. Saturates at 2^31 - 1.
int64_t ParseDecimal(std::u16string_view text, size_t* end = nullptr);
// A track text "n/m" (or "n of m", "n m"): n, then the next number after it.
void ParseTrackText(std::u16string_view text, uint16_t& track, uint16_t& trackTotal);

}  // namespace tarnq::analysis
