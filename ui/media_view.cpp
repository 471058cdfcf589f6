// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/media_view.h"

#include <QAudioOutput>
#include <QEvent>
#include <QHBoxLayout>
#include <QMediaMetaData>
#include <QMediaPlayer>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <QPainter>
#include <QVBoxLayout>
#include <QVideoFrame>
#include <QVideoSink>

#include <algorithm>

#include "player/pcm.h"
#include "ui/player_control.h"
#include "ui/qt_text.h"

namespace tarnq::ui {
namespace {

constexpr int kPlayText = 1153;
constexpr int kPauseText = 1155;
constexpr int kStopText = 1154;
constexpr int kSeekingBarText = 1151;
constexpr int kVolumeBarText = 1152;
constexpr int kSeekScale = 1000;

}  // namespace

// The video's frames, scaled to the widget with their proportions kept, on black.
class VideoPicture final : public QWidget {
 public:
  explicit VideoPicture(QWidget* parent) : QWidget(parent), m_sink(new QVideoSink(this)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    connect(m_sink, &QVideoSink::videoFrameChanged, this, [this](const QVideoFrame& frame) {
      m_frame = frame.isValid() ? frame.toImage() : QImage();
      update();
    });
  }
  QVideoSink* Sink() const { return m_sink; }
  void Clear() {
    m_frame = QImage();
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (m_frame.isNull()) return;
    QSize size = m_frame.size();
    size.scale(this->size(), Qt::KeepAspectRatio);
    QRect target(QPoint(0, 0), size);
    target.moveCenter(rect().center());
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(target, m_frame);
  }

 private:
  QVideoSink* m_sink;
  QImage m_frame;
};

MediaView::MediaView(bool withSound, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("MediaView"));
  m_media = new QMediaPlayer(this);
  if (withSound) {
    m_audio = new QAudioOutput(this);
    m_media->setAudioOutput(m_audio);
  }
  m_video = new VideoPicture(this);
  m_media->setVideoSink(m_video->Sink());

  m_play = new QToolButton(this);
  m_play->setObjectName(QStringLiteral("MediaPlay"));
  m_play->setAutoRaise(true);
  m_play->setFocusPolicy(Qt::StrongFocus);
  connect(m_play, &QToolButton::clicked, this, &MediaView::TogglePause);
  m_stop = new QToolButton(this);
  m_stop->setObjectName(QStringLiteral("MediaStop"));
  m_stop->setIcon(TransportIcon(PlayerControl::kStop, palette()));
  m_stop->setAutoRaise(true);
  m_stop->setFocusPolicy(Qt::StrongFocus);
  connect(m_stop, &QToolButton::clicked, m_media, &QMediaPlayer::stop);

  m_seekBar = new QSlider(Qt::Horizontal, this);
  m_seekBar->setObjectName(QStringLiteral("MediaSeekBar"));
  m_seekBar->setRange(0, kSeekScale);
  m_seekBar->setPageStep(kSeekScale / 20);
  m_seekBar->setFocusPolicy(Qt::StrongFocus);
  connect(m_seekBar, &QSlider::actionTriggered, this, [this] {
    if (m_seekBar->isSliderDown() || m_media->duration() <= 0) return;
    m_media->setPosition(m_media->duration() * m_seekBar->sliderPosition() / kSeekScale);
  });
  connect(m_seekBar, &QSlider::sliderReleased, this, [this] {
    if (m_media->duration() > 0) m_media->setPosition(m_media->duration() * m_seekBar->value() / kSeekScale);
  });

  m_volumeBar = new QSlider(Qt::Horizontal, this);
  m_volumeBar->setObjectName(QStringLiteral("MediaVolumeBar"));
  m_volumeBar->setRange(0, player::kUnityVolume);
  m_volumeBar->setPageStep(32);
  m_volumeBar->setFocusPolicy(Qt::StrongFocus);
  m_volumeBar->setEnabled(m_audio != nullptr);
  connect(m_volumeBar, &QSlider::valueChanged, this, [this](int value) {
    if (m_audio != nullptr) m_audio->setVolume(static_cast<float>(value) / player::kUnityVolume);
    emit volumeChanged(value);
  });
  SetVolume(player::kDefaultVolume);

