// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_support.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "cli/list_actions.h"
#include "platform/text.h"

namespace tarnq::cli {
namespace {

std::string Json(std::string_view utf8) {
  std::string out = "x";  // what is already there stays
  AppendJsonString(out, utf8);
  return out;
}

TEST(JsonString, EscapesWhatJsonNeedsAndCopiesTheRest) {
  EXPECT_EQ(Json(""), "x\"\"");
  EXPECT_EQ(Json("a\"b\\c"), "x\"a\\\"b\\\\c\"");
  EXPECT_EQ(Json("t\tn\nr\r\x01\x1f"), "x\"t\\tn\\nr\\r\\u0001\\u001f\"");
  EXPECT_EQ(Json("Grüße ♪ 𝄞"), "x\"Grüße ♪ 𝄞\"");
  // Malformed bytes become U+FFFD (one per maximal invalid part), never pass through.
  EXPECT_EQ(Json("a\xFF" "b"), "x\"a\xEF\xBF\xBD" "b\"");
  EXPECT_EQ(Json("\xC3"), "x\"\xEF\xBF\xBD\"");
  EXPECT_EQ(Json("\xED\xA0\x80"), "x\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"");  // a surrogate
  EXPECT_EQ(Json("\xC0\x80"), "x\"\xEF\xBF\xBD\xEF\xBF\xBD\"");                  // overlong
}

// The direct path for UTF-8 must give exactly what the way through UTF-16 gives, for any bytes.
TEST(JsonString, Utf8AndUtf16PathsAgreeOnAnyBytes) {
  std::mt19937 random(7);
  const std::string pieces[] = {"a", "\"", "\\", "\n", "\x02", "é", "€", "𝄞", "\xFF", "\xC3", "\xE2\x82",
                                "\xF0\x9D", "\xED\xB0\x80", "\xF4\x90\x80\x80", "\xC1\xBF", "\x80"};
  for (int round = 0; round < 5000; ++round) {
    std::string text;
    const int count = static_cast<int>(random() % 8);
    for (int i = 0; i < count; ++i) text += pieces[random() % std::size(pieces)];
    std::string viaUtf16;
    AppendJsonString(viaUtf16, std::u16string_view(platform::Utf8ToUtf16(text)));
    std::string direct;
    AppendJsonString(direct, text);
    ASSERT_EQ(direct, viaUtf16) << round;
  }
}

TEST(JsonString, NameBytesThatAreNotUtf8AreEscapedUnits) {
  std::string out;
  AppendJsonString(out, std::u16string_view(platform::NameBytesToUtf16("caf\xE9.mp3")));
  EXPECT_EQ(out, "\"caf\\udce9.mp3\"");
}

TEST(TerminalText, ControlCharactersBackslashesAndBrokenBytesAreEscaped) {
  const struct {
    std::string_view in, out;
  } cases[] = {
      {"plain Grüße ♪.mp3", "plain Grüße ♪.mp3"},
      {"a\nb\tc\rd", "a\\x0Ab\\x09c\\x0Dd"},
#ifdef _WIN32
      {"C:\\Music\\a.mp3", "C:\\Music\\a.mp3"},  // the separator, never part of a name
#else
      {"back\\slash", "back\\\\slash"},
#endif
      {"esc\x1b[31m\x7f", "esc\\x1B[31m\\x7F"},
      {"caf\xE9", "caf\\xE9"},                // Latin-1 byte of an old name
      {"c1 \xC2\x85", "c1 \\xC2\\x85"},         // U+0085, a control character
      {"\xED\xA0\x80", "\\xED\\xA0\\x80"},     // an encoded surrogate
  };
  for (const auto& c : cases) EXPECT_EQ(EscapedBytes(c.in), c.out) << c.in;
}

TEST(TerminalText, MegabytesAreMillionsOfBytes) {
  const std::pair<uint64_t, std::string_view> cases[] = {
      {0, "0.00 MB"}, {9924, "0.01 MB"}, {94999, "0.09 MB"}, {95000, "0.1 MB"},
      {3'649'999, "3.6 MB"}, {3'650'000, "3.7 MB"}, {1'000'000'000'000, "1000000.0 MB"},
  };
  for (const auto& [bytes, text] : cases) EXPECT_EQ(MegabytesText(bytes), text) << bytes;
}

TEST(ExportFormats, NamesNumbersAndExtensions) {
  const std::pair<std::string_view, int> names[] = {
      {"txt", 1}, {"txt-utf16", 2}, {"csv", 3}, {"csv-utf16", 4}, {"html", 5}, {"html-utf16", 6},
      {"html-utf8", 7}, {"txt-utf8", 8}, {"csv-utf8", 9}, {"9", 9}, {"1", 1},
      {"0", -1}, {"10", -1}, {"", -1}, {"-1", -1}, {"CSV", -1}, {"pdf", -1}};
  for (const auto& [name, format] : names) EXPECT_EQ(ExportFormatByName(name), format) << name;
  const std::pair<std::u16string_view, int> paths[] = {
      {u"/x/list.txt", 8}, {u"/x/list.CSV", 9}, {u"/x/list.htm", 7}, {u"/x/list.html", 7},
      {u"/x/list", 0}, {u"/x.csv/list", 0}, {u"/x/list.pdf", 0}};
  for (const auto& [path, format] : paths) EXPECT_EQ(ExportFormatOfPath(path), format);
}

}  // namespace
}  // namespace tarnq::cli
