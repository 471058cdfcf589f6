// SPDX-License-Identifier: GPL-3.0-or-later
// Keyboard shortcuts. A shortcut code is the Windows virtual-key code (low 8 bits) | 0x100 with
// Alt | 0x200 with Ctrl | 0x400 with Shift; the front end maps its key events to these codes, so
// section `Keys` stays readable by the Windows program.
//
// Three tables: the fixed keys (Esc, Enter, Tab, Shift+Tab; not configurable), the defaults, and
// the configurable table of 2048 entries indexed by code, which starts from the defaults and takes
// the differences stored in section `Keys` ("113=-" switches F2 off, "1089=APly" puts Play on
// Ctrl+A). Reserved codes can be neither assigned nor read from the section.
//
// Used on the user-interface thread only.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "lang/command_id.h"
#include "settings/settings_store.h"

namespace tarnq::appcore {

using lang::CommandId;

inline constexpr uint16_t kAltBit = 0x100;
inline constexpr uint16_t kCtrlBit = 0x200;
inline constexpr uint16_t kShiftBit = 0x400;
inline constexpr std::string_view kKeysSection = "Keys";

// Codes of 2048 and above cannot be assigned.
inline constexpr size_t kShortcutTableSize = 2048;

constexpr uint16_t MakeShortcutCode(uint8_t virtualKey, bool alt, bool ctrl, bool shift) {
  return static_cast<uint16_t>(virtualKey | (alt ? kAltBit : 0) | (ctrl ? kCtrlBit : 0) | (shift ? kShiftBit : 0));
}

struct Shortcut {
  uint16_t code = 0;
  CommandId command = CommandId::kNone;
};

// Esc → 23, Enter → 22, Tab → 20, Shift+Tab → 21.
std::span<const Shortcut> FixedShortcuts();
// F2 Play, F5 Copy, F6 Move, Shift+F6 Rename, F8 Delete, Ctrl+Space Preset, Alt+Enter Properties,
// Ctrl+A/D/I the selection, Ctrl+F Search, Ctrl+G Go to, Ctrl+U Select dupes.
std::span<const Shortcut> DefaultShortcuts();
// The default command of `code`; kNone when it has none.
CommandId DefaultCommandOf(uint32_t code);
// F1, Tab, Ctrl+Tab, Shift+Tab, Esc, Insert, Enter.
bool IsReservedShortcut(uint32_t code);
// Below 2048 and not reserved.
bool IsAssignableShortcut(uint32_t code);

class ShortcutTable {
 public:
  // The defaults.
  ShortcutTable();

  void ResetToDefaults();
  // The defaults, then every entry of section `Keys`: key = decimal code, value = a command name
  // (the four-letter catalogue key, else the command table's name). Codes whose low 16 bits are 0,
  // codes of 2048 and above and reserved codes are skipped, and so are empty values; a name that
  // no command has (such as "-") switches the code off.
  void Load(settings::SettingsStore& store);

  // The configurable entry of `code` (kNone when off or outside the table).
  CommandId CommandOf(uint32_t code) const;
  // What a key press runs: the fixed table first, then the configurable one; kNone to pass the
  // key on.
  CommandId CommandForKey(uint32_t code) const;
  // False (and nothing changes) for a code that cannot be assigned. kNone switches the code off.
  bool Assign(uint32_t code, CommandId command);

  // The codes that run `command`, ascending; the first is the one the menus show.
  std::vector<uint16_t> CodesOf(CommandId command) const;
  uint16_t FirstCodeOf(CommandId command) const;

  friend bool operator==(const ShortcutTable&, const ShortcutTable&) = default;

 private:
  std::array<CommandId, kShortcutTableSize> m_commands{};
};

// One row of the shortcut dialog: a command and one of its codes (0 = none).
struct ShortcutRow {
  CommandId command = CommandId::kNone;
  uint16_t code = 0;
  friend bool operator==(const ShortcutRow&, const ShortcutRow&) = default;
};

// The dialog's rows: every command of the command table in its order, with one row per code it
// has, or one row with code 0 when it has none (so that saving keeps every assignment).
std::vector<ShortcutRow> ShortcutRows(const ShortcutTable& table);

// The dialog's OK: replaces section `Keys` by the differences of `rows` from the defaults. A row
// with a code whose command is not that code's default stores code = the command's four-letter
// name; a row without a code whose command has default codes stores "-" for each of them (unless
// the section already holds that code); every default code that no row uses stores "-" too.
// Rows with codes that cannot be assigned are left out. Then reload the table with Load.
void SaveShortcuts(settings::SettingsStore& store, std::span<const ShortcutRow> rows);

}  // namespace tarnq::appcore
