// SPDX-License-Identifier: GPL-3.0-or-later
// One found file as a packed little-endian record. Results files, stores and readers rely on the
// exact layout, so the fields are reached through byte offsets and memcpy, never through a struct:
//
//   offset  width  field
//        0      2  length      whole record in bytes: 76 + 2 * (name units + 1)
//        2      4  group       duplicate group, 0 = none; groups count from 1
//        6      4  folder      1-based index in the folder table, 0 = none
//       10      2  attributes  attribute bits masked with 0x4C37
//       12      8  size        bytes; all ones = unknown
//       20      8  created     FILETIME, UTC
//       28      8  accessed    FILETIME, UTC
//       36      8  modified    FILETIME, UTC
//       44     32  info        AudioInfo (its text block's address at 68: a view; the
//                              FoundFileStore owns the block)
//       76      -  name        UTF-16LE, zero-terminated, without the folder
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "records/audio_info.h"
#include "records/packed_store.h"
#include "records/text_blocks.h"

namespace tarnq::records {

static_assert(std::endian::native == std::endian::little,
              "packed records are little-endian and read in place");

namespace found_file {
inline constexpr size_t kLength = 0;
inline constexpr size_t kGroup = 2;
inline constexpr size_t kFolder = 6;
inline constexpr size_t kAttributes = 10;
inline constexpr size_t kSize = 12;
inline constexpr size_t kCreated = 20;
inline constexpr size_t kAccessed = 28;
inline constexpr size_t kModified = 36;
inline constexpr size_t kInfo = 44;
inline constexpr size_t kInfoFormat = kInfo + offsetof(AudioInfo, format);
inline constexpr size_t kInfoTrack = kInfo + offsetof(AudioInfo, track);
inline constexpr size_t kInfoBpm = kInfo + offsetof(AudioInfo, bpm);
inline constexpr size_t kInfoDuration = kInfo + offsetof(AudioInfo, duration);
inline constexpr size_t kInfoBitrate = kInfo + offsetof(AudioInfo, bitrate);
inline constexpr size_t kInfoTexts = kInfo + offsetof(AudioInfo, texts);
inline constexpr size_t kName = 76;
inline constexpr size_t kFixedSize = kName;
// Names longer than this are refused, so a record never exceeds the 2127 bytes readers copy.
inline constexpr size_t kMaxNameUnits = 1024;
inline constexpr uint16_t kAttributeMask = 0x4C37;
inline constexpr uint64_t kUnknownSize = ~uint64_t{0};
}  // namespace found_file

// The file-system side of a record, as the scan takes it from the directory entry.
struct FoundFileFields {
  uint32_t group = 0;
  uint32_t folder = 0;
  uint16_t attributes = 0;  // masked with 0x4C37 when encoded
  uint64_t size = found_file::kUnknownSize;
  uint64_t created = 0;
  uint64_t accessed = 0;
  uint64_t modified = 0;
};

// A non-owning view of one packed record (in a PackedStore or any buffer). Copying the view copies
// the pointer; the setters write through to the record.
class FoundFile {
 public:
  FoundFile() = default;
  explicit FoundFile(std::byte* record) : m_record(record) {}

  std::byte* Data() const { return m_record; }
  explicit operator bool() const { return m_record != nullptr; }
  friend bool operator==(FoundFile a, FoundFile b) { return a.m_record == b.m_record; }

  uint16_t Length() const { return Read<uint16_t>(found_file::kLength); }
  uint32_t Group() const { return Read<uint32_t>(found_file::kGroup); }
  void SetGroup(uint32_t group) const { Write(found_file::kGroup, group); }
  uint32_t Folder() const { return Read<uint32_t>(found_file::kFolder); }
  void SetFolder(uint32_t folder) const { Write(found_file::kFolder, folder); }
  uint16_t Attributes() const { return Read<uint16_t>(found_file::kAttributes); }
  uint64_t Size() const { return Read<uint64_t>(found_file::kSize); }
  uint64_t Created() const { return Read<uint64_t>(found_file::kCreated); }
  uint64_t Accessed() const { return Read<uint64_t>(found_file::kAccessed); }
  uint64_t Modified() const { return Read<uint64_t>(found_file::kModified); }
  FoundFileFields Fields() const;

  // The whole AudioInfo (a copy; its text pointer still belongs to the record).
  AudioInfo Info() const { return Read<AudioInfo>(found_file::kInfo); }
  void SetInfo(const AudioInfo& info) const { Write(found_file::kInfo, info); }
  // Single fields of the info, for the comparisons.
  // The format code without the codec bits (see Codec).
  uint32_t Format() const { return Read<uint32_t>(found_file::kInfoFormat) & kFormatCodeMask; }
  uint16_t Track() const { return Read<uint16_t>(found_file::kInfoTrack); }
  uint16_t Bpm() const { return Read<uint16_t>(found_file::kInfoBpm); }
  uint32_t Duration() const { return Read<uint32_t>(found_file::kInfoDuration); }
  int32_t Bitrate() const { return Read<int32_t>(found_file::kInfoBitrate); }
  // Units of the name without its terminator (bounded by the record's length).
  size_t NameLength() const;
  std::u16string Name() const;

 private:
  template <class T>
  T Read(size_t offset) const {
    return LoadPacked<T>(m_record, offset);
  }
  template <class T>
  void Write(size_t offset, const T& value) const {
    StorePacked(m_record, offset, value);
  }

  std::byte* m_record = nullptr;
};

// Encodes a record into `out` (resized; its storage is reused, so one buffer serves a whole scan).
// The info's text block address is stored as it is; whoever stores the record takes the block
// over. Returns false and leaves `out` empty when the name holds more than kMaxNameUnits units.
bool EncodeFoundFile(const FoundFileFields& fields, const AudioInfo& info,
                     std::u16string_view name, std::vector<std::byte>& out);

// The store of one search's found files. It owns the text blocks of its records: those not handed
// over (to the result list) are freed when the store is cleared or destroyed.
class FoundFileStore : public PackedStore {
 public:
  // Appends an encoded record (see PackedStore::Append); on success the store owns the text block
  // the record's info points to, on failure the block is still the caller's.
  uint32_t Append(const void* record, size_t length);
  uint64_t Insert(const void*, size_t, uint64_t) = delete;  // found files stay in scan order
  // Frees the texts of `file` (a record of this store) and leaves its pointer null.
  void ReleaseTexts(FoundFile file);
  // The texts of `file` leave the store with its record (for example into the result list): the
  // store forgets the block without freeing it, and the record's pointer becomes null.
  void HandOver(FoundFile file);
  // Releases every record and text block.
  void Clear();
  size_t TextBlocks() const { return m_texts.Size(); }

 private:
  TextBlockSet m_texts;
};

}  // namespace tarnq::records
