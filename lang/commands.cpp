#include "lang/commands.h"

#include <algorithm>

#include "lang/languages.h"

namespace tarnq::lang {
namespace {

constexpr CommandName kCommands[] = {
    {102, "PresetNew"},    {103, "PresetOpen"},   {106, "Play"},        {108, "FileCopy"},
    {109, "FileMove"},     {110, "FileRen"},      {111, "FileDele"},    {118, "Save"},
    {119, "Load"},         {113, "Export"},       {114, "RemFrLst"},    {112, "Prop"},
    {100, "Exit"},         {121, "SelectDup"},    {122, "SelectAll"},   {123, nullptr},
    {124, nullptr},        {125, "PresetEdit"},   {126, "SelSaveClip"}, {127, "SelPathClip"},
    {128, "SelClipNameD"}, {129, "SelClipNameH"}, {141, "Toolbar"},     {142, "Statusbar"},
    {143, "ViewIcon"},     {151, "SrtName"},      {152, "SrtExt"},      {165, "SrtTime"},
    {164, "SrtSize"},      {153, "SrtPath"},      {154, "SrtArtist"},   {155, "SrtTitle"},
    {156, "SrtAlbum"},     {157, "SrtTrack"},     {158, "SrtGenre"},    {159, "SrtBitrate"},
    {160, "SrtDuration"},  {161, "SrtType"},      {162, "SrtBPM"},      {163, "SrtComment"},
    {166, "SrtNone"},      {167, "SrtRevers"},    {131, "Find"},        {132, "Stop"},
    {136, "ConnDrv"},      {137, "DiscDrv"},      {133, "TestSimil"},   {134, "GoTo"},
    {181, "OptToolbar"},   {182, "Font"},         {171, nullptr},       {172, nullptr},
    {173, nullptr},        {183, "Config"},       {189, "CfgSelFav"},   {186, "OptBack"},
    {187, "OptRest"},      {188, nullptr},        {185, "Language"},    {201, nullptr},
    {202, "HelpKeys"},     {203, "GoOnline"},     {204, "ChkUpd"},      {206, "About"},
};

}  // namespace

std::span<const CommandName> CommandTable() { return kCommands; }

std::string_view CommandTableName(int id) {
  for (const CommandName& command : kCommands) {
    if (command.id == id) return command.name != nullptr ? command.name : "";
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
      return command.id;
  }
  return 0;
}

}  // namespace tarnq::lang
