// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/result_view.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <vector>

#include "ui/qt_text.h"

namespace tarnq::ui {

using results::ResultList;

ResultView::ResultView(QWidget* parent) : QTableView(parent) {
  setItemDelegate(new ResultDelegate(this));
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setShowGrid(false);
  setWordWrap(false);
  setTabKeyNavigation(false);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  // Rows of one height: the view never measures 100,000 rows.
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  QHeaderView* header = horizontalHeader();
  header->setSectionsMovable(true);
  header->setSectionsClickable(true);
  header->setHighlightSections(false);
  header->setStretchLastSection(false);
  header->setContextMenuPolicy(Qt::CustomContextMenu);
  header->viewport()->installEventFilter(this);
  connect(header, &QHeaderView::sectionClicked, this, [this](int section) {
    if (!m_model || !onHeaderClick) return;
    const QHeaderView* h = horizontalHeader();
    const int left = h->sectionViewportPosition(section);
    const bool rightHalf = m_pressX >= 0 && (m_pressX - left) * 2 > h->sectionSize(section);
    onHeaderClick(m_model->ColumnId(section), rightHalf);
  });
  connect(header, &QHeaderView::customContextMenuRequested, this, &ResultView::HeaderMenu);
}

void ResultView::SetResultModel(ResultModel* model) {
  m_model = model;
  setModel(model);
  ApplyLayoutWidths();
}

bool ResultView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == horizontalHeader()->viewport() && event->type() == QEvent::MouseButtonPress) {
    m_pressX = static_cast<QMouseEvent*>(event)->position().toPoint().x();
  }
  return QTableView::eventFilter(watched, event);
}

void ResultView::changeEvent(QEvent* event) {
  // Rows keep one height, the new font's.
  if (event->type() == QEvent::FontChange) verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  QTableView::changeEvent(event);
}

void ResultView::ApplyLayoutWidths() {
  if (!m_model) return;
  const results::ColumnLayout& layout = m_model->Layout();
  for (size_t i = 0; i < layout.size(); ++i) setColumnWidth(static_cast<int>(i), layout[i].width);
}

results::ColumnLayout ResultView::CurrentLayout() const {
  results::ColumnLayout out;
  if (!m_model) return out;
  const QHeaderView* h = horizontalHeader();
  const results::ColumnLayout& layout = m_model->Layout();
  for (int visual = 0; visual < h->count(); ++visual) {
    const int logical = h->logicalIndex(visual);
    if (logical < 0 || static_cast<size_t>(logical) >= layout.size() || h->isSectionHidden(logical)) continue;
    results::LayoutColumn column = layout[static_cast<size_t>(logical)];
    column.width = h->sectionSize(logical);
    out.push_back(column);
  }
  return out;
}