  auto* controls = new QHBoxLayout;
  controls->setContentsMargins(0, 0, 0, 0);
  controls->setSpacing(0);
  controls->addWidget(m_play);
  controls->addWidget(m_stop);
  controls->addSpacing(fontMetrics().averageCharWidth());
  controls->addWidget(m_volumeBar, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(m_video, 1);
  layout->addWidget(m_seekBar);
  layout->addLayout(controls);
  setTabOrder(m_seekBar, m_play);
  setTabOrder(m_play, m_stop);
  setTabOrder(m_stop, m_volumeBar);

  connect(m_media, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
    if (m_answered) return;
    if (status == QMediaPlayer::LoadedMedia || status == QMediaPlayer::BufferedMedia) {
      m_answered = true;
      m_media->play();
      emit opened();
    } else if (status == QMediaPlayer::InvalidMedia) {
      m_answered = true;
      emit failed(m_media->errorString());
    }
  });
  connect(m_media, &QMediaPlayer::errorOccurred, this, [this](QMediaPlayer::Error, const QString& text) {
    if (m_answered) return;
    m_answered = true;
    emit failed(text);
  });
  connect(m_media, &QMediaPlayer::playbackStateChanged, this,
          [this](QMediaPlayer::PlaybackState state) { ShowPlaying(state == QMediaPlayer::PlayingState); });
  connect(m_media, &QMediaPlayer::positionChanged, this, [this](qint64 position) {
    const qint64 duration = m_media->duration();
    if (m_seekBar->isSliderDown() || duration <= 0) return;
    const QSignalBlocker blocker(m_seekBar);
    m_seekBar->setValue(static_cast<int>(std::clamp<qint64>(position * kSeekScale / duration, 0, kSeekScale)));
  });
  ShowPlaying(false);
  Retranslate();
}

MediaView::~MediaView() { m_media->stop(); }

void MediaView::Open(const QUrl& url) {
  m_answered = false;
  {
    const QSignalBlocker blocker(m_seekBar);
    m_seekBar->setValue(0);
  }
  m_media->setSource(url);
}

void MediaView::Close() {
  m_answered = true;
  m_media->stop();
  m_media->setSource(QUrl());
  m_video->Clear();
}

void MediaView::TogglePause() {
  if (m_media->playbackState() == QMediaPlayer::PlayingState) m_media->pause();
  else m_media->play();
}

void MediaView::SetVolume(int volume) { m_volumeBar->setValue(std::clamp(volume, 0, player::kUnityVolume)); }

bool MediaView::HasVideo() const { return m_media->hasVideo(); }

QSize MediaView::NaturalSize() const {
  if (!m_media->hasVideo()) return {};
  return m_media->metaData().value(QMediaMetaData::Resolution).toSize();
}

void MediaView::ShowPlaying(bool playing) {
  m_play->setIcon(TransportIcon(playing ? PlayerControl::kPause : PlayerControl::kPlay, palette()));
  const QString text = ShortText(playing ? kPauseText : kPlayText);
  m_play->setToolTip(text);
  m_play->setAccessibleName(text);
}

void MediaView::Retranslate() {
  const auto tip = [](QWidget* widget, int id) {
    const QString text = ShortText(id);
    widget->setToolTip(text);
    widget->setAccessibleName(text);
  };
  tip(m_stop, kStopText);
  tip(m_seekBar, kSeekingBarText);
  tip(m_volumeBar, kVolumeBarText);
  ShowPlaying(m_media->playbackState() == QMediaPlayer::PlayingState);
}

void MediaView::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) Retranslate();
  QWidget::changeEvent(event);
}

}  // namespace tarnq::ui
