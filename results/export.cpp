// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/export.h"

#include <algorithm>
#include <array>

#include "lang/languages.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "settings/colors.h"
#include "settings/settings_store.h"

namespace tarnq::results {
namespace {

constexpr std::string_view kExportModeKey = "ExpMode";
constexpr uint32_t kWhite = 0xFFFFFF;

constexpr std::array<ExportFormatInfo, kExportFormatCount> kFormats = {{
    {u"Text", u"*.txt"},
    {u"Text Unicode", u"*.txt"},
    {u"CSV", u"*.csv"},
    {u"CSV Unicode", u"*.csv"},
    {u"HTML", u"*.htm"},
    {u"HTML Unicode", u"*.htm"},
    {u"HTML Unicode UTF-8", u"*.htm"},
    {u"Text UTF-8", u"*.txt"},
    {u"CSV UTF-8", u"*.csv"},
}};

// The HTML 4 names of U+00A1 ... U+00FF.
constexpr std::array<std::u16string_view, 95> kLatin1Entities = {
    u"iexcl", u"cent", u"pound", u"curren", u"yen", u"brvbar", u"sect", u"uml", u"copy", u"ordf",
    u"laquo", u"not", u"shy", u"reg", u"macr", u"deg", u"plusmn", u"sup2", u"sup3", u"acute",
    u"micro", u"para", u"middot", u"cedil", u"sup1", u"ordm", u"raquo", u"frac14", u"frac12", u"frac34",
    u"iquest", u"Agrave", u"Aacute", u"Acirc", u"Atilde", u"Auml", u"Aring", u"AElig", u"Ccedil", u"Egrave",
    u"Eacute", u"Ecirc", u"Euml", u"Igrave", u"Iacute", u"Icirc", u"Iuml", u"ETH", u"Ntilde", u"Ograve",
    u"Oacute", u"Ocirc", u"Otilde", u"Ouml", u"times", u"Oslash", u"Ugrave", u"Uacute", u"Ucirc", u"Uuml",
    u"Yacute", u"THORN", u"szlig", u"agrave", u"aacute", u"acirc", u"atilde", u"auml", u"aring", u"aelig",
    u"ccedil", u"egrave", u"eacute", u"ecirc", u"euml", u"igrave", u"iacute", u"icirc", u"iuml", u"eth",
    u"ntilde", u"ograve", u"oacute", u"ocirc", u"otilde", u"ouml", u"divide", u"oslash", u"ugrave", u"uacute",
    u"ucirc", u"uuml", u"yacute", u"thorn", u"yuml",
};

void AppendDecimal(std::u16string& out, uint64_t value) {
  char16_t digits[24];
  size_t n = 0;
  do {
    digits[n++] = static_cast<char16_t>(u'0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (n > 0) out.push_back(digits[--n]);
}

void AppendHex6(std::u16string& out, uint32_t rgb) {
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  for (int shift = 20; shift >= 0; shift -= 4) out.push_back(kDigits[(rgb >> shift) & 0xF]);
}

// Characters of a text, not UTF-16 units: padding counts what the reader sees as one character.
size_t CharacterCount(std::u16string_view text) {
  size_t n = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF)
      ++i;
    ++n;
  }
  return n;
}

void AppendPadded(std::u16string& line, std::u16string_view text, size_t width, bool right) {
  const size_t n = CharacterCount(text);
  const size_t pad = width > n ? width - n : 0;
  if (right) {
    line.append(pad, u' ');
    line.append(text);
    line.push_back(u' ');
  } else {
    line.append(text);
    line.append(pad + 1, u' ');
  }
}

std::string Encode(std::u16string_view text, ExportFormat format) {
  switch (format) {
    case ExportFormat::kText:
    case ExportFormat::kCsv:
    case ExportFormat::kHtml:
      return platform::EncodeCodePageLossy(text, 0);
    case ExportFormat::kHtmlUtf8:
    case ExportFormat::kTextUtf8:
    case ExportFormat::kCsvUtf8:
      return platform::Utf16ToUtf8(text);
    default: {
      std::string bytes;
      bytes.reserve(text.size() * 2);
      for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
      }
      return bytes;
    }
  }
}

std::string_view ByteOrderMark(ExportFormat format) {
  switch (format) {
    case ExportFormat::kTextUnicode:
    case ExportFormat::kCsvUnicode:
    case ExportFormat::kHtmlUnicode:
      return "\xFF\xFE";
    case ExportFormat::kHtmlUtf8:
      return "\xEF\xBB\xBF";
    default:
      return {};
  }
}

void ComposeText(const ExportTable& table, std::u16string& out) {
  const size_t columns = table.columns.size();
  std::vector<size_t> widths(columns, 0);
  for (size_t c = 0; c < columns; ++c) widths[c] = CharacterCount(table.columns[c].title);
  for (const auto& row : table.cells)
    for (size_t c = 0; c < columns && c < row.size(); ++c) widths[c] = std::max(widths[c], CharacterCount(row[c]));
  auto appendLine = [&](auto textOf) {
    std::u16string line;
    for (size_t c = 0; c < columns; ++c) {
      const std::u16string_view text = textOf(c);
      if (c + 1 == columns) line.append(text);
      else AppendPadded(line, text, widths[c], table.columns[c].rightAligned);
    }
    return line;
  };
  const std::u16string header = appendLine([&](size_t c) -> std::u16string_view { return table.columns[c].title; });
  out += header;
  out += u"\r\n";
  out.append(CharacterCount(header), u'-');
  out += u"\r\n";
  for (size_t r = 0; r < table.cells.size(); ++r) {
    if (r > 0 && table.colors[r] != table.colors[r - 1]) out += u"\r\n";
    out += appendLine([&](size_t c) -> std::u16string_view {
      return c < table.cells[r].size() ? std::u16string_view(table.cells[r][c]) : std::u16string_view();
    });
    out += u"\r\n";
  }
}

void ComposeCsv(const ExportTable& table, std::u16string& out) {
  const size_t columns = table.columns.size();
  for (size_t c = 0; c < columns; ++c) {
    if (c > 0) out.push_back(u';');
    AppendCsvField(out, table.columns[c].title);
  }
  out += u"\r\n";
  for (size_t r = 0; r < table.cells.size(); ++r) {
    if (r > 0 && table.colors[r] != table.colors[r - 1]) out += u"\r\n";
    for (size_t c = 0; c < columns; ++c) {
      if (c > 0) out.push_back(u';');
      if (c < table.cells[r].size()) AppendCsvField(out, table.cells[r][c]);
    }
    out += u"\r\n";
  }
}

void ComposeHtml(const ExportTable& table, std::u16string& out) {
  out += u"<html><body>\r\n<table border=0><tr>\r\n";
  for (const ExportColumn& column : table.columns) {
    out += u"<th bgcolor=\"#c0c0c0\">";
    out += EscapeHtml(column.title);
    out += u"</th>";
  }
  out += u"</tr>\r\n";
  for (size_t r = 0; r < table.cells.size(); ++r) {
    const bool marked = r < table.selected.size() && table.selected[r];
    out += marked ? u"<tr class=\"selected\" style=\"font-weight:bold\">" : u"<tr>";
    const uint32_t color = table.colors[r] == kNoColor ? 0 : table.colors[r] & 0xFFFFFF;
    for (size_t c = 0; c < table.columns.size(); ++c) {
      const ExportColumn& column = table.columns[c];
      const std::u16string_view text = c < table.cells[r].size() ? std::u16string_view(table.cells[r][c]) : u"";
      out += u"<td bgcolor=\"#";
      AppendHex6(out, color);
      out += u'"';
      if (column.rightAligned) out += u" align=right";
      out += u'>';
      const std::u16string escaped = text.empty() ? u"&nbsp;" : EscapeHtml(text);
      const std::u16string_view path = r < table.paths.size() ? std::u16string_view(table.paths[r]) : u"";
      if (column.id == column::kFilename && platform::IsAbsolutePath(path)) {
        out += u"<a href=\"";
        out += FileUrl(path);
        out += u"\">";
        out += escaped;
        out += u"</a>";
      } else {
        out += escaped;
      }
      out += u"</td>";
    }
    out += u"</tr>\r\n";
  }
  out += u"</table>\r\n</body></html>\r\n";
}

// The selected rows in display order, read under the lock.
template <class Fn>
void ForEachSelected(const ResultList& list, Fn fn) {
  platform::StoreGuard guard(list.RowsLock());
  const size_t count = list.RowCount();
  for (size_t i = 0; i < count; ++i) {
    const ResultRow row = list.RowAt(i);
    if (row && row.Length() != 0 && row.Selected()) fn(row);
  }
}

}  // namespace

