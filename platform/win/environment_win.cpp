// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/environment.h"

#include "platform/text.h"
#include "platform/win/win_util.h"

#include <shellapi.h>

namespace tarnq::platform {

std::vector<std::pair<std::u16string, std::u16string>> EnvironmentVariables() {
  std::vector<std::pair<std::u16string, std::u16string>> out;
  wchar_t* block = GetEnvironmentStringsW();
  if (block == nullptr) return out;
  for (const wchar_t* entry = block; *entry != L'\0'; entry += wcslen(entry) + 1) {
    const std::u16string text = win::FromWide(entry);
    // The "=C:=C:\..." entries of the drives' current folders keep their leading "=" in the name.
    const size_t eq = text.find(u'=', 1);
    if (eq == std::u16string::npos) continue;
    out.emplace_back(text.substr(0, eq), text.substr(eq + 1));
  }
  FreeEnvironmentStringsW(block);
  return out;
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  std::vector<std::string> out;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) {
    for (int i = 0; i < argc && argv[i] != nullptr; ++i) out.emplace_back(argv[i]);
    return out;
  }
  for (int i = 0; i < count; ++i) {
    const std::u16string text = win::FromWide(wide[i]);
    std::string bytes;
    if (!Utf16ToNameBytes(text, bytes)) bytes = Utf16ToUtf8(text);
    out.push_back(std::move(bytes));
  }
  LocalFree(wide);
  return out;
}

}  // namespace tarnq::platform
