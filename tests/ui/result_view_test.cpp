// SPDX-License-Identifier: GPL-3.0-or-later
// Selecting rows in the list view with the mouse and the keyboard, checked on the result list's
// own selected bits (the view keeps no selection of its own).
#include "ui/result_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QMouseEvent>
#include <QTest>

#include <cstdlib>
#include <set>
#include <vector>

#include "gui_test_support.h"
#include "results_test_support.h"

namespace tarnq::ui {
namespace {

using results::ResultList;

struct Step {
  enum Kind { kClick, kKey } kind;
  int rowOrKey;
  Qt::KeyboardModifiers modifiers = Qt::NoModifier;
};

struct SelectionCase {
  const char* name;
  std::vector<Step> steps;
  std::set<int> selected;
};
void PrintTo(const SelectionCase& c, std::ostream* os) { *os << c.name; }

class ViewSelection : public ::testing::TestWithParam<SelectionCase> {};

TEST_P(ViewSelection, LeavesTheListWithTheseRowsSelected) {
  testing::InstallLanguageLibrary();
  ResultList list;
  for (const char16_t* name : {u"a.mp3", u"b.mp3", u"c.mp3", u"d.mp3", u"e.mp3"}) {
    results::testing::Add(list, results::testing::Row{.name = name});
  }
  ResultModel model(list);
  ResultView view;
  view.SetResultModel(&model);
  view.resize(600, 300);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));

  for (const Step& step : GetParam().steps) {
    if (step.kind == Step::kClick) {
      const QRect cell = view.visualRect(model.index(step.rowOrKey, 0));
      ASSERT_TRUE(cell.isValid()) << step.rowOrKey;
      QTest::mouseClick(view.viewport(), Qt::LeftButton, step.modifiers, cell.center());
    } else {
      QTest::keyClick(&view, static_cast<Qt::Key>(step.rowOrKey), step.modifiers);
    }
  }

  std::set<int> selected;
  for (size_t row = 0; row < list.RowCount(); ++row) {
    if (list.RowAt(row).Selected()) selected.insert(static_cast<int>(row));
  }
  EXPECT_EQ(selected, GetParam().selected);
}

constexpr auto kClick = Step::kClick;
constexpr auto kKey = Step::kKey;

INSTANTIATE_TEST_SUITE_P(
    MouseAndKeys, ViewSelection,
    ::testing::Values(
        SelectionCase{"click_selects_the_row", {{kClick, 1}}, {1}},
        SelectionCase{"click_selects_only_that_row", {{kClick, 0}, {kClick, 3}}, {3}},
        SelectionCase{"click_on_a_selected_row_selects_only_it",
                      {{kClick, 0}, {kClick, 2, Qt::ControlModifier}, {kClick, 2}}, {2}},
        SelectionCase{"ctrl_click_adds", {{kClick, 0}, {kClick, 2, Qt::ControlModifier}}, {0, 2}},
        SelectionCase{"ctrl_click_toggles_off",
                      {{kClick, 0}, {kClick, 2, Qt::ControlModifier}, {kClick, 0, Qt::ControlModifier}}, {2}},
        SelectionCase{"shift_click_selects_the_range", {{kClick, 1}, {kClick, 3, Qt::ShiftModifier}}, {1, 2, 3}},
        SelectionCase{"shift_click_upwards", {{kClick, 4}, {kClick, 2, Qt::ShiftModifier}}, {2, 3, 4}},
        SelectionCase{"arrow_moves_the_selection", {{kClick, 1}, {kKey, Qt::Key_Down}}, {2}},
        SelectionCase{"ctrl_space_toggles_on",
                      {{kClick, 0}, {kKey, Qt::Key_Down, Qt::ControlModifier}, {kKey, Qt::Key_Space, Qt::ControlModifier}},
                      {0, 1}},
        SelectionCase{"ctrl_space_toggles_off", {{kClick, 2}, {kKey, Qt::Key_Space, Qt::ControlModifier}}, {}}),
    [](const ::testing::TestParamInfo<SelectionCase>& info) { return std::string(info.param.name); });

