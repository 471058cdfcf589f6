// SPDX-License-Identifier: GPL-3.0-or-later
// The commands of tarnq-cli. Each takes the arguments after its name and returns the exit status.
#pragma once

#include <span>
#include <string_view>

namespace tarnq::cli {

struct Command {
  std::string_view name;
  std::string_view summary;  // one line for the help text
  int (*run)(std::span<char*> args);
};

// tarnq-cli find [OPTIONS] [FOLDER...]
int RunFind(std::span<char*> args);
// tarnq-cli info [--json] FILE...
int RunInfo(std::span<char*> args);
// tarnq-cli load [OPTIONS] FILE.tarnq
int RunLoad(std::span<char*> args);
// tarnq-cli play FILE [--start SEC] [--seconds N] [--volume PCT] --output FILE.wav
int RunPlay(std::span<char*> args);
// tarnq-cli similarity TEXT1 TEXT2
int RunSimilarity(std::span<char*> args);
// tarnq-cli preset show FILE.tnq
int RunPreset(std::span<char*> args);

}  // namespace tarnq::cli
