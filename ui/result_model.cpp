// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/result_model.h"

#include "results/cell_text.h"
#include "ui/qt_text.h"

namespace tarnq::ui {
namespace {

// A Windows colour value is 0x00BBGGRR.
QColor FromColorRef(uint32_t value) {
  return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                static_cast<int>((value >> 16) & 0xFF));
}

}  // namespace

ResultModel::ResultModel(results::ResultList& list, QObject* parent)
    : QAbstractTableModel(parent), m_list(list), m_layout(results::DefaultLayout()) {
  m_list.AddObserver(this);
}

ResultModel::~ResultModel() { m_list.RemoveObserver(this); }

void ResultModel::SetLayout(results::ColumnLayout layout) {
  beginResetModel();
  m_layout = std::move(layout);
  endResetModel();
}

uint16_t ResultModel::ColumnId(int column) const {
  if (column < 0 || static_cast<size_t>(column) >= m_layout.size()) return 0;
  return results::kColumns[static_cast<size_t>(m_layout[static_cast<size_t>(column)].tableIndex)].textId;
}

int ResultModel::ColumnOf(uint16_t columnId) const {
  for (size_t i = 0; i < m_layout.size(); ++i) {
    if (results::kColumns[static_cast<size_t>(m_layout[i].tableIndex)].textId == columnId) return static_cast<int>(i);
  }
  return -1;
}

void ResultModel::SetFileIcon(const QIcon& icon) {
  m_fileIcon = icon;
  if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::DecorationRole});
}

void ResultModel::SetOptions(uint32_t options) {
  if (options == m_options) return;
  m_options = options;
  if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

void ResultModel::SetColorScheme(std::vector<settings::ColorPair> pairs) {
  m_scheme.clear();
  for (const settings::ColorPair& pair : pairs) m_scheme.push_back(FromColorRef(pair.first));
}

void ResultModel::SetPaletteColors(const QColor& base, const QColor& alternate, const QColor& dimmed) {
  m_base = base;
  m_alternate = alternate;
  m_dimmed = dimmed;
}

int ResultModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_list.RowCount());
}

int ResultModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_layout.size());
}

QColor ResultModel::GroupColor(uint32_t group) const {
  if (!m_scheme.empty()) return m_scheme[group == 0 ? 0 : (group - 1) % m_scheme.size()];
  return (group % 2 == 1) ? m_base : m_alternate;
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.column() >= columnCount()) return {};
  if (role == Qt::TextAlignmentRole) {
    const uint16_t flags = m_layout[static_cast<size_t>(index.column())].flags;
    const Qt::Alignment h = (flags & results::kAlignRight)    ? Qt::AlignRight
                            : (flags & results::kAlignCenter) ? Qt::AlignHCenter
                                                              : Qt::AlignLeft;
    return QVariant::fromValue(h | Qt::AlignVCenter);
  }
  if (role == Qt::DecorationRole) {
    if (ColumnId(index.column()) != results::column::kFilename || (m_options & results::list_option::kIconsHidden) != 0) {
      return {};
    }
    return m_fileIcon.isNull() ? QVariant() : QVariant(m_fileIcon);
  }
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != Qt::BackgroundRole &&
      role != Qt::ForegroundRole && role != kSelectedRole && role != kGroupRole) {
    return {};
  }
  platform::StoreGuard guard(m_list.RowsLock());
  const results::ResultRow r = m_list.RowAt(static_cast<size_t>(index.row()));
  if (!r) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return ToQString(results::CellText(r, ColumnId(index.column()), m_list.Folders(), m_options));
    case Qt::BackgroundRole: {
      const QColor color = GroupColor(r.Group());
      return color.isValid() ? QVariant(color) : QVariant();
    }
    case Qt::ForegroundRole:
      if (ColumnId(index.column()) != results::column::kFilename || !m_dimmed.isValid() || !results::IsDimmed(r)) return {};
      return m_dimmed;
    case kSelectedRole: return r.Selected();
    default: return static_cast<uint>(r.Group());  // kGroupRole
  }
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  if (role == Qt::DisplayRole) return MenuText(ColumnId(section));
  if (role == Qt::TextAlignmentRole) return data(index(0, section), Qt::TextAlignmentRole);
  return {};
}

void ResultModel::BeforeRowsInserted(size_t first, size_t count) {
  beginInsertRows({}, static_cast<int>(first), static_cast<int>(first + count - 1));
}
void ResultModel::AfterRowsInserted(size_t, size_t) {
  endInsertRows();
  emit listChanged();
}
void ResultModel::BeforeRowsRemoved(size_t first, size_t count) {
  beginRemoveRows({}, static_cast<int>(first), static_cast<int>(first + count - 1));
}
void ResultModel::AfterRowsRemoved(size_t, size_t) {
  endRemoveRows();
  emit listChanged();
}
void ResultModel::BeforeReset() { beginResetModel(); }
void ResultModel::AfterReset() {
  endResetModel();
  emit listChanged();
}
void ResultModel::BeforeLayoutChange() { emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint); }
void ResultModel::AfterLayoutChange() {
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
  emit listChanged();
}
void ResultModel::OnRowsChanged(size_t first, size_t count) {
  if (count == 0 || columnCount() == 0) return;
  emit dataChanged(index(static_cast<int>(first), 0), index(static_cast<int>(first + count - 1), columnCount() - 1));
  emit listChanged();
}
void ResultModel::OnSelectionChanged() {
  // Which rows changed is not told; the view repaints what it shows.
  if (rowCount() > 0 && columnCount() > 0) {
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {kSelectedRole});
  }
  emit listChanged();
}

}  // namespace tarnq::ui
