// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/results_file.h"

#include <unordered_map>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "settings/field_line.h"
#include "settings/path_macros.h"
#include "settings/settings_store.h"
#include "platform/per_thread.h"

namespace tarnq::results {
namespace {

using records::AudioInfo;

// What a loaded row keeps of its texts (the type text is kept as read).
constexpr size_t kTagUnits = 255;
constexpr size_t kGenreUnits = 31;

std::u16string TextOf(const AudioInfo& info, size_t index) {
  return platform::Utf8ToUtf16(info.TextUtf8(index));
}

std::u16string_view TrimSpaces(std::u16string_view text) {
  while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  return text;
}

// The folder table of a load: every folder path seen so far, so that a folder whose parent is
// known is stored as one name under it.
class FolderBuilder {
 public:
  explicit FolderBuilder(FolderTable& table) : m_table(table) {}

  uint32_t Index(std::u16string_view folder) {
    const auto it = m_known.find(std::u16string(folder));
    if (it != m_known.end()) return it->second;
    uint32_t index = 0;
    const std::u16string_view parent = platform::FolderOf(folder);
    const std::u16string_view name = platform::FileNameOf(folder);
    if (!parent.empty() && parent != folder && !name.empty()) {
      const auto up = m_known.find(std::u16string(parent));
      if (up != m_known.end()) index = m_table.Add(name, up->second);
    }
    if (index == 0) index = m_table.FindOrAdd(folder, 0);
    if (index != 0) m_known.emplace(folder, index);
    return index;
  }

