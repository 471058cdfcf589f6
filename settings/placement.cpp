// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/placement.h"

#include <string>

#include "settings/field_line.h"
#include "settings/number_list.h"
#include "settings/settings_store.h"

namespace tarnq::settings {
namespace {

int32_t ScaleDefaultSize(int32_t size) {
  const DesktopInfo desktop = GetDesktopInfo();
  if (size < 1 || desktop.workAreaWidth < 1600) return size;
  return static_cast<int32_t>(static_cast<int64_t>(size) * (desktop.workAreaWidth / 16) / 100);
}

}  // namespace

WindowPlacement ReadPlacement(SettingsStore& store, std::string_view section, int32_t defaultWidth,
                              int32_t defaultHeight) {
  std::string value;
  if (store.ReadString(section, "Pos", {}, value, 128)) {
    int64_t n[5];
    const DesktopInfo desktop = GetDesktopInfo();
    if (ParseNumberList<char>(value, n) == 5 && n[2] >= 50 && n[3] >= 50 &&
        (!desktop.Known() || (n[2] <= 2 * int64_t{desktop.width} && n[3] <= 2 * int64_t{desktop.height}))) {
      WindowPlacement placement;
      placement.x = static_cast<int32_t>(n[0]);
      placement.y = static_cast<int32_t>(n[1]);
      placement.width = static_cast<int32_t>(n[2]);
      placement.height = static_cast<int32_t>(n[3]);
      placement.showState = n[4] == 1 || n[4] == 3 ? static_cast<int16_t>(n[4]) : 0;
      return placement;
    }
  }
  WindowPlacement placement;
  placement.x = placement.y = kSystemChoosesPosition;
  placement.width = ScaleDefaultSize(defaultWidth);
  placement.height = ScaleDefaultSize(defaultHeight);
  return placement;
}

bool WritePlacement(SettingsStore& store, std::string_view section, const WindowPlacement& placement) {
  if (store.PlacementLocked()) return false;
  std::string value;
  for (int64_t n :
       {int64_t{placement.x}, int64_t{placement.y}, int64_t{placement.width}, int64_t{placement.height}}) {
    AppendNumber(value, n);
    value.push_back(',');
  }
  const bool keptState = placement.showState == 1 || placement.showState == 3;
  AppendNumber(value, static_cast<int64_t>(keptState ? placement.showState : 0));
  return store.WriteString(section, "Pos", value);
}

}  // namespace tarnq::settings
