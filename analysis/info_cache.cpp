// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/info_cache.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <new>
#include <thread>
#include <utility>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "settings/field_line.h"
#include "settings/path_macros.h"
#include "settings/settings_store.h"
#include "platform/per_thread.h"

// The cache file: 8-bit text, one entry per line ended by CR LF, 18 or 19 fields separated by ";":
//   0 path   1 size   2 modified as a packed UTC date-time   3 format code (signed)
//   4 channels   5 sampling rate   6 bit rate (signed)   7 minutes   8 seconds   9 track
//  10 title   11 artist   12 album   13 year   14 genre   15 Type text   16 comment   17 BPM
//  18 codec (records::Codec), written only when the analysis found one
// Older files end after the comment (17 fields, BPM 0). Field 18 is new: readers that split 18
// fields ignore it, and an MP4 line without it comes from before codecs were read, so it is left
// out on loading and the file analysed once more (else its ALAC would pass for a lossy codec).
// The Type text carries the rate and channel word; they are cut off at the first ", " on reading
// because building the record adds them again.

namespace tarnq::analysis {
namespace {

using platform::FileTime;
using records::AudioInfo;

constexpr size_t kOffLength = 0;
constexpr size_t kOffSize = 2;
constexpr size_t kOffModified = 10;
constexpr size_t kOffLine = 18;
constexpr FileTime kTwoSeconds = 2 * platform::kTicksPerSecond;
// The cache writes a time not above this value as 0, and such an entry matches any file written
// before 1980.
constexpr FileTime kLastZeroTime = platform::kFileTime1980 - 1;

template <class T>
T ReadAt(const std::byte* record, size_t offset) {
  return records::LoadPacked<T>(record, offset);
}

std::string_view EntryLine(const std::byte* record) {
  const auto length = ReadAt<uint16_t>(record, kOffLength);
  return {reinterpret_cast<const char*>(record + kOffLine), length - kCacheEntryFixedBytes};
}

uint64_t HashPath(std::u16string_view path) { return std::hash<std::u16string_view>()(path); }

FileTime Distance(FileTime a, FileTime b) { return a > b ? a - b : b - a; }

// --- Field decoding -------------------------------------------------------------------------------

// Plain decimal digits, empty = 0; false for anything else or a value above `max`.
bool ParseUnsignedField(std::string_view field, uint64_t max, uint64_t& value) {
  value = 0;
  for (char c : field) {
    if (c < '0' || c > '9') return false;
    const uint64_t digit = static_cast<uint64_t>(c - '0');
    if (digit > max || value > (max - digit) / 10) return false;
    value = value * 10 + digit;
  }
  return true;
}

bool ParseSignedField(std::string_view field, int64_t min, int64_t max, int64_t& value) {
  const bool negative = !field.empty() && field.front() == '-';
  if (negative) {
    field.remove_prefix(1);
    if (field.empty()) return false;
  }
  uint64_t magnitude;
  const uint64_t limit = negative ? static_cast<uint64_t>(-(min + 1)) + 1 : static_cast<uint64_t>(max);
  if (!ParseUnsignedField(field, limit, magnitude)) return false;
  value = negative ? -static_cast<int64_t>(magnitude - 1) - 1 : static_cast<int64_t>(magnitude);
  if (negative && magnitude == 0) value = 0;
  return true;
}

// An 8-bit field into a reused buffer: after the UTF-8 marker by `fromMarked` (texts take UTF-8,
// paths file-name bytes), plain ASCII as it is, anything else in the legacy code page.
void DecodeField(std::string_view bytes, std::u16string& out,
                 void (*fromMarked)(std::string_view, std::u16string&)) {
  out.clear();
  if (bytes.starts_with(platform::kUtf8Marker)) {
    fromMarked(bytes.substr(platform::kUtf8Marker.size()), out);
    return;
  }
  bool ascii = true;
  for (char c : bytes) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) {
    out.assign(bytes.begin(), bytes.end());
    return;
  }
  out = platform::DecodeCodePage(bytes, 0);
}

void DecodeText(std::string_view bytes, std::u16string& out) {
  DecodeField(bytes, out, &platform::AppendUtf8ToUtf16);
}

// The path field as DecodePathField reads it.
void DecodePath(std::string_view bytes, std::u16string& out) {
  DecodeField(bytes, out, &platform::AppendNameBytesToUtf16);
}

// Decoding buffers reused by each thread.
struct LineScratch {
  std::u16string title, artist, album, genre, type, comment, path;
  std::string line;
};
thread_local platform::PerThread<LineScratch> t_scratch;
thread_local platform::PerThread<std::u16string> t_text;

// A line split into its fields with every number checked: all of the parse but the texts.
struct CheckedLine {
  std::string_view f[19];
  size_t count = 0;
  uint64_t size = 0;
  FileTime modified = 0;
  uint64_t channels = 0, rate = 0, track = 0, year = 0, bpm = 0, duration = 0;
  int64_t format = 0, bitrate = 0;
  records::Codec codec = records::Codec::kUnknown;
};

bool CheckLine(std::string_view line, CheckedLine& out) {
  out.count = 0;
  settings::FieldReader reader(line);
  std::string_view field;
  while (out.count < 19 && reader.Next(field)) out.f[out.count++] = field;
  if (out.count < 17 || out.f[0].empty()) return false;
  const auto& f = out.f;
  uint64_t packed, minutes, seconds, codec = 0;
  out.bpm = 0;
  if (!ParseUnsignedField(f[1], UINT64_MAX, out.size) || !ParseUnsignedField(f[2], UINT64_MAX, packed) ||
      !ParseSignedField(f[3], INT32_MIN, INT32_MAX, out.format) ||
      !ParseUnsignedField(f[4], UINT16_MAX, out.channels) ||
      !ParseUnsignedField(f[5], UINT32_MAX, out.rate) ||
      !ParseSignedField(f[6], INT32_MIN, INT32_MAX, out.bitrate) ||
      !ParseUnsignedField(f[7], UINT32_MAX / 60, minutes) ||
      !ParseUnsignedField(f[8], UINT32_MAX, seconds) ||
      !ParseUnsignedField(f[9], UINT16_MAX, out.track) || !ParseUnsignedField(f[13], UINT16_MAX, out.year) ||
      (out.count >= 18 && !ParseUnsignedField(f[17], UINT16_MAX, out.bpm)) ||
      (out.count == 19 && !ParseUnsignedField(f[18], static_cast<uint8_t>(records::kLastCodec), codec)))
    return false;
  out.codec = static_cast<records::Codec>(codec);
  if (out.format == records::kFormatMp4 && out.count < 19) return false;
  out.duration = minutes * 60 + seconds;
  if (out.duration > UINT32_MAX) return false;
  out.modified = settings::UnpackDateTime(packed);
  // A time that does not unpack must not become 0, which matches every file from before 1980.
  return packed == 0 || out.modified != 0;
}

// The path of a checked line; false for one no file can have (empty, too long, with NUL).
bool CheckedPath(const CheckedLine& line, std::u16string& path) {
  DecodePath(line.f[0], path);
  // A cut path would name another file; NUL cannot be part of one.
  return !path.empty() && path.size() <= kMaxCachePathUnits && path.find(u'\0') == std::u16string::npos;
}

// The record of a checked line: texts decoded, built into `info` (a new text block).
bool BuildInfo(const CheckedLine& line, AudioInfo& info) {
  LineScratch& s = t_scratch.Get();
  const auto& f = line.f;
  DecodeText(f[10], s.title);
  DecodeText(f[11], s.artist);
  DecodeText(f[12], s.album);
  DecodeText(f[14], s.genre);
  DecodeText(f[15], s.type);
  DecodeText(f[16], s.comment);
  const size_t comma = s.type.find(u", ");
  if (comma != std::u16string::npos) s.type.resize(comma);

  records::AudioSource source;
  source.format = static_cast<uint32_t>(line.format);
  source.codec = line.codec;
  source.channels = static_cast<uint16_t>(line.channels);
  source.track = static_cast<uint16_t>(line.track);
  source.bpm = static_cast<uint16_t>(line.bpm);
  source.year = static_cast<uint16_t>(line.year);
  source.duration = static_cast<uint32_t>(line.duration);
  source.sampleRate = static_cast<uint32_t>(line.rate);
  source.bitrate = static_cast<int32_t>(line.bitrate);
  source.formatName = s.type;
  source.genre = s.genre;
  source.title = s.title;
  source.artist = s.artist;
  source.album = s.album;
  source.comment = s.comment;
  info = AudioInfo{};
  return info.Build(source);
}

// The decoded path of an entry's line (into `path`); false when the line does not parse.
bool EntryPathOf(const std::byte* record, std::u16string& path) {
  settings::FieldReader reader(EntryLine(record));
  std::string_view field;
  if (!reader.Next(field)) return false;
  DecodePath(field, path);
  return true;
}

}  // namespace