void ResultView::ShowSortOrder(int sortKey, bool reversed) {
  if (!m_model) return;
  uint16_t id = 0;
  switch (sortKey) {
    case results::kSortName:
    case results::kSortExtension: id = results::column::kFilename; break;
    case results::kSortPath: id = results::column::kPath; break;
    case results::kSortArtist: id = results::column::kArtist; break;
    case results::kSortTitle: id = results::column::kTitle; break;
    case results::kSortAlbum: id = results::column::kAlbum; break;
    case results::kSortTrack: id = results::column::kTrack; break;
    case results::kSortGenre: id = results::column::kGenre; break;
    case results::kSortBitrate: id = results::column::kBitrate; break;
    case results::kSortDuration: id = results::column::kDuration; break;
    case results::kSortType: id = results::column::kType; break;
    case results::kSortComment: id = results::column::kComment; break;
    case results::kSortBpm: id = results::column::kBpm; break;
    case results::kSortSize: id = results::column::kSize; break;
    case results::kSortModified: id = results::column::kModified; break;
    default: break;
  }
  const int column = id == 0 ? -1 : m_model->ColumnOf(id);
  horizontalHeader()->setSortIndicatorShown(column >= 0);
  if (column >= 0) horizontalHeader()->setSortIndicator(column, reversed ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void ResultView::FollowFocusedRow() {
  if (!m_model) return;
  const int64_t focused = m_model->List().FocusedRow();
  if (focused < 0 || focused >= m_model->rowCount()) return;
  const QModelIndex target = m_model->index(static_cast<int>(focused), std::max(0, currentIndex().column()));
  m_following = true;
  selectionModel()->setCurrentIndex(target, QItemSelectionModel::NoUpdate);
  m_following = false;
  scrollTo(target);
}

void ResultView::FitColumns(int column) {
  if (column >= 0) {
    resizeColumnToContents(column);
  } else if (m_model) {
    for (int c = 0; c < m_model->columnCount(); ++c) resizeColumnToContents(c);
  }
}

void ResultView::HeaderMenu(const QPoint& pos) {
  const int section = horizontalHeader()->logicalIndexAt(pos);
  QMenu menu(this);
  if (section >= 0) {
    QAction* one = menu.addAction(MenuText(460));
    one->setStatusTip(HelpText(460));
    connect(one, &QAction::triggered, this, [this, section] { FitColumns(section); });
  }
  QAction* all = menu.addAction(MenuText(461));
  all->setStatusTip(HelpText(461));
  connect(all, &QAction::triggered, this, [this] { FitColumns(-1); });
  menu.exec(horizontalHeader()->viewport()->mapToGlobal(pos));
}

void ResultView::SelectOnly(int row) const {
  ResultList& list = m_model->List();
  const size_t count = list.RowCount();
  std::vector<int8_t> modes(count, static_cast<int8_t>(ResultList::kDeselect));
  if (row >= 0 && static_cast<size_t>(row) < count) modes[static_cast<size_t>(row)] = ResultList::kSelect;
  list.ApplySelection(modes);
}

void ResultView::SelectRange(int from, int to, bool keepOthers) const {
  ResultList& list = m_model->List();
  const size_t count = list.RowCount();
  if (from > to) std::swap(from, to);
  std::vector<int8_t> modes(count, keepOthers ? ResultList::kKeepState : static_cast<int8_t>(ResultList::kDeselect));
  for (int r = std::max(0, from); r <= to && static_cast<size_t>(r) < count; ++r) {
    modes[static_cast<size_t>(r)] = ResultList::kSelect;
  }
  list.ApplySelection(modes);
}

QItemSelectionModel::SelectionFlags ResultView::selectionCommand(const QModelIndex& index, const QEvent* event) const {
  if (!m_model || !event || !index.isValid()) return QItemSelectionModel::NoUpdate;
  const int row = index.row();
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      const auto* mouse = static_cast<const QMouseEvent*>(event);
      const Qt::KeyboardModifiers mods = mouse->modifiers();
      if (mods & Qt::ShiftModifier) {
        SelectRange(m_anchor < 0 ? row : m_anchor, row, (mods & Qt::ControlModifier) != 0);
      } else if (mods & Qt::ControlModifier) {
        m_model->List().SetSelection(row, ResultList::kInvert);
        m_anchor = row;
      } else if (row == m_dragRow) {
        // Pressed on a selected row: decided at the release (a drag keeps the selection).
      } else if (mouse->button() != Qt::RightButton || !m_model->data(index, ResultModel::kSelectedRole).toBool()) {
        // A right click on a selected row keeps the selection for the context menu.
        SelectOnly(row);
        m_anchor = row;
      }
      break;
    }
    case QEvent::MouseMove: {
      const auto* mouse = static_cast<const QMouseEvent*>(event);
      if ((mouse->buttons() & Qt::LeftButton) && m_anchor >= 0 && m_dragRow < 0) {
        SelectRange(m_anchor, row, (mouse->modifiers() & Qt::ControlModifier) != 0);
      }
      break;
    }
    case QEvent::KeyPress: {
      const auto* key = static_cast<const QKeyEvent*>(event);
      const Qt::KeyboardModifiers mods = key->modifiers();
      if (key->key() == Qt::Key_Space) {
        if (mods & Qt::ControlModifier) m_model->List().SetSelection(row, ResultList::kInvert);
        else SelectOnly(row);
        m_anchor = row;
      } else if (mods & Qt::ShiftModifier) {
        SelectRange(m_anchor < 0 ? row : m_anchor, row, false);
      } else if (!(mods & Qt::ControlModifier)) {
        SelectOnly(row);
        m_anchor = row;
      }
      break;
    }
    default: break;
  }
  return QItemSelectionModel::NoUpdate;
}

