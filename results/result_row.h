// SPDX-License-Identifier: GPL-3.0-or-later
// One row of the result list: a found file with a state byte and the name's length inserted after
// its length word. Packed little-endian, reached through byte offsets (results files and the
// list's store rely on the layout):
//
//   offset  width  field
//        0      2  length      whole record: 2 * name units + 81 (= the found file's length + 3)
//        2      1  state       RowState bits
//        3      2  nameLength  units of the name without its terminator
//        5      4  group       duplicate group, 0 = none
//        9      4  folder      1-based index in the FolderTable, 0 = none
//       13      2  attributes
//       15      8  size        all ones = unknown
//       23      8  created     FILETIME, UTC
//       31      8  accessed
//       39      8  modified    shown as "Modified"
//       47     32  info        AudioInfo (text block pointer at 71, owned by the row)
//       79      -  name        UTF-16LE, zero-terminated
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "records/audio_info.h"
#include "records/found_file.h"

namespace tarnq::results {

namespace row_layout {
inline constexpr size_t kLength = 0;
inline constexpr size_t kState = 2;
inline constexpr size_t kNameLength = 3;
inline constexpr size_t kGroup = 5;
inline constexpr size_t kFolder = 9;
inline constexpr size_t kAttributes = 13;
inline constexpr size_t kSize = 15;
inline constexpr size_t kCreated = 23;
inline constexpr size_t kAccessed = 31;
inline constexpr size_t kModified = 39;
inline constexpr size_t kInfo = 47;
inline constexpr size_t kInfoTexts = kInfo + offsetof(records::AudioInfo, texts);
inline constexpr size_t kName = 79;
inline constexpr size_t kFixedSize = kName;
inline constexpr size_t kMaxNameUnits = 1024;
// The found file's fields from the group on sit this many bytes further in a row.
inline constexpr size_t kShiftFromFoundFile = 3;
}  // namespace row_layout

// RowState bits.
namespace row_state {
inline constexpr uint8_t kFocused = 0x01;
inline constexpr uint8_t kSelected = 0x02;
inline constexpr uint8_t kMovePending = 0x60;  // both bits together
}  // namespace row_state

inline constexpr uint64_t kUnknownSize = ~uint64_t{0};

// A non-owning view of one packed row. Setters write through to the record.
class ResultRow {
 public:
  ResultRow() = default;
  explicit ResultRow(std::byte* record) : m_record(record) {}

  std::byte* Data() const { return m_record; }
  explicit operator bool() const { return m_record != nullptr; }
  friend bool operator==(ResultRow a, ResultRow b) { return a.m_record == b.m_record; }

  uint16_t Length() const { return Read<uint16_t>(row_layout::kLength); }
  uint8_t State() const { return Read<uint8_t>(row_layout::kState); }
  void SetState(uint8_t state) const { Write(row_layout::kState, state); }
  bool Selected() const { return (State() & row_state::kSelected) != 0; }
  uint32_t Group() const { return Read<uint32_t>(row_layout::kGroup); }
  void SetGroup(uint32_t group) const { Write(row_layout::kGroup, group); }
  uint32_t Folder() const { return Read<uint32_t>(row_layout::kFolder); }
  void SetFolder(uint32_t folder) const { Write(row_layout::kFolder, folder); }
  uint16_t Attributes() const { return Read<uint16_t>(row_layout::kAttributes); }
  uint64_t Size() const { return Read<uint64_t>(row_layout::kSize); }
  uint64_t Created() const { return Read<uint64_t>(row_layout::kCreated); }
  uint64_t Accessed() const { return Read<uint64_t>(row_layout::kAccessed); }
  uint64_t Modified() const { return Read<uint64_t>(row_layout::kModified); }
  // A copy of the info; its text pointer still belongs to the row.
  records::AudioInfo Info() const { return Read<records::AudioInfo>(row_layout::kInfo); }
  void SetInfo(const records::AudioInfo& info) const { Write(row_layout::kInfo, info); }

  // Units of the name, bounded by the record's length whatever nameLength says.
  size_t NameLength() const;
  // The name (copied out: it sits at an odd offset, so no aligned view of it exists).
  std::u16string Name() const;
  void GetName(std::u16string& out) const;

 private:
  template <class T>
  T Read(size_t offset) const {
    return records::LoadPacked<T>(m_record, offset);
  }
  template <class T>
  void Write(size_t offset, const T& value) const {
    records::StorePacked(m_record, offset, value);
  }

  std::byte* m_record = nullptr;
};

// Fields of a row as results files and tests build them.
struct RowFields {
  uint8_t state = 0;
  uint32_t group = 0;
  uint32_t folder = 0;
  uint16_t attributes = 0;
  uint64_t size = kUnknownSize;
  uint64_t created = 0;
  uint64_t accessed = 0;
  uint64_t modified = 0;
};

// Encodes a row into `out` (resized, storage reused). The info's text block pointer is stored as it
// is: the row then owns the block. False, `out` empty, when the name is longer than 1024 units.
bool EncodeRow(const RowFields& fields, const records::AudioInfo& info, std::u16string_view name,
               std::vector<std::byte>& out);
// A row made of a found file (state 0, fields from the group on, the name). The text block pointer
// is copied as it is: the caller decides who owns it.
bool RowFromFoundFile(records::FoundFile file, std::vector<std::byte>& out);

}  // namespace tarnq::results