ExportFormatInfo ExportFormatInfoOf(int format) {
  return kFormats[static_cast<size_t>(IsExportFormat(format) ? format - 1 : 0)];
}

bool IsExportFormat(int format) { return format >= 1 && format <= kExportFormatCount; }

int ReadExportMode(settings::SettingsStore& store) {
  const uint32_t mode = store.ReadInt(settings::SettingsStore::kMainSection, kExportModeKey, 0);
  return mode > kExportFormatCount ? 0 : static_cast<int>(mode);
}

void WriteExportMode(settings::SettingsStore& store, int format) {
  store.WriteInt(settings::SettingsStore::kMainSection, kExportModeKey,
                 static_cast<uint32_t>(IsExportFormat(format) ? format : 0));
}

std::vector<uint32_t> SchemeBackgrounds(std::span<const settings::ColorPair> scheme) {
  std::vector<uint32_t> backgrounds;
  for (const settings::ColorPair& pair : scheme) {
    const uint32_t bgr = pair.first;
    backgrounds.push_back(((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF));
  }
  return backgrounds;
}

uint32_t GroupColor(uint32_t group, std::span<const uint32_t> backgrounds) {
  if (backgrounds.empty()) return kWhite;
  const size_t index = group == 0 ? 0 : (group - 1) % backgrounds.size();
  return backgrounds[index];
}

std::vector<ExportColumn> ExportColumnsOf(const ColumnLayout& layout) {
  std::vector<ExportColumn> columns;
  for (const LayoutColumn& entry : layout) {
    if (columns.size() == kMaxExportColumns) break;
    if (entry.tableIndex < 0 || static_cast<size_t>(entry.tableIndex) >= kColumns.size()) continue;
    ExportColumn column;
    column.id = kColumns[static_cast<size_t>(entry.tableIndex)].textId;
    column.title = lang::GetMenuText(column.id);
    column.rightAligned = (entry.flags & kAlignMask) == kAlignRight;
    columns.push_back(std::move(column));
  }
  return columns;
}

ExportTable BuildExportTable(const ResultList& list, const ColumnLayout& layout,
                             std::span<const uint32_t> backgrounds, const ExportExtras& extras) {
  ExportTable table;
  table.columns = ExportColumnsOf(layout);
  auto addColumn = [&](uint16_t id, std::u16string title, bool right) {
    const bool shown = std::any_of(table.columns.begin(), table.columns.end(), [&](const ExportColumn& c) { return c.id == id; });
    if (!shown) table.columns.push_back({id, std::move(title), right});
  };
  if (extras.group) addColumn(kGroupColumnId, u"Group", true);
  if (extras.selected) addColumn(kSelectedColumnId, u"Selected", false);
  if (extras.size) addColumn(column::kSize, lang::GetMenuText(column::kSize), true);
  platform::StoreGuard guard(list.RowsLock());
  const size_t count = list.RowCount();
  table.cells.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const ResultRow row = list.RowAt(i);
    if (!row || row.Length() == 0) continue;
    std::vector<std::u16string> cells;
    cells.reserve(table.columns.size());
    if (extras.selected) table.selected.push_back(row.Selected());
    for (const ExportColumn& column : table.columns) {
      std::u16string text;
      if (column.id == kGroupColumnId) AppendDecimal(text, row.Group());
      else if (column.id == kSelectedColumnId) text = row.Selected() ? u"x" : u"";
      else text = list.CellText(row, column.id);
      if (text.size() > kMaxCellUnits) text = std::u16string(platform::CutUtf16(text, kMaxCellUnits));
      cells.push_back(std::move(text));
    }
    table.cells.push_back(std::move(cells));
    table.colors.push_back(GroupColor(row.Group(), backgrounds));
    table.paths.push_back(list.FullPath(row));
  }
  return table;
}

