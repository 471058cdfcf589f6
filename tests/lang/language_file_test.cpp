// SPDX-License-Identifier: GPL-3.0-or-later
// Reading language files: encodings, the key search, catalogues built from a file.
#include "lang/language_file.h"

#include <gtest/gtest.h>

#include "lang_test_support.h"
#include "platform/paths.h"

namespace tarnq::lang {
namespace {

using test::Utf8;

std::string Utf16LeWithMarker(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

std::u16string Value(std::u16string_view text, std::u16string_view key) {
  std::u16string value = u"<none>";
  FindLanguageValue(text, key, value);
  return value;
}

TEST(LanguageFileEncoding, Utf16WithByteOrderMark) {
  EXPECT_EQ(DecodeLanguageFile(Utf16LeWithMarker(u"Language=Русский\r\nAPly=Играть")),
            u"Language=Русский\r\nAPly=Играть");
  // An odd last byte is no character.
  EXPECT_EQ(DecodeLanguageFile(std::string("\xFF\xFE"
                                           "A\0B",
                                           5)),
            u"A");
}

TEST(LanguageFileEncoding, Utf8WithByteOrderMark) {
  EXPECT_EQ(DecodeLanguageFile("\xEF\xBB\xBF"
                               "Language=Français\nCP=1251\n"),
            u"Language=Français\nCP=1251\n");
}

TEST(LanguageFileEncoding, EightBitTextInTheCodePageOfItsCpKey) {
  EXPECT_EQ(Value(DecodeLanguageFile("Language=\xD0\xF3\xF1\xF1\xEA\xE8\xE9\r\nCP=1251\r\n"), u"Language"),
            u"Русский");
  EXPECT_EQ(Value(DecodeLanguageFile("CP=1253\nLanguage=\xC5\xEB\xEB\xE7\xED\xE9\xEA\xDC"), u"Language"),
            u"Ελληνικά");
  // CP only counts at the start of a line; "XCP=" names another key.
  platform::SetLegacyCodePage(1252);
  EXPECT_EQ(Value(DecodeLanguageFile("XCP=1251\nLanguage=\xC0"), u"Language"), u"À");
  EXPECT_EQ(Value(DecodeLanguageFile("CP=junk\nLanguage=\xC0"), u"Language"), u"À");
  platform::SetLegacyCodePage(0);
}

TEST(LanguageFileKeys, KeyMatchesOnlyAtLineStartAndWholly) {
  const std::u16string text =
      u"; SelS=comment\n"
      u"xAPly=inside a line\n"
      u" APly=indented\n"
      u"SelSx=longer key\n"
      u"SelS=Select all\n"
      u"APly=Play it\n"
      u"APly=second\n";
  EXPECT_EQ(Value(text, u"SelS"), u"Select all");
  EXPECT_EQ(Value(text, u"APly"), u"Play it");
  EXPECT_EQ(Value(text, u"SelSx"), u"longer key");
  EXPECT_EQ(Value(text, u"Sel"), u"<none>");
}

TEST(LanguageFileKeys, KeysAreCaseSensitive) {
  const std::u16string text = u"aPly=Play button\r\nAPly=Play menu\r\n";
  EXPECT_EQ(Value(text, u"APly"), u"Play menu");
  EXPECT_EQ(Value(text, u"aPly"), u"Play button");
  EXPECT_EQ(Value(text, u"aply"), u"<none>");
}

TEST(LanguageFileKeys, UnderscoresLineEndsAndEmptyValues) {
  EXPECT_EQ(Value(u"Exit_____=Quit\r", u"Exit"), u"Quit");
  EXPECT_EQ(Value(u"Exit_x=no\nExit=yes", u"Exit"), u"yes");
  EXPECT_EQ(Value(u"Exit=\nFCpy=Copy", u"Exit"), u"");
  EXPECT_EQ(Value(u"Exit", u"Exit"), u"<none>");
  EXPECT_EQ(Value(u"Exit_", u"Exit"), u"<none>");
  EXPECT_EQ(Value(u"Exit=last line", u"Exit"), u"last line");
  EXPECT_EQ(Value(u"\r\rExit=after CRs\r", u"Exit"), u"after CRs");
  EXPECT_EQ(Value(u"", u"Exit"), u"<none>");
}

TEST(LoadedCatalogue, FileTextsLineBreaksAndEnglishForMissingKeys) {
  const CatalogueEntry english[] = {{0, "US"},      {1, "English"},      {100, "E&xit;Quits"},
                                    {200, "&Help"}, {300, "Tab\\there"}, {0, nullptr}};
  const CatalogueEntry keys[] = {{0, "-"},      {1, "Extl"},   {100, "Exit"},
                                 {200, "Help"}, {300, "TbTx"}, {0, nullptr}};
  LoadedCatalogue loaded;
  loaded.Build(u"Language=Nederlands\nExit=&Afsluiten;Sluit\\nhet programma\nTbTx=Tab\\thier\n", keys,
               CatalogueOf(english), u"NL", u"/x/TARNQ_NL.LNG");
  const Catalogue catalogue = loaded.View();
  EXPECT_EQ(Utf8(DisplayNameOf(catalogue)), "Nederlands");
  EXPECT_EQ(Utf8(loaded.DisplayName()), "Nederlands");
  EXPECT_EQ(GetText(catalogue, 100), u"&Afsluiten;Sluit\nhet programma");
  EXPECT_EQ(GetText(catalogue, 200), u"&Help");
  EXPECT_EQ(GetText(catalogue, 300), u"Tab\thier");
  EXPECT_EQ(LanguageCodeOf(catalogue.entries), "NL");
}

TEST(LoadedCatalogue, MissingFileIsAnError) {
  test::ScratchFolder folder;
  LoadedCatalogue loaded;
  EXPECT_EQ(LoadLanguageFile(platform::JoinPath(folder.Path(), u"TARNQ_XX.LNG"), nullptr, {}, u"XX", loaded), 2u);
}

TEST(FindFileInFolder, IgnoresCase) {
  test::ScratchFolder folder;
  folder.Write("tarnq_fr.lng", "x");
  EXPECT_EQ(FindFileInFolder(folder.Path(), u"TARNQ_FR.LNG"), platform::JoinPath(folder.Path(), u"tarnq_fr.lng"));
  EXPECT_EQ(FindFileInFolder(folder.Path(), u"TARNQ_IT.LNG"), u"");
  EXPECT_EQ(FindFileInFolder(platform::JoinPath(folder.Path(), u"missing"), u"TARNQ_FR.LNG"), u"");
}

}  // namespace
}  // namespace tarnq::lang
