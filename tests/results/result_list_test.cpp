// SPDX-License-Identifier: GPL-3.0-or-later
// Rows, folders, selection, cell texts, totals and the stored layout of the result list.
#include "results_test_support.h"
#include "platform/time.h"
#include "settings/settings_store.h"

namespace tarnq::results {
namespace {

using testing::Add;
using testing::Names;
using Names16 = std::vector<std::u16string>;

class ResultListTexts : public ::testing::Test {
 protected:
  void SetUp() override { testing::InstallEnglish(); }
};

TEST(FolderTable, RebuildsPathsThroughParentsAndRefusesBadParents) {
  FolderTable table;
  const uint32_t root = table.Add(u"/music", 0);
  const uint32_t rock = table.Add(u"rock", root);
  const uint32_t live = table.Add(u"live", rock);
  EXPECT_EQ(root, 1u);
  EXPECT_EQ(table.Path(live), u"/music/rock/live");
  EXPECT_EQ(table.Path(table.Add(u"x", table.Add(u"/", 0))), u"/x");
  EXPECT_EQ(table.Add(u"orphan", 99), 0u);
  EXPECT_EQ(table.Add(u"", root), 0u);
  EXPECT_EQ(table.Path(0), u"");
  EXPECT_EQ(table.Path(1000), u"");
  EXPECT_EQ(table.FindOrAdd(u"rock", root), rock);
  EXPECT_EQ(table.Find(u"rock", live), 0u);
  // Entries added after a lookup are found too; a second pair keeps finding the first.
  const uint32_t pop = table.Add(u"pop", root);
  table.Add(u"rock", root);
  EXPECT_EQ(table.Find(u"pop", root), pop);
  EXPECT_EQ(table.Find(u"rock", root), rock);
  EXPECT_EQ(table.NameView(pop), u"pop");
  table.Clear();
  EXPECT_EQ(table.Find(u"rock", root), 0u);
  EXPECT_EQ(table.FindOrAdd(u"/music", 0), 1u);
}

TEST(ResultRow, MadeFromAFoundFileKeepsEveryFieldThreeBytesFurther) {
  records::AudioInfo info;
  info.duration = 241;
  info.bitrate = -190;
  info.SetTexts({u"MPEG", u"", u"Title", u"Artist", u"", u""});
  records::FoundFileFields fields{.group = 4, .folder = 2, .attributes = 0x21, .size = 12345,
                                  .created = 11, .accessed = 22, .modified = 33};
  std::vector<std::byte> file, row;
  ASSERT_TRUE(records::EncodeFoundFile(fields, info, u"Name.mp3", file));
  const records::FoundFile found(file.data());
  ASSERT_TRUE(RowFromFoundFile(found, row));
  const ResultRow r(row.data());
  EXPECT_EQ(r.Length(), found.Length() + 3);
  EXPECT_EQ(r.Length(), 2 * 8 + 81);
  EXPECT_EQ(r.State(), 0);
  EXPECT_EQ(r.Group(), 4u);
  EXPECT_EQ(r.Folder(), 2u);
  EXPECT_EQ(r.Attributes(), 0x21);
  EXPECT_EQ(r.Size(), 12345u);
  EXPECT_EQ(r.Created(), 11u);
  EXPECT_EQ(r.Accessed(), 22u);
  EXPECT_EQ(r.Modified(), 33u);
  EXPECT_EQ(r.Info().duration, 241u);
  EXPECT_EQ(r.Info().texts, info.texts);
  EXPECT_EQ(r.Name(), u"Name.mp3");
  info.Release();
}

TEST(ResultList, FillFromSearchTakesOverTextBlocks) {
  records::FoundFileStore store;
  std::vector<records::FoundFile> files;
  std::vector<std::byte> buffer;
  for (int i = 0; i < 3; ++i) {
    records::AudioInfo info;
    info.SetTexts({u"", u"", u"T", u"A", u"", u""});
    records::EncodeFoundFile({.group = 1}, info, u"f" + std::u16string(1, u'0' + i), buffer);
    store.Append(buffer.data(), buffer.size());
    files.emplace_back(store.At(store.Count() - 1));
  }
  ResultList list;
  EXPECT_EQ(list.FillFromSearch(files, store), 3u);
  EXPECT_EQ(files[0].Info().texts, nullptr);  // the store will not free them again
  EXPECT_EQ(list.CellTextAt(2, column::kArtist), u"A");
  store.Clear();
  EXPECT_EQ(list.CellTextAt(2, column::kTitle), u"T");
}

TEST(ResultList, RemoveRowMovesFocusToTheNextRowUnlessBatched) {
  ResultList list;
  for (auto name : {u"a", u"b", u"c"}) Add(list, {.name = name});
  list.SetFocusedRow(1);
  EXPECT_TRUE(list.RemoveRow(1));
  EXPECT_EQ(Names(list), (Names16{u"a", u"c"}));
  EXPECT_EQ(list.FocusedRow(), 1);
  EXPECT_TRUE(list.RowAt(1).State() & row_state::kFocused);
  EXPECT_TRUE(list.RemoveRow(1));
  EXPECT_EQ(list.FocusedRow(), 0);  // the last row
  list.BeginBatch();
  EXPECT_TRUE(list.RemoveRow(0));
  list.EndBatch();
  EXPECT_EQ(list.FocusedRow(), ResultList::kNoRow);
  EXPECT_FALSE(list.RemoveRow(0));
}

TEST(ResultList, RemoveRowsKeepsOrderAndFocus) {
  ResultList list;
  for (auto name : {u"a", u"b", u"c", u"d", u"e"}) Add(list, {.name = name});
  list.SetFocusedRow(3);
  const std::vector<size_t> doomed = {4, 0, 2, 2, 77};
  EXPECT_EQ(list.RemoveRows(doomed), 3u);
  EXPECT_EQ(Names(list), (Names16{u"b", u"d"}));
  EXPECT_EQ(list.FocusedRow(), 1);
}

TEST(ResultList, SetRowReplacesInPlaceOrMovesALongerRecord) {
  ResultList list;
  Add(list, {.name = u"long-name.mp3", .artist = u"A"});
  const records::AudioInfo info = list.RowAt(0).Info();
  std::vector<std::byte> bytes;
  EncodeRow({.group = 1}, info, u"s.mp3", bytes);
  EXPECT_EQ(list.SetRow(0, bytes), ResultList::kSetRowDone);
  EXPECT_EQ(list.RowAt(0).Name(), u"s.mp3");
  EXPECT_EQ(list.SetRow(0, bytes), ResultList::kSetRowIdentical);
  EncodeRow({.group = 1}, info, u"a-much-longer-name-than-before.mp3", bytes);
  EXPECT_EQ(list.SetRow(0, bytes), ResultList::kSetRowDone);
  EXPECT_EQ(list.RowAt(0).Name(), u"a-much-longer-name-than-before.mp3");
  EXPECT_EQ(list.CellTextAt(0, column::kArtist), u"A");
  EXPECT_EQ(list.SetRow(5, bytes), ResultList::kSetRowBadIndex);
}

TEST(ResultList, SelectionModesAndCounts) {
  ResultList list;
  Add(list, {.name = u"a", .size = 100});
  Add(list, {.name = u"b", .size = kUnknownSize});
  Add(list, {.name = u"c", .size = 50});
  EXPECT_EQ(list.SetSelection(0, ResultList::kSelect), 1u);
  EXPECT_EQ(list.SetSelection(0, 2), 0u);
  EXPECT_EQ(list.SetSelection(ResultList::kAllRows, ResultList::kInvert), 3u);
  EXPECT_FALSE(list.SelectedRowAt(0));
  EXPECT_TRUE(list.SelectedRowAt(1));
  EXPECT_EQ(list.RecountSelected(), (TotalCounter{2, 50}));
  EXPECT_EQ(list.RecountTotals(), (TotalCounter{3, 150}));
  EXPECT_EQ(list.SetSelection(7, ResultList::kSelect), 0u);
}

TEST(CellTexts, ShortSizesRoundUpToTheNextUnit) {
  EXPECT_EQ(FormatShortSize(0), u"0 KB");
  EXPECT_EQ(FormatShortSize(1), u"1 KB");
  EXPECT_EQ(FormatShortSize(1024), u"1 KB");
  EXPECT_EQ(FormatShortSize(1025), u"2 KB");
  EXPECT_EQ(FormatShortSize(1024 * 1024), u"1,024 KB");
  EXPECT_EQ(FormatShortSize(1024 * 1024 + 1), u"2 MB");
  EXPECT_EQ(FormatShortSize(uint64_t{5} << 50), u"5,120 TB");
}

TEST(CellTexts, BitratesDurationsAndNumbers) {
  EXPECT_EQ(FormatBitrate(0), u"");
  EXPECT_EQ(FormatBitrate(1411), u"1,411 kbps");
  EXPECT_EQ(FormatBitrate(-1), u"VBR");
  EXPECT_EQ(FormatBitrate(-192), u"VBR (ø 192 kbps)");
  EXPECT_EQ(FormatBitrate(INT32_MIN), u"VBR (ø 2147483648 kbps)");
  EXPECT_EQ(FormatDuration(0), u"");
  EXPECT_EQ(FormatDuration(187), u"03:07");
  EXPECT_EQ(FormatDuration(3599), u"59:59");
  EXPECT_EQ(FormatDuration(3723), u"1:02:03");
  EXPECT_EQ(FormatSize(kUnknownSize, false), u"");
  EXPECT_EQ(FormatSize(1234567, false), u"1,234,567");
  EXPECT_EQ(FormatSize(1234567, true), u"2 MB");
}

TEST(CellTexts, ColumnsReadTheRow) {
  ResultList list;
  const uint32_t folder = list.AddFolder(u"/m", 0);
  Add(list, {.name = u"x.mp3", .folder = folder, .artist = u"Art", .title = u"Ti", .duration = 61,
             .size = 2048, .modified = platform::kUnixEpochAsFileTime, .attributes = 0x22});
  EXPECT_EQ(list.CellTextAt(0, column::kFilename), u"x.mp3");
  EXPECT_EQ(list.CellTextAt(0, column::kPath), u"/m");
  EXPECT_EQ(list.CellTextAt(0, column::kArtist), u"Art");
  EXPECT_EQ(list.CellTextAt(0, column::kTitle), u"Ti");
  EXPECT_EQ(list.CellTextAt(0, column::kTrack), u"");
  EXPECT_EQ(list.CellTextAt(0, column::kDuration), u"01:01");
  EXPECT_EQ(list.CellTextAt(0, column::kSize), u"2,048");
  list.SetOptions(list_option::kShortSizes);
  EXPECT_EQ(list.CellTextAt(0, column::kSize), u"2 KB");
  EXPECT_FALSE(list.CellTextAt(0, column::kModified).empty());
  EXPECT_TRUE(IsDimmed(list.RowAt(0)));
  EXPECT_EQ(list.CellTextAt(0, 999), u"");
  EXPECT_EQ(list.CellTextAt(5, column::kFilename), u"");
}

TEST_F(ResultListTexts, StatusLinesOfTotalsAndSelection) {
  StatusTextInput input;
  EXPECT_EQ(FormatStatusText(input), u"0 files");
  input.canceled = true;
  EXPECT_EQ(FormatStatusText(input), u"0 files - search canceled");
  input = {.counter = {1, 1}};
  EXPECT_EQ(FormatStatusText(input), u"Total 1 file, 1 byte");
  input = {.counter = {1234, 5000000}, .groupCount = 1};
  EXPECT_EQ(FormatStatusText(input), u"Total 1,234 files, 5,000,000 bytes, 1 group");
  input.shortSizes = true;
  input.groupCount = 12;
  EXPECT_EQ(FormatStatusText(input), u"Total 1,234 files, 5 MB, 12 groups");
  input.textId = status_text::kSelected;
  input.canceled = true;
  EXPECT_EQ(FormatStatusText(input), u"Selected 1,234 files, 5 MB");
  input.counter = {};
  EXPECT_EQ(FormatStatusText(input), u"");
}

TEST(ColumnLayout, ParsesWritesAndFallsBack) {
  const ColumnLayout defaults = DefaultLayout();
  ASSERT_EQ(defaults.size(), 10u);
  EXPECT_EQ(defaults[5].tableIndex, 5);
  EXPECT_EQ(defaults[5].flags, 0x0201);
  EXPECT_EQ(FormatLayout(defaults),
            u"0,150;1,80;2,150;3,254;4,150;R5,40;6,50;R7,50;R8,50;9,200");
  const ColumnLayout parsed = ParseLayout(u"C3,99;L12,75;x;99,10;R0,");
  ASSERT_EQ(parsed.size(), 3u);
  EXPECT_EQ(parsed[0], (LayoutColumn{3, 99, kAlignCenter}));
  EXPECT_EQ(parsed[1], (LayoutColumn{12, 75, 0x0200}));
  EXPECT_EQ(parsed[2], (LayoutColumn{0, 150, kAlignRight}));
  EXPECT_EQ(ParseLayout(u"C3,99;L12,75;x;99,10;R0,").size(), 3u);
  EXPECT_EQ(ParseLayout(u"garbage"), defaults);
  EXPECT_EQ(ParseLayout(FormatLayout(parsed)), parsed);
}

TEST(ColumnLayout, SortOrderIsStoredAndOutOfRangeKeysReadAsUnsorted) {
  settings::SettingsStore store(u"", settings::SettingsStore::kExplicitFile);
  WriteSortOrder(store, {kSortDuration, true});
  EXPECT_EQ(store.ReadInt("TARNQ", "Sort", 0), 0x1000Au);
  EXPECT_EQ(ReadSortOrder(store), (SortOrder{kSortDuration, true}));
  store.WriteInt("TARNQ", "Sort", 0x10020u);
  EXPECT_EQ(ReadSortOrder(store), (SortOrder{kSortNone, true}));
  WriteLayout(store, {{2, 10, 0}});
  EXPECT_EQ(ReadLayout(store), (ColumnLayout{{2, 10, 0}}));
}

}  // namespace
}  // namespace tarnq::results
