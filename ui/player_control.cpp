// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/player_control.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPointer>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "analysis/name_rules.h"
#include "analysis/providers.h"
#include "platform/files.h"
#include "platform/threads.h"
#include "ui/player_display.h"
#include "ui/qt_text.h"

namespace tarnq::ui {
namespace {

constexpr int kSeekScale = 100;
constexpr int kSeekStep = 5;          // Rew and FF move by this much of the length
constexpr int kLastFFValue = 95;      // from here on FF only (re)starts playing
constexpr int kSeekingBarText = 1151;
constexpr int kVolumeBarText = 1152;
// What the display says when playing stopped for a reason of its own.
constexpr int kFileGoneText = 12510;
constexpr int kCannotPlayText = 12511;
constexpr int kNoDeviceText = 12512;
constexpr int kDeviceLostText = 12513;

// MPEG records keep the channel mode where the other formats keep the number of channels.
bool HoldsChannelMode(const std::u16string& path) {
  for (const analysis::BuiltinProvider& provider : analysis::kBuiltinProviders) {
    if (provider.formatCode == records::kFormatMpeg) return analysis::MatchesMaskList(path, provider.mask);
  }
  return false;
}

}  // namespace

QIcon TransportIcon(int button, const QPalette& palette) {
  QIcon icon;
  for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled}) {
    const QColor color = palette.color(mode == QIcon::Normal ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText);
    for (const int size : {16, 24, 32, 48}) {
      QPixmap pixmap(size, size);
      pixmap.fill(Qt::transparent);
      QPainter p(&pixmap);
      p.setRenderHint(QPainter::Antialiasing);
      p.setPen(Qt::NoPen);
      p.setBrush(mode == QIcon::Normal ? color : QColor(color.red(), color.green(), color.blue(), 110));
      const qreal s = size;
      const auto triangle = [&](qreal left, qreal right, bool pointsRight) {
        QPolygonF shape;
        if (pointsRight) shape << QPointF(left, s * 0.2) << QPointF(right, s * 0.5) << QPointF(left, s * 0.8);
        else shape << QPointF(right, s * 0.2) << QPointF(left, s * 0.5) << QPointF(right, s * 0.8);
        p.drawPolygon(shape);
      };
      switch (button) {
        case PlayerControl::kPlay: triangle(s * 0.28, s * 0.78, true); break;
        case PlayerControl::kPause:
          p.drawRect(QRectF(s * 0.25, s * 0.22, s * 0.17, s * 0.56));
          p.drawRect(QRectF(s * 0.58, s * 0.22, s * 0.17, s * 0.56));
          break;
        case PlayerControl::kStop: p.drawRect(QRectF(s * 0.25, s * 0.25, s * 0.5, s * 0.5)); break;
        case PlayerControl::kRew:
          triangle(s * 0.1, s * 0.5, false);
          triangle(s * 0.48, s * 0.88, false);
          break;
        case PlayerControl::kFF:
          triangle(s * 0.12, s * 0.52, true);
          triangle(s * 0.5, s * 0.9, true);
          break;
        default: break;
      }
      p.end();
      icon.addPixmap(pixmap, mode);
    }
  }
  return icon;
}

PlayerControl::PlayerControl(player::Player& player, platform::UiDispatcher& dispatcher, QWidget* parent)
    : QWidget(parent), m_player(player) {
  setObjectName(QStringLiteral("AP"));
  m_owner = std::make_shared<player::PlayerOwner>();
  m_owner->dispatcher = &dispatcher;
  QPointer<PlayerControl> self(this);
  m_owner->handler = [self](const player::PlayerNotification& n) {
    if (self) self->Hear(n);
  };

  m_display = new PlayerDisplay(this);

  m_seekBar = new QSlider(Qt::Horizontal, this);
  m_seekBar->setObjectName(QStringLiteral("SeekBar"));
  m_seekBar->setRange(0, kSeekScale);
  m_seekBar->setSingleStep(1);
  m_seekBar->setPageStep(10);
  m_seekBar->setFocusPolicy(Qt::StrongFocus);
  connect(m_seekBar, &QSlider::actionTriggered, this, [this] { SeekBarAction(); });
  connect(m_seekBar, &QSlider::sliderReleased, this, [this] { SeekBarAction(); });

  m_volumeBar = new QSlider(Qt::Horizontal, this);
  m_volumeBar->setObjectName(QStringLiteral("VolumeBar"));
  m_volumeBar->setRange(0, player::kUnityVolume);
  m_volumeBar->setSingleStep(4);
  m_volumeBar->setPageStep(32);
  m_volumeBar->setValue(player::kDefaultVolume);
  m_volumeBar->setFocusPolicy(Qt::StrongFocus);
  connect(m_volumeBar, &QSlider::valueChanged, this, [this](int value) {
    m_player.SetVolume(std::min(value, player::kUnityVolume));
    if (onVolumeChanged) onVolumeChanged(value);
  });

  auto makeButton = [this](int id) {
    auto* button = new QToolButton(this);
    button->setObjectName(QStringLiteral("Button%1").arg(id));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::StrongFocus);
    connect(button, &QToolButton::clicked, this, [this, id] { Press(id); });
    return button;
  };
  m_rew = makeButton(kRew);
  m_play = makeButton(kPlay);
  m_pause = makeButton(kPause);
  m_pause->setCheckable(true);
  m_stop = makeButton(kStop);
  m_ff = makeButton(kFF);
  PaintIcons();

  auto* controls = new QHBoxLayout;
  controls->setContentsMargins(0, 0, 0, 0);
  controls->setSpacing(0);
  for (QToolButton* button : {m_rew, m_play, m_pause, m_stop, m_ff}) controls->addWidget(button);
  controls->addSpacing(fontMetrics().averageCharWidth());
  controls->addWidget(m_volumeBar, 1);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(m_display, 1);
  layout->addWidget(m_seekBar);
  layout->addLayout(controls);

  // The keyboard goes the way the eye does: the seek bar, the buttons, the volume.
  setTabOrder(m_seekBar, m_rew);
  setTabOrder(m_rew, m_play);
  setTabOrder(m_play, m_pause);
  setTabOrder(m_pause, m_stop);
  setTabOrder(m_stop, m_ff);
  setTabOrder(m_ff, m_volumeBar);

  Retranslate();
  EnableButtons();
}

