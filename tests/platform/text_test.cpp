// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/text.h"

#include <gtest/gtest.h>

#include <random>

namespace tarnq::platform {
namespace {

TEST(TextUtf8, FourByteSequencesRoundTripThroughSurrogatePairs) {
  const std::string clef = "\xF0\x9D\x84\x9E";  // U+1D11E
  const std::u16string utf16 = Utf8ToUtf16("a" + clef + "b");
  ASSERT_EQ(utf16.size(), 4u);
  EXPECT_EQ(utf16[1], 0xD834);
  EXPECT_EQ(utf16[2], 0xDD1E);
  EXPECT_EQ(Utf16ToUtf8(utf16), "a" + clef + "b");
  EXPECT_EQ(Utf8ToUtf16("\xF4\x8F\xBF\xBF"), std::u16string(u"\U0010FFFF"));
}

TEST(TextUtf8, MalformedInputBecomesReplacementWithoutOverrun) {
  const std::u16string r(1, 0xFFFD);
  EXPECT_EQ(Utf8ToUtf16("\xC3"), r);                 // truncated at the end
  EXPECT_EQ(Utf8ToUtf16("\xE2\x82"), r);             // one replacement per maximal subpart
  EXPECT_EQ(Utf8ToUtf16("\xE2\x82x"), r + u"x");
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), r + r);         // overlong
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), r + r + r); // encoded surrogate
  EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80").size(), 4u);  // above U+10FFFF
  EXPECT_EQ(Utf8ToUtf16("\xFF"), r);
  // Reading stops at the view's end even when the buffer goes on.
  const char buffer[] = "\xF0\x9D\x84\x9E";
  EXPECT_EQ(Utf8ToUtf16(std::string_view(buffer, 2)), r);
}

TEST(TextUtf8, LoneSurrogatesEncodeAsReplacement) {
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, 0xD800)), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDC00, u'a'}), "\xEF\xBF\xBD" "a");
}

TEST(TextUtf8, CutNeverSplitsASurrogatePair) {
  const std::u16string text = u"ab\U0001D11E";
  EXPECT_EQ(CutUtf16(text, 3), u"ab");
  EXPECT_EQ(CutUtf16(text, 4), text);
  EXPECT_EQ(CutUtf16(text, 1), u"a");
}

TEST(FileNames, EveryByteStringRoundTripsExactly) {
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      if (a == 0 || b == 0) continue;
      const std::string bytes{static_cast<char>(a), static_cast<char>(b)};
      std::string back;
      ASSERT_TRUE(Utf16ToNameBytes(NameBytesToUtf16(bytes), back));
      ASSERT_EQ(back, bytes) << a << " " << b;
    }
  }
  std::mt19937 rng(7);
  for (int i = 0; i < 20000; ++i) {
    std::string bytes(1 + rng() % 12, ' ');
    for (char& c : bytes) c = static_cast<char>(1 + rng() % 255);
    std::string back;
    ASSERT_TRUE(Utf16ToNameBytes(NameBytesToUtf16(bytes), back));
    ASSERT_EQ(back, bytes);
  }
}

TEST(FileNames, InvalidBytesBecomeLoneSurrogateEscapes) {
  EXPECT_EQ(NameBytesToUtf16("caf\xE9"), (std::u16string{u'c', u'a', u'f', 0xDCE9}));
  EXPECT_EQ(NameBytesToUtf16("caf\xC3\xA9"), u"caf\u00E9");
  // An escape other than U+DC80..U+DCFF, or a NUL, has no file-name form.
  std::string bytes;
  EXPECT_FALSE(Utf16ToNameBytes(std::u16string(1, 0xD800), bytes));
  EXPECT_FALSE(Utf16ToNameBytes(std::u16string(1, 0xDC20), bytes));
  EXPECT_FALSE(Utf16ToNameBytes(std::u16string(1, u'\0'), bytes));
  EXPECT_TRUE(Utf16ToNameBytes(u"a\\b", bytes));
  EXPECT_EQ(bytes, "a\\b");
}

TEST(CodePage, DecodesWesternAndCyrillicBytes) {
  EXPECT_EQ(DecodeCodePage("\x80 caf\xE9", 1252), u"\u20AC caf\u00E9");
  EXPECT_EQ(DecodeCodePage("\xC0\xE1\xE2", 1251), u"\u0410\u0431\u0432");
  EXPECT_EQ(DecodeCodePage("\xE1", 1253), u"\u03B1");
  // Bytes the code page leaves unassigned map to the C1 controls, as on Windows.
  EXPECT_EQ(DecodeCodePage("\x81", 1252), std::u16string(1, 0x81));
  EXPECT_EQ(DecodeCodePage("\x82\xA0", 932).size(), 1u);  // a double-byte character
}

TEST(CodePage, LossyEncodingReplacesWhatTheCodePageCannotHold) {
  EXPECT_EQ(EncodeCodePageLossy(u"caf\u00E9 \u65E5\u672C", 1252), "caf\xE9 ??");
  EXPECT_EQ(EncodeCodePageLossy(u"\u0410", 1251), "\xC0");
  EXPECT_EQ(EncodeCodePageLossy(u"\u20AC", 1252), "\x80");
}

