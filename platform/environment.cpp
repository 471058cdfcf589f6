// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/environment.h"

#include <unistd.h>

#include <cstring>
#include <string_view>

#include "platform/text.h"

extern char** environ;

namespace tarnq::platform {

std::vector<std::pair<std::u16string, std::u16string>> EnvironmentVariables() {
  std::vector<std::pair<std::u16string, std::u16string>> out;
  if (environ == nullptr) return out;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string_view text(*entry);
    // Skip a leading "=" so that Windows-style "=C:=C:\" entries keep their name part intact.
    const size_t eq = text.find('=', 1);
    if (eq == std::string_view::npos) continue;
    out.emplace_back(NameBytesToUtf16(text.substr(0, eq)), NameBytesToUtf16(text.substr(eq + 1)));
  }
  return out;
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  std::vector<std::string> out;
  for (int i = 0; i < argc && argv[i] != nullptr; ++i) out.emplace_back(argv[i]);
  return out;
}

}  // namespace tarnq::platform
