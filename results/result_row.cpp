// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/result_row.h"

namespace tarnq::results {

size_t ResultRow::NameLength() const {
  const size_t length = Length();
  if (length < row_layout::kFixedSize + 2) return 0;
  const size_t capacity = (length - row_layout::kFixedSize) / 2 - 1;
  const size_t n = Read<uint16_t>(row_layout::kNameLength);
  return n > capacity ? capacity : n;
}

void ResultRow::GetName(std::u16string& out) const {
  const size_t n = NameLength();
  out.resize(n);
  if (n > 0) std::memcpy(out.data(), m_record + row_layout::kName, 2 * n);
}

std::u16string ResultRow::Name() const {
  std::u16string name;
  GetName(name);
  return name;
}

bool EncodeRow(const RowFields& fields, const records::AudioInfo& info, std::u16string_view name,
               std::vector<std::byte>& out) {
  if (name.size() > row_layout::kMaxNameUnits) {
    out.clear();
    return false;
  }
  const size_t length = row_layout::kFixedSize + 2 * (name.size() + 1);
  out.resize(length);
  std::byte* p = out.data();
  const uint16_t length16 = static_cast<uint16_t>(length);
  const uint16_t nameLength = static_cast<uint16_t>(name.size());
  std::memcpy(p + row_layout::kLength, &length16, 2);
  std::memcpy(p + row_layout::kState, &fields.state, 1);
  std::memcpy(p + row_layout::kNameLength, &nameLength, 2);
  std::memcpy(p + row_layout::kGroup, &fields.group, 4);
  std::memcpy(p + row_layout::kFolder, &fields.folder, 4);
  std::memcpy(p + row_layout::kAttributes, &fields.attributes, 2);
  std::memcpy(p + row_layout::kSize, &fields.size, 8);
  std::memcpy(p + row_layout::kCreated, &fields.created, 8);
  std::memcpy(p + row_layout::kAccessed, &fields.accessed, 8);
  std::memcpy(p + row_layout::kModified, &fields.modified, 8);
  std::memcpy(p + row_layout::kInfo, &info, sizeof info);
  if (!name.empty()) std::memcpy(p + row_layout::kName, name.data(), 2 * name.size());
  std::memset(p + row_layout::kName + 2 * name.size(), 0, 2);
  return true;
}

bool RowFromFoundFile(records::FoundFile file, std::vector<std::byte>& out) {
  const size_t nameLength = file.NameLength();
  if (nameLength > row_layout::kMaxNameUnits) {
    out.clear();
    return false;
  }
  const size_t length = row_layout::kFixedSize + 2 * (nameLength + 1);
  out.resize(length);
  std::byte* p = out.data();
  const uint16_t length16 = static_cast<uint16_t>(length);
  const uint16_t nameLength16 = static_cast<uint16_t>(nameLength);
  std::memcpy(p + row_layout::kLength, &length16, 2);
  p[row_layout::kState] = std::byte{0};
  std::memcpy(p + row_layout::kNameLength, &nameLength16, 2);
  // group .. info are laid out alike in both records.
  std::memcpy(p + row_layout::kGroup, file.Data() + records::found_file::kGroup,
              records::found_file::kName - records::found_file::kGroup);
  if (nameLength > 0)
    std::memcpy(p + row_layout::kName, file.Data() + records::found_file::kName, 2 * nameLength);
  std::memset(p + row_layout::kName + 2 * nameLength, 0, 2);
  return true;
}

}  // namespace tarnq::results
