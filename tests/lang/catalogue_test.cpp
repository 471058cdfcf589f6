// SPDX-License-Identifier: GPL-3.0-or-later
// Reading texts out of catalogue tables.
#include "lang/catalogue.h"

#include <gtest/gtest.h>

#include "lang_test_support.h"

namespace tarnq::lang {
namespace {

using test::Utf8;

const CatalogueEntry kTable[] = {
    {1253, "XX"},
    {1, "Test (Language)"},
    {10, "Name\\tShortcut"},
    {11, nullptr},
    {12,
     "Gr\xF6\xDF"
     "e"},
    {13, "Path\\\\tmp\\t"},
    {9019, "Pause"},
    {5509, "Select drives"},
    {14, "after"},
    {0, nullptr},
    {15, "past the end"},
};

TEST(CatalogueText, ExpandsTabsAndDecodesTheMarkedCodePage) {
  const Catalogue catalogue = CatalogueOf(kTable);
  EXPECT_EQ(catalogue.codePage, 1252);
  EXPECT_EQ(GetText(catalogue, 10), u"Name\tShortcut");
  EXPECT_EQ(GetText(catalogue, 12), u"Größe");
  // The backslash itself has no escape: a backslash-t pair after a backslash is still a tab.
  EXPECT_EQ(GetText(catalogue, 13), u"Path\\\tmp\t");
  EXPECT_EQ(Utf8(DisplayNameOf(catalogue)), "Test (Language)");
}

TEST(CatalogueText, MissingNullAndTerminatedTextsAreEmpty) {
  const Catalogue catalogue = CatalogueOf(kTable);
  EXPECT_EQ(GetText(catalogue, 11), u"");
  EXPECT_EQ(GetText(catalogue, 999), u"");
  EXPECT_EQ(GetText(catalogue, 0), u"");
  EXPECT_EQ(GetText(catalogue, 15), u"");  // beyond the terminator
  EXPECT_EQ(GetText(catalogue, 14), u"after");
  EXPECT_EQ(GetText(Catalogue{}, 10), u"");
  // Entry 0 holds the marker, not a text: the search starts at entry 1.
  EXPECT_EQ(GetText(catalogue, 1253), u"");
}

TEST(CatalogueText, AliasesAskForAnotherIdentifier) {
  const Catalogue catalogue = CatalogueOf(kTable);
  EXPECT_EQ(GetText(catalogue, 1155), u"Pause");
  EXPECT_EQ(GetText(catalogue, 2100), u"Select drives");
  EXPECT_EQ(ApplyAlias(1154), 1154);
}

TEST(CatalogueText, MarkersNameTheCodePage) {
  EXPECT_EQ(MarkerToCodePage(0), 0);
  EXPECT_EQ(MarkerToCodePage(1253), 1252);
  EXPECT_EQ(MarkerToCodePage(1252), 1251);
  EXPECT_EQ(MarkerToCodePage(~1250), 1250);
  const CatalogueEntry cyrillic[] = {{1252, "RU"}, {1, "\xD0\xF3\xF1\xF1\xEA\xE8\xE9"}, {0, nullptr}};
  EXPECT_EQ(DisplayNameOf(CatalogueOf(cyrillic)), u"Русский");
}

TEST(TextParts, MenuHelpAndShortText) {
  EXPECT_EQ(MenuPart(u"&Copy...;Copy files;Copy Files"), u"&Copy...");
  EXPECT_EQ(HelpPart(u"&Copy...;Copy files;Copy Files"), u"Copy files");
  EXPECT_EQ(ShortPart(u"&Copy...;Copy files;Copy Files"), u"Copy Files");
  EXPECT_EQ(ShortPart(u"&Play;Play the sound file"), u"&Play");
  EXPECT_EQ(ShortPart(u"Filename"), u"Filename");
  EXPECT_EQ(HelpPart(u"Filename"), u"");
  EXPECT_EQ(ShortPart(u"a;b;c;d"), u"c;d");
  EXPECT_EQ(ShortPart(u";;"), u"");
  EXPECT_EQ(MenuPart(u""), u"");
}

}  // namespace
}  // namespace tarnq::lang
