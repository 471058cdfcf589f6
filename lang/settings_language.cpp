// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/settings_language.h"

namespace tarnq::lang {

std::u16string StoreLanguageSettings::ReadLanguage() {
  // A language code has at most three letters; anything longer is not one.
  return m_store.ReadText("TARNQ", "Language", u"", 4);
}

void StoreLanguageSettings::StoreLanguage(std::u16string_view code) {
  m_store.WriteText("TARNQ", "Language", code);
  m_store.Flush();
}

}  // namespace tarnq::lang
