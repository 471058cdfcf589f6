// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/field_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text.h"

namespace tarnq::settings {
namespace {

std::vector<std::string> Split(std::string_view line) {
  std::vector<std::string> fields;
  FieldReader reader(line);
  std::string_view field;
  while (reader.Next(field)) fields.emplace_back(field);
  return fields;
}

TEST(FieldLineWriter, ResultsRowExample) {
  std::string out;
  FieldLineWriter w(out);
  w.Utf8(u"C:\\Music\\a.mp3");
  for (uint64_t n : {1ull, 4194304ull, 32ull, 133018848000000000ull, 133018848000000000ull, 133018848000000000ull})
    w.Unsigned(n);
  w.Signed(0);
  w.Unsigned(3);
  w.Unsigned(44100);
  w.Signed(128);
  w.Unsigned(262);
  w.Unsigned(5);
  w.Text(u"Song");
  w.Text(u"Band");
  w.Text(u"Album");
  w.Unsigned(1999);
  w.Text(u"Rock");
  w.Text(u"MP3, 44100Hz, Joint Stereo");
  w.Text(u"");
  w.Unsigned(120);
  w.EndLine();
  EXPECT_EQ(out,
            "C:\\Music\\a.mp3;1;4194304;32;133018848000000000;133018848000000000;133018848000000000;;3;44100;"
            "128;262;5;Song;Band;Album;1999;Rock;MP3, 44100Hz, Joint Stereo;;120\r\n");
  EXPECT_EQ(Split(std::string_view(out).substr(0, out.size() - 2)).size(), 21u);
}

TEST(FieldLineWriter, QuotingAndSanitising) {
  std::string out;
  FieldLineWriter w(out);
  w.Text(u"a;b");
  w.Text(u"say \"hi\"");
  w.Text(u"x\";y");       // would end a double-quoted field early: apostrophes
  w.Text(u"'quoted'");    // begins with a quote character
  w.Text(u"line\r\nbreak");
  w.Signed(-5);
  w.Unsigned(0);
  w.EndLine();
  EXPECT_EQ(out, "\"a;b\";\"say \"hi\"\";'x\";y';\"'quoted'\";line  break;-5;\r\n");
}

TEST(FieldLineWriter, LoneEmptyFieldIsNotAnEmptyLine) {
  std::string out;
  FieldLineWriter w(out);
  w.Text(u"");
  w.EndLine();
  w.Empty();
  w.Unsigned(7);
  w.EndLine();
  EXPECT_EQ(out, ";\r\n;7\r\n");
}

TEST(FieldLineRoundTrip, TrickyTextsComeBack) {
  const std::u16string texts[] = {u"",          u"plain",        u"a;b",       u"\"",          u"\"\"",
                                  u"end\"",     u"\";",          u"';",        u"'",           u"'x",
                                  u"\"x",       u"a\";b'c",      u"Björk; \"x\"", u"東京;事変", u"a\U0001F3B5;",
                                  u";;;",       u"x';y\";z"};
  for (const std::u16string& text : texts) {
    std::string line;
    FieldLineWriter w(line);
    w.Unsigned(1);
    w.Text(text);
    w.Text(u"after");
    FieldReader reader(line);
    std::string_view field;
    ASSERT_TRUE(reader.Next(field));
    EXPECT_EQ(field, "1");
    ASSERT_TRUE(reader.Next(field));
    const std::u16string back = DecodeTextField(field);
    if (text == u"x';y\";z") {
      EXPECT_EQ(back, u"x',y\",z");  // both closing pairs: separators become commas
    } else {
      EXPECT_EQ(back, text) << platform::Utf16ToUtf8(text);
    }
    ASSERT_TRUE(reader.Next(field));
    EXPECT_EQ(field, "after") << platform::Utf16ToUtf8(text);
    EXPECT_FALSE(reader.Next(field));
  }
}

TEST(FieldLineReader, QuoteAndApostropheRule) {
  EXPECT_EQ(Split("'a;b';c"), (std::vector<std::string>{"a;b", "c"}));
  EXPECT_EQ(Split("\"a\"b\";c"), (std::vector<std::string>{"a\"b", "c"}));
  EXPECT_EQ(Split("\"open;rest"), (std::vector<std::string>{"open;rest"}));
  EXPECT_EQ(Split("a;"), (std::vector<std::string>{"a", ""}));
  EXPECT_EQ(Split(";"), (std::vector<std::string>{"", ""}));
  EXPECT_EQ(Split("x;'';y"), (std::vector<std::string>{"x", "", "y"}));
  EXPECT_TRUE(Split("").empty());
  FieldReader reader("only");
  EXPECT_EQ(reader.NextOrEmpty(), "only");
  EXPECT_EQ(reader.NextOrEmpty(), "");
}

TEST(FieldLineNumbers, StrtoulSemantics) {
  EXPECT_EQ(ParseUnsigned32(""), 0u);
  EXPECT_EQ(ParseUnsigned32("  42x"), 42u);
  EXPECT_EQ(ParseUnsigned32("-1"), 0xFFFFFFFFu);
  EXPECT_EQ(ParseUnsigned32("4294967296"), 0xFFFFFFFFu);
  EXPECT_EQ(ParseUnsigned32("abc"), 0u);
  EXPECT_EQ(ParseUnsigned64("18446744073709551615"), ~0ull);
  EXPECT_EQ(ParseUnsigned64("99999999999999999999999"), ~0ull);
  EXPECT_EQ(ParseSigned32("-2147483648"), INT32_MIN);
  EXPECT_EQ(ParseSigned32("-2147483649"), INT32_MIN);
  EXPECT_EQ(ParseSigned32("2147483648"), INT32_MAX);
  EXPECT_EQ(ParseSigned32("--5"), 0);
  EXPECT_EQ(ParseSigned64("-17;"), -17);
  EXPECT_EQ(ParseUnsigned(std::u16string_view(u"ff"), 0xFFFF, 16), 0xFFu);
}

TEST(FieldLineLines, AnyLineEnd) {
  LineSplitter lines("a\r\nb\rc\n\n\r\nd");
  std::vector<std::string> seen;
  std::string_view line;
  while (lines.Next(line)) seen.emplace_back(line);
  EXPECT_EQ(seen, (std::vector<std::string>{"a", "b", "c", "d"}));
}

TEST(FieldLineTexts, PathsAndLegacyBytes) {
  const std::u16string odd = platform::NameBytesToUtf16("/m/\xFF\xFE.mp3");
  EXPECT_EQ(EncodePathField(odd), "\xEF\xBB\xBF/m/\xFF\xFE.mp3");
  EXPECT_EQ(DecodePathField(EncodePathField(odd)), odd);
  EXPECT_EQ(EncodePathField(u"/plain"), "/plain");
  platform::SetLegacyCodePage(1252);
  EXPECT_EQ(DecodeTextField("caf\xE9"), u"café");
  platform::SetLegacyCodePage(0);
  EXPECT_EQ(EncodeTextField(std::u16string(u"a\0b", 3)), "a b");
}

TEST(PackedDateTime, PacksUtcFieldsAndZeroesOldTimes) {
  platform::CalendarTime t;
  t.year = 2024;
  t.month = 2;
  t.day = 29;
  t.hour = 23;
  t.minute = 59;
  t.second = 58;
  t.milliseconds = 999;
  const platform::FileTime ft = *platform::CalendarUtcToFileTime(t);
  const uint64_t packed = PackDateTime(ft);
  EXPECT_EQ(packed, (2024ull << 26) | (2ull << 22) | (29ull << 17) | (23ull << 12) | (59ull << 6) | 58ull);
  EXPECT_EQ(UnpackDateTime(packed), ft - 9990000);  // milliseconds dropped
  EXPECT_EQ(PackDateTime(platform::kFileTime1980), 0u);
  EXPECT_NE(PackDateTime(platform::kFileTime1980, platform::kFileTime1980 - 1), 0u);
  EXPECT_EQ(UnpackDateTime(0), 0u);
  EXPECT_EQ(UnpackDateTime((2024ull << 26) | (13ull << 22)), 0u);  // month 13
  EXPECT_EQ(UnpackDateTime(~0ull), 0u);
}

}  // namespace
}  // namespace tarnq::settings
