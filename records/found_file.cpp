// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/found_file.h"

namespace tarnq::records {

FoundFileFields FoundFile::Fields() const {
  FoundFileFields fields;
  fields.group = Group();
  fields.folder = Folder();
  fields.attributes = Attributes();
  fields.size = Size();
  fields.created = Created();
  fields.accessed = Accessed();
  fields.modified = Modified();
  return fields;
}

size_t FoundFile::NameLength() const {
  const size_t length = Length();
  if (length < found_file::kFixedSize + 2) return 0;
  const size_t capacity = (length - found_file::kFixedSize) / 2;
  size_t n = 0;
  while (n < capacity && Read<char16_t>(found_file::kName + 2 * n) != u'\0') ++n;
  return n;
}

std::u16string FoundFile::Name() const {
  std::u16string name(NameLength(), u'\0');
  if (!name.empty()) std::memcpy(name.data(), m_record + found_file::kName, 2 * name.size());
  return name;
}

bool EncodeFoundFile(const FoundFileFields& fields, const AudioInfo& info,
                     std::u16string_view name, std::vector<std::byte>& out) {
  if (name.size() > found_file::kMaxNameUnits) {
    out.clear();
    return false;
  }
  const size_t length = found_file::kFixedSize + 2 * (name.size() + 1);
  out.resize(length);
  FoundFile record(out.data());
  const uint16_t length16 = static_cast<uint16_t>(length);
  const uint16_t attributes = fields.attributes & found_file::kAttributeMask;
  std::memcpy(out.data() + found_file::kLength, &length16, 2);
  std::memcpy(out.data() + found_file::kGroup, &fields.group, 4);
  std::memcpy(out.data() + found_file::kFolder, &fields.folder, 4);
  std::memcpy(out.data() + found_file::kAttributes, &attributes, 2);
  std::memcpy(out.data() + found_file::kSize, &fields.size, 8);
  std::memcpy(out.data() + found_file::kCreated, &fields.created, 8);
  std::memcpy(out.data() + found_file::kAccessed, &fields.accessed, 8);
  std::memcpy(out.data() + found_file::kModified, &fields.modified, 8);
  record.SetInfo(info);
  if (!name.empty()) std::memcpy(out.data() + found_file::kName, name.data(), 2 * name.size());
  std::memset(out.data() + found_file::kName + 2 * name.size(), 0, 2);
  return true;
}

uint32_t FoundFileStore::Append(const void* record, size_t length) {
  if (length < found_file::kFixedSize) return PackedStore::Append(record, length);
  char* texts;
  std::memcpy(&texts, static_cast<const std::byte*>(record) + found_file::kInfoTexts, sizeof texts);
  platform::StoreGuard guard(Lock());
  if (!m_texts.Adopt(texts)) return 8;  // not enough memory
  const uint32_t code = PackedStore::Append(record, length);
  if (code != 0) m_texts.Disown(texts);
  return code;
}

void FoundFileStore::ReleaseTexts(FoundFile file) {
  platform::StoreGuard guard(Lock());
  AudioInfo info = file.Info();
  if (m_texts.Free(info.texts)) StorePacked<char*>(file.Data(), found_file::kInfoTexts, nullptr);
}

void FoundFileStore::HandOver(FoundFile file) {
  platform::StoreGuard guard(Lock());
  AudioInfo info = file.Info();
  if (m_texts.Disown(info.texts)) StorePacked<char*>(file.Data(), found_file::kInfoTexts, nullptr);
}

void FoundFileStore::Clear() {
  platform::StoreGuard guard(Lock());
  PackedStore::Clear();
  m_texts.Clear();
}

}  // namespace tarnq::records