PlayerControl::~PlayerControl() { Release(); }

void PlayerControl::Release() {
  if (m_released) return;
  m_released = true;
  // The player goes on without an owner; nothing more is played for a window that goes.
  m_player.SetOwner(nullptr);
  m_player.Stop();
  m_loaded = false;
  m_pendingStart.reset();
}

void PlayerControl::Retranslate() {
  const auto tip = [](QWidget* widget, int id) {
    const QString text = ShortText(id);
    widget->setToolTip(text);
    widget->setAccessibleName(text);
  };
  tip(m_rew, kRew);
  tip(m_play, kPlay);
  tip(m_pause, kPause);
  tip(m_stop, kStop);
  tip(m_ff, kFF);
  tip(m_seekBar, kSeekingBarText);
  tip(m_volumeBar, kVolumeBarText);
}

void PlayerControl::PaintIcons() {
  for (const int id : {kRew, kPlay, kPause, kStop, kFF}) ButtonOf(id)->setIcon(TransportIcon(id, palette()));
}

void PlayerControl::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) Retranslate();
  if (event->type() == QEvent::PaletteChange) PaintIcons();
  QWidget::changeEvent(event);
}

QToolButton* PlayerControl::ButtonOf(int button) const {
  switch (button) {
    case kRew: return m_rew;
    case kPlay: return m_play;
    case kPause: return m_pause;
    case kStop: return m_stop;
    case kFF: return m_ff;
    default: return nullptr;
  }
}

void PlayerControl::Start(const std::u16string& path, std::optional<int64_t> startSeconds) {
  m_released = false;
  m_path = path;
  m_loaded = true;
  m_seekable = false;
  m_position = 0;
  m_state = player::PlayState::kStopped;
  m_display->SetName(PlayerFileName(path));
  m_display->setToolTip(ToQString(path));
  m_display->SetNotice({});
  {
    const QSignalBlocker blocker(m_seekBar);
    m_seekBar->setValue(0);
  }
  m_pause->setChecked(false);
  EnableButtons();
  // The same owner is taken again at once; a new player window's control takes over from here.
  m_player.SetOwner(m_owner);
  m_player.SetSeekScale(kSeekScale);
  m_player.SetVolume(Volume());
  m_pendingStart = startSeconds;
  m_player.RequestInfo();
  // With a start position, playing waits for the file's length (in its info).
  if (!m_pendingStart) m_player.Play();
}

void PlayerControl::ShowProblem(const std::u16string& path, const QString& reason) {
  m_path = path;
  m_loaded = false;
  m_seekable = false;
  m_position = 0;
  m_pendingStart.reset();
  m_state = player::PlayState::kStopped;
  m_display->SetName(PlayerFileName(path));
  m_display->setToolTip(ToQString(path));
  m_display->SetNotice(reason);
  {
    const QSignalBlocker blocker(m_seekBar);
    m_seekBar->setValue(0);
  }
  m_pause->setChecked(false);
  EnableButtons();
}

void PlayerControl::SetNotice(const QString& text) { m_display->SetNotice(text); }

void PlayerControl::EnableButtons() {
  for (QWidget* w : {static_cast<QWidget*>(m_play), static_cast<QWidget*>(m_pause), static_cast<QWidget*>(m_stop)}) {
    w->setEnabled(m_loaded);
  }
  // Files that cannot seek (and nothing loaded) keep the seek controls still.
  for (QWidget* w : {static_cast<QWidget*>(m_rew), static_cast<QWidget*>(m_ff), static_cast<QWidget*>(m_seekBar)}) {
    w->setEnabled(m_loaded && m_seekable);
  }
}

void PlayerControl::SetVolume(int volume) { m_volumeBar->setValue(std::clamp(volume, 0, player::kUnityVolume)); }

int PlayerControl::Volume() const { return std::min(m_volumeBar->value(), player::kUnityVolume); }

