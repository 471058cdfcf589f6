// SPDX-License-Identifier: GPL-3.0-or-later
// The player control: the display, the seek bar, the buttons Rew, Play, Pause, Stop and FF, and
// the volume bar, driving the player thread. It is the player's owner while it exists: the
// player's notifications reach it through the core's dispatcher (Post), on the user-interface
// thread; it never waits for the player thread.
#pragma once

#include <QIcon>
#include <QPalette>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "player/player.h"

class QSlider;
class QToolButton;

namespace tarnq::platform {
class UiDispatcher;
}

namespace tarnq::ui {

class PlayerDisplay;

// The picture of a transport button (PlayerControl::Button), drawn in the palette's button text
// colour, so that it shows in the light and the dark theme alike; faded when disabled.
QIcon TransportIcon(int button, const QPalette& palette);

class PlayerControl final : public QWidget {
  Q_OBJECT
 public:
  // The buttons, by the identifiers of their texts.
  enum Button : int { kRew = 1156, kPlay = 1153, kPause = 1155, kStop = 1154, kFF = 1157 };

  // `player` must outlive the control.
  PlayerControl(player::Player& player, platform::UiDispatcher& dispatcher, QWidget* parent = nullptr);
  // Gives up the player and stops it, unless Release did.
  ~PlayerControl() override;
  // Gives up the player and stops it now (a closing window: a new one may take the player before
  // this control is gone).
  void Release();

  // The player has loaded `path`: shows it and plays it, from `startSeconds` when given (another
  // copy taking over the position; past its end it plays from the start).
  void Start(const std::u16string& path, std::optional<int64_t> startSeconds = {});
  // Nothing of `path` can be played: its name and `reason`; the buttons are disabled.
  void ShowProblem(const std::u16string& path, const QString& reason);
  // A line in words under the file's details (empty removes it).
  void SetNotice(const QString& text);

  // As a click on the button.
  void Press(int button);
  // Space: pauses or resumes.
  void TogglePause();
  // Moves the volume bar and sets the player's volume (0-255).
  void SetVolume(int volume);
  int Volume() const;

  player::PlayState State() const { return m_state; }
  int64_t Position() const { return m_position; }
  const std::u16string& Path() const { return m_path; }
  bool HasFile() const { return m_loaded; }
  QToolButton* ButtonOf(int button) const;
  QSlider* SeekBar() const { return m_seekBar; }
  QSlider* VolumeBar() const { return m_volumeBar; }
  PlayerDisplay* Display() const { return m_display; }

  // The user moved the volume bar (to remember it).
  std::function<void(int volume)> onVolumeChanged;

 signals:
  // A state notification of the player arrived (a PlayState code).
  void stateChanged(int state);

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void Hear(const player::PlayerNotification& n);
  void HearStopped(const player::PlayerNotification& n);
  void SeekBarAction();
  void SeekBy(int delta);
  void EnableButtons();
  void Retranslate();
  void PaintIcons();
  // Playing, or playing out the last data the decoder delivered.
  bool Playing() const { return m_state == player::PlayState::kPlaying || m_state == player::PlayState::kEnded; }
  bool Paused() const { return m_state == player::PlayState::kPaused; }

  player::Player& m_player;
  std::shared_ptr<player::PlayerOwner> m_owner;
  PlayerDisplay* m_display = nullptr;
  QSlider* m_seekBar = nullptr;
  QSlider* m_volumeBar = nullptr;
  QToolButton* m_rew = nullptr;
  QToolButton* m_play = nullptr;
  QToolButton* m_pause = nullptr;
  QToolButton* m_stop = nullptr;
  QToolButton* m_ff = nullptr;

  std::u16string m_path;
  player::PlayState m_state = player::PlayState::kStopped;
  int64_t m_position = 0;
  bool m_seekable = false;
  bool m_loaded = false;
  bool m_released = false;
  std::optional<int64_t> m_pendingStart;  // played once the file's length is known
};

}  // namespace tarnq::ui
