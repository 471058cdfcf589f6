// SPDX-License-Identifier: GPL-3.0-or-later
// The Qt model over the result list: after every kind of change the list announces, the model
// shows exactly the list's rows, announced with the matching Qt signal, and the selected bit
// reaches the view through kSelectedRole.
#include "ui/result_model.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <functional>

#include "gui_test_support.h"
#include "results/columns.h"
#include "results_test_support.h"
#include "ui/qt_text.h"

namespace tarnq::ui {
namespace {

using results::ResultList;
using results::testing::Add;
using results::testing::Row;

// Qt's own model checker reports through warnings; any report fails the case.
int g_modelFailures = 0;
void CountModelFailures(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type != QtDebugMsg && message.contains(QLatin1String("FAIL"))) ++g_modelFailures;
}

struct ListChange {
  const char* name;
  std::function<void(ResultList&)> change;
  const char* signal;  // the model signal the view must hear
  int expectedRows;
};
void PrintTo(const ListChange& c, std::ostream* os) { *os << c.name; }

class ModelFollowsList : public ::testing::TestWithParam<ListChange> {};

TEST_P(ModelFollowsList, ShowsTheListsRowsAfterTheChange) {
  testing::InstallLanguageLibrary();
  ResultList list;
  Add(list, Row{.name = u"c.mp3", .group = 1});
  Add(list, Row{.name = u"a.mp3", .group = 1});
  Add(list, Row{.name = u"b.mp3", .group = 2});
  ResultModel model(list);
  g_modelFailures = 0;
  const QtMessageHandler previous = qInstallMessageHandler(CountModelFailures);
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
  QSignalSpy announced(&model, GetParam().signal);
  ASSERT_TRUE(announced.isValid());

  GetParam().change(list);
  qInstallMessageHandler(previous);

  EXPECT_EQ(g_modelFailures, 0) << "the model's signals disagree with its rows";
  EXPECT_GE(announced.count(), 1) << GetParam().signal;
  ASSERT_EQ(model.rowCount(), GetParam().expectedRows);
  const int name = model.ColumnOf(results::column::kFilename);
  ASSERT_GE(name, 0);
  for (int row = 0; row < model.rowCount(); ++row) {
    EXPECT_EQ(model.data(model.index(row, name), Qt::DisplayRole).toString(), ToQString(list.RowAt(row).Name())) << row;
    EXPECT_EQ(model.data(model.index(row, 0), ResultModel::kGroupRole).toUInt(), list.RowAt(row).Group()) << row;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Changes, ModelFollowsList,
    ::testing::Values(
        ListChange{"insert", [](ResultList& l) { Add(l, Row{.name = u"d.mp3", .group = 2}); },
                   SIGNAL(rowsInserted(QModelIndex, int, int)), 4},
        ListChange{"remove", [](ResultList& l) { l.RemoveRow(1); }, SIGNAL(rowsRemoved(QModelIndex, int, int)), 2},
        ListChange{"reset", [](ResultList& l) { l.Clear(); }, SIGNAL(modelReset()), 0},
        ListChange{"sort", [](ResultList& l) { l.SetSortKey(results::kSortName); }, SIGNAL(layoutChanged()), 3},
        ListChange{"reverse", [](ResultList& l) { l.ToggleReversed(); }, SIGNAL(layoutChanged()), 3}),
    [](const ::testing::TestParamInfo<ListChange>& info) { return std::string(info.param.name); });

TEST(ResultModel, SelectedRoleIsTheListsSelectedBit) {
  testing::InstallLanguageLibrary();
  ResultList list;
  for (const char16_t* name : {u"a.mp3", u"b.mp3", u"c.mp3"}) Add(list, Row{.name = name});
  ResultModel model(list);
  QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
  list.SetSelection(1, ResultList::kSelect);
  ASSERT_GE(changed.count(), 1);
  bool announcedRole = false;
  for (const QList<QVariant>& call : changed) {
    announcedRole |= call.at(2).value<QList<int>>().contains(ResultModel::kSelectedRole) ||
                     call.at(2).value<QList<int>>().isEmpty();
  }
  EXPECT_TRUE(announcedRole) << "the view would not repaint the selection";
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(model.data(model.index(row, 0), ResultModel::kSelectedRole).toBool(), row == 1) << row;
  }
  list.SetSelection(ResultList::kAllRows, ResultList::kInvert);
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(model.data(model.index(row, 0), ResultModel::kSelectedRole).toBool(), row != 1) << row;
  }
}

}  // namespace
}  // namespace tarnq::ui
