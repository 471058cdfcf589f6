// SPDX-License-Identifier: GPL-3.0-or-later
// Play and the player window on a real main window and a real player thread whose output is a
// capture with a manual clock: what the window shows, its buttons and bars, dropped files, the
// steps through the list and through a group, closing while playing, and the files it cannot
// play (said in words; only audio the program knows goes to the desktop's program).
#include "ui/player_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include <memory>
#include <string>
#include <vector>

#include "player/capture_output.h"
#include "player/pcm.h"
#include "settings/placement.h"
#include "ui/file_manager.h"
#include "ui/player_control.h"
#include "ui/player_display.h"
#include "ui/qt_text.h"
#include "ui/result_view.h"
#include "window_test.h"

namespace tarnq::app {
namespace {

using player::PlayState;
using ui::PlayerControl;
using ui::PlayerWindow;
using ui::testing::WaitUntil;

constexpr uint32_t kRate = 8000;  // the test files: 8 kHz mono, 16-bit, each frame its own value

void PutLe(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// Frame i holds the sample (i + offset) mod 65536, so every frame of a file is told apart and
// two files with different offsets differ at every position.
std::string Pcm(uint32_t seconds, uint32_t offset) {
  std::string out;
  for (uint32_t i = 0; i < seconds * kRate; ++i) PutLe(out, (i + offset) & 0xFFFF, 2);
  return out;
}

std::string Wav(const std::string& pcm) {
  std::string out = "RIFF";
  PutLe(out, static_cast<uint32_t>(36 + pcm.size()), 4);
  out += "WAVEfmt ";
  PutLe(out, 16, 4);
  PutLe(out, 1, 2);
  PutLe(out, 1, 2);
  PutLe(out, kRate, 4);
  PutLe(out, kRate * 2, 4);
  PutLe(out, 2, 2);
  PutLe(out, 16, 2);
  out += "data";
  PutLe(out, static_cast<uint32_t>(pcm.size()), 4);
  return out + pcm;
}

class Player : public testing::WindowTest {
 protected:
  // The window; its player plays into a capture that plays only when the test advances it.
  void OpenWindow(const std::string& main = {}, const std::string& sections = {}) {
    Open(main, sections);
    ASSERT_FALSE(HasFatalFailure());
    m_window->makeAudioOutput = [this] {
      auto capture = std::make_unique<player::CaptureOutput>(player::CaptureOutput::Clock::kManual);
      capture->SetNoDevice(m_noDevice);
      m_capture = capture.get();
      return std::unique_ptr<player::WaveOutput>(std::move(capture));
    };
  }

  // A file in the scratch folder.
  QString Write(const QString& name, const std::string& bytes) {
    const QString path = m_scratch.Path(name);
    testing::WriteFile(path, bytes);
    return path;
  }

  // The list holds these files (path, group), loaded as a results file.
  void LoadRows(const std::vector<std::pair<QString, int>>& rows) {
    std::string text;
    for (const auto& [path, group] : rows) {
      text += path.toStdString() + ";" + std::to_string(group) +
              ";1000;32;133018848000000000;133018848000000000;133018848000000000;;1;8000;128;6;0;Song;Band;;;;WAV;;\r\n";
    }
    const QString list = Write(QStringLiteral("list.tarnq"), text);
    m_window->askOpenFile = [list](const QString&, const QString&, const QString&) { return list; };
    ASSERT_TRUE(m_window->RunCommand(119));
    ASSERT_EQ(m_core->List().RowCount(), rows.size());
  }

  // Play on row `row`, as the list's Enter would.
  void PlayRow(size_t row) {
    m_core->List().SetFocusedRow(static_cast<int64_t>(row));
    ASSERT_TRUE(m_window->RunCommand(106));
    ASSERT_NE(Window(), nullptr);
  }

  PlayerWindow* Window() const { return m_window->PlayerWindow(); }
  PlayerControl* Control() const { return Window() ? Window()->Control() : nullptr; }
  bool WaitForState(PlayState state) {
    return WaitUntil([&] { return Control() != nullptr && Control()->State() == state; });
  }
  // Playing, or (a file that fits the output's buffers) playing out what the decoder delivered.
  bool WaitForPlaying() {
    return WaitUntil([&] {
      return Control() != nullptr && (Control()->State() == PlayState::kPlaying || Control()->State() == PlayState::kEnded);
    });
  }
  bool WaitForContent(PlayerWindow::Content content) {
    return WaitUntil([&] { return Window() != nullptr && Window()->CurrentContent() == content; });
  }
  // Plays the file until the control shows `seconds` (what is queued plays at once).
  bool PlayTo(int64_t seconds) {
    return WaitUntil([&] {
      if (m_capture->Position() < static_cast<uint64_t>(seconds) * kRate) {
        m_capture->Advance(static_cast<uint64_t>(seconds) * kRate - m_capture->Position());
      }
      return Control()->Position() == seconds;
    });
  }
  // The player's notifications come through the event loop, so waiting runs it.
  bool WaitForBytes(size_t bytes) {
    return WaitUntil([&] { return m_capture->Captured().size() >= bytes; });
  }
  std::string Captured() const {
    const std::vector<uint8_t> bytes = m_capture->Captured();
    return std::string(bytes.begin(), bytes.end());
  }

  player::CaptureOutput* m_capture = nullptr;
  bool m_noDevice = false;
};

// --- Opening and playing ----------------------------------------------------------------------

TEST_F(Player, EnterOnTheListOpensThePlayerWindowAndPlaysTheFile) {
  OpenWindow();
  Search();
  m_core->List().SetFocusedRow(0);
  m_window->View()->FollowFocusedRow();
  m_window->View()->setFocus();
  QTest::keyClick(m_window->View(), Qt::Key_Return);
  ASSERT_TRUE(WaitUntil([this] { return Window() != nullptr && Window()->isVisible(); }));
  const std::u16string name = m_core->List().RowAt(0).Name();
  EXPECT_EQ(Window()->windowTitle(), ui::ToQString(name));
  EXPECT_EQ(Window()->objectName(), QStringLiteral("Player"));
  ASSERT_TRUE(WaitForPlaying());
  EXPECT_TRUE(m_capture->IsOpen());
  ASSERT_TRUE(WaitUntil([this] { return Control()->Display()->Lines().contains(QStringLiteral("Title: Same Song")); }));
  EXPECT_TRUE(Control()->Display()->Lines().contains(QStringLiteral("Artist: Same Band")));
  EXPECT_EQ(Control()->Display()->Lines().first(), QLatin1Char('"') + ui::ToQString(name) + QLatin1Char('"'));
}

TEST_F(Player, AnotherFileReusesTheOneWindowAndItsControl) {
  OpenWindow();
  Search();
  PlayRow(0);
  PlayerWindow* first = Window();
  ASSERT_TRUE(WaitForPlaying());
  PlayRow(1);
  EXPECT_EQ(Window(), first);
  EXPECT_EQ(Window()->windowTitle(), ui::ToQString(m_core->List().RowAt(1).Name()));
  ASSERT_TRUE(WaitForPlaying());
  EXPECT_EQ(m_window->findChildren<PlayerWindow*>().size(), 1);
  EXPECT_EQ(m_window->findChildren<PlayerControl*>().size(), 1);
}

TEST_F(Player, SpaceAndThePauseButtonPauseAndResume) {
  OpenWindow();
  Search();
  PlayRow(0);
  ASSERT_TRUE(WaitForPlaying());
  QTest::keyClick(Window(), Qt::Key_Space);
  ASSERT_TRUE(WaitForState(PlayState::kPaused));
  EXPECT_TRUE(m_capture->IsPaused());
  EXPECT_TRUE(Control()->ButtonOf(PlayerControl::kPause)->isChecked());
  QTest::keyClick(Window(), Qt::Key_Space);
  ASSERT_TRUE(WaitForPlaying());
  EXPECT_FALSE(m_capture->IsPaused());
  Control()->ButtonOf(PlayerControl::kPause)->click();
  ASSERT_TRUE(WaitForState(PlayState::kPaused));
  Control()->ButtonOf(PlayerControl::kPlay)->click();
  ASSERT_TRUE(WaitForPlaying());
  EXPECT_FALSE(Control()->ButtonOf(PlayerControl::kPause)->isChecked());
}

// The seek bar moved by the keyboard: what the output gets next is the file from there on.
TEST_F(Player, SeekBarSeeksTheFile) {
  OpenWindow({}, "[PlayerVolume]\nVolume=255\n");
  const std::string pcm = Pcm(6, 0);
  LoadRows({{Write(QStringLiteral("song.wav"), Wav(pcm)), 1}});
  PlayRow(0);
  // The whole file fits the output's buffers: it is queued and the decoder has ended.
  ASSERT_TRUE(WaitForState(PlayState::kEnded));
  ASSERT_TRUE(WaitForBytes(pcm.size()));
  ASSERT_EQ(Captured(), pcm) << "unity volume passes the samples as they are";
  QSlider* bar = Control()->SeekBar();
  ASSERT_TRUE(bar->isEnabled());
  bar->setFocus();
  QTest::keyClick(bar, Qt::Key_PageUp);  // 10 % of 6 s
  ASSERT_TRUE(WaitForBytes(pcm.size() + 2000));
  const size_t from = static_cast<size_t>(kRate * 6 / 10) * 2;
  EXPECT_EQ(Captured().substr(pcm.size(), 2000), pcm.substr(from, 2000));
}

TEST_F(Player, VolumeBarSetsTheGainAndIsRemembered) {
  OpenWindow({}, "[PlayerVolume]\nVolume=255\n");
  const std::string pcm = Pcm(6, 1000);
  LoadRows({{Write(QStringLiteral("song.wav"), Wav(pcm)), 1}});
  PlayRow(0);
  ASSERT_TRUE(WaitForState(PlayState::kEnded));
  ASSERT_TRUE(WaitForBytes(pcm.size()));
  EXPECT_EQ(Control()->VolumeBar()->value(), 255);
  Control()->VolumeBar()->setFocus();
  QTest::keyClick(Control()->VolumeBar(), Qt::Key_Home);
  EXPECT_EQ(m_store->ReadInt(PlayerWindow::kVolumeSection, PlayerWindow::kVolumeKey, 99), 0u);
  // What is decoded from now on is silent.
  QTest::keyClick(Control()->SeekBar(), Qt::Key_PageUp);
  ASSERT_TRUE(WaitForBytes(pcm.size() + 4000));
  EXPECT_EQ(Captured().substr(pcm.size(), 4000), std::string(4000, '\0'));
  // A new window starts at the volume remembered.
  Window()->close();
  ASSERT_TRUE(WaitUntil([this] { return Window() == nullptr; }));
  PlayRow(0);
  EXPECT_EQ(Control()->VolumeBar()->value(), 0);
}

TEST_F(Player, DroppedFileTakesThePlaceOfThePlayingOne) {
  OpenWindow();
  Search();
  PlayRow(0);
  ASSERT_TRUE(WaitForPlaying());
  const QString dropped = Write(QStringLiteral("dropped.wav"), Wav(Pcm(2, 0)));
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(m_scratch.Path()), QUrl::fromLocalFile(dropped)});  // a folder is passed over
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(Window(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(Window(), &drop);
  ASSERT_TRUE(WaitUntil([this] { return Window()->windowTitle() == QStringLiteral("dropped.wav"); }));
  EXPECT_EQ(Window()->Path(), ui::ToU16(dropped));
  ASSERT_TRUE(WaitForPlaying());
}

// --- Steps through the list and through a group ---------------------------------------------

TEST_F(Player, AltRightAndAltLeftPlayTheNextAndThePreviousRow) {
  OpenWindow();
  Search();
  PlayRow(0);
  const auto title = [this](size_t row) { return ui::ToQString(m_core->List().RowAt(row).Name()); };
  QTest::keyClick(Window(), Qt::Key_Right, Qt::AltModifier);
  ASSERT_TRUE(WaitUntil([&] { return Window()->windowTitle() == title(1); }));
  EXPECT_EQ(m_core->List().FocusedRow(), 1);
  ASSERT_TRUE(WaitForPlaying());
  QTest::keyClick(Window(), Qt::Key_Left, Qt::AltModifier);
  ASSERT_TRUE(WaitUntil([&] { return Window()->windowTitle() == title(0); }));
  EXPECT_EQ(m_core->List().FocusedRow(), 0);
  // Before the first row there is none: the window stays on it.
  QTest::keyClick(Window(), Qt::Key_Left, Qt::AltModifier);
  ui::testing::DrainEvents();
  EXPECT_EQ(Window()->windowTitle(), title(0));
}

// Comparing copies by ear: Alt+Down plays the next member of the group from the same second,
// and comes round to the first member after the last.
TEST_F(Player, AltDownPlaysTheNextCopyFromTheSamePosition) {
  OpenWindow({}, "[PlayerVolume]\nVolume=255\n");
  const std::string first = Pcm(6, 0);
  const std::string second = Pcm(6, 30000);
  LoadRows({{Write(QStringLiteral("first.wav"), Wav(first)), 1},
            {Write(QStringLiteral("other.wav"), Wav(Pcm(6, 500))), 2},
            {Write(QStringLiteral("second.wav"), Wav(second)), 1}});
  const auto rowOf = [this](const char16_t* name) {
    for (size_t i = 0; i < m_core->List().RowCount(); ++i) {
      if (m_core->List().RowAt(i).Name() == name) return static_cast<int64_t>(i);
    }
    return int64_t{-1};
  };
  PlayRow(static_cast<size_t>(rowOf(u"first.wav")));
  ASSERT_TRUE(WaitForState(PlayState::kEnded));
  ASSERT_TRUE(WaitForBytes(first.size()));
  ASSERT_TRUE(PlayTo(3));
  const size_t before = Captured().size();
  QTest::keyClick(Window(), Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(WaitUntil([this] { return Window()->windowTitle() == QStringLiteral("second.wav"); }));
  EXPECT_EQ(m_core->List().FocusedRow(), rowOf(u"second.wav")) << "the row of the other group is passed over";
  ASSERT_TRUE(WaitForBytes(before + 2000));
  EXPECT_EQ(Captured().substr(before, 2000), second.substr(3 * kRate * 2, 2000));
  QTest::keyClick(Window(), Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(WaitUntil([this] { return Window()->windowTitle() == QStringLiteral("first.wav"); }));
  // Alt+Up goes the other way round.
  QTest::keyClick(Window(), Qt::Key_Up, Qt::AltModifier);
  ASSERT_TRUE(WaitUntil([this] { return Window()->windowTitle() == QStringLiteral("second.wav"); }));
}

// --- Closing ----------------------------------------------------------------------------------

TEST_F(Player, ClosingThePlayerWindowWhilePlayingStopsAndStoresItsPlace) {
  OpenWindow();
  Search();
  PlayRow(0);
  ASSERT_TRUE(WaitForPlaying());
  Window()->resize(420, 330);
  QTest::keyClick(Window(), Qt::Key_Escape);
  ASSERT_TRUE(WaitUntil([this] { return Window() == nullptr; }));
  ASSERT_TRUE(WaitUntil([this] { return !m_capture->IsOpen(); })) << "the output is still playing";
  const settings::WindowPlacement stored = settings::ReadPlacement(*m_store, PlayerWindow::kPlacementSection, 0, 0);
  EXPECT_EQ(stored.width, 420);
  EXPECT_EQ(stored.height, 330);
  // Play again at once after a close: the closing window, going later, leaves the new one playing.
  PlayRow(0);
  ASSERT_TRUE(WaitForPlaying());
  PlayerWindow* closing = Window();
  closing->close();
  PlayRow(1);
  EXPECT_NE(Window(), closing);
  ASSERT_TRUE(WaitForPlaying());
  ASSERT_TRUE(WaitUntil([this] { return m_window->findChildren<PlayerWindow*>().size() == 1; }));
  ui::testing::DrainEvents();
  EXPECT_TRUE(m_capture->IsOpen());
  EXPECT_NE(Control()->State(), PlayState::kStopped);
}

TEST_F(Player, ClosingTheProgramWhilePlayingEndsThePlayerAndSavesItsPlace) {
  OpenWindow();
  Search();
  PlayRow(0);
  ASSERT_TRUE(WaitForPlaying());
  ASSERT_TRUE(m_window->close());
  // The window and the player thread go; nothing waits for ever.
  m_window.reset();
  QFile file(SettingsPath());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray text = file.readAll();
  EXPECT_TRUE(text.contains("[Player]")) << text.toStdString();
}

// --- What cannot be played --------------------------------------------------------------------

struct Unplayable {
  const char* name;
  std::string bytes;
  bool executable;
  bool handedOver;  // to the desktop's program (audio the program knows)
  int notice;       // catalogue text the notice begins with
};
void PrintTo(const Unplayable& c, std::ostream* os) { *os << c.name; }

std::string Script(const QString& marker) {
  std::string text = "#!/bin/sh\ntouch '" + marker.toStdString() + "'\n";
  while (text.size() < 4096) text += "# padding\n";
  return text;
}

class PlayerFallback : public Player, public ::testing::WithParamInterface<Unplayable> {};

TEST_P(PlayerFallback, SaysWhyInTheWindowAndExecutesNothing) {
  const Unplayable& file = GetParam();
  OpenWindow();
  const QString marker = m_scratch.Path(QStringLiteral("ran"));
  const std::string bytes = file.bytes.empty() ? Script(marker) : file.bytes;
  const QString path = Write(QString::fromUtf8(file.name), bytes);
  if (file.executable) QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
  LoadRows({{path, 1}});
  PlayRow(0);
  ASSERT_TRUE(WaitForContent(PlayerWindow::Content::kProblem));
  const QString notice = Window()->Notice();
  const QString expected = ui::Text(file.notice);
  EXPECT_TRUE(notice.startsWith(expected.left(expected.indexOf(QLatin1Char('%'))))) << notice.toStdString();
  EXPECT_FALSE(Control()->ButtonOf(PlayerControl::kPlay)->isEnabled());
  if (file.handedOver) {
    ASSERT_EQ(m_opened.size(), 1u);
    EXPECT_EQ(m_opened.front(), ui::FileUrl(ui::ToU16(path)));
    EXPECT_TRUE(notice.endsWith(ui::Text(12516))) << notice.toStdString();
  } else {
    EXPECT_TRUE(m_opened.empty()) << m_opened.front().toString().toStdString();
  }
  EXPECT_FALSE(QFile::exists(marker)) << "something was executed";
}

INSTANTIATE_TEST_SUITE_P(
    Files, PlayerFallback,
    ::testing::Values(Unplayable{"tool.sh", {}, true, false, 12519},
                      Unplayable{"tool", "\x7F" "ELF" + std::string(4096, '\x01'), true, false, 12519},
                      Unplayable{"fake.avi", "RIFF" + std::string(4096, 'x'), false, false, 12511},
                      Unplayable{"broken.mp3", std::string(4096, 'x'), false, true, 12511},
                      Unplayable{"tiny.mp3", std::string(1024, 'x'), false, true, 12518}),
    [](const ::testing::TestParamInfo<Unplayable>& info) {
      std::string name = info.param.name;
      for (char& c : name) if (c == '.') c = '_';
      return name;
    });

TEST_F(Player, MissingFileIsSaidInWordsAndNotHandedOver) {
  OpenWindow();
  const QString path = m_scratch.Path(QStringLiteral("gone.mp3"));
  LoadRows({{path, 1}});
  PlayRow(0);
  ASSERT_TRUE(WaitForContent(PlayerWindow::Content::kProblem));
  EXPECT_EQ(Window()->Notice(), ui::Text(12510));
  EXPECT_TRUE(m_opened.empty());
}

TEST_F(Player, FileDeletedWhilePlayingIsSaidInWords) {
  OpenWindow();
  const QString path = Write(QStringLiteral("song.wav"), Wav(Pcm(6, 0)));
  LoadRows({{path, 1}});
  PlayRow(0);
  ASSERT_TRUE(WaitForState(PlayState::kEnded));
  ASSERT_TRUE(QFile::remove(path));
  ASSERT_TRUE(WaitUntil([this] { return Window()->Notice() == ui::Text(12514); }));
  // It played on from what was open; played again, the file is not there any more.
  Control()->ButtonOf(PlayerControl::kStop)->click();
  ASSERT_TRUE(WaitForState(PlayState::kStopped));
  Control()->ButtonOf(PlayerControl::kPlay)->click();
  ASSERT_TRUE(WaitUntil([this] { return Window()->Notice() == ui::Text(12510); }));
  EXPECT_EQ(Control()->State(), PlayState::kStopped);
}

TEST_F(Player, NoSoundDeviceIsSaidInWords) {
  m_noDevice = true;
  OpenWindow();
  Search();
  PlayRow(0);
  ASSERT_TRUE(WaitUntil([this] { return !Window()->Notice().isEmpty(); }));
  EXPECT_EQ(Window()->Notice(), ui::FormattedText(12512, QStringLiteral("no sound output device")));
  EXPECT_EQ(Control()->State(), PlayState::kStopped);
  EXPECT_TRUE(m_window->RunCommand(106)) << "the main window goes on";
}

// Other media (here a video the audio decoders refuse) play in the window through Qt Multimedia.
TEST_F(Player, OtherMediaPlayInTheWindow) {
  OpenWindow();
  const QString path = m_scratch.Path(QStringLiteral("clip.m4v"));
  ASSERT_TRUE(QFile::copy(QStringLiteral(TARNQ_TESTDATA) + QStringLiteral("video-clip.m4v"), path));
  LoadRows({{path, 1}});
  PlayRow(0);
  ASSERT_TRUE(WaitForContent(PlayerWindow::Content::kMedia)) << Window()->Notice().toStdString();
  EXPECT_TRUE(m_opened.empty());
  EXPECT_EQ(Window()->windowTitle(), QStringLiteral("clip.m4v"));
}

}  // namespace
}  // namespace tarnq::app
