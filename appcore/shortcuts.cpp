// SPDX-License-Identifier: GPL-3.0-or-later
#include "appcore/shortcuts.h"

#include <algorithm>
#include <string>

#include "lang/commands.h"
#include "lang/languages.h"
#include "platform/text.h"
#include "settings/field_line.h"

namespace tarnq::appcore {
namespace {

using enum CommandId;

// Virtual-key codes used below.
constexpr uint8_t kVkTab = 0x09;
constexpr uint8_t kVkReturn = 0x0D;
constexpr uint8_t kVkEscape = 0x1B;
constexpr uint8_t kVkSpace = 0x20;
constexpr uint8_t kVkInsert = 0x2D;
constexpr uint8_t kVkF1 = 0x70;
constexpr uint8_t kVkF2 = 0x71;
constexpr uint8_t kVkF5 = 0x74;
constexpr uint8_t kVkF6 = 0x75;
constexpr uint8_t kVkF8 = 0x77;

constexpr Shortcut kFixed[] = {
    {kVkEscape, kEscape},
    {kVkReturn, kEnter},
    {kVkTab, kFocusNext},
    {kVkTab | kShiftBit, kFocusPrevious},
};

constexpr Shortcut kDefaults[] = {
    {kVkF2, kPlay},
    {kVkF5, kFileCopy},
    {kVkF6, kFileMove},
    {kVkF6 | kShiftBit, kFileRename},
    {kVkF8, kFileDelete},
    {kVkSpace | kCtrlBit, kPresetEdit},
    {kVkReturn | kAltBit, kProperties},
    {'A' | kCtrlBit, kSelectAll},
    {'D' | kCtrlBit, kDeselectAll},
    {'F' | kCtrlBit, kFind},
    {'G' | kCtrlBit, kGoTo},
    {'I' | kCtrlBit, kInvertSelection},
    {'U' | kCtrlBit, kSelectDupes},
};

constexpr uint16_t kReserved[] = {
    kVkF1, kVkTab, kVkTab | kCtrlBit, kVkTab | kShiftBit, kVkEscape, kVkInsert, kVkReturn,
};

CommandId CommandOfStoredName(std::string_view value, bool utf8File) {
  // A value is UTF-8 after the marker, or throughout a file that begins with it.
  if (value.starts_with(platform::kUtf8Marker)) {
    value.remove_prefix(platform::kUtf8Marker.size());
    utf8File = true;
  }
  const int id = lang::CommandOfName(utf8File ? platform::Utf8ToUtf16(value) : platform::Decode8Bit(value));
  return id > 0 && id <= UINT16_MAX ? static_cast<CommandId>(id) : kNone;
}

// What section `Keys` stores for a command: its four-letter key, else its table name.
std::string StoredNameOf(CommandId command) {
  const std::u16string key = lang::KeyOfText(lang::ToInt(command));
  if (!key.empty()) return platform::Encode8Bit(key);
  return std::string(lang::CommandTableName(lang::ToInt(command)));
}

}  // namespace

std::span<const Shortcut> FixedShortcuts() { return kFixed; }
std::span<const Shortcut> DefaultShortcuts() { return kDefaults; }

CommandId DefaultCommandOf(uint32_t code) {
  for (const Shortcut& s : kDefaults) {
    if (s.code == code) return s.command;
  }
  return kNone;
}

bool IsReservedShortcut(uint32_t code) {
  return std::find(std::begin(kReserved), std::end(kReserved), code) != std::end(kReserved);
}

bool IsAssignableShortcut(uint32_t code) { return code < kShortcutTableSize && !IsReservedShortcut(code); }

ShortcutTable::ShortcutTable() { ResetToDefaults(); }

void ShortcutTable::ResetToDefaults() {
  m_commands.fill(kNone);
  for (const Shortcut& s : kDefaults) m_commands[s.code] = s.command;
}

void ShortcutTable::Load(settings::SettingsStore& store) {
  ResetToDefaults();
  const bool utf8File = store.IsUtf8File();
  store.EnumSection(kKeysSection, [this, utf8File](std::string_view key, std::string_view value) {
    const uint32_t code = settings::ParseUnsigned32(key);
    if ((code & 0xFFFF) == 0 || !IsAssignableShortcut(code) || value.empty()) return false;
    m_commands[code] = CommandOfStoredName(value, utf8File);
    return false;
  });
}

CommandId ShortcutTable::CommandOf(uint32_t code) const {
  return code < kShortcutTableSize ? m_commands[code] : kNone;
}

CommandId ShortcutTable::CommandForKey(uint32_t code) const {
  for (const Shortcut& s : kFixed) {
    if (s.code == code) return s.command;
  }
  return CommandOf(code);
}

bool ShortcutTable::Assign(uint32_t code, CommandId command) {
  if (!IsAssignableShortcut(code)) return false;
  m_commands[code] = command;
  return true;
}

std::vector<uint16_t> ShortcutTable::CodesOf(CommandId command) const {
  std::vector<uint16_t> codes;
  if (command == kNone) return codes;
  for (size_t code = 0; code < kShortcutTableSize; ++code) {
    if (m_commands[code] == command) codes.push_back(static_cast<uint16_t>(code));
  }
  return codes;
}

uint16_t ShortcutTable::FirstCodeOf(CommandId command) const {
  if (command == kNone) return 0;
  const auto it = std::find(m_commands.begin(), m_commands.end(), command);
  return it == m_commands.end() ? 0 : static_cast<uint16_t>(it - m_commands.begin());
}

std::vector<ShortcutRow> ShortcutRows(const ShortcutTable& table) {
  std::vector<ShortcutRow> rows;
  for (const lang::CommandName& entry : lang::CommandTable()) {
    const CommandId command = entry.id;
    const std::vector<uint16_t> codes = table.CodesOf(command);
    if (codes.empty()) rows.push_back({command, 0});
    for (const uint16_t code : codes) rows.push_back({command, code});
  }
  return rows;
}

void SaveShortcuts(settings::SettingsStore& store, std::span<const ShortcutRow> rows) {
  const auto holds = [&store](uint16_t code) {
    std::string value;
    return store.ReadString(kKeysSection, std::to_string(code), {}, value);
  };
  const auto switchOff = [&](uint16_t code) {
    if (!holds(code)) store.WriteString(kKeysSection, std::to_string(code), "-");
  };

  store.DeleteSection(kKeysSection);
  for (const ShortcutRow& row : rows) {
    if (row.command == kNone) continue;
    if (row.code == 0) {
      for (const Shortcut& s : kDefaults) {
        if (s.command == row.command) switchOff(s.code);
      }
      continue;
    }
    if (!IsAssignableShortcut(row.code) || DefaultCommandOf(row.code) == row.command) continue;
    const std::string name = StoredNameOf(row.command);
    if (!name.empty()) store.WriteString(kKeysSection, std::to_string(row.code), name);
  }
  for (const Shortcut& s : kDefaults) {
    if (s.code == kVkF1 || s.code == 1) continue;  // never switched off by a save
    const bool used = std::any_of(rows.begin(), rows.end(), [&s](const ShortcutRow& r) {
      return r.command != kNone && r.code == s.code;
    });
    if (!used) switchOff(s.code);
  }
}

}  // namespace tarnq::appcore
