// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/player_display.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

#include "ui/qt_text.h"

namespace tarnq::ui {
namespace {

// Catalogue identifiers of the display's labels and words.
constexpr int kTitleLabel = 12500;
constexpr int kArtistLabel = 12501;
constexpr int kAlbumLabel = 12502;
constexpr int kYearLabel = 12503;
constexpr int kTrackLabel = 12504;
constexpr int kGenreLabel = 12505;
constexpr int kStereoText = 12506;
constexpr int kJointStereoText = 12507;
constexpr int kKbpsText = 12508;
constexpr int kVbrText = 12509;

const QColor kPositionColor(0xFF, 0x99, 0x33);
const QColor kSilver(0xC0, 0xC0, 0xC0);
const QColor kWhite(0xFF, 0xFF, 0xFF);
const QColor kNoticeColor(0xFF, 0x80, 0x70);
const QColor kFrameColor(0x70, 0x70, 0x70);

QString Two(int64_t value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); }

}  // namespace

QString PlayerFileName(std::u16string_view path) {
  const size_t slash = path.find_last_of(u'/');
  return ToQString(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

QString PlayerClockText(int64_t seconds) {
  if (seconds < 0) seconds = 0;
  if (seconds >= 3600) {
    return QStringLiteral("%1:%2:%3").arg(seconds / 3600).arg(Two(seconds / 60 % 60), Two(seconds % 60));
  }
  return Two(seconds / 60) + QLatin1Char(':') + Two(seconds % 60);
}

QString PlayerBitrateText(int32_t bitrate) {
  if (bitrate > 0) return QString::number(bitrate) + QLatin1Char(' ') + Text(kKbpsText);
  if (bitrate == -1) return Text(kVbrText);
  if (bitrate < 0) {
    return QStringLiteral("%1 (\u00F8 %2 %3)").arg(Text(kVbrText)).arg(-static_cast<int64_t>(bitrate)).arg(Text(kKbpsText));
  }
  return {};
}

QString PlayerSummaryText(const analysis::TagRecord& tag) {
  QStringList parts;
  if (!tag.formatName.Empty()) parts << ToQString(tag.formatName.View());
  if (const QString rate = PlayerBitrateText(tag.bitrate); !rate.isEmpty()) parts << rate;
  if (tag.sampleRate != 0) parts << QString::number(tag.sampleRate) + QStringLiteral("Hz");
  return parts.join(QStringLiteral(", "));
}

QString PlayerChannelText(uint16_t channels, bool channelMode) {
  if (channelMode && channels == 3) return Text(kJointStereoText);
  if (channels == 2) return Text(kStereoText);
  return {};
}

PlayerDisplay::PlayerDisplay(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("PlayerDisplay"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void PlayerDisplay::SetFile(const QString& name, const analysis::TagRecord& tag, bool channelMode) {
  m_name = name;
  m_tag = tag;
  m_haveTag = true;
  m_channelMode = channelMode;
  Rebuild();
}

void PlayerDisplay::SetName(const QString& name) {
  m_name = name;
  m_tag.Clear();
  m_haveTag = false;
  m_position = 0;
  Rebuild();
}

void PlayerDisplay::SetPosition(int64_t seconds) {
  if (seconds == m_position) return;
  m_position = seconds;
  update();
}

void PlayerDisplay::SetNotice(const QString& text) {
  if (text == m_notice) return;
  m_notice = text;
  updateGeometry();
  update();
}

QString PlayerDisplay::PositionText() const { return PlayerClockText(m_position); }

QStringList PlayerDisplay::Lines() const {
  QStringList out;
  for (const Line& line : m_lines) out << (line.label.isEmpty() ? line.text : line.label + QLatin1Char(' ') + line.text);
  return out;
}

void PlayerDisplay::Rebuild() {
  m_lines.clear();
  if (!m_name.isEmpty()) m_lines.push_back({{}, QLatin1Char('"') + m_name + QLatin1Char('"'), kWhite});
  if (m_haveTag) {
    const auto add = [this](int label, const QString& value) {
      if (!value.trimmed().isEmpty()) m_lines.push_back({Text(label), value, kWhite});
    };
    add(kTitleLabel, ToQString(m_tag.title.View()));
    add(kArtistLabel, ToQString(m_tag.artist.View()));
    add(kAlbumLabel, ToQString(m_tag.album.View()));
    add(kYearLabel, m_tag.year != 0 ? QString::number(m_tag.year) : QString());
    QString track;
    if (m_tag.track != 0) {
      track = QString::number(m_tag.track);
      if (m_tag.trackTotal != 0) track += QLatin1Char('/') + QString::number(m_tag.trackTotal);
    }
    add(kTrackLabel, track);
    add(kGenreLabel, ToQString(m_tag.genre.View()));
    if (const QString comment = ToQString(m_tag.comment.View()); !comment.trimmed().isEmpty()) {
      m_lines.push_back({{}, comment, kWhite});
    }
    if (const QString summary = PlayerSummaryText(m_tag); !summary.isEmpty()) m_lines.push_back({{}, summary, kSilver});
  }
  updateGeometry();
  update();
}

QFont PlayerDisplay::BigFont() const {
  QFont big = font();
  big.setBold(true);
  if (big.pointSizeF() > 0) big.setPointSizeF(big.pointSizeF() * 1.6);
  else big.setPixelSize(std::max(1, big.pixelSize() * 8 / 5));
  return big;
}

QSize PlayerDisplay::sizeHint() const {
  const QFontMetrics fm(font());
  const QFontMetrics bigFm(BigFont());
  int lines = static_cast<int>(m_lines.size()) + (m_notice.isEmpty() ? 0 : 2);
  const int margin = fm.height() / 2 + 2;
  return {fm.averageCharWidth() * 40 + 2 * margin, bigFm.height() + lines * fm.lineSpacing() + 2 * margin};
}

QSize PlayerDisplay::minimumSizeHint() const {
  const QFontMetrics fm(font());
  const QFontMetrics bigFm(BigFont());
  return {fm.averageCharWidth() * 20, bigFm.height() + fm.lineSpacing() * 2};
}

void PlayerDisplay::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange || event->type() == QEvent::LanguageChange) Rebuild();
  QWidget::changeEvent(event);
}

void PlayerDisplay::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect all = rect();
  p.fillRect(all, Qt::black);
  p.setPen(kFrameColor);
  p.drawRect(all.adjusted(0, 0, -1, -1));

  const QFont normal = font();
  const QFont big = BigFont();
  const QFontMetrics fm(normal);
  const QFontMetrics bigFm(big);
  const int margin = fm.height() / 2 + 2;
  const int right = all.width() - margin;
  const int width = std::max(0, right - margin);
  int y = margin;

  // The position, big and orange; the length and the channel mode beside it in silver. A file that
  // cannot be played has no position.
  if (!m_haveTag && !m_notice.isEmpty()) y -= bigFm.height();
  p.setFont(big);
  p.setPen(kPositionColor);
  const QString position = PlayerClockText(m_position);
  const int baseline = y + bigFm.ascent();
  if (m_haveTag || m_notice.isEmpty()) p.drawText(margin, baseline, position);
  if (m_haveTag) {
    QString after = QStringLiteral("(") + PlayerClockText(m_tag.duration) + QLatin1Char(')');
    if (const QString mode = PlayerChannelText(m_tag.channels, m_channelMode); !mode.isEmpty()) {
      after += QStringLiteral("  ") + mode;
    }
    const int x = margin + bigFm.horizontalAdvance(position) + fm.averageCharWidth();
    p.setFont(normal);
    p.setPen(kSilver);
    p.drawText(x, baseline, fm.elidedText(after, Qt::ElideRight, std::max(0, right - x)));
  }
  y += bigFm.height();

  // Label and value lines: the values line up one label column plus a gap to the right.
  p.setFont(normal);
  int labelWidth = 0;
  for (const Line& line : m_lines) {
    if (!line.label.isEmpty()) labelWidth = std::max(labelWidth, fm.horizontalAdvance(line.label));
  }
  const int valueX = margin + labelWidth + fm.averageCharWidth() * 2;
  for (const Line& line : m_lines) {
    if (y + fm.height() > all.height() - 1) break;
    const int lineBase = y + fm.ascent();
    if (line.label.isEmpty()) {
      p.setPen(line.color);
      p.drawText(margin, lineBase, fm.elidedText(line.text, Qt::ElideRight, width));
    } else {
      p.setPen(kSilver);
      p.drawText(margin, lineBase, line.label);
      p.setPen(line.color);
      p.drawText(valueX, lineBase, fm.elidedText(line.text, Qt::ElideRight, std::max(0, right - valueX)));
    }
    y += fm.lineSpacing();
  }

  if (!m_notice.isEmpty()) {
    y += fm.lineSpacing() / 2;
    p.setPen(kNoticeColor);
    const QRect box(margin, y, width, std::max(0, all.height() - y - margin / 2));
    p.drawText(box, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, m_notice);
  }
}

}  // namespace tarnq::ui