TEST(CodePage, DefaultFollowsTheLocaleAsWindowsChoosesIt) {
  EXPECT_EQ(CodePageForLocale("en_US.UTF-8"), 1252);
  EXPECT_EQ(CodePageForLocale("de_DE"), 1252);
  EXPECT_EQ(CodePageForLocale("ru_RU.UTF-8"), 1251);
  EXPECT_EQ(CodePageForLocale("pl_PL"), 1250);
  EXPECT_EQ(CodePageForLocale("el_GR.UTF-8"), 1253);
  EXPECT_EQ(CodePageForLocale("tr_TR"), 1254);
  EXPECT_EQ(CodePageForLocale("ja_JP.UTF-8"), 932);
  EXPECT_EQ(CodePageForLocale("zh_CN"), 936);
  EXPECT_EQ(CodePageForLocale("zh_TW"), 950);
  EXPECT_EQ(CodePageForLocale("sr_RS@latin"), 1250);
  EXPECT_EQ(CodePageForLocale("C"), 1252);
  // The test environment runs in en_US; the setting overrides it and 0 restores it.
  EXPECT_EQ(LegacyCodePage(), 1252);
  SetLegacyCodePage(1251);
  EXPECT_EQ(LegacyCodePage(), 1251);
  EXPECT_EQ(DecodeCodePage("\xC0"), u"\u0410");
  SetLegacyCodePage(0);
  EXPECT_EQ(LegacyCodePage(), 1252);
}

TEST(CodePage, EightBitValuesUseTheMarkerForAnythingButAscii) {
  EXPECT_EQ(Encode8Bit(u"Plain text"), "Plain text");
  EXPECT_EQ(Encode8Bit(u"Caf\u00E9"), "\xEF\xBB\xBF" "Caf\xC3\xA9");
  for (const std::u16string text : {u"Plain", u"Caf\u00E9", u"\u65E5\u672C\U0001D11E", u""}) {
    EXPECT_EQ(Decode8Bit(Encode8Bit(text)), text);
  }
  // Without the marker the legacy code page applies (files written on Windows).
  EXPECT_EQ(Decode8Bit("Caf\xE9"), u"Caf\u00E9");
}

TEST(Collation, IgnoresCaseButNotAccents) {
  EXPECT_EQ(CompareText(u"Beatles", u"bEATLES"), 0);
  EXPECT_NE(CompareText(u"resume", u"r\u00E9sum\u00E9"), 0);
  EXPECT_EQ(CompareText(u"apple", u"Banana"), -1);
  EXPECT_EQ(CompareText(u"banana", u"Apple"), 1);
  // A null text equals anything.
  EXPECT_EQ(CompareText(nullptr, 0, u"x", 1), 0);
}

TEST(Collation, NumericVariantOrdersDigitRunsAsNumbers) {
  EXPECT_EQ(CompareTextNumeric(u"Track 2", u"Track 10"), -1);
  EXPECT_EQ(CompareText(u"Track 2", u"Track 10"), 1);
  EXPECT_EQ(CompareTextNumeric(u"track 02", u"TRACK 2"), 0);
}

TEST(Collation, SortKeysOrderLikeCompareText) {
  const std::u16string words[] = {u"abc", u"ABC", u"\u00E4bc", u"abd", u"", u"Zebra", u"zebra ",
                                  u"\u65E5", u"a\U0001D11E", u"10", u"9", u"\u00C5ngstr\u00F6m"};
  for (const auto& a : words) {
    for (const auto& b : words) {
      std::string ka, kb;
      AppendSortKey(a, ka);
      AppendSortKey(b, kb);
      const int byKey = ka < kb ? -1 : (ka > kb ? 1 : 0);
      EXPECT_EQ(byKey, CompareText(a, b)) << std::string(ka.size(), 'x');
    }
  }
}

TEST(CaseMapping, UpperUnitsKeepsTheLength) {
  EXPECT_EQ(UpperUnits(u"stra\u00DFe"), u"STRA\u00DFE");  // no expansion to "SS"
  EXPECT_EQ(UpperUnits(u"caf\u00E9 \u0434"), u"CAF\u00C9 \u0414");
  const std::u16string pair = u"\U0001D11Ex";
  EXPECT_EQ(UpperUnits(pair), u"\U0001D11EX");
}

TEST(CaseMapping, FoldingIsSimpleAndLocaleIndependent) {
  EXPECT_EQ(FoldCase(u"MP3 \u00C9T\u00C9"), u"mp3 \u00E9t\u00E9");
  EXPECT_EQ(FoldCase(u"I"), u"i");  // not the Turkish dotless i
  EXPECT_EQ(FoldCase(u"\U00010400"), u"\U00010428");  // Deseret, outside the BMP
}

TEST(Formatting, NumbersUseTheLocalesGrouping) {
  EXPECT_EQ(FormatNumberGrouped(1234567), u"1,234,567");
  EXPECT_EQ(FormatNumberGrouped(-42), u"-42");
  EXPECT_EQ(FormatNumberGrouped(0), u"0");
}

TEST(Formatting, DatesHaveFourDigitYearsAndTimesOptionalSeconds) {
  // 2024-03-05 12:34:56 UTC; the tests run with TZ=UTC.
  const uint64_t ft = 133541156960000000ULL;
  EXPECT_EQ(FormatDate(ft), u"3/5/2024");
  EXPECT_EQ(FormatTime(ft, true), u"12:34:56 PM");
  EXPECT_EQ(FormatTime(ft, false), u"12:34 PM");
}

}  // namespace
}  // namespace tarnq::platform