// --- Lines ----------------------------------------------------------------------------------------

bool ParseCacheLine(std::string_view line, CacheLine& out) {
  CheckedLine checked;
  if (!CheckLine(line, checked) || !CheckedPath(checked, out.path)) return false;
  out.size = checked.size;
  out.modified = checked.modified;
  return BuildInfo(checked, out.info);
}

void AppendCacheLine(std::string& out, std::u16string_view path, uint64_t size, FileTime modified,
                     const AudioInfo& info) {
  settings::FieldLineWriter w(out);
  w.Path(path);
  w.Unsigned(size);
  w.Unsigned(settings::PackDateTime(modified, kLastZeroTime));
  w.Signed(static_cast<int32_t>(records::WithoutCodec(info.format)));
  w.Unsigned(info.channels);
  w.Unsigned(info.sampleRate);
  w.Signed(info.bitrate);
  w.Unsigned(info.duration / 60);
  w.Unsigned(info.duration % 60);
  w.Unsigned(info.track);
  const auto text = [&](size_t index) {
    info.GetText(index, t_text.Get(), records::kMaxTextBytes + 1);
    w.Text(t_text.Get());
  };
  text(records::kTextTitle);
  text(records::kTextArtist);
  text(records::kTextAlbum);
  w.Unsigned(info.year);
  text(records::kTextGenre);
  text(records::kTextType);
  text(records::kTextComment);
  w.Unsigned(info.bpm);
  if (const records::Codec codec = info.AudioCodec(); codec != records::Codec::kUnknown)
    w.Unsigned(static_cast<uint8_t>(codec));
  w.EndLine();
}

