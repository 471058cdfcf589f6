// SPDX-License-Identifier: GPL-3.0-or-later
// Filling catalogue texts with values without printf.
#include "lang/format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace tarnq::lang {
namespace {

TEST(FormatText, SubstitutesPlaceholdersInOrder) {
  EXPECT_EQ(FormatText(u"%lu errors occured", {uint32_t{3}}), u"3 errors occured");
  EXPECT_EQ(FormatText(u"Are you sure you want to remove %s ?", {u"12 files"}),
            u"Are you sure you want to remove 12 files ?");
  EXPECT_EQ(FormatText(u"%ld / %lu: %s", {int64_t{-5}, std::numeric_limits<uint64_t>::max(), u"x"}),
            u"-5 / 18446744073709551615: x");
}

TEST(FormatText, TranslatedPlaceholderTakesTheArgumentAsItIs) {
  // A translation that wrote %s where %lu stood, and the other way round.
  EXPECT_EQ(FormatText(u"%s Fehler", {uint64_t{7}}), u"7 Fehler");
  EXPECT_EQ(FormatText(u"Entfernen: %lu?", {u"a.mp3"}), u"Entfernen: a.mp3?");
}

TEST(FormatText, AnythingElseStaysLiteral) {
  EXPECT_EQ(FormatText(u"%n%d%x %p %", {1, 2}), u"%n%d%x %p %");
  EXPECT_EQ(FormatText(u"(100% = match exact)", {}), u"(100% = match exact)");
  EXPECT_EQ(FormatText(u"%l%lx", {1}), u"%l%lx");
  EXPECT_EQ(FormatText(u"100%%", {}), u"100%");
}

TEST(FormatText, MorePlaceholdersThanArgumentsReadNothingExtra) {
  EXPECT_EQ(FormatText(u"%s and %s and %lu", {u"one"}), u"one and %s and %lu");
  EXPECT_EQ(FormatText(u"%s", {}), u"%s");
  EXPECT_EQ(FormatText(u"no placeholder", {u"ignored", 5}), u"no placeholder");
}

}  // namespace
}  // namespace tarnq::lang
