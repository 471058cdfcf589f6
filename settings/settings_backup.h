// SPDX-License-Identifier: GPL-3.0-or-later
// Backup, Restore and Reset of the settings file. The file dialogs, the question box and the
// restart itself belong to the host; these functions do the file work and tell the host whether it
// must restart.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "settings/settings_store.h"

namespace tarnq::settings {

struct SettingsCommandResult {
  uint32_t error = 0;              // 0 or the error code (the path in the message is the host's)
  bool restartRequested = false;   // the host must destroy the main window and restart
  std::u16string writtenPath;      // Backup: where the copy went
};

// Flushes `store` and copies its file to `target`. An existing file at `target` is kept: the copy
// then gets the name "<stem> (2).<ext>", "(3)" ... A target that is the settings file itself does
// nothing.
SettingsCommandResult BackupSettings(SettingsStore& store, std::u16string_view target);

// Copies `source` over the settings file; on success drops the loaded text and freezes the store so
// that nothing of the running instance overwrites the restored file, and requests a restart (which
// begins with Thaw). Restoring the settings file onto itself does nothing.
SettingsCommandResult RestoreSettings(SettingsStore& store, std::u16string_view source);

// Empties the settings file (after the host asked the user), then as Restore: drop, freeze, restart.
SettingsCommandResult ResetSettings(SettingsStore& store);

}  // namespace tarnq::settings