std::string ComposeExport(const ExportTable& table, ExportFormat format) {
  std::u16string text;
  switch (format) {
    case ExportFormat::kText:
    case ExportFormat::kTextUnicode:
    case ExportFormat::kTextUtf8:
      ComposeText(table, text);
      break;
    case ExportFormat::kCsv:
    case ExportFormat::kCsvUnicode:
    case ExportFormat::kCsvUtf8:
      ComposeCsv(table, text);
      break;
    default:
      ComposeHtml(table, text);
      break;
  }
  std::string bytes(ByteOrderMark(format));
  bytes += Encode(text, format);
  return bytes;
}

uint32_t ExportList(const ResultList& list, const ColumnLayout& layout, std::span<const uint32_t> backgrounds,
                    ExportFormat format, std::u16string_view path, const ExportExtras& extras) {
  if (!IsExportFormat(static_cast<int>(format))) return platform::err::kInvalidParameter;
  const std::string bytes = ComposeExport(BuildExportTable(list, layout, backgrounds, extras), format);
  uint32_t code = platform::WriteFileAtomically(path, bytes);
  if (code == platform::err::kPathNotFound && platform::CreateFolders(platform::FolderOf(path)) == 0)
    code = platform::WriteFileAtomically(path, bytes);
  return code;
}

