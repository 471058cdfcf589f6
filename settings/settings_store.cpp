// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settings_store.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <new>
#include <thread>

#include "platform/errors.h"
#include "platform/file_access.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "settings/field_line.h"
#include "settings/number_list.h"
#include "settings/path_macros.h"

namespace tarnq::settings {
namespace {

using platform::StoreGuard;
constexpr size_t npos = std::string::npos;
constexpr std::string_view kCrLf = "\r\n";

std::mutex g_processMutex;
DesktopInfo g_desktop;
std::u16string g_overridePath;

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

bool HasLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool ValidSection(std::string_view section) {
  return section.data() != nullptr && !HasLineBreakOrNul(section) && section.find(']') == npos;
}

bool ValidKey(std::string_view key) {
  return !key.empty() && !HasLineBreakOrNul(key) && key.find('=') == npos && key.front() != '[' &&
         key.front() != ' ';
}

size_t LineEnd(std::string_view text, size_t pos) {
  while (pos < text.size() && !IsLineBreak(text[pos])) ++pos;
  return pos;
}

}  // namespace

// --- Process-wide state ---------------------------------------------------------------------------

void SetDesktopInfo(const DesktopInfo& info) {
  std::lock_guard lock(g_processMutex);
  g_desktop = info;
}

DesktopInfo GetDesktopInfo() {
  std::lock_guard lock(g_processMutex);
  return g_desktop;
}

void SetMainSettingsOverride(std::u16string_view path) {
  std::lock_guard lock(g_processMutex);
  g_overridePath = path;
}

SettingsLocations MainSettingsLocations() {
  SettingsLocations places;
  places.perUserPath = PerUserSettingsPath();
  places.programFolderPath = ProgramFolderSettingsPath();
  {
    std::lock_guard lock(g_processMutex);
    places.overridePath = g_overridePath;
  }
  if (places.overridePath.empty()) platform::GetEnvironment(u"TARNQ_SETTINGS", places.overridePath);
  return places;
}

SettingsStore& MainSettings() {
  static SettingsStore store(SettingsStore::kMainFile, MainSettingsLocations());
  return store;
}

// --- Construction ---------------------------------------------------------------------------------

SettingsStore::SettingsStore(std::u16string_view path, uint8_t flags)
    : m_flags(flags), m_path(path) {
  if (!(flags & kExplicitFile)) m_fallbackPath = PerUserSettingsPath();
  if (flags & kMainFile) CheckDesktopSize();
}

SettingsStore::SettingsStore(uint8_t flags, const SettingsLocations& places) : m_flags(flags) {
  if (!places.overridePath.empty()) {
    m_flags |= kExplicitFile;
    m_path = places.overridePath;
  } else if (flags & kExplicitFile) {
    // The caller wants no search; without a path there is no file.
  } else {
    ApplyLocationRules(places);
  }
  if (m_flags & kMainFile) CheckDesktopSize();
}

SettingsStore::~SettingsStore() {
  if (m_flags & kMainFile) Flush();
}

// A program-folder file (a portable installation) wins, unless the per-user file carries the
// "UseThis" marker that a flush leaves when the program folder turned out to be read-only.
void SettingsStore::ApplyLocationRules(const SettingsLocations& places) {
  m_fallbackPath = places.perUserPath;
  if (!places.perUserPath.empty() && platform::FileExists(places.perUserPath))
    SetPath(places.perUserPath, kMustOpen);
  if (!places.programFolderPath.empty() && platform::FileExists(places.programFolderPath)) {
    const std::u16string marker = ReadPath("UseThis", "Opt");
    bool loaded;
    {
      StoreGuard guard(m_lock);
      loaded = m_loaded;
    }
    if ((marker.empty() || !loaded) && SetPath(places.programFolderPath, kMustOpen) == 0) {
      {
        StoreGuard guard(m_lock);
        m_text.clear();
        m_loaded = false;
        m_dirty = false;
        m_utf8File = false;
      }
      DeleteSection("UseThis");
    }
  }
  if (m_path.empty())
    SetPath(places.programFolderPath.empty() ? places.perUserPath : places.programFolderPath, kAcceptMissing);
}

void SettingsStore::CheckDesktopSize() {
  const DesktopInfo desktop = GetDesktopInfo();
  if (!desktop.Known()) return;
  std::string stored;
  ReadString("Desk", ".", "", stored, 128);
  int64_t size[2] = {0, 0};
  ParseNumberList<char>(stored, size);
  if (!stored.empty() && size[0] == desktop.width && size[1] == desktop.height) return;
  if (size[0] != desktop.width && size[1] != desktop.height) {
    StoreGuard guard(m_lock);
    m_flags |= kDesktopChanged;
  }
  std::string record = "#";
  AppendHex(record, static_cast<uint32_t>(desktop.width));
  record.push_back(',');
  AppendHex(record, static_cast<uint32_t>(desktop.height));
  WriteString("Desk", ".", record);
}

// --- Loading and finding --------------------------------------------------------------------------

uint32_t SettingsStore::Load() {
  StoreGuard guard(m_lock);
  if (m_loaded) return 0;
  if (m_freezeCount != 0) return platform::err::kLockViolation;
  if (m_path.empty()) return platform::err::kFileNotFound;
  std::string bytes;
  const uint32_t code = platform::ReadWholeFile(m_path, bytes);
  if (code != 0) return code;
  m_text = std::move(bytes);
  m_loaded = true;
  m_dirty = false;
  m_utf8File = m_text.starts_with(platform::kUtf8Marker);
  // The legacy code page is a setting of the main file; it must hold before any value is decoded.
  if (m_flags & kMainFile) {
    std::string_view value;
    const uint32_t codePage = FindValue(kMainSection, "CodePage", value) ? ParseUnsigned32(value) : 0;
    platform::SetLegacyCodePage(codePage <= 65535 ? static_cast<int>(codePage) : 0);
  }
  return 0;
}

bool SettingsStore::EnsureLoaded() {
  if (!m_loaded) Load();
  return m_loaded;
}

// Writers start a new text when there is no file yet.
bool SettingsStore::PrepareWrite() {
  if (m_freezeCount != 0) return false;
  if (!EnsureLoaded()) {
    m_text.clear();
    m_loaded = true;
    m_utf8File = false;
  }
  return true;
}

size_t SettingsStore::FindSection(std::string_view section) const {
  const std::string_view text = m_text;
  // A byte-order mark in front must not hide the first section.
  size_t line = text.starts_with(platform::kUtf8Marker) ? platform::kUtf8Marker.size() : 0;
  while (line < text.size()) {
    if (text[line] == '[' && text.size() - line >= section.size() + 2 &&
        text.compare(line + 1, section.size(), section) == 0 && text[line + 1 + section.size()] == ']')
      return line;
    const size_t lf = text.find('\n', line);
    if (lf == npos) break;
    line = lf + 1;
  }
  return npos;
}

size_t SettingsStore::BodyStart(size_t header) const { return LineEnd(m_text, header); }

size_t SettingsStore::SectionEnd(size_t body) const {
  const std::string_view text = m_text;
  size_t pos = body;
  while (true) {
    while (pos < text.size() && IsLineBreak(text[pos])) ++pos;
    if (pos >= text.size() || text[pos] == '[') return pos;
    pos = LineEnd(text, pos);
  }
}

bool SettingsStore::FindKey(size_t body, std::string_view key, size_t& lineStart, size_t& valueStart,
                            size_t& valueEnd) const {
  const std::string_view text = m_text;
  size_t pos = body;
  while (true) {
    while (pos < text.size() && IsLineBreak(text[pos])) ++pos;
    if (pos >= text.size() || text[pos] == '[') return false;
    if (text[pos] == key.front() && text.compare(pos, key.size(), key) == 0) {
      size_t after = pos + key.size();
      if (after < text.size() && (text[after] == '=' || text[after] == ' ')) {
        while (after < text.size() && text[after] == ' ') ++after;
        if (after < text.size() && text[after] == '=') {
          ++after;
          while (after < text.size() && text[after] == ' ') ++after;
          lineStart = pos;
          valueStart = after;
          valueEnd = LineEnd(text, after);
          return true;
        }
      }
    }
    pos = LineEnd(text, pos);
  }
}

// The raw value under the lock; the view is valid until the text changes.
bool SettingsStore::FindValue(std::string_view section, std::string_view key, std::string_view& value) {
  if (!ValidSection(section) || key.empty() || !EnsureLoaded()) return false;
  const size_t header = FindSection(section);
  if (header == npos) return false;
  size_t lineStart, valueStart, valueEnd;
  if (!FindKey(BodyStart(header), key, lineStart, valueStart, valueEnd)) return false;
  value = std::string_view(m_text).substr(valueStart, valueEnd - valueStart);
  return true;
}

// Out of memory while growing the text drops the change: the string's edits either complete or
// leave the old text as it was, and `dirty` is set only after an edit.
bool SettingsStore::WriteValue(std::string_view section, std::string_view key, std::string_view value) {
  try {
    return WriteValueUnchecked(section, key, value);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool SettingsStore::WriteValueUnchecked(std::string_view section, std::string_view key,
                                        std::string_view value) {
  if (!ValidSection(section) || !ValidKey(key) || HasLineBreakOrNul(value)) return false;
  if (!PrepareWrite()) return false;
  const size_t header = FindSection(section);
  if (header == npos) {
    // A new section goes at the end, separated from the one before by one blank line.
    const size_t keep = m_text.size() > 4 && m_text.ends_with("\r\n\r\n") ? m_text.size() - 2 : m_text.size();
    std::string tail;
    tail.reserve(section.size() + key.size() + value.size() + 9);
    if (keep > 0) tail += kCrLf;
    tail += '[';
    tail += section;
    tail += ']';
    tail += kCrLf;
    tail += key;
    tail += '=';
    tail += value;
    tail += kCrLf;
    m_text.replace(keep, m_text.size() - keep, tail);
    m_dirty = true;
    return true;
  }
  const size_t body = BodyStart(header);
  size_t lineStart, valueStart, valueEnd;
  if (FindKey(body, key, lineStart, valueStart, valueEnd)) {
    if (std::string_view(m_text).substr(valueStart, valueEnd - valueStart) == value) return true;
    m_text.replace(valueStart, valueEnd - valueStart, value);
    m_dirty = true;
    return true;
  }
  // A new key goes at the end of its section, before the blank line that separates it from the next.
  size_t insert = SectionEnd(body);
  if (insert - body >= 4 && std::string_view(m_text).substr(insert - 4, 4) == "\r\n\r\n") insert -= 2;
  const bool lineEnded = insert > body && IsLineBreak(m_text[insert - 1]);
  const bool prefixNeeded =
      !(insert >= 2 && std::string_view(m_text).substr(insert - 2, 2) == kCrLf) && !(lineEnded && insert - body <= 2);
  std::string line;
  line.reserve(key.size() + value.size() + 5);
  if (prefixNeeded) line += kCrLf;
  line += key;
  line += '=';
  line += value;
  line += kCrLf;
  m_text.insert(insert, line);
  m_dirty = true;
  return true;
}

std::u16string SettingsStore::DecodeValue(std::string_view raw, bool isPath) const {
  if (m_utf8File) {
    if (raw.starts_with(platform::kUtf8Marker)) raw.remove_prefix(platform::kUtf8Marker.size());
    return isPath ? platform::NameBytesToUtf16(raw) : platform::Utf8ToUtf16(raw);
  }
  return isPath ? DecodePathField(raw) : DecodeTextField(raw);
}

// --- Strings and numbers ----------------------------------------------------------------------------

bool SettingsStore::ReadString(std::string_view section, std::string_view key,
                               std::string_view defaultValue, std::string& out, size_t capacity) {
  StoreGuard guard(m_lock);
  std::string_view value;
  if (FindValue(section, key, value) && !value.empty() && capacity > 1) {
    out.assign(value.substr(0, capacity - 1));
    return true;
  }
  out.assign(defaultValue);
  return false;
}

std::string SettingsStore::ReadString(std::string_view section, std::string_view key,
                                      std::string_view defaultValue, size_t capacity) {
  std::string out;
  ReadString(section, key, defaultValue, out, capacity);
  return out;
}

std::optional<std::string> SettingsStore::ReadValue(std::string_view section, std::string_view key,
                                                   size_t capacity) {
  StoreGuard guard(m_lock);
  std::string_view value;
  if (!FindValue(section, key, value)) return std::nullopt;
  return std::string(value.substr(0, capacity > 0 ? capacity - 1 : 0));
}

bool SettingsStore::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  StoreGuard guard(m_lock);
  return WriteValue(section, key, value);
}

uint32_t SettingsStore::ReadInt(std::string_view section, std::string_view key, uint32_t defaultValue) {
  std::string value;
  if (!ReadString(section, key, {}, value, 64)) return defaultValue;
  return ParseUnsigned32(value);
}

bool SettingsStore::WriteInt(std::string_view section, std::string_view key, uint32_t value) {
  std::string digits;
  AppendNumber(digits, uint64_t{value});
  return WriteString(section, key, digits);
}

// --- Texts and paths --------------------------------------------------------------------------------

bool SettingsStore::ReadText(std::string_view section, std::string_view key,
                             std::u16string_view defaultValue, std::u16string& out, size_t capacity) {
  StoreGuard guard(m_lock);
  std::string_view value;
  if (capacity > 1 && FindValue(section, key, value) && !value.empty()) {
    // Up to four bytes per unit plus the marker, so that long non-Latin values are not cut short.
    const size_t rawLimit = capacity > (SIZE_MAX - 3) / 4 ? value.size() : capacity * 4 + 3;
    out = DecodeValue(value.substr(0, rawLimit), false);
    if (out.size() > capacity - 1) out.resize(platform::CutUtf16(out, capacity - 1).size());
    return true;
  }
  out.assign(defaultValue);
  return false;
}

std::u16string SettingsStore::ReadText(std::string_view section, std::string_view key,
                                       std::u16string_view defaultValue, size_t capacity) {
  std::u16string out;
  ReadText(section, key, defaultValue, out, capacity);
  return out;
}

bool SettingsStore::WriteText(std::string_view section, std::string_view key, std::u16string_view value) {
  for (char16_t c : value)
    if (c == u'\r' || c == u'\n' || c == u'\0') return false;
  return WriteString(section, key, platform::Encode8Bit(value));
}

bool SettingsStore::ReadPath(std::string_view section, std::string_view key, std::u16string& out,
                             size_t capacity) {
  StoreGuard guard(m_lock);
  std::string_view value;
  if (capacity > 1 && FindValue(section, key, value) && !value.empty()) {
    const size_t rawLimit = capacity > (SIZE_MAX - 3) / 4 ? value.size() : capacity * 4 + 3;
    out = DecodeValue(value.substr(0, rawLimit), true);
    if (out.size() > capacity - 1) out.resize(platform::CutUtf16(out, capacity - 1).size());
    return true;
  }
  out.clear();
  return false;
}

std::u16string SettingsStore::ReadPath(std::string_view section, std::string_view key, size_t capacity) {
  std::u16string out;
  ReadPath(section, key, out, capacity);
  return out;
}

bool SettingsStore::WritePath(std::string_view section, std::string_view key, std::u16string_view path) {
  for (char16_t c : path)
    if (c == u'\r' || c == u'\n' || c == u'\0') return false;
  return WriteString(section, key, EncodePathField(path));
}

// --- Deleting and sections --------------------------------------------------------------------------

bool SettingsStore::DeleteKey(std::string_view section, std::string_view key) {
  StoreGuard guard(m_lock);
  if (!ValidSection(section) || key.empty() || m_freezeCount != 0 || !EnsureLoaded()) return false;
  const size_t header = FindSection(section);
  if (header == npos) return false;
  size_t lineStart, valueStart, valueEnd;
  if (!FindKey(BodyStart(header), key, lineStart, valueStart, valueEnd)) return false;
  size_t end = valueEnd;
  if (end < m_text.size() && m_text[end] == '\r') ++end;
  if (end < m_text.size() && m_text[end] == '\n') ++end;
  m_text.erase(lineStart, end - lineStart);
  m_dirty = true;
  return true;
}

bool SettingsStore::DeleteSection(std::string_view section) {
  StoreGuard guard(m_lock);
  if (!ValidSection(section) || m_freezeCount != 0 || !EnsureLoaded()) return false;
  const size_t header = FindSection(section);
  if (header == npos) return false;
  const size_t end = SectionEnd(BodyStart(header));
  m_text.erase(header, end - header);
  m_dirty = true;
  return true;
}

bool SettingsStore::ReplaceSection(std::string_view section,
                                   std::span<const std::pair<std::string, std::string>> entries) {
  StoreGuard guard(m_lock);
  if (!ValidSection(section) || m_freezeCount != 0) return false;
  DeleteSection(section);
  for (const auto& [key, value] : entries)
    if (!WriteValue(section, key, value)) return false;
  return true;
}

std::vector<std::string> SettingsStore::ReadSectionLines(std::string_view section) {
  std::vector<std::string> lines;
  StoreGuard guard(m_lock);
  if (!ValidSection(section) || !EnsureLoaded()) return lines;
  const size_t header = FindSection(section);
  if (header == npos) return lines;
  const size_t body = BodyStart(header);
  LineSplitter splitter(std::string_view(m_text).substr(body, SectionEnd(body) - body));
  std::string_view line;
  while (splitter.Next(line)) lines.emplace_back(line);
  return lines;
}

size_t SettingsStore::EnumSection(std::string_view section,
                                  const std::function<bool(std::string_view, std::string_view)>& callback) {
  const std::vector<std::string> lines = ReadSectionLines(section);
  size_t calls = 0;
  for (const std::string& line : lines) {
    const size_t eq = line.find('=');
    if (eq == npos) continue;
    std::string_view key = std::string_view(line).substr(0, eq);
    while (!key.empty() && key.back() == ' ') key.remove_suffix(1);
    if (key.empty()) continue;
    std::string_view value = std::string_view(line).substr(eq + 1);
    while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    ++calls;
    if (callback(key, value)) break;
  }
  return calls;
}

// --- Lists ---------------------------------------------------------------------------------------------

std::vector<ListEntry> SettingsStore::ReadList(std::string_view section) {
  std::vector<ListEntry> entries;
  bool utf8File;
  {
    StoreGuard guard(m_lock);
    EnsureLoaded();
    utf8File = m_utf8File;
  }
  EnumSection(section, [&](std::string_view key, std::string_view value) {
    if (value.empty()) return false;
    ListEntry entry;
    entry.key = ParseUnsigned32(key);
    if (utf8File) {
      if (value.starts_with(platform::kUtf8Marker)) value.remove_prefix(platform::kUtf8Marker.size());
      entry.value = platform::NameBytesToUtf16(value);
    } else {
      entry.value = DecodePathField(value);
    }
    entries.push_back(std::move(entry));
    return false;
  });
  return entries;
}

void SettingsStore::WriteList(std::string_view section, std::span<const std::u16string> items,
                              size_t maxCount) {
  StoreGuard guard(m_lock);
  DeleteSection(section);
  const size_t count = std::min(items.size(), maxCount);
  for (size_t i = 0; i < count; ++i) {
    std::string key;
    AppendNumber(key, static_cast<int64_t>(i + 1));
    WritePath(section, key, items[i]);
  }
}

// --- Flushing and paths -----------------------------------------------------------------------------

uint32_t SettingsStore::WriteTo(std::u16string_view path) {
  uint32_t code = platform::WriteFileAtomically(path, m_text);
  if (code == platform::err::kPathNotFound) {
    if (platform::CreateFolders(platform::FolderOf(path)) == 0) code = platform::WriteFileAtomically(path, m_text);
  } else if (code == platform::err::kSharingViolation || code == platform::err::kLockViolation ||
             code == platform::err::kBusy) {
    // Another program holds the file for a moment.
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    code = platform::WriteFileAtomically(path, m_text);
  }
  return code;
}

uint32_t SettingsStore::Flush() {
  StoreGuard guard(m_lock);
  if (m_freezeCount != 0 || m_path.empty() || !m_loaded || !m_dirty) return 0;
  if (m_flags & kMainFile) WriteValue(kMainSection, "Version", kVersion);
  std::string onDisk;
  if (platform::ReadWholeFile(m_path, onDisk) == 0 && onDisk == m_text) {
    m_dirty = false;
    return 0;
  }
  uint32_t code = WriteTo(m_path);
  if (code != 0 && !(m_flags & kExplicitFile) && !m_fallbackPath.empty() &&
      !platform::SamePath(m_fallbackPath, m_path)) {
    // The chosen place is not writable (a read-only program folder): move to the per-user file
    // and leave a marker there, so that the next start keeps using it.
    m_path = m_fallbackPath;
    WritePath("UseThis", "Opt", m_path);
    code = WriteTo(m_path);
  }
  if (code == 0) m_dirty = false;
  return code;
}

int SettingsStore::SetPath(std::u16string_view path, int mode) {
  StoreGuard guard(m_lock);
  if (!m_path.empty() && platform::SamePath(path, m_path)) return kSamePath;
  if (path.empty() || (mode == kAcceptMissing && !platform::FileExists(path))) {
    m_path = path;
    return 0;
  }
  platform::CreateFolders(platform::FolderOf(path));
  const uint32_t code = platform::CheckReadWriteAccess(path);
  if (code != 0) return static_cast<int>(code);
  m_path = path;
  return 0;
}

void SettingsStore::SwitchFile(std::u16string_view path) {
  StoreGuard guard(m_lock);
  m_path = path;
  m_text.clear();
  m_loaded = false;
  m_dirty = false;
  m_utf8File = false;
}

void SettingsStore::Freeze() {
  StoreGuard guard(m_lock);
  ++m_freezeCount;
}

void SettingsStore::Thaw() {
  StoreGuard guard(m_lock);
  m_freezeCount = 0;
}

std::u16string SettingsStore::GetPath() const {
  StoreGuard guard(m_lock);
  return m_path;
}

uint8_t SettingsStore::Flags() const {
  StoreGuard guard(m_lock);
  return m_flags;
}

void SettingsStore::LockPlacement() {
  StoreGuard guard(m_lock);
  m_flags |= kPlacementLocked;
}

bool SettingsStore::IsDirty() const {
  StoreGuard guard(m_lock);
  return m_dirty;
}

bool SettingsStore::IsUtf8File() {
  StoreGuard guard(m_lock);
  EnsureLoaded();
  return m_utf8File;
}

std::string SettingsStore::Text() {
  StoreGuard guard(m_lock);
  EnsureLoaded();
  return m_text;
}

}  // namespace tarnq::settings
