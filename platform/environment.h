// SPDX-License-Identifier: GPL-3.0-or-later
// The process environment as a list, in the order the process received it.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tarnq::platform {

// Every NAME=value entry of the environment block, decoded like file names (invalid UTF-8 bytes
// become escape surrogates). Entries without "=" are left out.
std::vector<std::pair<std::u16string, std::u16string>> EnvironmentVariables();

}  // namespace tarnq::platform
