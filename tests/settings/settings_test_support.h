// SPDX-License-Identifier: GPL-3.0-or-later
// A store over a file of given content, and a scope for the process-wide desktop size.
#pragma once

#include <memory>
#include <string>

#include "settings/settings_store.h"
#include "temp_folder.h"

namespace tarnq::settings {

// A store over a file with the given content.
struct Fixture {
  testing::TempFolder folder;
  std::unique_ptr<SettingsStore> store;
  explicit Fixture(const std::string& content, uint8_t flags = SettingsStore::kExplicitFile) {
    folder.Write("TARNQ.INI", content);
    store = std::make_unique<SettingsStore>(folder.Path("TARNQ.INI"), flags);
  }
};

// Keeps process-wide state of one test from leaking into the next.
class DesktopScope {
 public:
  explicit DesktopScope(const DesktopInfo& info) { SetDesktopInfo(info); }
  ~DesktopScope() { SetDesktopInfo({}); }
};

}  // namespace tarnq::settings
