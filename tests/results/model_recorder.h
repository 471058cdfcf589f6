// SPDX-License-Identifier: GPL-3.0-or-later
// An observer that behaves like a table model over the result list: it keeps its own copy of the
// rows (their names), changes it only when told, and checks after every change that its copy is
// the list again. A notification with a wrong index, a missing or nested bracket, or a change made
// outside a bracket shows up as a failure.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "results/result_list.h"
#include "results_test_support.h"

namespace tarnq::results::testing {

class ModelRecorder : public ResultListObserver {
 public:
  explicit ModelRecorder(ResultList& list) : m_list(list), m_rows(Names(list)) { list.AddObserver(this); }
  ~ModelRecorder() override { m_list.RemoveObserver(this); }

  void BeforeRowsInserted(size_t first, size_t count) override {
    Open("insert", first, count);
    EXPECT_LE(first, m_rows.size());
  }
  void AfterRowsInserted(size_t first, size_t count) override {
    Close("insert", first, count);
    const std::vector<std::u16string> now = Names(m_list);
    ASSERT_LE(first + count, now.size());
    m_rows.insert(m_rows.begin() + static_cast<std::ptrdiff_t>(first), now.begin() + static_cast<std::ptrdiff_t>(first),
                  now.begin() + static_cast<std::ptrdiff_t>(first + count));
    Check();
  }
  void BeforeRowsRemoved(size_t first, size_t count) override {
    Open("remove", first, count);
    EXPECT_LE(first + count, m_rows.size());
    EXPECT_EQ(Names(m_list), m_rows) << "rows changed before the removal was announced";
  }
  void AfterRowsRemoved(size_t first, size_t count) override {
    Close("remove", first, count);
    if (first + count <= m_rows.size())
      m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(first),
                   m_rows.begin() + static_cast<std::ptrdiff_t>(first + count));
    Check();
  }
  void BeforeReset() override { Open("reset", 0, 0); }
  void AfterReset() override {
    Close("reset", 0, 0);
    m_rows = Names(m_list);
  }
  void BeforeLayoutChange() override {
    Open("layout", 0, 0);
    m_layoutRows = m_rows.size();
  }
  void AfterLayoutChange() override {
    Close("layout", 0, 0);
    m_rows = Names(m_list);
    EXPECT_EQ(m_rows.size(), m_layoutRows) << "a layout change must keep the rows";
  }
  void OnRowsChanged(size_t first, size_t count) override {
    EXPECT_TRUE(m_open.empty()) << "row change inside a " << m_open << " bracket";
    EXPECT_LE(first + count, m_rows.size());
    ++rowsChanged;
  }

  // What was announced, in order: "reset", "remove 3+1", "insert 0+1", "layout".
  std::vector<std::string> events;
  int rowsChanged = 0;
  const std::vector<std::u16string>& Rows() const { return m_rows; }

 private:
  void Open(const std::string& kind, size_t first, size_t count) {
    EXPECT_TRUE(m_open.empty()) << kind << " inside a " << m_open << " bracket";
    m_open = kind;
    m_first = first;
    m_count = count;
    events.push_back(kind == "reset" || kind == "layout" ? kind
                                                         : kind + " " + std::to_string(first) + "+" + std::to_string(count));
  }
  void Close(const std::string& kind, size_t first, size_t count) {
    EXPECT_EQ(m_open, kind) << "unpaired end of " << kind;
    EXPECT_EQ(first, m_first);
    EXPECT_EQ(count, m_count);
    m_open.clear();
  }
  void Check() { EXPECT_EQ(m_rows, Names(m_list)); }

  ResultList& m_list;
  std::vector<std::u16string> m_rows;
  std::string m_open;
  size_t m_first = 0, m_count = 0, m_layoutRows = 0;
};

}  // namespace tarnq::results::testing
