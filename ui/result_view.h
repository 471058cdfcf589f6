// SPDX-License-Identifier: GPL-3.0-or-later
// The result list's view. Selection works as in a desktop file list (click, Ctrl+click toggles,
// Shift extends from the anchor, Ctrl+Space toggles the current row) but is kept in the core's
// list, not in Qt's selection model: Select Dupes and the file commands see exactly what the user
// sees. The focused row follows the current index.
#pragma once

#include <QStyledItemDelegate>
#include <QTableView>

#include <functional>

#include "ui/result_model.h"

namespace tarnq::ui {

class ResultView final : public QTableView {
  Q_OBJECT
 public:
  explicit ResultView(QWidget* parent = nullptr);

  void SetResultModel(ResultModel* model);
  ResultModel* Model() const { return m_model; }

  // Header clicks choose a sort order: (column id, click in the right half of the column).
  std::function<void(uint16_t, bool)> onHeaderClick;
  // Double-click on a row (Play).
  std::function<void()> onActivate;
  // The Delete key.
  std::function<void()> onDeleteKey;
  // The mouse drags selected rows out of the list (the rows stay as they are).
  std::function<void()> onDragOut;

  // Shows the arrow of the list's sort order on its column.
  void ShowSortOrder(int sortKey, bool reversed);
  // The layout as the header shows it now: columns in display order with their widths.
  results::ColumnLayout CurrentLayout() const;
  // Applies the layout's widths after the model's columns changed.
  void ApplyLayoutWidths();
  // Moves the current index to the list's focused row (after a sort, a load).
  void FollowFocusedRow();
  // Fits one column (or every column with -1) to its content.
  void FitColumns(int column);

  // How the rows are drawn (the configuration's options): the selection over the whole row or
  // only its first column, lines between the columns, the row under the mouse lit.
  struct RowStyle {
    bool fullRowSelect = true;
    bool columnLines = false;
    bool hoverHighlight = true;
  };
  void SetRowStyle(const RowStyle& style);
  const RowStyle& GetRowStyle() const { return m_rowStyle; }
  // The row under the mouse while it is lit (-1: none).
  int HoverRow() const { return m_hoverRow; }

 protected:
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                       const QEvent* event = nullptr) const override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void SelectOnly(int row) const;
  void SelectRange(int from, int to, bool keepOthers) const;
  void HeaderMenu(const QPoint& pos);

  ResultModel* m_model = nullptr;
  mutable int m_anchor = -1;
  int m_pressX = -1;  // where the last header press was (viewport x)
  bool m_following = false;
  // A plain press on a selected row: it may start a drag of the selection, so the selection
  // becomes that row alone only when the button is released without one.
  int m_dragRow = -1;
  QPoint m_dragStart;
  RowStyle m_rowStyle;
  int m_hoverRow = -1;
};

// Paints the list's selected rows as selected, in the view's row style.
class ResultDelegate final : public QStyledItemDelegate {
 public:
  explicit ResultDelegate(ResultView* view) : QStyledItemDelegate(view), m_view(view) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

 private:
  ResultView* m_view;
};

}  // namespace tarnq::ui
