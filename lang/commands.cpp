// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/commands.h"

#include <algorithm>

#include "lang/languages.h"

namespace tarnq::lang {
namespace {

constexpr CommandName kCommands[] = {
    {CommandId::kPresetNew, "PresetNew"},
    {CommandId::kPresetOpen, "PresetOpen"},
    {CommandId::kPlay, "Play"},
    {CommandId::kFileCopy, "FileCopy"},
    {CommandId::kFileMove, "FileMove"},
    {CommandId::kFileRename, "FileRen"},
    {CommandId::kFileDelete, "FileDele"},
    {CommandId::kSaveResults, "Save"},
    {CommandId::kLoadResults, "Load"},
    {CommandId::kExport, "Export"},
    {CommandId::kRemoveFromList, "RemFrLst"},
    {CommandId::kProperties, "Prop"},
    {CommandId::kExit, "Exit"},
    {CommandId::kSelectDupes, "SelectDup"},
    {CommandId::kSelectAll, "SelectAll"},
    {CommandId::kDeselectAll, nullptr},
    {CommandId::kInvertSelection, nullptr},
    {CommandId::kPresetEdit, "PresetEdit"},
    {CommandId::kCopyNames, "SelSaveClip"},
    {CommandId::kCopyPaths, "SelPathClip"},
    {CommandId::kCopySelection, "SelClipNameD"},
    {CommandId::kCopySelectionWithHeader, "SelClipNameH"},
    {CommandId::kToolbar, "Toolbar"},
    {CommandId::kStatusBar, "Statusbar"},
    {CommandId::kIcons, "ViewIcon"},
    {CommandId::kSortName, "SrtName"},
    {CommandId::kSortExtension, "SrtExt"},
    {CommandId::kSortTime, "SrtTime"},
    {CommandId::kSortSize, "SrtSize"},
    {CommandId::kSortPath, "SrtPath"},
    {CommandId::kSortArtist, "SrtArtist"},
    {CommandId::kSortTitle, "SrtTitle"},
    {CommandId::kSortAlbum, "SrtAlbum"},
    {CommandId::kSortTrack, "SrtTrack"},
    {CommandId::kSortGenre, "SrtGenre"},
    {CommandId::kSortBitrate, "SrtBitrate"},
    {CommandId::kSortDuration, "SrtDuration"},
    {CommandId::kSortType, "SrtType"},
    {CommandId::kSortBpm, "SrtBPM"},
    {CommandId::kSortComment, "SrtComment"},
    {CommandId::kSortNone, "SrtNone"},
    {CommandId::kSortReversed, "SrtRevers"},
    {CommandId::kFind, "Find"},
    {CommandId::kStop, "Stop"},
    {CommandId::kConnectDrive, "ConnDrv"},
    {CommandId::kDisconnectDrive, "DiscDrv"},
    {CommandId::kTestSimilarity, "TestSimil"},
    {CommandId::kGoTo, "GoTo"},
    {CommandId::kCustomizeToolbar, "OptToolbar"},
    {CommandId::kFont, "Font"},
    {CommandId::kDarkModeOff, nullptr},
    {CommandId::kDarkModeAllow, nullptr},
    {CommandId::kDarkModeForce, nullptr},
    {CommandId::kConfiguration, "Config"},
    {CommandId::kFavoriteFolders, "CfgSelFav"},
    {CommandId::kBackupSettings, "OptBack"},
    {CommandId::kRestoreSettings, "OptRest"},
    {CommandId::kResetSettings, nullptr},
    {CommandId::kLanguage, "Language"},
    {CommandId::kHelp, nullptr},
    {CommandId::kKeyboardShortcuts, "HelpKeys"},
    {CommandId::kGoOnline, "GoOnline"},
    {CommandId::kCheckUpdates, "ChkUpd"},
    {CommandId::kAbout, "About"},
};

}  // namespace

std::span<const CommandName> CommandTable() { return kCommands; }

std::string_view CommandTableName(int id) {
  for (const CommandName& command : kCommands) {
    if (ToInt(command.id) == id) return command.name != nullptr ? command.name : "";
  }
  return {};
}

int CommandOfName(std::u16string_view name) {
  if (name.empty()) return 0;
  if (const int id = TextOfKey(name); id != 0) return id;
  for (const CommandName& command : kCommands) {
    if (command.name == nullptr) continue;
    const std::string_view table = command.name;
    if (table.size() == name.size() && std::equal(table.begin(), table.end(), name.begin()))
      return ToInt(command.id);
  }
  return 0;
}

}  // namespace tarnq::lang
