// SPDX-License-Identifier: GPL-3.0-or-later
// The player window ("Player"): a small top-level window that shows one file. It hosts the player
// control when the player's decoders take the file, Qt Multimedia for other media (video, AIFF,
// MIDI, Opus ...), and otherwise the file's name and, in words, why it cannot be played. Files
// dropped onto it are shown in its place. One window is reused for every file.
#pragma once

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QFileSystemWatcher;
class QStackedLayout;

namespace tarnq::player {
class Player;
}
namespace tarnq::platform {
class UiDispatcher;
}
namespace tarnq::settings {
class SettingsStore;
}

namespace tarnq::ui {

class MediaView;
class PlayerControl;

// Alt with an arrow key in the player window: another row of the list, or another copy.
enum class PlayerStep { kNextRow, kPreviousRow, kNextInGroup, kPreviousInGroup };

// What the desktop's program made of a file handed to it.
struct HandOver {
  bool tried = false;  // the file was one the program may hand over
  QString error;       // empty: the desktop's program has it
};

class PlayerWindow final : public QWidget {
  Q_OBJECT
 public:
  enum class Content { kNone, kPlayer, kMedia, kProblem };

  struct Host {
    player::Player* player = nullptr;           // outlives the window
    platform::UiDispatcher* dispatcher = nullptr;  // the player's notifications come through it
    settings::SettingsStore* settings = nullptr;   // placement and volume
    bool mediaSound = true;                        // other media play with sound
    // A file nothing here can show goes to the desktop's program (the host decides which may).
    std::function<HandOver(const std::u16string& path)> handOver;
    // Alt with an arrow key.
    std::function<void(PlayerStep step)> step;
  };

  struct Request {
    std::optional<int64_t> startSeconds;  // another copy takes over the position
    bool mayHandOver = false;             // Play: a file nothing here shows goes to the desktop
  };

  explicit PlayerWindow(Host host, QWidget* parent = nullptr);
  ~PlayerWindow() override;

  // Shows `path`: the player control when the player takes it, else other media, else the reason.
  // The choice for media is made later; `contentChosen` tells when it is made.
  void Open(const std::u16string& path, const Request& request);
  void Open(const std::u16string& path);
  // Dropped files: the first the player takes, else the first that looks like other media, else
  // the first file with the reason it cannot be shown.
  void OpenFirstOf(const std::vector<std::u16string>& paths);

  Content CurrentContent() const { return m_content; }
  const std::u16string& Path() const { return m_path; }
  PlayerControl* Control() const { return m_control; }
  // Null until a file was tried as other media.
  MediaView* Media() const { return m_media; }
  // The notice in words under the file, whichever content shows.
  QString Notice() const;
  // Every text again from the catalogue chosen now.
  void Retranslate();
  // Closed (and about to go): the next file needs a new window.
  bool IsClosed() const { return m_closed; }

  // Where the window's settings live.
  static constexpr const char* kPlacementSection = "Player";
  static constexpr const char* kVolumeSection = "PlayerVolume";
  static constexpr const char* kVolumeKey = "Volume";

 signals:
  // The content of the last Open is chosen (at once, or when the media answered).
  void contentChosen(int content);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void Show(const std::vector<std::u16string>& paths, const Request& request);
  MediaView* EnsureMedia();
  void TryMedia(const std::u16string& path, const Request& request);
  void FitToMedia();
  void ShowNothing(const std::u16string& path, const Request& request, const QString& reason);
  void ShowControl();
  void Choose(Content content);
  void Watch(const std::u16string& path);
  void FileChanged();
  void StorePlacement();
  void RestorePlayerSize();
  void SetTitle(const std::u16string& path);

  Host m_host;
  QStackedLayout* m_stack = nullptr;
  PlayerControl* m_control = nullptr;
  MediaView* m_media = nullptr;
  QFileSystemWatcher* m_watcher = nullptr;
  QPointer<QObject> m_attempt;  // the connections waiting for the media's answer
  std::u16string m_path;
  Content m_content = Content::kNone;
  uint64_t m_generation = 0;  // of the last Open: a late media answer for an older one is dropped
  QSize m_playerSize;         // the stored size the player control shows in
  bool m_closed = false;
};

}  // namespace tarnq::ui