void ResultView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  if (!m_model || m_following) return;
  if (current.isValid() && current.row() != previous.row()) m_model->List().SetFocusedRow(current.row());
}

void ResultView::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Menu && event->modifiers() == Qt::NoModifier) ||
      (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
    // The context menu from the keyboard, at the current row.
    const QRect rect = visualRect(currentIndex());
    emit customContextMenuRequested(rect.isValid() ? QPoint(rect.left() + 8, rect.center().y()) : QPoint(8, 8));
    event->accept();
    return;
  }
  if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
    if (onDeleteKey) onDeleteKey();
    event->accept();
    return;
  }
  if (event->key() == Qt::Key_Space && currentIndex().isValid()) {
    // Space toggles (with Ctrl) or selects the current row; Qt's view would do nothing with it.
    selectionCommand(currentIndex(), event);
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
}

void ResultView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (indexAt(event->position().toPoint()).isValid() && onActivate) {
    onActivate();
    event->accept();
    return;
  }
  QTableView::mouseDoubleClickEvent(event);
}

void ResultView::mousePressEvent(QMouseEvent* event) {
  m_dragRow = -1;
  const QModelIndex index = indexAt(event->position().toPoint());
  if (m_model && index.isValid() && event->button() == Qt::LeftButton && event->modifiers() == Qt::NoModifier &&
      m_model->data(index, ResultModel::kSelectedRole).toBool()) {
    m_dragRow = index.row();
    m_dragStart = event->position().toPoint();
  }
  QTableView::mousePressEvent(event);
}

void ResultView::mouseMoveEvent(QMouseEvent* event) {
  if (m_rowStyle.hoverHighlight) {
    const int row = rowAt(event->position().toPoint().y());
    if (row != m_hoverRow) {
      // Only the two rows whose light changes are drawn again.
      const int before = m_hoverRow;
      m_hoverRow = row;
      for (const int changed : {before, row}) {
        if (changed >= 0) viewport()->update(QRect(0, rowViewportPosition(changed), viewport()->width(), rowHeight(changed)));
      }
    }
  }
  if (m_dragRow >= 0 && (event->buttons() & Qt::LeftButton)) {
    if ((event->position().toPoint() - m_dragStart).manhattanLength() >= QApplication::startDragDistance()) {
      m_dragRow = -1;
      if (onDragOut) onDragOut();
    }
    event->accept();
    return;
  }
  QTableView::mouseMoveEvent(event);
}

void ResultView::SetRowStyle(const RowStyle& style) {
  m_rowStyle = style;
  setMouseTracking(style.hoverHighlight);
  if (!style.hoverHighlight) m_hoverRow = -1;
  viewport()->update();
}

void ResultView::leaveEvent(QEvent* event) {
  if (m_hoverRow >= 0) {
    m_hoverRow = -1;
    viewport()->update();
  }
  QTableView::leaveEvent(event);
}

void ResultView::mouseReleaseEvent(QMouseEvent* event) {
  if (m_dragRow >= 0 && m_model) {
    // A click without a drag: that row alone is selected, as for any plain click.
    SelectOnly(m_dragRow);
    m_anchor = m_dragRow;
  }
  m_dragRow = -1;
  QTableView::mouseReleaseEvent(event);
}

void ResultDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  // Without full row select only the first column on screen shows the selection.
  const bool shown = m_view->GetRowStyle().fullRowSelect ||
                     m_view->horizontalHeader()->visualIndex(index.column()) == 0;
  if (shown && index.data(ResultModel::kSelectedRole).toBool()) {
    option->state |= QStyle::State_Selected;
  } else {
    option->state &= ~QStyle::State_Selected;
  }
}

void ResultDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyledItemDelegate::paint(painter, option, index);
  const ResultView::RowStyle& style = m_view->GetRowStyle();
  const QPalette& palette = option.palette;
  if (style.hoverHighlight && index.row() == m_view->HoverRow()) {
    QColor light = palette.color(QPalette::Highlight);
    light.setAlpha(40);
    painter->fillRect(option.rect, light);
  }
  if (style.columnLines) {
    painter->save();
    painter->setPen(palette.color(QPalette::Mid));
    painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
    painter->restore();
  }
}

}  // namespace tarnq::ui
