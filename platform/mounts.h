// SPDX-License-Identifier: GPL-3.0-or-later
// The mounted file systems a user would pick as places to search.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarnq::platform {

// Linux: "/" first, then "/home", "/media/<name>", "/mnt/<name>" and "/run/media/<user>/<name>" in the
// order the system lists them, each once; just "/" when the mount table cannot be read.
// Windows: the drives ("C:\", "D:\", ...).
std::vector<std::u16string> MountedFileSystems();

#ifndef _WIN32

// The same choice from the text of a mount table in the form of /proc/self/mounts (device, mount
// point, type, options ... per line; blanks, tabs, newlines and backslashes inside a mount point
// written as a backslash and three octal digits) for the user `user` (empty: no "/run/media").
std::vector<std::u16string> MountPointsFromTable(std::string_view table, std::u16string_view user);

#endif

}  // namespace tarnq::platform
