// SPDX-License-Identifier: GPL-3.0-or-later
#include "appcore/keys_page.h"

#include "lang/commands.h"
#include "lang/languages.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "results/export.h"

namespace tarnq::appcore {
namespace {

constexpr int kHeadingText = 5450;
constexpr int kNameText = 54;
constexpr int kShortcutText = 30;
// How many names are tried before giving up ("Keys.htm", "Keys-2.htm" ... "Keys-999.htm").
constexpr int kMaxNames = 999;

std::u16string WithoutMnemonic(std::u16string_view text) {
  std::u16string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) ++i;  // "&&" is a literal '&'
    out.push_back(text[i]);
  }
  return out;
}

void AppendEscaped(std::string& out, std::u16string_view text) {
  out += platform::Utf16ToUtf8(results::EscapeHtml(text));
}

std::u16string CandidateName(int attempt) {
  if (attempt == 1) return u"Keys.htm";
  std::u16string name = u"Keys-";
  for (const char c : std::to_string(attempt)) name.push_back(static_cast<char16_t>(c));
  return name + u".htm";
}

}  // namespace

std::vector<KeysPageRow> KeysPageRows(const ShortcutTable& table, PunctuationLayout layout) {
  std::vector<KeysPageRow> rows;
  for (const lang::CommandName& entry : lang::CommandTable()) {
    const std::vector<uint16_t> codes = table.CodesOf(entry.id);
    if (codes.empty()) continue;
    KeysPageRow row{WithoutMnemonic(lang::GetMenuText(lang::ToInt(entry.id))), {}};
    for (const uint16_t code : codes) {
      if (!row.keys.empty()) row.keys += u", ";
      row.keys += KeyName(code, layout);
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

KeysPageTexts KeysPageTitles() {
  return {lang::GetMenuText(kHeadingText), lang::GetMenuText(kNameText), lang::GetMenuText(kShortcutText)};
}

std::string ComposeKeysPage(const KeysPageTexts& texts, std::span<const KeysPageRow> rows) {
  std::string out = "<html><head>\r\n";
  out += "<style>body{background-color:#FFFFFF;color:#000000;font-family:Verdana,Arial;font-size:80%}"
         "table{font-size:100%}</style>\r\n";
  out += "</head><body><h3>";
  AppendEscaped(out, texts.heading);
  out += "</h3><table border=0><tr><th align=left>";
  AppendEscaped(out, texts.nameColumn);
  out += "</th><th align=left>";
  AppendEscaped(out, texts.shortcutColumn);
  out += "</th></tr>";
  bool tinted = true;
  for (const KeysPageRow& row : rows) {
    out += tinted ? "<tr bgcolor=#F4F3FA><td>" : "<tr bgcolor=#FFFFFF><td>";
    AppendEscaped(out, row.command);
    out += "</td><td>";
    AppendEscaped(out, row.keys);
    out += "</td></tr>";
    tinted = !tinted;
  }
  out += "</table></body></html>";
  return out;
}

uint32_t WriteKeysPage(const ShortcutTable& table, std::u16string& path, std::u16string_view folder,
                       PunctuationLayout layout) {
  path.clear();
  const std::u16string place = folder.empty() ? platform::RuntimeFolder() : std::u16string(folder);
  if (!platform::FolderExists(place)) {
    if (const uint32_t code = platform::CreateFolders(place)) return code;
  }
  const std::vector<KeysPageRow> rows = KeysPageRows(table, layout);
  const std::string page = ComposeKeysPage(KeysPageTitles(), rows);
  for (int attempt = 1; attempt <= kMaxNames; ++attempt) {
    const std::u16string candidate = platform::JoinPath(place, CandidateName(attempt));
    const uint32_t code = platform::CreateExclusiveFile(candidate, page);
    if (code == platform::err::kAlreadyExists) continue;
    if (code == 0) path = candidate;
    return code;
  }
  return platform::err::kAlreadyExists;
}

}  // namespace tarnq::appcore
