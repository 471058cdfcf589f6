// SPDX-License-Identifier: GPL-3.0-or-later
// The built program run as a user would: the scripted mode end to end on a small library, its
// failures, and --help / --version without any display.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSet>

#include "app_test_support.h"
#include "gui_test_support.h"

namespace tarnq::app {
namespace {

struct Outcome {
  int exitCode = -1;
  QString out;
  QString err;
};

class Program : public ::testing::Test {
 protected:
  void SetUp() override {
    m_library = testing::MakeLibrary(m_scratch.Path(QStringLiteral("music")));
    testing::WriteFile(m_scratch.Path(QStringLiteral("TARNQ.INI")), "[TARNQ]\nLanguage=US\nOpt=80\n");
    testing::WriteFile(m_scratch.Path(QStringLiteral("music.tnq")),
                       "[TARNQ]\nOption=0;0;0;0;0;2\n[Folder]\n1=+" + m_library.toStdString() + "\n");
  }

  // The program with a settings file of its own; `display` false takes every display away.
  Outcome Start(const QStringList& arguments, bool display = true) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TARNQ_SETTINGS"), m_scratch.Path(QStringLiteral("TARNQ.INI")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_scratch.Path());
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    if (display) environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    else environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TARNQ_PROGRAM), arguments);
    Outcome run;
    if (!process.waitForFinished(120000)) {
      process.kill();
      process.waitForFinished();
      ADD_FAILURE() << "the program did not end";
      return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
  }

  ui::testing::Scratch m_scratch;
  QString m_library;
};

TEST_F(Program, ScriptedModeSearchesAndWritesTheListAndThePicture) {
  const QString results = m_scratch.Path(QStringLiteral("r.tarnq"));
  const QString picture = m_scratch.Path(QStringLiteral("shot.png"));
  const Outcome run = Start({"--search", "--screenshot", picture, "--save-results", results, "--quit",
                         m_scratch.Path(QStringLiteral("music.tnq"))});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  QFile list(results);
  ASSERT_TRUE(list.open(QIODevice::ReadOnly));
  const QByteArray text = list.readAll();
  for (const char* name : {"/a.mp3", "/b.flac", "/c.mp3"}) EXPECT_TRUE(text.contains(name)) << name << "\n" << text.toStdString();
  const QImage image(picture);
  ASSERT_FALSE(image.isNull()) << "no PNG written";
  EXPECT_GE(image.width(), 400);
  EXPECT_GE(image.height(), 300);
  // A picture of the window, not an empty canvas: it has more than a few colours.
  QSet<QRgb> colours;
  for (int y = 0; y < image.height() && colours.size() <= 16; y += 3) {
    for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
  }
  EXPECT_GT(colours.size(), 16);
}

// --play: the player window on the file, pictured after one second of it on the capture's clock.
TEST_F(Program, PlayModePicturesThePlayerWindow) {
  const QString picture = m_scratch.Path(QStringLiteral("player.png"));
  const Outcome run = Start({"--play", QStringLiteral(TARNQ_TESTDATA "same-song.mp3"), "--screenshot", picture, "--quit"});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  const QImage image(picture);
  ASSERT_FALSE(image.isNull()) << "no PNG written";
  EXPECT_LT(image.width(), 600) << "the player window, not the main window";
  // The position "00:01" is drawn in orange on the display.
  int orange = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) orange += image.pixel(x, y) == qRgb(0xFF, 0x99, 0x33);
  }
  EXPECT_GT(orange, 20);
  QFile settings(m_scratch.Path(QStringLiteral("TARNQ.INI")));
  ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
  EXPECT_TRUE(settings.readAll().contains("[Player]")) << "the window's place is kept";
}

struct FailureCase {
  const char* name;
  QStringList arguments;
  int exitCode;
  const char* message;  // on standard error
};
void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class ProgramFails : public Program, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ProgramFails, WithTheStatusOfTheFault) {
  const Outcome run = Start(GetParam().arguments);
  EXPECT_EQ(run.exitCode, GetParam().exitCode) << run.err.toStdString();
  EXPECT_TRUE(run.err.contains(QString::fromUtf8(GetParam().message))) << run.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ProgramFails,
    ::testing::Values(FailureCase{"missing_preset", {"--search", "--quit", "/nonexistent/gone.tnq"}, 1, "no such file"},
                      FailureCase{"unknown_option", {"--frobnicate"}, 2, "unknown option '--frobnicate'"},
                      FailureCase{"option_without_file", {"--screenshot"}, 2, "needs a file name"},
                      FailureCase{"dialog_not_a_number", {"--dialog", "similarity"}, 2, "needs a command number"},
                      FailureCase{"page_not_a_number", {"--dialog", "183", "--page", "colors"}, 2, "needs a page number"},
                      FailureCase{"play_with_search", {"--play", "x.mp3", "--search"}, 2, "'--play' and '--search' exclude each other"},
                      FailureCase{"play_missing", {"--play", "/nonexistent/gone.mp3", "--quit"}, 1, "gone.mp3: The file does not exist."},
                      FailureCase{"play_not_audio", {"--play", TARNQ_TESTDATA "make_fixtures.sh", "--quit"}, 1,
                                  "make_fixtures.sh: The player takes no files of this kind."}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

struct InfoCase {
  const char* name;
  const char* option;
  const char* output;  // standard output begins with this
};
void PrintTo(const InfoCase& c, std::ostream* os) { *os << c.name; }

class ProgramInfo : public Program, public ::testing::WithParamInterface<InfoCase> {};

TEST_P(ProgramInfo, NeedsNoDisplay) {
  const Outcome run = Start({QString::fromUtf8(GetParam().option)}, false);
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_TRUE(run.out.startsWith(QString::fromUtf8(GetParam().output))) << run.out.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Options, ProgramInfo,
                         ::testing::Values(InfoCase{"help", "--help", "Usage: tarnq "},
                                           InfoCase{"version", "--version", "tarnq 26.01\n"}),
                         [](const ::testing::TestParamInfo<InfoCase>& info) { return std::string(info.param.name); });

TEST_F(Program, WithoutADisplaySaysSoAndExits1) {
  const Outcome run = Start({}, false);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(run.err.contains(QStringLiteral("no display"))) << run.err.toStdString();
}

}  // namespace
}  // namespace tarnq::app
