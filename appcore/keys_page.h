// SPDX-License-Identifier: GPL-3.0-or-later
// The keyboard-shortcut overview (command 202): an HTML page listing every command of the command
// table that has a shortcut, written to a new file that the front end opens with the desktop's
// browser.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "appcore/key_names.h"
#include "appcore/shortcuts.h"

namespace tarnq::appcore {

struct KeysPageRow {
  std::u16string command;  // the command's menu text without its mnemonic '&'
  std::u16string keys;     // the names of its shortcuts, separated by ", "
};

struct KeysPageTexts {
  std::u16string heading;   // catalogue 5450 "Keyboard Shortcuts"
  std::u16string nameColumn;      // 54 "Name"
  std::u16string shortcutColumn;  // 30 "Shortcut"
};

// The rows and titles from the active catalogue.
std::vector<KeysPageRow> KeysPageRows(const ShortcutTable& table, PunctuationLayout layout = UsPunctuation);
KeysPageTexts KeysPageTitles();

// The page: "<html><head>", CR LF, the style (white background, black text, Verdana or Arial at
// 80 % for the body and 100 % for tables), CR LF, "</head><body>", the heading as h3, a table with
// a header row and one row per command, rows alternately coloured #F4F3FA and #FFFFFF starting
// with the former, "</table>", "</body></html>". Every text is HTML-escaped, so a language file
// cannot put markup or script into the page.
std::string ComposeKeysPage(const KeysPageTexts& texts, std::span<const KeysPageRow> rows);

// Writes the page for `table` into `folder` (empty: the per-user runtime folder, created when
// missing) as a new file "Keys.htm", or "Keys-2.htm", "Keys-3.htm" ... when that name is taken.
// The file is always created new (an existing file or a link under the name is never written
// through). Returns 0 and the file's path, or the error code.
uint32_t WriteKeysPage(const ShortcutTable& table, std::u16string& path, std::u16string_view folder = {},
                       PunctuationLayout layout = UsPunctuation);

}  // namespace tarnq::appcore