std::u16string ResolveInfoCachePath(settings::SettingsStore& settings) {
  const std::u16string stored =
      settings.ReadPath(settings::SettingsStore::kMainSection, kCachePathKey);
  std::u16string path = stored.empty() ? std::u16string() : settings::ExpandPathMacros(stored);
  if (path.empty()) path = platform::JoinPath(platform::PerUserFolder(), kCacheFileName);
  return path;
}

// --- InfoCache ------------------------------------------------------------------------------------

InfoCache::InfoCache() = default;

InfoCache::~InfoCache() = default;

void InfoCache::ResolvePath(settings::SettingsStore& settings) { SetPath(ResolveInfoCachePath(settings)); }

void InfoCache::SetPath(std::u16string_view path) {
  platform::StoreGuard guard(m_store.Lock());
  if (m_path != path) m_matchesFile = false;
  m_path.assign(path);
}

std::u16string InfoCache::Path() const {
  platform::StoreGuard guard(m_store.Lock());
  return m_path;
}

void InfoCache::ClearLocked() {
  m_matchesFile = false;
  m_store.Clear();
  m_slots.clear();
  m_slots.shrink_to_fit();
  m_next.clear();
  m_next.shrink_to_fit();
  m_usedSlots = 0;
}

InfoCache::IndexSlot* InfoCache::FindSlot(uint64_t hash) const {
  if (m_slots.empty()) return nullptr;
  const size_t mask = m_slots.size() - 1;
  for (size_t i = static_cast<size_t>(hash) & mask;; i = (i + 1) & mask) {
    const IndexSlot& slot = m_slots[i];
    if (slot.head == 0 || slot.hash == hash) return const_cast<IndexSlot*>(&slot);
  }
}

