// SPDX-License-Identifier: GPL-3.0-or-later
// Paths stored in settings and presets may begin with a macro ("%MY_PATH%", "%APPDATA%",
// "%TEMP%", "%NAME%" of an environment variable), so that a portable installation or a per-user
// folder can move without breaking the stored paths.
#pragma once

#include <string>
#include <string_view>

namespace tarnq::settings {

// "%MY_PATH%" and "%COMMANDER_PATH%" = the program folder, "%APPDATA%" = the per-user
// application-data folder, "%TEMP%" = the temporary folder, any other "%NAME%" = the environment
// variable NAME (an unknown name leaves the path unchanged). Macro names ignore case. A path that
// begins with ".." is taken relative to the program folder. The result is normalised.
std::u16string ExpandPathMacros(std::u16string_view path);

// The reverse, for paths the user typed or picked: a path under the program folder, the
// application-data folder, the temporary folder or the value of an environment variable that holds
// an absolute path gets the macro in front. Paths that already begin with "%" stay as they are.
std::u16string MakePortablePath(std::u16string_view path);

// Removes "." components and resolves ".." components against the folder before them; a ".." at
// the start is dropped. Dots that are part of a name ("a.", "...") are left alone.
std::u16string NormalizePath(std::u16string_view path);

// <per-user folder>/TARNQ.INI and <program folder>/TARNQ.INI; an installed program has no
// program-folder file (empty).
std::u16string PerUserSettingsPath();
std::u16string ProgramFolderSettingsPath();

inline constexpr std::u16string_view kSettingsFileName = u"TARNQ.INI";

}  // namespace tarnq::settings
