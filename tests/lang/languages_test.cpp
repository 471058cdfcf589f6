// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing the active language, language files beside the program, the dialog's list, keys.
#include "lang/languages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "lang/commands.h"
#include "lang/settings_language.h"
#include "settings/settings_store.h"
#include "lang_test_support.h"
#include "platform/paths.h"

namespace tarnq::lang {
namespace {

using test::Utf8;

// Stands for section TARNQ of the settings; records what the choice stored.
class FakeSettings final : public LanguageSettings {
 public:
  explicit FakeSettings(std::u16string stored = {}) : m_stored(std::move(stored)) {}
  std::u16string ReadLanguage() override { return m_stored; }
  void StoreLanguage(std::u16string_view code) override {
    m_stored.assign(code);
    ++m_stores;
  }
  std::u16string m_stored;
  int m_stores = 0;
};

// A language file comfortably above the dialog's 100-byte floor.
std::string FrenchFile() {
  return "; Fichier de langue\r\n"
         "Language=Fran\xE7"
         "ais\r\n"
         "CP=1252\r\n"
         "mFle=&Fichier;Commandes des fichiers\r\n"
         "APly=&Lire;Lire le fichier\r\n"
         "lKSh=Raccourci\\tclavier\r\n"
         "aDel=Supprimer %s ?\\nVraiment ?\r\n";
}

class LanguageChoiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(test::Record(), nullptr);
    InstallLanguageRecord(test::Record());
    m_environment = {m_folder.Path(), u"US"};
  }
  void TearDown() override { InstallLanguageRecord(test::Record()); }

  LanguageOutcome Select(std::u16string code, FakeSettings& settings) {
    m_stateCode = std::move(code);
    return SelectLanguage(m_stateCode, settings, m_environment);
  }

  test::ScratchFolder m_folder;
  LanguageEnvironment m_environment;
  std::u16string m_stateCode;
};

TEST_F(LanguageChoiceTest, BuiltInCodeIgnoresCase) {
  FakeSettings settings;
  const LanguageOutcome outcome = Select(u"de", settings);
  EXPECT_TRUE(outcome.filePath.empty());
  EXPECT_FALSE(outcome.english);
  EXPECT_EQ(ActiveLanguageCode(), u"DE");
  EXPECT_EQ(Utf8(ActiveDisplayName()), "German (Deutsch)");
  EXPECT_EQ(Utf8(GetText(52)), "Größe");
  EXPECT_EQ(Utf8(GetShortText(108)), "Dateien kopieren");
  EXPECT_EQ(Utf8(GetMenuText(111)), "&Löschen...");
  EXPECT_EQ(Utf8(GetHelpText(111)), "Dateien löschen");
  EXPECT_EQ(settings.m_stores, 0);  // the state's code is not stored again
}

TEST_F(LanguageChoiceTest, StoredCodeIsReadWhenTheStateHasNone) {
  FakeSettings settings(u"De");
  Select(u"", settings);
  EXPECT_EQ(m_stateCode, u"De");
  EXPECT_EQ(ActiveLanguageCode(), u"DE");
  EXPECT_EQ(settings.m_stores, 0);
}

TEST_F(LanguageChoiceTest, FirstStartTakesTheSystemLanguageAndStoresIt) {
  FakeSettings settings;
  m_environment.systemCode = u"DE";
  Select(u"", settings);
  EXPECT_EQ(settings.m_stored, u"DE");
  EXPECT_EQ(settings.m_stores, 1);
  EXPECT_EQ(ActiveLanguageCode(), u"DE");
}

TEST_F(LanguageChoiceTest, StoredCodeIsCutToThreeCharacters) {
  m_folder.Write("TARNQ_FRA.LNG", FrenchFile());
  FakeSettings settings(u"FRANCAIS");
  const LanguageOutcome outcome = Select(u"", settings);
  EXPECT_EQ(outcome.code, u"FRA");
  EXPECT_EQ(Utf8(GetMenuText(106)), "&Lire");
}

TEST_F(LanguageChoiceTest, LanguageFileBesideTheProgram) {
  m_folder.Write("tarnq_fr.lng", FrenchFile());
  FakeSettings settings;
  const LanguageOutcome outcome = Select(u"FR", settings);
  EXPECT_EQ(outcome.fileError, 0u);
  EXPECT_EQ(outcome.filePath, platform::JoinPath(m_folder.Path(), u"tarnq_fr.lng"));
  EXPECT_TRUE(ActiveLanguageIsFile());
  EXPECT_EQ(ActiveLanguageCode(), u"FR");
  EXPECT_EQ(Utf8(ActiveDisplayName()), "Français");
  EXPECT_EQ(Utf8(GetText(106)), "&Lire;Lire le fichier");
  EXPECT_EQ(Utf8(GetText(30)), "Raccourci\tclavier");
  EXPECT_EQ(Utf8(GetText(6601)), "Supprimer %s ?\nVraiment ?");
  // Keys the file lacks take English.
  EXPECT_EQ(Utf8(GetText(100)), "E&xit;Quits the application");
  EXPECT_EQ(Utf8(GetText(1155)), "Pause");
  EXPECT_EQ(FindMenuItemWithoutText(), 0);
}

