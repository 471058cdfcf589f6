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

// The program's arguments (argv[0] included) as file-name bytes (text.h). On Windows they come from
// the wide command line, so names outside the ANSI code page arrive intact.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace tarnq::platform
