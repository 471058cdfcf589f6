// SPDX-License-Identifier: GPL-3.0-or-later
// The list tells its views about every change in pairs a table model can bracket, with the right
// indexes: a recorder keeps its own copy of the rows from the notifications alone and must end up
// with the list's rows after fill, sort, removal, rename and load.
#include <gtest/gtest.h>

#include "model_recorder.h"
#include "records/found_file.h"
#include "results/file_operations.h"
#include "results/results_file.h"
#include "results/selection.h"

namespace tarnq::results {
namespace {

using testing::ModelRecorder;

// Rows a..f in groups of two, sorted by name.
void FillSixRows(ResultList& list) {
  for (const char16_t c : std::u16string(u"fedcba")) {
    testing::Row row;
    row.name = std::u16string(1, c) + u".mp3";
    row.group = 1 + (u'f' - c) / 2;
    testing::Add(list, row);
  }
}

TEST(ListNotifications, FillFromSearchAndLoadAreOneReset) {
  testing::InstallEnglish();
  ResultList list;
  ModelRecorder model(list);
  list.Clear();  // as a search does first; its folders are then registered as it walks
  const uint32_t folder = list.FindFolder(u"/music");
  records::FoundFileStore store;
  std::vector<records::FoundFile> files;
  std::vector<std::byte> buffer;
  for (const char16_t* name : {u"x.mp3", u"y.mp3", u"z.mp3"}) {
    records::AudioInfo info;
    info.SetTexts({u"", u"", u"T", u"A", u"", u""});
    records::EncodeFoundFile({.group = 1, .folder = folder}, info, name, buffer);
    store.Append(buffer.data(), buffer.size());
    files.emplace_back(store.At(store.Count() - 1));
  }
  list.FillFromSearch(files, store);
  EXPECT_EQ(model.events, (std::vector<std::string>{"reset", "reset"}));
  EXPECT_EQ(model.Rows().size(), 3u);

  const std::string saved = ComposeResultsFile(list);
  model.events.clear();
  LoadResultsFromBytes(list, saved + "relative/skipped.mp3;1\r\n");
  EXPECT_EQ(model.events, (std::vector<std::string>{"reset"}));
  EXPECT_EQ(model.Rows(), (std::vector<std::u16string>{u"x.mp3", u"y.mp3", u"z.mp3"}));
}

TEST(ListNotifications, AddingSortingAndSelectingOutsideABatch) {
  testing::InstallEnglish();
  ResultList list;
  ModelRecorder model(list);
  FillSixRows(list);
  EXPECT_EQ(model.events.size(), 6u);
  EXPECT_EQ(model.events.back(), "insert 5+1");
  model.events.clear();
  list.SetSortKey(kSortName);
  EXPECT_EQ(model.events, (std::vector<std::string>{"layout"}));
  EXPECT_EQ(model.Rows().front(), u"a.mp3");
  SelectDupes(list, {});
  EXPECT_GT(model.rowsChanged, 0);
  model.events.clear();
  ResultList empty;
  ModelRecorder emptyModel(empty);
  empty.Sort();
  EXPECT_TRUE(emptyModel.events.empty()) << "nothing to announce for an empty list";
}

TEST(ListNotifications, RemovalsComeRunByRunFromTheEnd) {
  testing::InstallEnglish();
  ResultList list;
  FillSixRows(list);
  list.SetSortKey(kSortName);  // a b c d e f
  ModelRecorder model(list);
  list.SetFocusedRow(1);
  for (const size_t i : {0, 1, 3, 5}) list.SetSelection(static_cast<int64_t>(i), ResultList::kSelect);
  EXPECT_EQ(RemoveSelectedFromList(list), 4u);
  EXPECT_EQ(model.events, (std::vector<std::string>{"remove 5+1", "remove 3+1", "remove 0+2"}));
  EXPECT_EQ(model.Rows(), (std::vector<std::u16string>{u"c.mp3", u"e.mp3"}));
  EXPECT_EQ(list.FocusedRow(), 0);  // the focus went to the row that took the focused one's place
}

TEST(ListNotifications, ScatteredRemovalsBecomeOneReset) {
  testing::InstallEnglish();
  ResultList list;
  for (size_t i = 0; i < 2 * ResultList::kMaxRemovalRuns + 4; ++i) testing::Add(list, {.name = u"r" + platform::Utf8ToUtf16(std::to_string(i))});
  ModelRecorder model(list);
  std::vector<size_t> everyOther;
  for (size_t i = 0; i < list.RowCount(); i += 2) everyOther.push_back(i);
  list.RemoveRows(everyOther);
  EXPECT_EQ(model.events, (std::vector<std::string>{"reset"}));
  EXPECT_EQ(model.Rows().size(), ResultList::kMaxRemovalRuns + 2);
}

TEST(ListNotifications, RenameChangesOneRowInPlace) {
  testing::InstallEnglish();
  ResultList list;
  testing::Row row;
  row.name = u"old.mp3";
  testing::Add(list, row);
  ModelRecorder model(list);
  std::vector<std::byte> record;
  RowFields fields;
  fields.group = 1;
  records::AudioInfo info = list.RowAt(0).Info();
  EncodeRow(fields, info, u"a much longer new name.mp3", record);
  EXPECT_EQ(list.SetRow(0, record), ResultList::kSetRowDone);
  EXPECT_TRUE(model.events.empty());
  EXPECT_EQ(model.rowsChanged, 1);
  EXPECT_EQ(list.RowAt(0).Name(), u"a much longer new name.mp3");
}

}  // namespace
}  // namespace tarnq::results
