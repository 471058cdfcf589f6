// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/player_display.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QFile>

#include "gui_test_support.h"
#include "lang/languages.h"
#include "ui/qt_text.h"

namespace tarnq::ui {
namespace {

struct ClockCase {
  int64_t seconds;
  const char* text;
};

TEST(PlayerTexts, ClockHasMinutesAndSecondsAndHoursFromOneHourOn) {
  const ClockCase cases[] = {{0, "00:00"},     {59, "00:59"},     {61, "01:01"},  {3599, "59:59"},
                             {3600, "1:00:00"}, {3725, "1:02:05"}, {-3, "00:00"}};
  for (const ClockCase& c : cases) EXPECT_EQ(PlayerClockText(c.seconds), QString::fromUtf8(c.text)) << c.seconds;
}

struct RateCase {
  int32_t bitrate;
  const char* text;
};

TEST(PlayerTexts, BitRateSaysVbrForVariableRates) {
  testing::InstallLanguageLibrary();
  const RateCase cases[] = {{128, "128 kbps"}, {-1, "VBR"}, {-190, "VBR (\u00F8 190 kbps)"}, {0, ""}};
  for (const RateCase& c : cases) EXPECT_EQ(PlayerBitrateText(c.bitrate), QString::fromUtf8(c.text)) << c.bitrate;
}

TEST(PlayerTexts, SummaryLeavesOutWhatIsUnknown) {
  testing::InstallLanguageLibrary();
  analysis::TagRecord tag;
  EXPECT_EQ(PlayerSummaryText(tag), QString());
  tag.formatName.Assign(u"FLAC");
  tag.sampleRate = 48000;
  EXPECT_EQ(PlayerSummaryText(tag), QStringLiteral("FLAC, 48000Hz"));
  tag.formatName.Assign(u"MP3");
  tag.bitrate = 128;
  tag.sampleRate = 44100;
  EXPECT_EQ(PlayerSummaryText(tag), QStringLiteral("MP3, 128 kbps, 44100Hz"));
}

// MPEG records keep the channel mode (3 joint stereo); the others the number of channels, where
// 3 is three channels and says nothing of stereo.
TEST(PlayerTexts, ChannelModeIsStereoOrJointStereoOnlyWhereTheRecordHoldsAMode) {
  testing::InstallLanguageLibrary();
  EXPECT_EQ(PlayerChannelText(2, false), QStringLiteral("Stereo"));
  EXPECT_EQ(PlayerChannelText(2, true), QStringLiteral("Stereo"));
  EXPECT_EQ(PlayerChannelText(3, true), QStringLiteral("Joint Stereo"));
  EXPECT_EQ(PlayerChannelText(3, false), QString());
  EXPECT_EQ(PlayerChannelText(1, true), QString());
}

class FixedLanguage final : public lang::LanguageSettings {
 public:
  std::u16string ReadLanguage() override { return u"US"; }
  void StoreLanguage(std::u16string_view) override {}
};

class PlayerLabels : public ::testing::Test {
 protected:
  void SetUp() override { testing::InstallLanguageLibrary(); }
  void TearDown() override { Select(u"US"); }
  void Select(const std::u16string& code) {
    std::u16string state = code;
    FixedLanguage settings;
    lang::LanguageEnvironment environment;
    environment.programFolder = m_folder.Path16();
    lang::SelectLanguage(state, settings, environment);
  }
  QStringList LinesOfATaggedFile() {
    analysis::TagRecord tag;
    tag.title.Assign(u"Song");
    tag.year = 1999;
    PlayerDisplay display;
    display.SetFile(QStringLiteral("a.mp3"), tag, true);
    return display.Lines();
  }
  testing::Scratch m_folder;
};

// The labels are catalogue texts; a language file that lacks them shows the English ones.
TEST_F(PlayerLabels, ComeFromTheCatalogueWithEnglishForALanguageFileWithoutThem) {
  EXPECT_EQ(LinesOfATaggedFile(), (QStringList{QStringLiteral("\"a.mp3\""), QStringLiteral("Title: Song"),
                                               QStringLiteral("Year: 1999")}));
  Select(u"DE");
  EXPECT_EQ(LinesOfATaggedFile(), (QStringList{QStringLiteral("\"a.mp3\""), QStringLiteral("Titel: Song"),
                                               QStringLiteral("Jahr: 1999")}));
  QFile file(m_folder.Path(QStringLiteral("TARNQ_FR.LNG")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("Language=Fran\xC3\xA7" "ais\nAPly=&Lire;Lire le fichier\nExit=&Quitter;Quitte le programme\n"
             "JNew=&Nouveau profil;Cree un nouveau profil\n");
  file.close();
  Select(u"FR");
  ASSERT_EQ(lang::ActiveLanguageCode(), u"FR");
  EXPECT_EQ(LinesOfATaggedFile(), (QStringList{QStringLiteral("\"a.mp3\""), QStringLiteral("Title: Song"),
                                               QStringLiteral("Year: 1999")}));
}

// A display that is open when the language changes takes the new labels.
TEST_F(PlayerLabels, FollowALanguageChange) {
  analysis::TagRecord tag;
  tag.artist.Assign(u"Band");
  PlayerDisplay display;
  display.SetFile(QStringLiteral("a.mp3"), tag, false);
  ASSERT_TRUE(display.Lines().contains(QStringLiteral("Artist: Band")));
  Select(u"DE");
  QEvent change(QEvent::LanguageChange);
  QCoreApplication::sendEvent(&display, &change);
  EXPECT_TRUE(display.Lines().contains(QStringLiteral("Interpret: Band"))) << display.Lines().join(u'|').toStdString();
}

}  // namespace
}  // namespace tarnq::ui
