// SPDX-License-Identifier: GPL-3.0-or-later
// Other media in the player window: a file the player's decoders do not take (a video, an AIFF
// or MIDI file, Opus) played by Qt Multimedia, with a picture, Play/Pause, Stop, a seek bar and
// a volume bar. Opening is asynchronous: `opened` or `failed` follows from the event loop. The
// picture is painted by the widget itself from the frames Qt Multimedia hands over, so it needs no
// window of its own and shows in a grab of the window too.
#pragma once

#include <QUrl>
#include <QWidget>

class QAudioOutput;
class QMediaPlayer;
class QSlider;
class QToolButton;

namespace tarnq::ui {

class VideoPicture;

class MediaView final : public QWidget {
  Q_OBJECT
 public:
  // Without `withSound` the media plays silently (the scripted mode and the tests).
  explicit MediaView(bool withSound, QWidget* parent = nullptr);
  ~MediaView() override;

  void Open(const QUrl& url);
  // Stops and lets go of the file.
  void Close();
  void TogglePause();
  // The volume 0-255, as the player's volume bar has it.
  void SetVolume(int volume);

  QMediaPlayer* Media() const { return m_media; }
  bool HasVideo() const;
  // The picture's own size (empty for sound only).
  QSize NaturalSize() const;
  QToolButton* PlayButton() const { return m_play; }
  QSlider* SeekBar() const { return m_seekBar; }

 signals:
  void opened();
  void failed(const QString& reason);
  void volumeChanged(int volume);

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void Retranslate();
  void ShowPlaying(bool playing);

  QMediaPlayer* m_media = nullptr;
  QAudioOutput* m_audio = nullptr;
  VideoPicture* m_video = nullptr;
  QToolButton* m_play = nullptr;
  QToolButton* m_stop = nullptr;
  QSlider* m_seekBar = nullptr;
  QSlider* m_volumeBar = nullptr;
  bool m_answered = true;  // opened or failed was told for the current file
};

}  // namespace tarnq::ui