std::u16string EscapeHtml(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size() + 16);
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // a lone surrogate (a file-name byte that is not UTF-8) has no character
    }
    switch (c) {
      case u'"': out += u"&quot;"; continue;
      case u'&': out += u"&amp;"; continue;
      case u'<': out += u"&lt;"; continue;
      case u'>': out += u"&gt;"; continue;
      case u' ': out += u"&nbsp;"; continue;
      case 0x20AC: out += u"&euro;"; continue;
      case 0x2122: out += u"&trade;"; continue;
      default: break;
    }
    if (c >= 0xA1 && c <= 0xFF) {
      out += u'&';
      out += kLatin1Entities[c - 0xA1];
      out += u';';
    } else if (c > 0x7F) {
      out += u"&#";
      AppendDecimal(out, c);
      out += u';';
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

std::u16string FileUrl(std::u16string_view path) {
  std::u16string text(path);
  constexpr bool kWindowsPaths = platform::kSeparator == u'\\';
  if constexpr (kWindowsPaths) {
    // "C:\a\b.mp3" is file:///C:/a/b.mp3, "\\server\share\b.mp3" is file://server/share/b.mp3.
    for (char16_t& c : text)
      if (platform::IsSeparator(c)) c = u'/';
    if (text.starts_with(u"//")) text.erase(0, 2);
    else text.insert(0, 1, u'/');
  }
  std::string bytes;
  if (!platform::Utf16ToNameBytes(text, bytes)) bytes = platform::Utf16ToUtf8(text);
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  std::u16string url = u"file://";
  for (const char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    const bool keep = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-' ||
                      b == '.' || b == '_' || b == '~' || b == '/' || (kWindowsPaths && b == ':');
    if (keep) {
      url.push_back(static_cast<char16_t>(b));
    } else {
      url.push_back(u'%');
      url.push_back(kHex[b >> 4]);
      url.push_back(kHex[b & 0xF]);
    }
  }
  return url;
}

void AppendCsvField(std::u16string& out, std::u16string_view text) {
  if (text.find_first_of(u";\"\r\n") == std::u16string_view::npos) {
    out.append(text);
    return;
  }
  out.push_back(u'"');
  for (char16_t c : text) {
    if (c == u'"') out.push_back(u'"');
    out.push_back(c);
  }
  out.push_back(u'"');
}

std::u16string SelectedNamesText(const ResultList& list) {
  std::u16string text;
  ForEachSelected(list, [&](ResultRow row) {
    text += row.Name();
    text += u"\r\n";
  });
  return text;
}

std::u16string SelectedPathsText(const ResultList& list) {
  std::u16string text;
  ForEachSelected(list, [&](ResultRow row) {
    text += list.FullPath(row);
    text += u"\r\n";
  });
  return text;
}

std::u16string SelectionText(const ResultList& list, const ColumnLayout& layout, bool withHeader) {
  std::vector<ExportColumn> columns = ExportColumnsOf(layout);
  std::erase_if(columns, [](const ExportColumn& c) { return c.title.empty(); });
  std::u16string rows;
  ForEachSelected(list, [&](ResultRow row) {
    for (size_t c = 0; c < columns.size(); ++c) {
      if (c > 0) rows.push_back(u'\t');
      rows += list.CellText(row, columns[c].id);
    }
    rows += u"\r\n";
  });
  if (rows.empty() || !withHeader) return rows;
  std::u16string text;
  for (size_t c = 0; c < columns.size(); ++c) {
    if (c > 0) text.push_back(u'\t');
    text += columns[c].title;
  }
  text += u"\r\n";
  return text + rows;
}

}  // namespace tarnq::results
