// SPDX-License-Identifier: GPL-3.0-or-later
// The settings store: one INI-style file held in memory as a single 8-bit text buffer and edited
// in place, so that comments, unknown keys and the order of everything survive untouched. The main
// settings file and preset files both go through it.
//
// File syntax: "[Section]" headers at the start of a line; "Key = value" entries (spaces around
// "=" optional; trailing spaces belong to the value); names compared byte for byte. Lines are
// written with CR LF; CR, LF and CR LF are all read. Text values are ASCII as they are, anything
// else as the UTF-8 marker 0xEF 0xBB 0xBF + UTF-8 inside the value; a file that begins with the
// marker is UTF-8 as a whole. Integers are decimal.
//
// Thread safety: every operation takes the store's lock (waiting for it, re-entrant), so any thread
// may call any member. There is no transaction over several keys.
//
// Values with a structure of their own are read and written beside the store: placement.h,
// font.h, colors.h.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/threads.h"

namespace tarnq::settings {

// The desktop as the host sees it. Headless hosts leave it unknown (all 0): then the desktop-size
// record is left alone, placements are not checked against the desktop and defaults not scaled.
struct DesktopInfo {
  int32_t width = 0;
  int32_t height = 0;
  int32_t workAreaWidth = 0;
  bool Known() const { return width > 0 && height > 0; }
};
// Process-wide; the GUI sets it before the first use of MainSettings().
void SetDesktopInfo(const DesktopInfo& info);
DesktopInfo GetDesktopInfo();

// The two places of the main settings file (see the location rules in settings_store.cpp).
struct SettingsLocations {
  std::u16string perUserPath;        // also the fallback when the chosen file cannot be written
  std::u16string programFolderPath;  // empty: never read or create one (an installed program)
  // Set: use exactly this file, never look elsewhere and never fall back (tests, command line).
  std::u16string overridePath;
};
// The real places: PerUserSettingsPath(), ProgramFolderSettingsPath(), and as override the
// file named by SetMainSettingsOverride() or else the environment variable TARNQ_SETTINGS.
SettingsLocations MainSettingsLocations();
// Must be called before the first MainSettings() to take effect.
void SetMainSettingsOverride(std::u16string_view path);

// The copy-target and preset histories keep at most this many entries.
inline constexpr size_t kHistoryLimit = 30;

struct ListEntry {
  uint32_t key = 0;  // the entry's number
  std::u16string value;
};

class SettingsStore {
 public:
  // Flags.
  static constexpr uint8_t kExplicitFile = 1;     // the caller's path only; never relocated
  static constexpr uint8_t kMainFile = 2;         // Version at every flush, desktop-size record
  static constexpr uint8_t kPlacementLocked = 4;  // placements are not written for this run
  static constexpr uint8_t kDesktopChanged = 8;   // stored fonts and layouts are ignored

  // SetPath modes and results.
  static constexpr int kAcceptMissing = 0;   // a file that does not exist is fine
  static constexpr int kMustOpen = 1;        // the file must open for reading and writing
  static constexpr int kSamePath = -1;       // SetPath: the path is the current one

  static constexpr std::string_view kMainSection = "TARNQ";
  static constexpr std::string_view kVersion = "26.01";

  // A store for `path` (empty = no file yet). The path is taken as given; whether it can be
  // written shows at the flush. Without kExplicitFile a failed flush falls back to
  // PerUserSettingsPath().
  SettingsStore(std::u16string_view path, uint8_t flags);
  // A store found by the location rules over `places` (the main settings file).
  SettingsStore(uint8_t flags, const SettingsLocations& places);
  // A kMainFile store flushes a last time.
  ~SettingsStore();
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  // Section and key names are 8-bit. A null section (std::string_view{}) makes every operation do
  // nothing (readers give their default). Writers refuse values with CR, LF or NUL (they would
  // add lines), keys that are empty or hold "=", and section names that hold "]"; they return
  // false then, and also while the store is frozen.

  // The raw value, at most capacity - 1 bytes; true when found and not empty, else `out` = default.
  bool ReadString(std::string_view section, std::string_view key, std::string_view defaultValue,
                  std::string& out, size_t capacity = 4096);
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue = {}, size_t capacity = 4096);
  bool WriteString(std::string_view section, std::string_view key, std::string_view value);

  // Unsigned decimal (strtoul on 32 bits: "-1" reads as 4294967295); missing or empty → default.
  uint32_t ReadInt(std::string_view section, std::string_view key, uint32_t defaultValue);
  bool WriteInt(std::string_view section, std::string_view key, uint32_t value);
  bool WriteInt(std::string_view section, std::string_view key, int32_t value) {
    return WriteInt(section, key, static_cast<uint32_t>(value));
  }
  uint32_t ReadOption(std::string_view section, uint32_t defaultValue) {
    return ReadInt(section, "Opt", defaultValue);
  }
  bool WriteOption(std::string_view section, uint32_t value) { return WriteInt(section, "Opt", value); }

