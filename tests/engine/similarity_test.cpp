// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/similarity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace tarnq::engine {
namespace {

// The row-by-row table, as the measure is defined; the fast LCS must give the same integer.
size_t ReferenceLcs(std::u16string_view x, std::u16string_view y) {
  std::vector<uint32_t> previous(x.size() + 1, 0);
  std::vector<uint32_t> current(x.size() + 1, 0);
  for (const char16_t c : y) {
    for (size_t i = 0; i < x.size(); ++i) {
      current[i + 1] = x[i] == c ? previous[i] + 1 : std::max(previous[i + 1], current[i]);
    }
    std::swap(previous, current);
  }
  return previous[x.size()];
}

TEST(SimilarityPercent, WorkedExamples) {
  EXPECT_EQ(SimilarityPercent(u"ABC", u"ABC"), 100u);
  EXPECT_EQ(SimilarityPercent(u"ABCD", u"ABXD"), 75u);
  EXPECT_EQ(SimilarityPercent(u"AB", u"ABCD"), 75u);
  EXPECT_EQ(SimilarityPercent(u"ABCD", u"AB"), 75u);
  EXPECT_EQ(SimilarityPercent(u"ABC", u"XYZ"), 0u);
  EXPECT_EQ(SimilarityPercent(u"AB", u"BA"), 50u);
  EXPECT_EQ(SimilarityPercent(u"", u"ABC"), 0u);
  EXPECT_EQ(SimilarityPercent(u"ABC", u""), 0u);
  // No case folding of its own: callers upper-case first.
  EXPECT_EQ(SimilarityPercent(u"ABC", u"abc"), 0u);
}

TEST(TextSimilarity, IsLcsOverTheFirstTextsLengthInSinglePrecision) {
  EXPECT_EQ(TextSimilarity(u"AB", u"ABCD"), 1.0f);
  EXPECT_EQ(TextSimilarity(u"ABCD", u"AB"), 0.5f);
  EXPECT_EQ(TextSimilarity(u"ABC", u"AXX"), 1.0f / 3.0f);
  EXPECT_EQ(TextSimilarity(u"", u"A"), 0.0f);
}

TEST(SimilarityPercent, RoundsEachRatioFromItsFloatValue) {
  // 1/3 and 2/3: 33.33 -> 33, 66.67 -> 67; (33 + 67) >> 1 = 50 even though the mean is 50.
  EXPECT_EQ(SimilarityPercentFromLcs(3, 3, 1), 33u);
  EXPECT_EQ(SimilarityPercentFromLcs(3, 6, 2), (67u + 33u) >> 1);
  // 199/200 as a float is a hair above 0.995, so it rounds up to 100: a 200-unit text with one
  // unit dropped still matches at 100 %, a 199-unit one does not.
  EXPECT_EQ(SimilarityPercentFromLcs(200, 200, 199), 100u);
  EXPECT_EQ(SimilarityPercentFromLcs(199, 199, 198), 99u);
  // The shift drops the half: 100 + 75 = 175 -> 87.
  EXPECT_EQ(SimilarityPercentFromLcs(3, 4, 3), 87u);
}

TEST(LcsLength, AgreesWithTheTableOnRandomTexts) {
  std::mt19937 random(7);
  // Small alphabets give long common subsequences; units above 255 and texts over 64 and over
  // 255 units take the other paths of the fast version.
  const std::vector<std::u16string> alphabets = {
      u"AB", u"ABCDEFGHIJ", u"ÄÖÜäöüAO", u"\u0416\u0417\u0418\u3042\u3044ABC", u"\uFFFF\u0100\u00FF\u0001",
      // Units that share a hash slot, one of them in the last slot (probing wraps around).
      u"\u0100\u0180\u0200\u0280\u017F\u01FFA"};
  for (int round = 0; round < 600; ++round) {
    const std::u16string& alphabet = alphabets[round % alphabets.size()];
    const size_t maxLength = round % 3 == 0 ? 300 : (round % 3 == 1 ? 70 : 20);
    auto make = [&] {
      std::u16string text(random() % (maxLength + 1), u' ');
      for (char16_t& c : text) c = alphabet[random() % alphabet.size()];
      return text;
    };
    const std::u16string x = make();
    const std::u16string y = make();
    ASSERT_EQ(LcsLength(x, y), ReferenceLcs(x, y)) << round;
    ASSERT_EQ(LcsLength(y, x), ReferenceLcs(x, y)) << round;
  }
}

TEST(LcsLength, FullMatchAcrossWordBoundaries) {
  for (const size_t n : {1, 63, 64, 65, 128, 255, 256, 1000}) {
    std::u16string text(n, u'x');
    for (size_t i = 0; i < n; i += 7) text[i] = static_cast<char16_t>(0x3000 + i % 50);
    EXPECT_EQ(LcsLength(text, text), n);
    EXPECT_EQ(SimilarityPercent(text, text), 100u);
  }
}

}  // namespace
}  // namespace tarnq::engine
