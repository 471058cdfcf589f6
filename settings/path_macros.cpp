// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/path_macros.h"

#include <vector>

#include "platform/environment.h"
#include "platform/paths.h"

namespace tarnq::settings {
namespace {

using platform::kSeparator;

char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}

std::u16string_view TrimTrailingSeparators(std::u16string_view p) {
  while (!p.empty() && platform::IsSeparator(p.back())) p.remove_suffix(1);
  return p;
}

// The folder a macro name stands for; false for an unknown name.
bool MacroFolder(std::u16string_view name, std::u16string& folder) {
  if (EqualsIgnoringAsciiCase(name, u"MY_PATH") || EqualsIgnoringAsciiCase(name, u"COMMANDER_PATH")) {
    folder = platform::ProgramFolder();
    return true;
  }
  if (EqualsIgnoringAsciiCase(name, u"APPDATA")) {
    folder = platform::AppDataFolder();
    return true;
  }
  if (EqualsIgnoringAsciiCase(name, u"TEMP")) {
    folder = platform::TempFolder();
    return true;
  }
  return platform::GetEnvironment(name, folder);
}

// `folder` + the rest of `path` behind it, as "%NAME%" + rest; empty when `path` is not below it.
bool ReplacePrefix(std::u16string_view path, std::u16string_view folder, std::u16string_view name,
                   std::u16string& out) {
  folder = TrimTrailingSeparators(folder);
  if (folder.empty() || !platform::IsInFolder(path, folder)) return false;
  out.assign(u"%");
  out.append(name);
  out.push_back(u'%');
  out.append(path.substr(folder.size()));
  return true;
}

}  // namespace

std::u16string NormalizePath(std::u16string_view path) {
  // Components between separators; an absolute path starts with an empty one.
  std::vector<std::u16string_view> parts;
  size_t start = 0;
  while (true) {
    const size_t sep = path.find(kSeparator, start);
    if (sep == std::u16string_view::npos) {
      parts.push_back(path.substr(start));
      break;
    }
    parts.push_back(path.substr(start, sep - start));
    start = sep + 1;
  }
  std::vector<std::u16string_view> kept;
  kept.reserve(parts.size());
  for (size_t i = 0; i < parts.size(); ++i) {
    const bool last = i + 1 == parts.size();
    if (parts[i] == u"." && !last) continue;
    if (parts[i] == u"..") {
      // The folder before it goes too; the root (a leading empty component) stays.
      if (!kept.empty() && !(kept.size() == 1 && kept[0].empty())) kept.pop_back();
      if (last && !kept.empty()) kept.push_back(u"");
      continue;
    }
    kept.push_back(parts[i]);
  }
  std::u16string out;
  out.reserve(path.size());
  for (size_t i = 0; i < kept.size(); ++i) {
    if (i > 0) out.push_back(kSeparator);
    out.append(kept[i]);
  }
  return out;
}

std::u16string ExpandPathMacros(std::u16string_view path) {
  std::u16string expanded;
  if (path.starts_with(u"..")) {
    expanded = platform::JoinPath(platform::ProgramFolder(), path);
  } else if (path.starts_with(u"%") && path.find(u'%', 1) != std::u16string_view::npos) {
    const size_t close = path.find(u'%', 1);
    std::u16string folder;
    if (MacroFolder(path.substr(1, close - 1), folder)) {
      expanded = TrimTrailingSeparators(folder);
      expanded.append(path.substr(close + 1));
    } else {
      expanded = path;
    }
  } else {
    expanded = path;
  }
  return NormalizePath(expanded);
}

std::u16string MakePortablePath(std::u16string_view path) {
  if (path.starts_with(u"%")) return std::u16string(path);
  std::u16string out;
  if (ReplacePrefix(path, platform::ProgramFolder(), u"MY_PATH", out) ||
      ReplacePrefix(path, platform::AppDataFolder(), u"APPDATA", out) ||
      ReplacePrefix(path, platform::TempFolder(), u"TEMP", out))
    return NormalizePath(out);
  for (const auto& [name, value] : platform::EnvironmentVariables()) {
    if (name.empty() || name.front() == u'=' || name.find(u'%') != std::u16string::npos) continue;
    if (value.size() < 4 || !platform::IsAbsolutePath(value) || value.find(u':') != std::u16string::npos)
      continue;
    if (ReplacePrefix(path, value, name, out)) return NormalizePath(out);
  }
  return NormalizePath(path);
}

std::u16string PerUserSettingsPath() {
  return platform::JoinPath(platform::PerUserFolder(), kSettingsFileName);
}

std::u16string ProgramFolderSettingsPath() {
  // An installed program's folder is shared by every user (and a copy made there by root would win
  // for all of them): its settings live in the per-user folder only.
  if (platform::IsInstalledProgram()) return {};
  return platform::JoinPath(platform::ProgramFolder(), kSettingsFileName);
}

}  // namespace tarnq::settings
