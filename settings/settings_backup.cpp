// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settings_backup.h"

#include <charconv>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace tarnq::settings {
namespace {

// "name.ext" → "name (n).ext" in the same folder.
std::u16string NumberedName(std::u16string_view path, unsigned n) {
  const std::u16string_view folder = platform::FolderOf(path);
  const std::u16string_view stem = platform::StemOf(path);
  const std::u16string_view ext = platform::ExtensionOf(path);
  std::u16string name(stem);
  name += u" (";
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
  for (const char* p = digits; p != end; ++p) name.push_back(static_cast<char16_t>(*p));
  name += u")";
  if (!ext.empty()) {
    name += u".";
    name += ext;
  }
  return platform::JoinPath(folder, name);
}

// The store drops its text and stays frozen until the restart thaws it.
void DropAndFreeze(SettingsStore& store) {
  const std::u16string path = store.GetPath();
  store.SwitchFile(u"");
  store.SwitchFile(path);
  store.Freeze();
}

}  // namespace

SettingsCommandResult BackupSettings(SettingsStore& store, std::u16string_view target) {
  SettingsCommandResult result;
  const uint32_t flushed = store.Flush();
  const std::u16string current = store.GetPath();
  if (platform::SamePath(target, current)) return result;
  if (flushed != 0) {
    result.error = flushed;
    return result;
  }
  std::string bytes;
  if (const uint32_t code = platform::ReadWholeFile(current, bytes); code != 0) {
    result.error = code;
    return result;
  }
  std::u16string destination(target);
  for (unsigned n = 2; platform::FileExists(destination); ++n) {
    if (n > 9999) {
      result.error = platform::err::kAlreadyExists;
      return result;
    }
    destination = NumberedName(target, n);
  }
  result.error = platform::WriteFileAtomically(destination, bytes);
  if (result.error == 0) result.writtenPath = destination;
  return result;
}

SettingsCommandResult RestoreSettings(SettingsStore& store, std::u16string_view source) {
  SettingsCommandResult result;
  const std::u16string current = store.GetPath();
  if (current.empty() || platform::SamePath(source, current)) return result;
  std::string bytes;
  if (const uint32_t code = platform::ReadWholeFile(source, bytes); code != 0) {
    result.error = code;
    return result;
  }
  result.error = platform::WriteFileAtomically(current, bytes);
  if (result.error != 0) return result;
  DropAndFreeze(store);
  result.restartRequested = true;
  return result;
}

SettingsCommandResult ResetSettings(SettingsStore& store) {
  SettingsCommandResult result;
  const std::u16string current = store.GetPath();
  if (current.empty()) {
    result.error = platform::err::kFileNotFound;
    return result;
  }
  result.error = platform::WriteFileAtomically(current, {});
  if (result.error != 0) return result;
  DropAndFreeze(store);
  result.restartRequested = true;
  return result;
}

}  // namespace tarnq::settings
