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

AudioInfo FoundFile::TakeInfo() const {
  AudioInfo info = Info();
  Write<char*>(found_file::kInfoTexts, nullptr);
  return info;
}

void FoundFile::ReleaseTexts() const {
  AudioInfo info = TakeInfo();
  info.Release();
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

void ReleaseFoundFileTexts(std::byte* record) {
  if (record != nullptr) FoundFile(record).ReleaseTexts();
}

}  // namespace tarnq::records
