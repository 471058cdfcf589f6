// SPDX-License-Identifier: GPL-3.0-or-later
// The program's command identifiers. The numbers are what menus, toolbars, shortcuts (section `Keys`)
// and the catalogue's texts agree on, so they never change.
#pragma once

#include <cstdint>

namespace tarnq::lang {

enum class CommandId : uint16_t {
  kNone = 0,
  // Keys that move the focus or act on the focused pane (the fixed shortcuts).
  kFocusNext = 20,
  kFocusPrevious = 21,
  kEnter = 22,
  kEscape = 23,
  // Preset bar.
  kPresetBox = 76,
  kPresetButton = 77,
  // File menu.
  kExit = 100,
  kPresetNew = 102,
  kPresetOpen = 103,
  kPlay = 106,
  kFileCopy = 108,
  kFileMove = 109,
  kFileRename = 110,
  kFileDelete = 111,
  kProperties = 112,
  kExport = 113,
  kRemoveFromList = 114,
  kSearchFinished = 117,  // no menu entry: the search is over, focus the list
  kSaveResults = 118,
  kLoadResults = 119,
  // Edit menu.
  kSelectDupes = 121,
  kSelectAll = 122,
  kDeselectAll = 123,
  kInvertSelection = 124,
  kPresetEdit = 125,
  kCopyNames = 126,
  kCopyPaths = 127,
  kCopySelection = 128,
  kCopySelectionWithHeader = 129,
  // Extra menu.
  kFind = 131,
  kStop = 132,
  kTestSimilarity = 133,
  kGoTo = 134,
  kConnectDrive = 136,
  kDisconnectDrive = 137,
  // View menu.
  kToolbar = 141,
  kStatusBar = 142,
  kIcons = 143,
  kUnloadPlugins = 145,  // no menu entry: posted once after the window exists
  kSortName = 151,
  kSortExtension = 152,
  kSortPath = 153,
  kSortArtist = 154,
  kSortTitle = 155,
  kSortAlbum = 156,
  kSortTrack = 157,
  kSortGenre = 158,
  kSortBitrate = 159,
  kSortDuration = 160,
  kSortType = 161,
  kSortBpm = 162,
  kSortComment = 163,
  kSortSize = 164,
  kSortTime = 165,
  kSortNone = 166,
  kSortReversed = 167,
  // Options menu.
  kDarkModeOff = 171,
  kDarkModeAllow = 172,
  kDarkModeForce = 173,
  kCustomizeToolbar = 181,
  kFont = 182,
  kConfiguration = 183,
  kLanguage = 185,
  kBackupSettings = 186,
  kRestoreSettings = 187,
  kResetSettings = 188,
  kFavoriteFolders = 189,
  // Help menu.
  kHelp = 201,
  kKeyboardShortcuts = 202,
  kGoOnline = 203,
  kCheckUpdates = 204,
  kAbout = 206,
  // The right-aligned "Switch list" item.
  kSwitchList = 30000,
};

constexpr int ToInt(CommandId id) { return static_cast<int>(id); }

// The sort key (0-15) a sort command chooses, or -1 for any other command.
constexpr int SortKeyOfCommand(CommandId id) {
  switch (id) {
    case CommandId::kSortNone: return 0;
    case CommandId::kSortName: return 1;
    case CommandId::kSortExtension: return 2;
    case CommandId::kSortPath: return 3;
    case CommandId::kSortArtist: return 4;
    case CommandId::kSortTitle: return 5;
    case CommandId::kSortAlbum: return 6;
    case CommandId::kSortTrack: return 7;
    case CommandId::kSortGenre: return 8;
    case CommandId::kSortBitrate: return 9;
    case CommandId::kSortDuration: return 10;
    case CommandId::kSortType: return 11;
    case CommandId::kSortComment: return 12;
    case CommandId::kSortBpm: return 13;
    case CommandId::kSortSize: return 14;
    case CommandId::kSortTime: return 15;
    default: return -1;
  }
}

// The sort command of a sort key (0-15); kNone for other values.
constexpr CommandId SortCommandOfKey(int key) {
  constexpr CommandId kByKey[] = {
      CommandId::kSortNone,     CommandId::kSortName,    CommandId::kSortExtension, CommandId::kSortPath,
      CommandId::kSortArtist,   CommandId::kSortTitle,   CommandId::kSortAlbum,     CommandId::kSortTrack,
      CommandId::kSortGenre,    CommandId::kSortBitrate, CommandId::kSortDuration,  CommandId::kSortType,
      CommandId::kSortComment,  CommandId::kSortBpm,     CommandId::kSortSize,      CommandId::kSortTime};
  return key >= 0 && key < 16 ? kByKey[key] : CommandId::kNone;
}

}  // namespace tarnq::lang
