// SPDX-License-Identifier: GPL-3.0-or-later
// The player's display: a black panel with the position in a big orange font, the length and the
// channel mode in silver, the file name, the tags that are present as label and value lines, the
// comment and a summary of the format. Below them, a notice in words when something went wrong.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <string_view>
#include <vector>

#include "analysis/tag_record.h"

namespace tarnq::ui {

// The last name of a path: what the window's title and the display call the file.
QString PlayerFileName(std::u16string_view path);
// "mm:ss", or "h:mm:ss" from one hour on.
QString PlayerClockText(int64_t seconds);
// A positive rate: "128 kbps"; -1: "VBR"; another negative -n: "VBR (ø n kbps)"; 0: empty.
QString PlayerBitrateText(int32_t bitrate);
// The format, the bit rate and the sample rate: "MP3, 128 kbps, 44100Hz" (parts that are unknown
// are left out).
QString PlayerSummaryText(const analysis::TagRecord& tag);
// "Stereo" for two channels, "Joint Stereo" for the MPEG channel mode 3 (`channelMode`: the
// record's channel field holds the MPEG mode, not a count); empty otherwise.
QString PlayerChannelText(uint16_t channels, bool channelMode);

class PlayerDisplay final : public QWidget {
  Q_OBJECT
 public:
  explicit PlayerDisplay(QWidget* parent = nullptr);

  // The file and what is known of it; `channelMode` as for PlayerChannelText.
  void SetFile(const QString& name, const analysis::TagRecord& tag, bool channelMode);
  // Only the file's name (nothing is known of it, or it cannot be played).
  void SetName(const QString& name);
  void SetPosition(int64_t seconds);
  // A line in words under the file's details; empty removes it.
  void SetNotice(const QString& text);

  QString PositionText() const;
  QString NoticeText() const { return m_notice; }
  // The lines under the position, as painted (label and value joined by a space): for tests.
  QStringList Lines() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  struct Line {
    QString label;  // empty: the text spans the width
    QString text;
    QColor color;
  };
  void Rebuild();
  QFont BigFont() const;

  QString m_name;
  analysis::TagRecord m_tag;
  bool m_haveTag = false;
  bool m_channelMode = false;
  int64_t m_position = 0;
  QString m_notice;
  std::vector<Line> m_lines;
};

}  // namespace tarnq::ui
