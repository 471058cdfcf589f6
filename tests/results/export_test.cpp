// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/export.h"

#include <gtest/gtest.h>

#include "platform/text.h"
#include "results_test_support.h"
#include "settings/colors.h"
#include "settings/settings_store.h"

namespace tarnq::results {
namespace {

using testing::Add;
using testing::Row;

ColumnLayout Layout(std::initializer_list<uint16_t> ids) {
  ColumnLayout layout;
  for (uint16_t id : ids) {
    const int index = ColumnIndex(id);
    layout.push_back({index, 100, kColumns[static_cast<size_t>(index)].flags});
  }
  return layout;
}

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find("\r\n", start);
    EXPECT_NE(end, std::string_view::npos) << "every line ends with CR LF";
    if (end == std::string_view::npos) break;
    lines.emplace_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::u16string FromUtf16Le(std::string_view bytes) {
  std::u16string text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  return text;
}

class Export : public ::testing::Test {
 protected:
  void SetUp() override { testing::InstallEnglish(); }
};

TEST_F(Export, TextPadsEveryColumnButTheLastAndUnderlinesTheHeader) {
  ResultList list;
  list.SetOptions(0);  // sizes in bytes
  const uint32_t folder = list.FindFolder(u"/m");
  Add(list, {.name = u"abcdefghij", .folder = folder, .group = 1, .size = 1234});
  Add(list, {.name = u"a.mp3", .folder = folder, .group = 1, .size = 5});
  const std::string out = ComposeExport(BuildExportTable(list, Layout({column::kFilename, column::kSize}), {}),
                                        ExportFormat::kText);
  const auto lines = Lines(out);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "Filename   Size");
  EXPECT_EQ(lines[1], std::string(lines[0].size(), '-'));
  EXPECT_EQ(lines[2], "abcdefghij 1,234");
  EXPECT_EQ(lines[3], "a.mp3      5");
}

TEST_F(Export, TextRightAlignsAndSeparatesGroupsByColour) {
  ResultList list;
  list.SetOptions(0);
  Add(list, {.name = u"a", .group = 1, .size = 1234});
  Add(list, {.name = u"b", .group = 1, .size = 5});
  Add(list, {.name = u"c", .group = 2, .size = 7});
  const std::vector<uint32_t> twoPairs = {0xFFFFFF, 0xEEEEEE};
  const ExportTable table = BuildExportTable(list, Layout({column::kSize, column::kFilename}), twoPairs);
  const auto text = Lines(ComposeExport(table, ExportFormat::kText));
  EXPECT_EQ(text, (std::vector<std::string>{" Size Filename", "--------------", "1,234 a", "    5 b", "", "    7 c"}));
  const auto csv = Lines(ComposeExport(table, ExportFormat::kCsv));
  EXPECT_EQ(csv, (std::vector<std::string>{"Size;Filename", "1,234;a", "5;b", "", "7;c"}));
  // One pair: no break.
  const std::vector<uint32_t> onePair = {0xFFFFFF};
  EXPECT_EQ(Lines(ComposeExport(BuildExportTable(list, Layout({column::kFilename}), onePair), ExportFormat::kCsv)).size(), 4u);
}

TEST_F(Export, CsvQuotesSeparatorsQuotesAndLineBreaks) {
  std::u16string out;
  AppendCsvField(out, u"plain");
  out += u';';
  AppendCsvField(out, u"a;b");
  out += u';';
  AppendCsvField(out, u"say \"hi\"");
  out += u';';
  AppendCsvField(out, u"two\nlines");
  EXPECT_EQ(out, u"plain;\"a;b\";\"say \"\"hi\"\"\";\"two\nlines\"");
}

TEST_F(Export, HtmlEscapesInEveryFormat) {
  ResultList list;
  const uint32_t folder = list.FindFolder(u"/m");
  Add(list, {.name = u"x.mp3", .folder = folder, .group = 1, .title = u"Rock & Roll"});
  Add(list, {.name = u"y.mp3", .folder = folder, .group = 1, .title = u"\u3042"});
  const ExportTable table = BuildExportTable(list, Layout({column::kTitle, column::kComment}), {});
  for (const ExportFormat format : {ExportFormat::kHtml, ExportFormat::kHtmlUnicode, ExportFormat::kHtmlUtf8}) {
    const std::string bytes = ComposeExport(table, format);
    std::string text;
    if (format == ExportFormat::kHtmlUnicode) {
      ASSERT_TRUE(bytes.starts_with("\xFF\xFE"));
      text = platform::Utf16ToUtf8(FromUtf16Le(std::string_view(bytes).substr(2)));
    } else if (format == ExportFormat::kHtmlUtf8) {
      ASSERT_TRUE(bytes.starts_with("\xEF\xBB\xBF"));
      text = bytes.substr(3);
    } else {
      text = bytes;
    }
    const auto lines = Lines(text);
    ASSERT_EQ(lines.size(), 7u) << text;
    EXPECT_EQ(lines[0], "<html><body>");
    EXPECT_EQ(lines[1], "<table border=0><tr>");
    EXPECT_EQ(lines[2], "<th bgcolor=\"#c0c0c0\">Title</th><th bgcolor=\"#c0c0c0\">Comment</th></tr>");
    EXPECT_EQ(lines[3], "<tr><td bgcolor=\"#ffffff\">Rock&nbsp;&amp;&nbsp;Roll</td><td bgcolor=\"#ffffff\">&nbsp;</td></tr>");
    EXPECT_EQ(lines[4], "<tr><td bgcolor=\"#ffffff\">&#12354;</td><td bgcolor=\"#ffffff\">&nbsp;</td></tr>");
    EXPECT_EQ(lines[5], "</table>");
    EXPECT_EQ(lines[6], "</body></html>");
  }
  // Empty cells stay empty in text and CSV.
  EXPECT_EQ(Lines(ComposeExport(table, ExportFormat::kCsv))[1], "Rock & Roll;");
}

TEST_F(Export, FileNamesCannotInjectMarkup) {
  ResultList list;
  const uint32_t folder = list.FindFolder(u"/m\"x");
  Add(list, {.name = u"a\"><script>.mp3", .folder = folder, .group = 1, .bitrate = 128});
  const std::vector<uint32_t> colors = {0x123456};
  const ExportTable table = BuildExportTable(list, Layout({column::kFilename, column::kBitrate}), colors);
  const std::string html = ComposeExport(table, ExportFormat::kHtml);
  EXPECT_NE(html.find("<td bgcolor=\"#123456\"><a href=\"file:///m%22x/a%22%3E%3Cscript%3E.mp3\">"
                      "a&quot;&gt;&lt;script&gt;.mp3</a></td><td bgcolor=\"#123456\" align=right>128&nbsp;kbps</td>"),
            std::string::npos)
      << html;
  EXPECT_EQ(html.find("<script>"), std::string::npos);
}

TEST_F(Export, EntitiesComeFromCodePoints) {
  EXPECT_EQ(EscapeHtml(u"\u00a0\u00a1\u00ae\u00af\u00ff\u20ac\u2122\u00e9"),
            u"&#160;&iexcl;&reg;&macr;&yuml;&euro;&trade;&eacute;");
  EXPECT_EQ(EscapeHtml(u"\U0001F3B5"), u"&#127925;");  // one reference per character, not per unit
  EXPECT_EQ(EscapeHtml(platform::NameBytesToUtf16("\xff")), u"&#65533;");
  EXPECT_EQ(FileUrl(platform::NameBytesToUtf16("/a b/\xff-%.mp3")), u"file:///a%20b/%FF-%25.mp3");
}

TEST_F(Export, UnicodeTextAndAnsiFallback) {
  ResultList list;
  Add(list, {.name = u"\u3042.mp3", .group = 1});
  const ExportTable table = BuildExportTable(list, Layout({column::kFilename}), {});
  const std::string unicode = ComposeExport(table, ExportFormat::kTextUnicode);
  EXPECT_EQ(FromUtf16Le(std::string_view(unicode).substr(2)), u"Filename\r\n--------\r\n\u3042.mp3\r\n");
  platform::SetLegacyCodePage(1252);
  EXPECT_EQ(ComposeExport(table, ExportFormat::kText), "Filename\r\n--------\r\n?.mp3\r\n");
  platform::SetLegacyCodePage(0);
}

TEST_F(Export, ClipboardTexts) {
  ResultList list;
  const uint32_t folder = list.FindFolder(u"/m");
  Add(list, {.name = u"1.mp3", .folder = folder, .artist = u"A"});
  Add(list, {.name = u"2.mp3", .folder = folder, .artist = u"B"});
  Add(list, {.name = u"3.mp3", .folder = folder, .artist = u"C"});
  Add(list, {.name = u"4.mp3", .folder = folder, .artist = u"D"});
  const ColumnLayout layout = Layout({column::kFilename, column::kArtist});
  EXPECT_EQ(SelectionText(list, layout, true), u"");
  EXPECT_EQ(SelectedNamesText(list), u"");
  for (int i : {0, 1, 3}) list.SetSelection(i, ResultList::kSelect);
  EXPECT_EQ(SelectedNamesText(list), u"1.mp3\r\n2.mp3\r\n4.mp3\r\n");
  EXPECT_EQ(SelectedPathsText(list), u"/m/1.mp3\r\n/m/2.mp3\r\n/m/4.mp3\r\n");
  EXPECT_EQ(SelectionText(list, layout, false), u"1.mp3\tA\r\n2.mp3\tB\r\n4.mp3\tD\r\n");
  EXPECT_EQ(SelectionText(list, layout, true), u"Filename\tArtist\r\n1.mp3\tA\r\n2.mp3\tB\r\n4.mp3\tD\r\n");
}

TEST_F(Export, Utf8TextAndCsvHaveNoByteOrderMark) {
  ResultList list;
  Add(list, {.name = u"\u3042.mp3", .group = 1});
  const ExportTable table = BuildExportTable(list, Layout({column::kFilename}), {});
  EXPECT_EQ(ComposeExport(table, ExportFormat::kTextUtf8), "Filename\r\n--------\r\n\xE3\x81\x82.mp3\r\n");
  EXPECT_EQ(ComposeExport(table, ExportFormat::kCsvUtf8), "Filename\r\n\xE3\x81\x82.mp3\r\n");
  EXPECT_EQ(ExportFormatInfoOf(8).pattern, u"*.txt");
  EXPECT_EQ(ExportFormatInfoOf(9).filter, u"CSV UTF-8");
  EXPECT_EQ(ExportFormatInfoOf(10).filter, u"Text");
}

TEST_F(Export, ExtraColumnsAndMarkedRows) {
  ResultList list;
  list.SetOptions(0);
  Add(list, {.name = u"a.mp3", .group = 3, .size = 5});
  Add(list, {.name = u"b.mp3", .group = 3, .size = 7});
  list.SetSelection(1, ResultList::kSelect);
  const ExportExtras extras{.group = true, .selected = true, .size = true};
  const ExportTable table = BuildExportTable(list, Layout({column::kFilename, column::kSize}), {}, extras);
  EXPECT_EQ(Lines(ComposeExport(table, ExportFormat::kCsvUtf8)),
            (std::vector<std::string>{"Filename;Size;Group;Selected", "a.mp3;5;3;", "b.mp3;7;3;x"}));
  const std::string html = ComposeExport(table, ExportFormat::kHtmlUtf8);
  const size_t marked = html.find("<tr class=\"selected\"");
  ASSERT_NE(marked, std::string::npos);
  EXPECT_LT(html.find("a.mp3"), marked);
  EXPECT_GT(html.find("b.mp3"), marked);
  EXPECT_EQ(html.find("<tr class", marked + 1), std::string::npos);
}

TEST(ExportMode, StoredIndexAboveSevenReadsAsZero) {
  EXPECT_EQ(ExportFormatInfoOf(7).filter, u"HTML Unicode UTF-8");
  EXPECT_EQ(ExportFormatInfoOf(4).pattern, u"*.csv");
  EXPECT_EQ(GroupColor(0, std::vector<uint32_t>{1, 2, 3}), 1u);
  EXPECT_EQ(GroupColor(4, std::vector<uint32_t>{1, 2, 3}), 1u);
  EXPECT_EQ(GroupColor(3, std::vector<uint32_t>{1, 2, 3}), 3u);
  const std::vector<settings::ColorPair> scheme = {{0x00332211, 0}};
  EXPECT_EQ(SchemeBackgrounds(scheme), std::vector<uint32_t>{0x112233});
}

}  // namespace
}  // namespace tarnq::results
