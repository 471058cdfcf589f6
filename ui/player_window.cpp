// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/player_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileSystemWatcher>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QScreen>
#include <QSlider>
#include <QStackedLayout>
#include <QStyle>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

#include "platform/errors.h"
#include "platform/files.h"
#include "player/other_media.h"
#include "player/pcm.h"
#include "player/player.h"
#include "settings/placement.h"
#include "settings/settings_store.h"
#include "ui/file_manager.h"
#include "ui/media_view.h"
#include "ui/player_control.h"
#include "ui/player_display.h"
#include "ui/qt_text.h"

namespace tarnq::ui {
namespace {

constexpr int kDefaultWidth = 300;
constexpr int kDefaultHeight = 250;
constexpr int kFileGoneText = 12510;
constexpr int kCannotPlayText = 12511;
constexpr int kDeletedWhilePlayingText = 12514;
constexpr int kChangedWhilePlayingText = 12515;
constexpr int kHandedOverText = 12516;
constexpr int kHandOverFailedText = 12517;
constexpr int kTooShortText = 12518;
constexpr int kNoDecoderText = 12519;

// Why the player window shows nothing of a file it could not even look at.
QString ProbeFailure(const player::FileProbe& probe) {
  if (probe.error == platform::err::kFileNotFound || probe.error == platform::err::kPathNotFound) return Text(kFileGoneText);
  if (probe.error != 0) return FormattedText(kCannotPlayText, QString::fromStdString(platform::ErrorMessage(probe.error)));
  if (probe.TooSmallToShow()) return Text(kTooShortText);
  return {};
}

}  // namespace

PlayerWindow::PlayerWindow(Host host, QWidget* parent) : QWidget(parent, Qt::Window), m_host(std::move(host)) {
  setObjectName(QStringLiteral("Player"));
  setAttribute(Qt::WA_DeleteOnClose);
  setAcceptDrops(true);
  setWindowIcon(style()->standardIcon(QStyle::SP_MediaPlay));

  settings::SettingsStore& store = *m_host.settings;
  const int volume = static_cast<int>(std::min<uint32_t>(
      store.ReadInt(kVolumeSection, kVolumeKey, player::kDefaultVolume), player::kUnityVolume));
  m_control = new PlayerControl(*m_host.player, *m_host.dispatcher, this);
  m_control->SetVolume(volume);
  // One volume for both contents, remembered in a section of its own.
  m_control->onVolumeChanged = [this](int value) {
    m_host.settings->WriteInt(kVolumeSection, kVolumeKey, static_cast<uint32_t>(value));
    if (m_media != nullptr) m_media->SetVolume(value);
  };

  m_stack = new QStackedLayout(this);
  m_stack->setContentsMargins(2, 2, 2, 2);
  m_stack->addWidget(m_control);

  m_watcher = new QFileSystemWatcher(this);
  connect(m_watcher, &QFileSystemWatcher::fileChanged, this, [this] { FileChanged(); });

  // The stored placement; without a position the window stands over the middle of its parent.
  const settings::WindowPlacement placement =
      settings::ReadPlacement(store, kPlacementSection, kDefaultWidth, kDefaultHeight);
  m_playerSize = QSize(placement.width, placement.height).expandedTo(minimumSizeHint());
  resize(m_playerSize);
  bool placed = false;
  if (placement.x != settings::kSystemChoosesPosition) {
    const QRect wanted(placement.x, placement.y, placement.width, placement.height);
    for (const QScreen* screen : QGuiApplication::screens()) placed |= screen->availableGeometry().intersects(wanted);
    if (placed) move(placement.x, placement.y);
  }
  if (!placed && parent != nullptr) {
    QRect frame(QPoint(0, 0), size());
    frame.moveCenter(parent->frameGeometry().center());
    move(frame.topLeft());
  }
  if (placement.showState == 3) setWindowState(windowState() | Qt::WindowMaximized);

  qApp->installEventFilter(this);
}

PlayerWindow::~PlayerWindow() { qApp->removeEventFilter(this); }

QString PlayerWindow::Notice() const { return m_control->Display()->NoticeText(); }

void PlayerWindow::Retranslate() {
  // The widgets take their texts again on LanguageChange, as they would for a new translator.
  for (QWidget* widget : findChildren<QWidget*>()) {
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(widget, &change);
  }
}

void PlayerWindow::SetTitle(const std::u16string& path) { setWindowTitle(PlayerFileName(path)); }

void PlayerWindow::Open(const std::u16string& path, const Request& request) { Show({path}, request); }

void PlayerWindow::Open(const std::u16string& path) { Show({path}, Request()); }

void PlayerWindow::OpenFirstOf(const std::vector<std::u16string>& paths) {
  if (!paths.empty()) Show(paths, Request());
}

MediaView* PlayerWindow::EnsureMedia() {
  // Made on first use only: the media framework is loaded for other media, not for every song.
  if (m_media == nullptr) {
    m_media = new MediaView(m_host.mediaSound, this);
    m_media->SetVolume(m_control->Volume());
    connect(m_media, &MediaView::volumeChanged, this, [this](int value) {
      m_host.settings->WriteInt(kVolumeSection, kVolumeKey, static_cast<uint32_t>(value));
      m_control->SetVolume(value);
    });
    m_stack->addWidget(m_media);
  }
  return m_media;
}

void PlayerWindow::Show(const std::vector<std::u16string>& paths, const Request& request) {
  ++m_generation;
  delete m_attempt;
  if (m_media != nullptr) m_media->Close();
  std::optional<size_t> mediaCandidate;
  QString firstReason;
  for (size_t i = 0; i < paths.size(); ++i) {
    const std::u16string& path = paths[i];
    const player::FileProbe probe = player::ProbeFile(path);
    QString reason = ProbeFailure(probe);
    if (reason.isEmpty()) {
      const player::LoadResult loaded = m_host.player->LoadFile(path);
      if (loaded.error == 0) {
        ShowControl();
        m_path = path;
        SetTitle(path);
        m_control->Start(path, request.startSeconds);
        Watch(path);
        Choose(Content::kPlayer);
        return;
      }
      reason = loaded.noDecoder
                   ? Text(kNoDecoderText)
                   : FormattedText(kCannotPlayText, QString::fromStdString(loaded.message));
      if (!mediaCandidate && player::LooksLikeOtherMedia(probe.Head(), path)) mediaCandidate = i;
    }
    if (i == 0) firstReason = reason;
  }
  // The player plays none of them: what it played before stops.
  if (m_control->HasFile()) m_host.player->Stop();
  Watch({});
  if (mediaCandidate) {
    TryMedia(paths[*mediaCandidate], request);
  } else {
    ShowNothing(paths.front(), request, firstReason);
  }
}

void PlayerWindow::TryMedia(const std::u16string& path, const Request& request) {
  m_path = path;
  SetTitle(path);
  m_control->ShowProblem(path, {});
  m_stack->setCurrentWidget(EnsureMedia());
  m_content = Content::kNone;
  // The answer comes later; one for an older Open finds another generation and is dropped.
  auto* attempt = new QObject(this);
  m_attempt = attempt;
  const uint64_t generation = m_generation;
  // Queued: the media player's own signal must return before the window changes what it shows.
  connect(m_media, &MediaView::opened, attempt, [this, attempt, generation] {
    attempt->deleteLater();
    if (generation != m_generation) return;
    FitToMedia();
    Choose(Content::kMedia);
  }, Qt::QueuedConnection);
  connect(m_media, &MediaView::failed, attempt, [this, attempt, generation, path, request](const QString& text) {
    attempt->deleteLater();
    if (generation != m_generation) return;
    ShowNothing(path, request, FormattedText(kCannotPlayText, text));
  }, Qt::QueuedConnection);
  m_media->Open(FileUrl(path));
}

void PlayerWindow::FitToMedia() {
  const QSize video = m_media->NaturalSize();
  if (video.isEmpty() || isMaximized()) return;
  // The picture at its own size under the controls, as far as the screen allows.
  const int controls = m_media->SeekBar()->sizeHint().height() + m_media->PlayButton()->sizeHint().height() + 8;
  // A small picture keeps the player's own size, so that the controls stay usable.
  QSize wanted = QSize(video.width() + 4, video.height() + controls).expandedTo(m_playerSize);
  if (const QScreen* s = screen()) wanted = wanted.boundedTo(s->availableGeometry().size() * 0.9);
  resize(wanted.expandedTo(minimumSizeHint()));
}

void PlayerWindow::ShowNothing(const std::u16string& path, const Request& request, const QString& reason) {
  ShowControl();
  m_path = path;
  SetTitle(path);
  QString text = reason;
  // A file that is not there is not handed to anyone.
  if (request.mayHandOver && m_host.handOver && platform::FileExists(path)) {
    const HandOver handed = m_host.handOver(path);
    if (handed.tried) {
      text += QLatin1Char('\n') + (handed.error.isEmpty() ? Text(kHandedOverText) : FormattedText(kHandOverFailedText, handed.error));
    }
  }
  m_control->ShowProblem(path, text);
  Choose(Content::kProblem);
}

void PlayerWindow::ShowControl() {
  if (m_stack->currentWidget() != m_control) {
    if (m_media != nullptr) m_media->Close();
    m_stack->setCurrentWidget(m_control);
    RestorePlayerSize();
  }
}

void PlayerWindow::RestorePlayerSize() {
  if (!isMaximized() && !m_playerSize.isEmpty()) resize(m_playerSize);
}

void PlayerWindow::Choose(Content content) {
  m_content = content;
  emit contentChosen(static_cast<int>(content));
}

void PlayerWindow::Watch(const std::u16string& path) {
  if (!m_watcher->files().isEmpty()) m_watcher->removePaths(m_watcher->files());
  if (path.empty()) return;
  // A name whose bytes are not UTF-8 cannot be watched through Qt; it plays unwatched.
  const QString name = ToQString(path);
  if (name.isValidUtf16()) m_watcher->addPath(name);
}

void PlayerWindow::FileChanged() {
  if (m_content != Content::kPlayer) return;
  if (!platform::FileExists(m_path)) {
    m_control->SetNotice(Text(kDeletedWhilePlayingText));
  } else {
    m_control->SetNotice(Text(kChangedWhilePlayingText));
    Watch(m_path);  // a file replaced by another is watched again
  }
}

void PlayerWindow::StorePlacement() {
  settings::WindowPlacement placement;
  const QRect frame = normalGeometry().isValid() ? normalGeometry() : geometry();
  placement.x = frameGeometry().x();
  placement.y = frameGeometry().y();
  placement.width = frame.width();
  placement.height = frame.height();
  placement.showState = isMaximized() ? 3 : 1;
  settings::WritePlacement(*m_host.settings, kPlacementSection, placement);
}

bool PlayerWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->window() != this || QApplication::activePopupWidget() != nullptr) {
    return QWidget::eventFilter(watched, event);
  }
  const auto* key = static_cast<QKeyEvent*>(event);
  const Qt::KeyboardModifiers modifiers = key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  if (modifiers == Qt::AltModifier) {
    std::optional<PlayerStep> step;
    switch (key->key()) {
      case Qt::Key_Right: step = PlayerStep::kNextRow; break;
      case Qt::Key_Left: step = PlayerStep::kPreviousRow; break;
      case Qt::Key_Down: step = PlayerStep::kNextInGroup; break;
      case Qt::Key_Up: step = PlayerStep::kPreviousInGroup; break;
      default: break;
    }
    if (!step) return false;
    if (!key->isAutoRepeat() && m_host.step) {
      // Later, from the event loop: opening the next file must not run inside this key's delivery.
      const PlayerStep chosen = *step;
      QTimer::singleShot(0, this, [this, chosen] { m_host.step(chosen); });
    }
    return true;
  }
  if (modifiers != Qt::NoModifier) return false;
  switch (key->key()) {
    case Qt::Key_Space:
      // Space pauses and resumes, whichever control has the focus.
      if (!key->isAutoRepeat()) {
        if (m_content == Content::kPlayer) m_control->TogglePause();
        else if (m_content == Content::kMedia) m_media->TogglePause();
      }
      return true;
    case Qt::Key_Escape:
      QTimer::singleShot(0, this, &QWidget::close);
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (auto* button = qobject_cast<QToolButton*>(widget); button != nullptr && button->isEnabled()) {
        button->click();
        return true;
      }
      return false;
    default:
      return false;
  }
}

void PlayerWindow::closeEvent(QCloseEvent* event) {
  // The placement is the player control's; a picture of other media has its own size.
  if (m_content != Content::kMedia) StorePlacement();
  // Silence at once, and the player is free for a new window before this one is gone.
  m_control->Release();
  if (m_media != nullptr) m_media->Close();
  m_closed = true;
  event->accept();
  if (QWidget* main = parentWidget()) main->activateWindow();
}

void PlayerWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void PlayerWindow::dropEvent(QDropEvent* event) {
  std::vector<std::u16string> paths;
  for (const QUrl& url : event->mimeData()->urls()) {
    const std::u16string path = PathOfFileUrl(url);
    if (!path.empty() && !platform::FolderExists(path)) paths.push_back(path);
  }
  if (paths.empty()) {
    QApplication::beep();
    return;
  }
  event->acceptProposedAction();
  // Later: the drag's source waits for this call to return.
  QTimer::singleShot(0, this, [this, paths] { OpenFirstOf(paths); });
}

}  // namespace tarnq::ui
