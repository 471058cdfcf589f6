// SPDX-License-Identifier: GPL-3.0-or-later
// Play: the player window on the list's current file, its steps to the next row or to another copy
// of the same song, and the scripted mode's picture of it.
#include <QApplication>
#include <QMediaPlayer>
#include <QTimer>

#include <cstdio>

#include "app/main_window.h"
#include "lang/command_id.h"
#include "player/capture_output.h"
#include "player/device_output.h"
#include "player/player.h"
#include "ui/media_view.h"
#include "ui/player_control.h"
#include "ui/player_display.h"
#include "ui/qt_text.h"
#include "ui/result_view.h"

namespace tarnq::app {

using lang::CommandId;
using ui::ToQString;

namespace {

// The scripted mode pictures the player window after this much of the file on the capture's clock.
constexpr uint32_t kScriptPictureSeconds = 1;
// ... and gives up when the file has not got there after this many ticks of its timer (a broken
// file or decoder must not keep the program waiting for ever).
constexpr int kScriptTickMilliseconds = 10;
constexpr int kScriptMaxTicks = 3000;

}  // namespace

bool MainWindow::RunPlayerCommand(int id) {
  if (static_cast<CommandId>(id) != CommandId::kPlay) return false;
  PlayFocusedRow();
  return true;
}

player::Player& MainWindow::AudioPlayer() {
  if (!m_player) {
    m_audioOutput = makeAudioOutput ? makeAudioOutput() : nullptr;
    if (!m_audioOutput) m_audioOutput = std::make_unique<player::DeviceOutput>();
    m_player = player::MakeProgramPlayer(*m_audioOutput);
  }
  return *m_player;
}

ui::PlayerWindow* MainWindow::EnsurePlayerWindow() {
  // A window that was closed goes by itself; the file opens in a new one.
  if (m_playerWindow && m_playerWindow->IsClosed()) m_playerWindow = nullptr;
  if (!m_playerWindow) {
    ui::PlayerWindow::Host host;
    host.player = &AudioPlayer();
    host.dispatcher = &m_core.Dispatcher();
    host.settings = &m_core.Settings();
    // The scripted mode makes no sound; other media play silently there.
    host.mediaSound = !m_options.scripted;
    host.handOver = [this](const std::u16string& path) { return HandToDesktop(path); };
    host.step = [this](ui::PlayerStep step) { StepPlayer(step); };
    m_playerWindow = new ui::PlayerWindow(std::move(host), this);
  }
  return m_playerWindow;
}

void MainWindow::ClosePlayer() {
  if (m_playerWindow && !m_playerWindow->IsClosed()) m_playerWindow->close();
}

void MainWindow::PlayFocusedRow() {
  const results::ResultList& list = m_core.List();
  int64_t row = list.FocusedRow();
  if (row < 0 || static_cast<size_t>(row) >= list.RowCount()) {
    row = -1;
    for (size_t i = 0; i < list.RowCount() && row < 0; ++i) {
      if (list.SelectedRowAt(i)) row = static_cast<int64_t>(i);
    }
  }
  if (row < 0) {
    QApplication::beep();
    return;
  }
  ui::PlayerWindow::Request request;
  request.mayHandOver = true;
  OpenInPlayer(static_cast<size_t>(row), request);
}

void MainWindow::OpenInPlayer(size_t row, const ui::PlayerWindow::Request& request) {
  const std::u16string path = m_core.List().FullPathAt(row);
  ui::PlayerWindow* window = EnsurePlayerWindow();
  m_playerRow = static_cast<int64_t>(row);
  window->Open(path, request);
  if (!window->isVisible()) window->show();
  window->raise();
  window->activateWindow();
}

int64_t MainWindow::PlayerRow() const {
  const results::ResultList& list = m_core.List();
  if (!m_playerWindow) return -1;
  const std::u16string& path = m_playerWindow->Path();
  // The row it came from, unless the list changed since; then wherever the file is now.
  if (m_playerRow >= 0 && static_cast<size_t>(m_playerRow) < list.RowCount() &&
      list.FullPathAt(static_cast<size_t>(m_playerRow)) == path) {
    return m_playerRow;
  }
  for (size_t i = 0; i < list.RowCount(); ++i) {
    if (list.FullPathAt(i) == path) return static_cast<int64_t>(i);
  }
  return -1;
}

void MainWindow::StepPlayer(ui::PlayerStep step) {
  const results::ResultList& list = m_core.List();
  const auto count = static_cast<int64_t>(list.RowCount());
  if (!m_playerWindow || count == 0) {
    QApplication::beep();
    return;
  }
  // From the file that plays; a file that is not in the list (dropped) steps from the list's focus.
  int64_t base = PlayerRow();
  if (base < 0) base = list.FocusedRow();
  int64_t target = -1;
  std::optional<int64_t> startSeconds;
  switch (step) {
    case ui::PlayerStep::kNextRow: target = base + 1 < count ? base + 1 : -1; break;
    case ui::PlayerStep::kPreviousRow: target = base > 0 ? base - 1 : -1; break;
    case ui::PlayerStep::kNextInGroup:
    case ui::PlayerStep::kPreviousInGroup: {
      if (base < 0) break;
      // The members of a group follow one another; the search goes round, so that Alt+Down
      // after the last copy comes back to the first.
      const uint32_t group = list.RowAt(static_cast<size_t>(base)).Group();
      if (group == 0) break;
      const int64_t direction = step == ui::PlayerStep::kNextInGroup ? 1 : -1;
      for (int64_t k = 1; k < count && target < 0; ++k) {
        const int64_t row = ((base + direction * k) % count + count) % count;
        if (list.RowAt(static_cast<size_t>(row)).Group() == group) target = row;
      }
      // The other copy takes over where this one is, to be compared by ear.
      if (const ui::PlayerControl* control = m_playerWindow->Control();
          m_playerWindow->CurrentContent() == ui::PlayerWindow::Content::kPlayer && control != nullptr) {
        startSeconds = control->Position();
      }
      break;
    }
  }
  if (target < 0) {
    QApplication::beep();
    return;
  }
  m_core.List().SetFocusedRow(target);
  m_view->FollowFocusedRow();
  ui::PlayerWindow::Request request;
  request.startSeconds = startSeconds;
  OpenInPlayer(static_cast<size_t>(target), request);
}

// --- The scripted mode: tarnq --play FILE --screenshot PICTURE --quit ---------------------------

void MainWindow::StartPlayScript() {
  // Always the capture: the picture is taken on its clock, and nothing is heard.
  auto capture = std::make_unique<player::CaptureOutput>(player::CaptureOutput::Clock::kManual);
  m_scriptCapture = capture.get();
  auto holder = std::make_shared<std::unique_ptr<player::CaptureOutput>>(std::move(capture));
  makeAudioOutput = [holder]() -> std::unique_ptr<player::WaveOutput> { return std::move(*holder); };
  ui::PlayerWindow* window = EnsurePlayerWindow();
  connect(window, &ui::PlayerWindow::contentChosen, this, [this](int content) {
    if (!m_scriptRunning) return;
    if (content == static_cast<int>(ui::PlayerWindow::Content::kProblem)) {
      const QString notice = m_playerWindow ? m_playerWindow->Notice() : QString();
      std::fprintf(stderr, "tarnq: %s: %s\n", ToQString(m_options.playPath).toUtf8().constData(),
                   QString(notice).replace(QLatin1Char('\n'), QLatin1Char(' ')).toUtf8().constData());
      QTimer::singleShot(0, this, [this] { FinishScript(1); });
      return;
    }
    m_scriptTicks = 0;
    m_scriptPlayed = false;
    if (m_scriptClock == nullptr) {
      m_scriptClock = new QTimer(this);
      m_scriptClock->setInterval(kScriptTickMilliseconds);
      connect(m_scriptClock, &QTimer::timeout, this, &MainWindow::WatchPlayScript);
    }
    m_scriptClock->start();
  });
  m_playerRow = -1;
  window->Open(m_options.playPath);
  window->show();
  window->raise();
}

void MainWindow::WatchPlayScript() {
  if (!m_scriptRunning || !m_playerWindow) return;
  const auto fail = [this](const QString& why) {
    std::fprintf(stderr, "tarnq: %s: %s\n", ToQString(m_options.playPath).toUtf8().constData(), why.toUtf8().constData());
    FinishScript(1);
  };
  if (++m_scriptTicks > kScriptMaxTicks) {
    fail(QStringLiteral("it did not play to %1 s").arg(kScriptPictureSeconds));
    return;
  }
  if (m_playerWindow->CurrentContent() == ui::PlayerWindow::Content::kMedia) {
    // Other media play on their own clock.
    const QMediaPlayer* media = m_playerWindow->Media()->Media();
    if (media->position() >= kScriptPictureSeconds * 1000 || media->mediaStatus() == QMediaPlayer::EndOfMedia) {
      FinishScript(0);
    }
    return;
  }
  const ui::PlayerControl* control = m_playerWindow->Control();
  const player::PlayState state = control->State();
  if (state == player::PlayState::kPlaying || state == player::PlayState::kEnded) m_scriptPlayed = true;
  if (state == player::PlayState::kStopped && m_scriptPlayed) {
    // A file shorter than the picture's time played to its end.
    FinishScript(0);
    return;
  }
  if (state == player::PlayState::kStopped && !m_playerWindow->Notice().isEmpty()) {
    fail(m_playerWindow->Notice());
    return;
  }
  if (control->Position() >= kScriptPictureSeconds) {
    FinishScript(0);
    return;
  }
  // The clock plays what is queued, up to the picture's time.
  const uint64_t rate = m_scriptCapture->Format().sampleRate;
  if (m_scriptCapture->IsOpen() && rate > 0) {
    const uint64_t wanted = rate * kScriptPictureSeconds;
    const uint64_t played = m_scriptCapture->Position();
    if (played < wanted) m_scriptCapture->Advance(wanted - played);
  }
}

}  // namespace tarnq::app