TEST_F(LanguageChoiceTest, MissingFileFallsBackToTheUsFile) {
  m_folder.Write("TARNQ_US.LNG", "Language=English (file)\nAPly=&Play from the US file\n");
  FakeSettings settings;
  const LanguageOutcome outcome = Select(u"FR", settings);
  EXPECT_EQ(outcome.filePath, platform::JoinPath(m_folder.Path(), u"TARNQ_US.LNG"));
  EXPECT_EQ(m_stateCode, u"FR");
  EXPECT_EQ(ActiveLanguageCode(), u"US");
  EXPECT_EQ(Utf8(GetText(106)), "&Play from the US file");
}

TEST_F(LanguageChoiceTest, NoFileAtAllLeavesEnglish) {
  FakeSettings settings;
  Select(u"DE", settings);
  const LanguageOutcome outcome = Select(u"FR", settings);
  EXPECT_TRUE(outcome.english);
  EXPECT_EQ(outcome.fileError, 2u);
  EXPECT_FALSE(ActiveLanguageIsFile());
  EXPECT_EQ(ActiveLanguageCode(), u"US");
  EXPECT_EQ(Utf8(GetText(106)), "&Play;Play the sound file");
}

TEST_F(LanguageChoiceTest, EncodingsOfLanguageFiles) {
  std::string utf16 = "\xFF\xFE";
  for (char16_t c : std::u16string(u"Language=Русский\r\nAPly=&Играть\r\n")) {
    utf16.push_back(static_cast<char>(c & 0xFF));
    utf16.push_back(static_cast<char>(c >> 8));
  }
  m_folder.Write("TARNQ_RU.LNG", utf16);
  m_folder.Write("TARNQ_UK.LNG",
                 "\xEF\xBB\xBF"
                 "Language=Українська\nAPly=&Грати\n");
  m_folder.Write("TARNQ_BG.LNG",
                 "CP=1251\nLanguage=\xC1\xFA\xEB\xE3\xE0\xF0\xF1\xEA\xE8\nAPly=&\xC8\xE3\xF0\xE0\xE9\n");
  FakeSettings settings;
  Select(u"RU", settings);
  EXPECT_EQ(Utf8(GetMenuText(106)), "&Играть");
  Select(u"UK", settings);
  EXPECT_EQ(Utf8(GetMenuText(106)), "&Грати");
  Select(u"BG", settings);
  EXPECT_EQ(Utf8(ActiveDisplayName()), "Български");
  EXPECT_EQ(Utf8(GetMenuText(106)), "&Играй");
}

TEST_F(LanguageChoiceTest, EmptyMenuTextInAFileIsALoadingError) {
  m_folder.Write("TARNQ_XX.LNG", "Language=Broken\nmFle=\nAPly=;help without a menu text\n");
  FakeSettings settings;
  Select(u"XX", settings);
  EXPECT_EQ(FindMenuItemWithoutText(), 101);
  Select(u"US", settings);
  EXPECT_EQ(FindMenuItemWithoutText(), 0);
}

TEST_F(LanguageChoiceTest, ChoosingStoresTheCodeAndSelects) {
  FakeSettings settings(u"US");
  Select(u"US", settings);
  const LanguageOutcome outcome = ChooseLanguage(u"DE", m_stateCode, settings, m_environment);
  EXPECT_EQ(outcome.code, u"DE");
  EXPECT_EQ(settings.m_stored, u"DE");
  EXPECT_EQ(m_stateCode, u"DE");
  EXPECT_EQ(ActiveLanguageCode(), u"DE");
}

TEST_F(LanguageChoiceTest, ReadersKeepWorkingWhileTheLanguageChanges) {
  m_folder.Write("TARNQ_FR.LNG", FrenchFile());
  FakeSettings settings;
  std::atomic<bool> stop = false;
  std::atomic<int> empty = 0;
  std::thread reader([&] {
    while (!stop) {
      if (GetText(106).empty()) ++empty;
    }
  });
  for (int i = 0; i < 200; ++i) Select(i % 2 == 0 ? u"FR" : u"DE", settings);
  stop = true;
  reader.join();
  EXPECT_EQ(empty, 0);
}