 private:
  FolderTable& m_table;
  std::unordered_map<std::u16string, uint32_t> m_known;
};

// One line's row: false when the line names no usable file.
enum class LineOutcome { kAdded, kBadPath, kRejected, kEmpty };

LineOutcome AddLine(ResultList& list, FolderBuilder& folders, std::string_view line,
                    std::vector<std::byte>& record) {
  using settings::ParseSigned32;
  using settings::ParseUnsigned32;
  using settings::ParseUnsigned64;
  settings::FieldReader reader(line);
  std::string_view f[kResultsFieldCount];
  for (auto& field : f) field = reader.NextOrEmpty();
  if (f[0].empty()) return LineOutcome::kEmpty;

  const std::u16string raw = platform::NameBytesToUtf16(f[0]);
  if (raw.size() > row_layout::kMaxNameUnits || !platform::IsAbsolutePath(raw)) return LineOutcome::kBadPath;
  const std::u16string path = settings::NormalizePath(raw);
  const std::u16string_view name = platform::FileNameOf(path);
  const std::u16string_view folder = platform::FolderOf(path);
  if (name.empty() || name == u"." || name == u".." || folder.empty()) return LineOutcome::kBadPath;
  const uint32_t folderIndex = folders.Index(folder);
  if (folderIndex == 0) return LineOutcome::kRejected;

  RowFields fields;
  fields.group = ParseUnsigned32(f[1]);
  fields.folder = folderIndex;
  fields.size = ParseUnsigned64(f[2]);
  fields.attributes = static_cast<uint16_t>(ParseUnsigned32(f[3]));
  fields.modified = ParseUnsigned64(f[4]);
  fields.accessed = ParseUnsigned64(f[5]);
  fields.created = ParseUnsigned64(f[6]);

  AudioInfo info;
  // The file stores no codec (the analysis alone knows it): a loaded row's codec is unknown, and
  // a stray value in those bits cannot make a lossy copy look lossless.
  info.format = records::WithoutCodec(static_cast<uint32_t>(ParseSigned32(f[7])));
  info.channels = static_cast<uint16_t>(ParseUnsigned32(f[8]));
  info.sampleRate = ParseUnsigned32(f[9]);
  info.bitrate = ParseSigned32(f[10]);
  info.duration = ParseUnsigned32(f[11]);
  info.track = static_cast<uint16_t>(ParseUnsigned32(f[12]));
  info.year = static_cast<uint16_t>(ParseUnsigned32(f[16]));
  info.bpm = static_cast<uint16_t>(ParseUnsigned32(f[20]));
  const std::u16string title = settings::DecodeTextField(f[13]);
  const std::u16string artist = settings::DecodeTextField(f[14]);
  const std::u16string album = settings::DecodeTextField(f[15]);
  const std::u16string genre = settings::DecodeTextField(f[17]);
  const std::u16string type = settings::DecodeTextField(f[18]);
  const std::u16string comment = settings::DecodeTextField(f[19]);
  std::array<std::u16string_view, records::kTextCount> texts;
  texts[records::kTextType] = TrimSpaces(type);
  texts[records::kTextGenre] = platform::CutUtf16(TrimSpaces(genre), kGenreUnits);
  texts[records::kTextTitle] = platform::CutUtf16(TrimSpaces(title), kTagUnits);
  texts[records::kTextArtist] = platform::CutUtf16(TrimSpaces(artist), kTagUnits);
  texts[records::kTextAlbum] = platform::CutUtf16(TrimSpaces(album), kTagUnits);
  texts[records::kTextComment] = platform::CutUtf16(TrimSpaces(comment), kTagUnits);
  if (!info.SetTexts(texts)) return LineOutcome::kRejected;

  if (!EncodeRow(fields, info, name, record) || list.AddRow(record) < 0) {
    info.Release();
    return LineOutcome::kRejected;
  }
  return LineOutcome::kAdded;
}

}  // namespace

bool AppendResultsLine(const ResultList& list, ResultRow row, std::string& out) {
  if (!row || row.Length() == 0) return true;
  thread_local platform::PerThread<std::u16string> t_pathHolder;
  std::u16string& path = t_pathHolder.Get();
  path.clear();
  list.AppendFullPath(row, path);
  if (path.find_first_of(u"\r\n", 0, 3) != std::u16string::npos) return false;  // CR, LF, NUL
  const AudioInfo info = row.Info();
  settings::FieldLineWriter w(out);
  w.Utf8(path);
  w.Unsigned(row.Group());
  w.Unsigned(row.Size());
  w.Unsigned(row.Attributes());
  w.Unsigned(row.Modified());
  w.Unsigned(row.Accessed());
  w.Unsigned(row.Created());
  w.Signed(static_cast<int32_t>(records::WithoutCodec(info.format)));
  w.Unsigned(info.channels);
  w.Unsigned(info.sampleRate);
  w.Signed(info.bitrate);
  w.Unsigned(info.duration);
  w.Unsigned(info.track);
  w.Text(TextOf(info, records::kTextTitle));
  w.Text(TextOf(info, records::kTextArtist));
  w.Text(TextOf(info, records::kTextAlbum));
  w.Unsigned(info.year);
  w.Text(TextOf(info, records::kTextGenre));
  w.Text(TextOf(info, records::kTextType));
  w.Text(TextOf(info, records::kTextComment));
  w.Unsigned(info.bpm);
  w.EndLine();
  return true;
}

std::string ComposeResultsFile(const ResultList& list, size_t* unstorable) {
  platform::StoreGuard guard(list.RowsLock());
  std::string out;
  const size_t count = list.RowCount();
  out.reserve(count * 200);
  size_t left = 0;
  for (size_t i = 0; i < count; ++i) left += AppendResultsLine(list, list.RowAt(i), out) ? 0 : 1;
  if (unstorable) *unstorable = left;
  return out;
}

uint32_t SaveResults(const ResultList& list, std::u16string_view path, size_t* written, size_t* unstorable) {
  if (written) *written = 0;
  if (unstorable) *unstorable = 0;
  size_t rows;
  size_t left = 0;
  std::string bytes;
  {
    platform::StoreGuard guard(list.RowsLock());
    rows = list.RowCount();
    if (rows == 0) return 0;
    bytes = ComposeResultsFile(list, &left);
  }
  rows -= left;
  if (unstorable) *unstorable = left;
  uint32_t code = platform::WriteFileAtomically(path, bytes);
  if (code == platform::err::kPathNotFound && platform::CreateFolders(platform::FolderOf(path)) == 0)
    code = platform::WriteFileAtomically(path, bytes);
  if (code == 0 && written) *written = rows;
  return code;
}

void LoadResultsFromBytes(ResultList& list, std::string_view bytes, LoadReport* report) {
  LoadReport local;
  LoadReport& r = report ? *report : local;
  r = LoadReport{};
  // One reset for the observers: the old rows go and the file's rows come in one batch.
  list.BeginBatch();
  list.Clear();
  FolderBuilder folders(list.Folders());
  std::vector<std::byte> record;
  std::string line;
  size_t pos = 0;
  while (pos < bytes.size()) {
    // A line ends at CR, LF or CR LF; NUL bytes are dropped. Past 32767 bytes the rest of the line
    // is skipped: read as a row of its own it could name any file.
    line.clear();
    bool overlong = false;
    while (pos < bytes.size() && bytes[pos] != '\r' && bytes[pos] != '\n') {
      const char c = bytes[pos++];
      if (c == '\0') continue;
      if (line.size() < kResultsMaxLineBytes) line.push_back(c);
      else overlong = true;
    }
    if (pos < bytes.size() && bytes[pos] == '\r') ++pos;
    if (pos < bytes.size() && bytes[pos] == '\n') ++pos;
    if (overlong) ++r.overlongLines;
    if (line.empty()) continue;
    switch (AddLine(list, folders, line, record)) {
      case LineOutcome::kAdded: ++r.rows; break;
      case LineOutcome::kBadPath: ++r.badPaths; break;
      case LineOutcome::kRejected: ++r.rejectedRows; break;
      case LineOutcome::kEmpty: break;
    }
  }
  list.EndBatch();
}

uint32_t LoadResults(ResultList& list, std::u16string_view path, LoadReport* report) {
  std::string bytes;
  const uint32_t code = platform::ReadWholeFile(path, bytes);
  if (code != 0) return code;
  LoadResultsFromBytes(list, bytes, report);
  return 0;
}

std::u16string ReadSaveFolder(settings::SettingsStore& store) {
  return store.ReadPath(settings::SettingsStore::kMainSection, kSaveKey);
}

void RememberSaveFolder(settings::SettingsStore& store, std::u16string_view filePath) {
  const std::u16string_view folder = platform::FolderOf(filePath);
  if (!folder.empty()) store.WritePath(settings::SettingsStore::kMainSection, kSaveKey, folder);
}

}  // namespace tarnq::results
