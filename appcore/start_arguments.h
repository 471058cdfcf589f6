// SPDX-License-Identifier: GPL-3.0-or-later
// The command line of the program: a preset file to open at start.
#pragma once

#include <span>
#include <string>

namespace tarnq::appcore {

// The first argument after the program name (arguments[0]) that does not read as a number, names
// an existing file and is not a folder; "" when there is none. It replaces the preset box's text.
// A relative name is taken from the current folder and returned as an absolute path, so that the
// preset history stores a path that still works from elsewhere.
std::u16string PresetArgument(std::span<const std::u16string> arguments);

}  // namespace tarnq::appcore