  // UTF-16 texts; at most capacity - 1 units (a surrogate pair is never split).
  bool ReadText(std::string_view section, std::string_view key, std::u16string_view defaultValue,
                std::u16string& out, size_t capacity = 1024);
  std::u16string ReadText(std::string_view section, std::string_view key,
                          std::u16string_view defaultValue = {}, size_t capacity = 1024);
  bool WriteText(std::string_view section, std::string_view key, std::u16string_view value);
  // Paths: like texts, but file-name bytes that are not UTF-8 survive the round trip.
  bool ReadPath(std::string_view section, std::string_view key, std::u16string& out,
                size_t capacity = 1024);
  std::u16string ReadPath(std::string_view section, std::string_view key, size_t capacity = 1024);
  bool WritePath(std::string_view section, std::string_view key, std::u16string_view path);

  // The raw value of a key that is there, an empty one included (at most capacity - 1 bytes);
  // nothing when the key is missing.
  std::optional<std::string> ReadValue(std::string_view section, std::string_view key,
                                       size_t capacity = 4096);

  bool DeleteKey(std::string_view section, std::string_view key);
  bool DeleteSection(std::string_view section);
  // Replaces the section by these raw entries, in order, as one operation (no other thread sees
  // the section half written). False when a key or value is refused; what came before it stays.
  bool ReplaceSection(std::string_view section,
                      std::span<const std::pair<std::string, std::string>> entries);

  // The non-empty body lines of a section, as they stand.
  std::vector<std::string> ReadSectionLines(std::string_view section);
  // Calls `callback(key, value)` for each body line that holds "=" and a non-empty key (spaces
  // around "=" removed as the key finder does), in file order, until it returns true. Runs the
  // callback outside the lock. Returns the number of calls.
  size_t EnumSection(std::string_view section,
                     const std::function<bool(std::string_view key, std::string_view value)>& callback);

  // Numbered lists of paths (the copy-target and preset histories): every non-empty value in file
  // order with its key's number; writing replaces the section by keys "1" ... min(count, max).
  std::vector<ListEntry> ReadList(std::string_view section);
  void WriteList(std::string_view section, std::span<const std::u16string> items, size_t maxCount);

  // Writes the text to disk when it changed and differs from the file (atomically: a temporary
  // file renamed over the old one). Returns 0 or the error code; after a failure the store stays
  // dirty. Does nothing while frozen.
  uint32_t Flush();

  // Takes `path` when it is empty, or (mode kAcceptMissing) does not exist yet, or opens for
  // reading and writing (its folder is created first). Returns 0, kSamePath, or the error code.
  int SetPath(std::u16string_view path, int mode);
  // Takes `path` without checks and drops the loaded text (the next access reads the new file).
  void SwitchFile(std::u16string_view path);
  // While frozen, loading, writing and flushing are skipped (a restart must not overwrite a file
  // that was just restored). Thaw ends every freeze at once.
  void Freeze();
  void Thaw();
  std::u16string GetPath() const;

  uint8_t Flags() const;
  // Set when the user resets the window positions: from then on placements are not written.
  void LockPlacement();  // sets kPlacementLocked
  bool PlacementLocked() const { return (Flags() & kPlacementLocked) != 0; }
  bool DesktopChanged() const { return (Flags() & kDesktopChanged) != 0; }
  bool IsDirty() const;
  bool IsUtf8File();  // loads the file when needed
  // Loads the file now unless it is loaded: 0, or the read error (2 for a missing file).
  uint32_t Load();
  // The text as it stands in memory, loading the file when needed (empty when there is none).
  std::string Text();
  // Compares the desktop-size record with GetDesktopInfo(), sets kDesktopChanged when both
  // dimensions differ and stores the current size. Runs at construction of a kMainFile store.
  void CheckDesktopSize();

 private:
  bool EnsureLoaded();
  bool PrepareWrite();
  size_t FindSection(std::string_view section) const;
  size_t BodyStart(size_t header) const;
  size_t SectionEnd(size_t body) const;
  bool FindKey(size_t body, std::string_view key, size_t& lineStart, size_t& valueStart,
               size_t& valueEnd) const;
  bool FindValue(std::string_view section, std::string_view key, std::string_view& value);
  bool WriteValue(std::string_view section, std::string_view key, std::string_view value);
  bool WriteValueUnchecked(std::string_view section, std::string_view key, std::string_view value);
  std::u16string DecodeValue(std::string_view raw, bool isPath) const;
  uint32_t WriteTo(std::u16string_view path);
  void ApplyLocationRules(const SettingsLocations& places);

  mutable platform::StoreLock m_lock;
  std::string m_text;
  bool m_loaded = false;
  bool m_utf8File = false;
  bool m_dirty = false;
  uint8_t m_flags = 0;
  uint32_t m_freezeCount = 0;
  std::u16string m_path;
  std::u16string m_fallbackPath;
};

// The program-wide settings (constructed on first use with the location rules of
// MainSettingsLocations(), flushed a last time at process exit).
SettingsStore& MainSettings();

}  // namespace tarnq::settings
