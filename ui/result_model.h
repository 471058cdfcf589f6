// SPDX-License-Identifier: GPL-3.0-or-later
// The result list as a Qt table model: one row per row of the core's list, one column per visible
// column of the layout (`L`). The core's list stays the only store: the model asks it for cell
// texts when the view paints, and brackets every change the list announces, so the view always
// shows what the list holds. A row's selection is the list's own state bit, offered as
// kSelectedRole (the view paints it; Qt's selection model is not used).
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QColor>

#include <vector>

#include "results/columns.h"
#include "results/result_list.h"
#include "settings/colors.h"

namespace tarnq::ui {

class ResultModel final : public QAbstractTableModel, public results::ResultListObserver {
  Q_OBJECT
 public:
  static constexpr int kSelectedRole = Qt::UserRole + 1;
  static constexpr int kGroupRole = Qt::UserRole + 2;

  ResultModel(results::ResultList& list, QObject* parent = nullptr);
  ~ResultModel() override;

  results::ResultList& List() { return m_list; }

  // The visible columns; the model's columns follow it (a reset).
  void SetLayout(results::ColumnLayout layout);
  const results::ColumnLayout& Layout() const { return m_layout; }
  uint16_t ColumnId(int column) const;
  // The model column of a column id, or -1 when it is not visible.
  int ColumnOf(uint16_t columnId) const;

  // The main options (`Opt`: sizes in bytes, seconds, numeric names, the icons).
  void SetOptions(uint32_t options);
  // The icon beside each file name (unless the options hide the icons).
  void SetFileIcon(const QIcon& icon);
  // Group backgrounds from the colour scheme (`Color`); with no pairs the groups alternate between
  // the palette's two base colours.
  void SetColorScheme(std::vector<settings::ColorPair> pairs);
  void SetPaletteColors(const QColor& base, const QColor& alternate, const QColor& dimmed);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 signals:
  // The list's selection or rows changed: counts and command states are due.
  void listChanged();

 private:
  // results::ResultListObserver
  void BeforeRowsInserted(size_t first, size_t count) override;
  void AfterRowsInserted(size_t first, size_t count) override;
  void BeforeRowsRemoved(size_t first, size_t count) override;
  void AfterRowsRemoved(size_t first, size_t count) override;
  void BeforeReset() override;
  void AfterReset() override;
  void BeforeLayoutChange() override;
  void AfterLayoutChange() override;
  void OnRowsChanged(size_t first, size_t count) override;
  void OnSelectionChanged() override;

  QColor GroupColor(uint32_t group) const;

  results::ResultList& m_list;
  results::ColumnLayout m_layout;
  uint32_t m_options = 0;
  QIcon m_fileIcon;
  std::vector<QColor> m_scheme;
  QColor m_base, m_alternate, m_dimmed;
};

}  // namespace tarnq::ui