TEST(SystemLanguage, GermanLocalesGiveDe) {
  for (const char* locale : {"de", "de_DE.UTF-8", "de_CH", "de_AT@euro", "de_LU.ISO-8859-1", "de_LI"}) {
    EXPECT_EQ(LanguageCodeForLocale(locale), u"DE") << locale;
  }
  for (const char* locale : {"", "C", "POSIX", "en_US.UTF-8", "fr_FR", "dsb_DE", "C.UTF-8"}) {
    EXPECT_EQ(LanguageCodeForLocale(locale), u"US") << locale;
  }
}

TEST_F(LanguageChoiceTest, DialogListsBuiltInsAndUsableFiles) {
  const std::string french = FrenchFile();
  m_folder.Write("TARNQ_FR.LNG", french);
  m_folder.Write("tarnq_it.lng", "Language=Italiano\n" + std::string(120, ';'));
  m_folder.Write("TARNQ_NL.LNG", "Language=Nederlands\n");                         // 100 bytes or less
  m_folder.Write("TARNQ_ES.LNG", std::string(200, ';') + "\nAPly=&Reproducir\n");  // no "Language"
  m_folder.Write("TARNQ_de.LNG", "Language=Deutsch aus Datei\n" + std::string(120, ';'));
  m_folder.Write("TARNQ_FRA.LNG", french);
  m_folder.Write("TARNQ_PT.TXT", french);
  const auto choices = ListLanguages(test::Record(), m_folder.Path());
  ASSERT_GE(choices.size(), 2u);
  EXPECT_EQ(Utf8(choices[0].code), "US");
  EXPECT_EQ(Utf8(choices[0].displayName), "English");
  EXPECT_EQ(Utf8(choices[1].code), "DE");
  EXPECT_EQ(Utf8(choices[1].displayName), "German (Deutsch)");
  std::vector<std::string> files;
  for (size_t i = 2; i < choices.size(); ++i) {
    EXPECT_TRUE(choices[i].fromFile);
    files.push_back(Utf8(choices[i].code) + "=" + Utf8(choices[i].displayName));
  }
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"FR=Français", "IT=Italiano"}));
}

TEST_F(LanguageChoiceTest, KeysAndCommandNames) {
  EXPECT_EQ(KeyOfText(106), u"APly");
  EXPECT_EQ(KeyOfText(1153), u"aPly");
  EXPECT_EQ(KeyOfText(1155), u"vkPs");  // through the alias
  EXPECT_EQ(KeyOfText(4242), u"");
  EXPECT_EQ(TextOfKey(u"APly"), 106);
  EXPECT_EQ(TextOfKey(u"aPly"), 1153);
  EXPECT_EQ(TextOfKey(u"aply"), 0);
  EXPECT_EQ(TextOfKey(u"APl"), 0);
  EXPECT_EQ(TextOfKey(u"-"), 0);
  EXPECT_EQ(CommandOfName(u"FDel"), 111);
  EXPECT_EQ(CommandOfName(u"FileDele"), 111);
  EXPECT_EQ(CommandOfName(u"SelectAll"), 122);
  EXPECT_EQ(CommandOfName(u"-"), 0);
  EXPECT_EQ(CommandOfName(u""), 0);
  EXPECT_EQ(CommandTableName(122), "SelectAll");
  EXPECT_EQ(CommandTableName(123), "");
}

}  // namespace
}  // namespace tarnq::lang

namespace tarnq::lang {
namespace {

// The choice lives in key Language of section TARNQ of the real settings file.
TEST(StoredLanguageChoice, FirstStartStoresTheSystemChoiceInTheSettingsFile) {
  ASSERT_NE(test::Record(), nullptr);
  InstallLanguageRecord(test::Record());
  test::ScratchFolder folder;
  const std::u16string ini = platform::JoinPath(folder.Path(), u"TARNQ.INI");
  {
    settings::SettingsStore store(ini, settings::SettingsStore::kExplicitFile);
    StoreLanguageSettings stored(store);
    std::u16string stateCode;
    SelectLanguage(stateCode, stored, LanguageEnvironment{folder.Path(), u"DE"});
    EXPECT_EQ(ActiveLanguageCode(), u"DE");
  }
  settings::SettingsStore reopened(ini, settings::SettingsStore::kExplicitFile);
  EXPECT_EQ(reopened.ReadText("TARNQ", "Language"), u"DE");
  StoreLanguageSettings stored(reopened);
  EXPECT_EQ(stored.ReadLanguage(), u"DE");
  InstallLanguageRecord(test::Record());
}

}  // namespace
}  // namespace tarnq::lang