bool InfoCache::GrowIndex() {
  const size_t size = m_slots.empty() ? 1024 : m_slots.size() * 2;
  std::vector<IndexSlot> old;
  try {
    old.swap(m_slots);
    m_slots.resize(size);
  } catch (const std::bad_alloc&) {
    m_slots.swap(old);
    return false;
  }
  for (const IndexSlot& slot : old)
    if (slot.head != 0) *FindSlot(slot.hash) = slot;
  return true;
}

bool InfoCache::IndexAppend(uint64_t hash, uint32_t entry) {
  if ((m_usedSlots + 1) * 2 > m_slots.size() && !GrowIndex()) return false;
  try {
    m_next.push_back(0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  IndexSlot* slot = FindSlot(hash);
  if (slot->head == 0) {
    *slot = {hash, entry + 1, entry + 1};
    ++m_usedSlots;
  } else {
    m_next[slot->tail - 1] = entry + 1;
    slot->tail = entry + 1;
  }
  return true;
}

bool InfoCache::AppendLocked(uint64_t size, FileTime modified, uint64_t hash, std::string_view line) {
  if (line.empty() || line.size() > kMaxCacheLineBytes) return false;
  if (m_store.Count() >= UINT32_MAX - 1) return false;
  // Reserve the index first so that a failure leaves store and index in step.
  if ((m_usedSlots + 1) * 2 > m_slots.size() && !GrowIndex()) return false;
  try {
    if (m_next.size() == m_next.capacity()) m_next.reserve(m_next.empty() ? 1024 : 2 * m_next.size());
  } catch (const std::bad_alloc&) {
    return false;
  }
  alignas(8) std::byte record[kCacheEntryFixedBytes + kMaxCacheLineBytes];
  const auto length = static_cast<uint16_t>(kCacheEntryFixedBytes + line.size());
  std::memcpy(record + kOffLength, &length, 2);
  std::memcpy(record + kOffSize, &size, 8);
  std::memcpy(record + kOffModified, &modified, 8);
  std::memcpy(record + kOffLine, line.data(), line.size());
  const auto entry = static_cast<uint32_t>(m_store.Count());
  if (m_store.Append(record, length) != 0) return false;
  IndexAppend(hash, entry);  // cannot fail: room reserved above
  return true;
}

uint32_t InfoCache::Load() {
  if (SwitchedOff()) return 0;
  const std::u16string path = Path();
  if (path.empty()) return 0;
  platform::InputFile file;
  const uint32_t openCode = file.Open(path);
  platform::StoreGuard guard(m_store.Lock());
  ClearLocked();
  if (openCode != 0) return openCode;

  // Read in pieces and parse the complete lines of each, so the file never sits in memory beside
  // the entries made from it.
  constexpr size_t kPiece = 1 << 20;
  std::string buffer;
  CheckedLine checked;
  std::u16string& linePath = t_scratch.Get().path;
  bool clean = true;
  uint32_t code = 0;
  for (bool end = false; !end;) {
    const size_t kept = buffer.size();
    size_t done = 0;
    try {
      buffer.resize(kept + kPiece);
    } catch (const std::bad_alloc&) {
      code = platform::err::kNotEnoughMemory;
      break;
    }
    code = file.Read(buffer.data() + kept, kPiece, done);
    buffer.resize(kept + done);
    end = code != 0 || done == 0;
    const size_t lastBreak = buffer.find_last_of("\r\n");
    const size_t complete = end ? buffer.size() : (lastBreak == std::string::npos ? 0 : lastBreak + 1);
    settings::LineSplitter lines(std::string_view(buffer).substr(0, complete));
    std::string_view line;
    while (lines.Next(line)) {
      // Everything but the texts is checked now; the texts are decoded when a lookup uses them.
      if (!CheckLine(line, checked) || !CheckedPath(checked, linePath)) {
        clean = false;
        continue;
      }
      const uint64_t hash = HashPath(linePath);
      if (clean && ContainsPathLocked(hash, linePath)) clean = false;
      if (line.size() > kMaxCacheLineBytes) {
        // Texts longer than any record keeps: the entry holds the line as it would be written.
        AudioInfo info;
        if (!BuildInfo(checked, info)) {
          clean = false;
          continue;
        }
        std::string& rewritten = t_scratch.Get().line;
        rewritten.clear();
        AppendCacheLine(rewritten, linePath, checked.size, checked.modified, info);
        info.Release();
        rewritten.resize(rewritten.size() - 2);  // the CR LF
        line = rewritten;
        clean = false;
      }
      if (!AppendLocked(checked.size, checked.modified, hash, line)) clean = false;
    }
    buffer.erase(0, complete);
  }
  m_matchesFile = clean && code == 0;
  return code;
}

bool InfoCache::ContainsPathLocked(uint64_t hash, std::u16string_view path) const {
  const IndexSlot* slot = FindSlot(hash);
  if (slot == nullptr) return false;
  std::u16string& other = t_text.Get();
  for (uint32_t entry = slot->head; entry != 0; entry = m_next[entry - 1])
    if (EntryPathOf(m_store.At(entry - 1), other) && other == path) return true;
  return false;
}

bool InfoCache::Lookup(uint64_t size, FileTime modified, std::u16string_view path, AudioInfo& out) const {
  if (SwitchedOff() || m_store.Count() == 0) return false;
  const uint64_t hash = HashPath(path);
  platform::StoreGuard guard(m_store.Lock());
  const IndexSlot* slot = FindSlot(hash);
  if (slot == nullptr || slot->head == 0) return false;
  bool haveLocal = false;
  FileTime local = 0;
  for (uint32_t entry = slot->head; entry != 0; entry = m_next[entry - 1]) {
    const std::byte* record = m_store.At(entry - 1);
    if (ReadAt<uint64_t>(record, kOffSize) != size) continue;
    const auto stored = ReadAt<FileTime>(record, kOffModified);
    bool timeMatches;
    if (stored == 0) {
      timeMatches = modified <= kLastZeroTime;
    } else if (Distance(stored, modified) <= kTwoSeconds) {
      timeMatches = true;
    } else {
      // Entries written by a program that stored local times.
      if (!haveLocal) {
        local = platform::UtcToLocalFileTime(modified);
        haveLocal = true;
      }
      timeMatches = Distance(stored, local) <= kTwoSeconds;
    }
    if (!timeMatches) continue;
    CheckedLine checked;
    std::u16string& entryPath = t_scratch.Get().path;
    if (!CheckLine(EntryLine(record), checked) || !CheckedPath(checked, entryPath) || entryPath != path)
      continue;
    return BuildInfo(checked, out);
  }
  return false;
}

bool InfoCache::Add(uint64_t size, FileTime modified, std::u16string_view path, const AudioInfo& info) {
  if (SwitchedOff()) return false;
  platform::StoreGuard guard(m_store.Lock());
  m_matchesFile = false;
  if (path.empty() || path.size() > kMaxCachePathUnits) return false;
  std::string& line = t_scratch.Get().line;
  line.clear();
  try {
    AppendCacheLine(line, path, size, modified, info);
  } catch (const std::bad_alloc&) {
    return false;
  }
  line.resize(line.size() - 2);  // the CR LF
  return AppendLocked(size, modified, HashPath(path), line);
}

void InfoCache::SetRetryWait(RetryWait wait) { m_retryWait = std::move(wait); }

uint32_t InfoCache::OpenSaveFile(platform::AtomicFileWriter& writer, std::u16string_view path) const {
  bool folderCreated = false;
  bool waited = false;
  for (;;) {
    const uint32_t code = writer.Open(path);
    if (code == 0 || code == platform::err::kInvalidName) return code;
    if ((code == platform::err::kPathNotFound || code == platform::err::kFileNotFound) && !folderCreated) {
      folderCreated = true;
      const std::u16string_view folder = platform::FolderOf(path);
      if (!folder.empty() && platform::CreateFolders(folder) == 0) continue;
    }
    if (waited) return code;
    // Another program may hold the folder, or the system may be short of handles, for a moment.
    waited = true;
    if (m_retryWait) m_retryWait(kCacheRetryWait);
    else std::this_thread::sleep_for(kCacheRetryWait);
  }
}

uint32_t InfoCache::Save() const {
  if (SwitchedOff()) return 0;
  std::u16string path;
  {
    platform::StoreGuard guard(m_store.Lock());
    if (m_path.empty() || m_store.Count() == 0) return 0;
    if (m_matchesFile && platform::FileExists(m_path)) return 0;
    path = m_path;
  }
  // The file is created before the store is locked: a retry's wait must not hold up lookups.
  platform::AtomicFileWriter writer;
  uint32_t code = OpenSaveFile(writer, path);
  if (code != 0) return code;
  platform::StoreGuard guard(m_store.Lock());
  const uint64_t count = m_store.Count();
  if (count == 0) return 0;  // emptied meanwhile: the old file stays

  // Written in pieces, so a large cache never needs a second copy of itself in memory.
  constexpr size_t kFlushBytes = 1 << 20;
  try {
    std::string bytes;
    bytes.reserve(kFlushBytes + 4096);
    for (uint64_t i = 0; i < count && code == 0; ++i) {
      // Only the newest entry of a path is written: it is the last one of its chain that has
      // the same path.
      if (m_next[i] != 0) {
        std::u16string own, other;
        EntryPathOf(m_store.At(i), own);
        bool newer = false;
        for (uint32_t later = m_next[i]; later != 0 && !newer; later = m_next[later - 1])
          newer = EntryPathOf(m_store.At(later - 1), other) && other == own;
        if (newer) continue;
      }
      bytes += EntryLine(m_store.At(i));
      bytes += "\r\n";
      if (bytes.size() >= kFlushBytes) {
        code = writer.Write(bytes);
        bytes.clear();
      }
    }
    if (code == 0) code = writer.Write(bytes);
  } catch (const std::bad_alloc&) {
    code = platform::err::kNotEnoughMemory;
  }
  if (code != 0) return code;
  return writer.Commit();
}

bool InfoCache::ReleaseIfUnchanged() {
  platform::StoreGuard guard(m_store.Lock());
  if (!m_matchesFile || m_store.Count() == 0 || !platform::FileExists(m_path)) return false;
  ClearLocked();
  m_matchesFile = true;  // the file still holds what was loaded
  return true;
}

uint32_t InfoCache::DeleteNow() {
  if (RunActive()) return platform::err::kBusy;
  std::u16string path;
  {
    platform::StoreGuard guard(m_store.Lock());
    ClearLocked();
    path = m_path;
  }
  if (path.empty() || !platform::FileExists(path)) return 0;
  const uint32_t code = platform::RemoveFile(path);
  return code == platform::err::kFileNotFound ? 0 : code;
}

// --- InfoCacheRun ---------------------------------------------------------------------------------

InfoCacheRun::InfoCacheRun(InfoCache& cache) : m_cache(cache) {
  m_cache.m_runActive.store(true, std::memory_order_release);
  m_loadResult = m_cache.Load();
}

InfoCacheRun::~InfoCacheRun() { Finish(); }

uint32_t InfoCacheRun::Finish() {
  if (m_finished) return m_saveResult;
  m_finished = true;
  m_saveResult = m_cache.Save();
  m_cache.m_runActive.store(false, std::memory_order_release);
  return m_saveResult;
}

}  // namespace tarnq::analysis