TEST(ViewDrag, DraggingASelectedRowDragsTheSelectionAndKeepsIt) {
  testing::InstallLanguageLibrary();
  ResultList list;
  for (const char16_t* name : {u"a.mp3", u"b.mp3", u"c.mp3"}) results::testing::Add(list, results::testing::Row{.name = name});
  ResultModel model(list);
  ResultView view;
  view.SetResultModel(&model);
  int drags = 0;
  view.onDragOut = [&] { ++drags; };
  view.resize(600, 300);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, view.visualRect(model.index(0, 0)).center());
  QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ControlModifier, view.visualRect(model.index(2, 0)).center());
  const QPoint start = view.visualRect(model.index(2, 0)).center();
  QTest::mousePress(view.viewport(), Qt::LeftButton, Qt::NoModifier, start);
  const QPoint end = view.visualRect(model.index(1, 0)).center() + QPoint(0, -QApplication::startDragDistance());
  QMouseEvent move(QEvent::MouseMove, end, view.viewport()->mapToGlobal(end), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(view.viewport(), &move);
  QTest::mouseRelease(view.viewport(), Qt::LeftButton, Qt::NoModifier, end);
  EXPECT_EQ(drags, 1);
  EXPECT_TRUE(list.RowAt(0).Selected());
  EXPECT_FALSE(list.RowAt(1).Selected()) << "no range selection while dragging";
  EXPECT_TRUE(list.RowAt(2).Selected());
}

}  // namespace
}  // namespace tarnq::ui

namespace tarnq::ui {
namespace {

bool Near(const QColor& a, const QColor& b) {
  return std::abs(a.red() - b.red()) <= 6 && std::abs(a.green() - b.green()) <= 6 && std::abs(a.blue() - b.blue()) <= 6;
}

// The row styles of the options: where the selection shows, the lines between columns, the lit row.
TEST(ViewRowStyle, DrawsTheSelectionLinesAndTheLitRowAsChosen) {
  testing::InstallLanguageLibrary();
  ResultList list;
  for (const char16_t* name : {u"a.mp3", u"b.mp3", u"c.mp3"}) results::testing::Add(list, results::testing::Row{.name = name});
  list.SetSelection(0, ResultList::kSelect);
  ResultModel model(list);
  ResultView view;
  view.SetResultModel(&model);
  view.resize(600, 200);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  const QColor highlight = view.palette().color(QPalette::Highlight);
  // The colour in the middle of a cell's empty right part, and on its right edge.
  auto pixel = [&](int row, int column, bool edge) {
    const QRect cell = view.visualRect(model.index(row, column));
    const QImage image = view.viewport()->grab().toImage();
    return image.pixelColor(edge ? cell.right() : cell.right() - 3, cell.center().y());
  };
  const int second = view.horizontalHeader()->logicalIndex(1);

  view.SetRowStyle({.fullRowSelect = true, .columnLines = false, .hoverHighlight = false});
  EXPECT_TRUE(Near(pixel(0, second, false), highlight));
  view.SetRowStyle({.fullRowSelect = false, .columnLines = false, .hoverHighlight = false});
  EXPECT_FALSE(Near(pixel(0, second, false), highlight));
  EXPECT_TRUE(Near(pixel(0, view.horizontalHeader()->logicalIndex(0), false), highlight));

  EXPECT_FALSE(Near(pixel(1, second, true), view.palette().color(QPalette::Mid)));
  view.SetRowStyle({.fullRowSelect = true, .columnLines = true, .hoverHighlight = false});
  EXPECT_TRUE(Near(pixel(1, second, true), view.palette().color(QPalette::Mid)));

  const QPoint onRow2 = view.visualRect(model.index(2, second)).center();
  QTest::mouseMove(view.viewport(), onRow2);
  EXPECT_EQ(view.HoverRow(), -1);
  view.SetRowStyle({.fullRowSelect = true, .columnLines = false, .hoverHighlight = true});
  const QColor unlit = pixel(2, second, false);
  QMouseEvent move(QEvent::MouseMove, onRow2, view.viewport()->mapToGlobal(onRow2), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(view.viewport(), &move);
  EXPECT_EQ(view.HoverRow(), 2);
  EXPECT_FALSE(Near(pixel(2, second, false), unlit));
}

}  // namespace
}  // namespace tarnq::ui