void PlayerControl::TogglePause() {
  if (m_loaded) Press(kPause);
}

void PlayerControl::Press(int button) {
  if (!m_loaded) return;
  switch (button) {
    case kPlay:
      m_pause->setChecked(false);
      if (!Playing()) m_player.Play();
      break;
    case kStop:
      m_player.Stop();
      m_pause->setChecked(false);
      break;
    case kPause:
      if (Paused()) {
        m_pause->setChecked(false);
        m_player.Play();
      } else {
        m_pause->setChecked(true);
        m_player.Pause();
      }
      break;
    case kRew:
      if (m_seekable) SeekBy(-kSeekStep);
      break;
    case kFF:
      if (!m_seekable) break;
      if (m_seekBar->value() < kLastFFValue) {
        SeekBy(kSeekStep);
      } else if (!Playing()) {
        m_pause->setChecked(false);
        m_player.Play();
      }
      break;
    default:
      break;
  }
}

void PlayerControl::SeekBy(int delta) {
  const int target = std::clamp(m_seekBar->value() + delta, 0, kSeekScale - 1);
  if (Playing()) {
    m_player.Seek(target, kSeekScale);
  } else if (Paused()) {
    m_player.Seek(target, kSeekScale);
    m_pause->setChecked(false);
    m_player.Play();
  } else {
    // Stopped: the file opens again there.
    m_player.Play(target, kSeekScale);
  }
}

void PlayerControl::SeekBarAction() {
  // While the thumb is dragged nothing happens; its release seeks.
  if (!m_loaded || !m_seekable || m_seekBar->isSliderDown()) return;
  const int value = m_seekBar->sliderPosition();
  if (value >= kSeekScale) return;
  if (Playing()) {
    m_player.Seek(value, kSeekScale);
  } else if (Paused()) {
    m_player.Seek(value, kSeekScale);
    m_pause->setChecked(false);
    m_player.Play();
  } else {
    m_player.Play(value, kSeekScale);
  }
}

void PlayerControl::Hear(const player::PlayerNotification& n) {
  using Kind = player::PlayerNotification::Kind;
  switch (n.kind) {
    case Kind::kState: {
      m_state = static_cast<player::PlayState>(n.value);
      switch (m_state) {
        case player::PlayState::kStopped: {
          const QSignalBlocker blocker(m_seekBar);
          m_seekBar->setValue(0);
          m_pause->setChecked(false);
          m_position = 0;
          m_display->SetPosition(0);
          HearStopped(n);
          break;
        }
        case player::PlayState::kPaused: m_pause->setChecked(true); break;
        case player::PlayState::kPlaying: m_pause->setChecked(false); break;
        case player::PlayState::kEnded: break;
      }
      emit stateChanged(static_cast<int>(n.value));
      break;
    }
    case Kind::kInfo: {
      // A file loaded since this was sent has its own info coming.
      if (n.info == nullptr || n.info->path != m_path || !m_loaded) break;
      m_seekable = n.seekable;
      m_display->SetFile(PlayerFileName(m_path), n.info->tag, HoldsChannelMode(m_path));
      EnableButtons();
      if (m_pendingStart) {
        const int64_t seconds = *m_pendingStart;
        m_pendingStart.reset();
        const player::InfoRecord& info = *n.info;
        if (seconds > 0 && m_seekable && info.lengthFrames > 0 && info.frameRate > 0 &&
            static_cast<uint64_t>(seconds) * info.frameRate < info.lengthFrames) {
          m_player.Play(seconds * info.frameRate, static_cast<int64_t>(info.lengthFrames));
        } else if (seconds > 0 && m_seekable && info.lengthFrames == 0 && seconds < info.tag.duration) {
          m_player.Play(seconds, info.tag.duration);
        } else {
          m_player.Play();
        }
      }
      break;
    }
    case Kind::kPosition:
      m_position = n.value;
      m_display->SetPosition(n.value);
      break;
    case Kind::kSeekBar:
      if (!m_seekBar->isSliderDown()) {
        const QSignalBlocker blocker(m_seekBar);
        m_seekBar->setValue(static_cast<int>(std::clamp<int64_t>(n.value, 0, kSeekScale)));
      }
      break;
    case Kind::kVolume: {
      const QSignalBlocker blocker(m_volumeBar);
      m_volumeBar->setValue(static_cast<int>(std::clamp<int64_t>(n.value, 0, player::kUnityVolume)));
      break;
    }
  }
}

void PlayerControl::HearStopped(const player::PlayerNotification& n) {
  const QString detail = QString::fromStdString(n.detail);
  switch (n.cause) {
    case player::StopCause::kCannotReopen:
      m_display->SetNotice(platform::FileExists(m_path) ? FormattedText(kCannotPlayText, detail) : Text(kFileGoneText));
      break;
    case player::StopCause::kNoDevice: m_display->SetNotice(FormattedText(kNoDeviceText, detail)); break;
    case player::StopCause::kDeviceLost: m_display->SetNotice(FormattedText(kDeviceLostText, detail)); break;
    case player::StopCause::kOrdinary:
    case player::StopCause::kRefused: break;
  }
}

}  // namespace tarnq::ui
