// SPDX-License-Identifier: GPL-3.0-or-later
// Texts between the core (UTF-16 in std::u16string) and Qt (QString, also UTF-16).
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace tarnq::ui {

inline QString ToQString(std::u16string_view text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

inline std::u16string ToU16(const QString& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size()));
}

// A catalogue text as Qt wants it for menus and buttons: the same '&' mnemonics, so nothing to change.
QString Text(int identifier);
QString MenuText(int identifier);
QString HelpText(int identifier);
QString ShortText(int identifier);
// A catalogue text with its one placeholder ("%s") filled by `value`.
QString FormattedText(int identifier, const QString& value);

}  // namespace tarnq::ui
