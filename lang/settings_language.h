// SPDX-License-Identifier: GPL-3.0-or-later
// The language choice kept in the settings: key `Language` of section `TARNQ`.
#pragma once

#include "lang/languages.h"
#include "settings/settings_store.h"

namespace tarnq::lang {

class StoreLanguageSettings final : public LanguageSettings {
 public:
  explicit StoreLanguageSettings(settings::SettingsStore& store) : m_store(store) {}
  std::u16string ReadLanguage() override;
  void StoreLanguage(std::u16string_view code) override;

 private:
  settings::SettingsStore& m_store;
};

}  // namespace tarnq::lang
