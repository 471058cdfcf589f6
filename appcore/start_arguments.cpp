// SPDX-License-Identifier: GPL-3.0-or-later
#include "appcore/start_arguments.h"

#include <algorithm>

#include "platform/files.h"
#include "platform/paths.h"
#include "settings/path_macros.h"

namespace tarnq::appcore {
namespace {

// A whole decimal number with an optional sign ("42", "-1", "+7").
bool ReadsAsNumber(std::u16string_view text) {
  if (!text.empty() && (text.front() == u'-' || text.front() == u'+')) text.remove_prefix(1);
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

}  // namespace

std::u16string PresetArgument(std::span<const std::u16string> arguments) {
  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::u16string& argument = arguments[i];
    if (argument.empty() || ReadsAsNumber(argument)) continue;
    const std::u16string path = platform::IsAbsolutePath(argument) ? argument : platform::AbsolutePath(argument);
    platform::FileStatus status;
    if (platform::GetFileStatus(path, status, true) == 0 && !status.isDirectory) return path;
  }
  return {};
}

}  // namespace tarnq::appcore
