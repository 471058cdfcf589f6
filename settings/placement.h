// SPDX-License-Identifier: GPL-3.0-or-later
// Window placements in the settings (key "Pos" of a window's section): x, y, width, height and the
// show state as five decimal numbers separated by commas.
#pragma once

#include <cstdint>
#include <string_view>

namespace tarnq::settings {

class SettingsStore;

// Where a window sits. x = y = kSystemChoosesPosition lets the window system place it.
struct WindowPlacement {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  int16_t showState = 0;  // 1 normal, 3 maximised, 0 anything else
};
inline constexpr int32_t kSystemChoosesPosition = INT32_MIN;  // 0x80000000

// The stored placement is used when it has exactly five numbers (hexadecimal after a leading
// "#"), width and height are at least 50 and at most twice the desktop's (GetDesktopInfo);
// otherwise x = y = kSystemChoosesPosition and the default size, scaled up on work areas of 1600
// pixels and more.
WindowPlacement ReadPlacement(SettingsStore& store, std::string_view section, int32_t defaultWidth,
                              int32_t defaultHeight);
// Does nothing (false) once the store's placements are locked (SettingsStore::LockPlacement).
bool WritePlacement(SettingsStore& store, std::string_view section, const WindowPlacement& placement);

}  // namespace tarnq::settings
