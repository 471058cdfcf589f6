#include "results/selection.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/text.h"
#include "results/file_operations.h"
#include "results_test_support.h"
#include "settings/settings_store.h"

namespace tarnq::results {
namespace {

using testing::Add;
using testing::Row;

// Adds a row for the file `path` (folder and name split at the last '/').
int64_t AddFile(ResultList& list, std::u16string_view path, uint32_t group) {
  const size_t slash = path.rfind(u'/');
  Row r;
  r.folder = list.FindFolder(path.substr(0, slash));
  r.name = std::u16string(path.substr(slash + 1));
  r.group = group;
  return Add(list, r);
}

std::vector<bool> Selected(const ResultList& list) {
  std::vector<bool> s;
  for (size_t i = 0; i < list.RowCount(); ++i) s.push_back(list.RowAt(i).Selected());
  return s;
}

FavoriteFolders Favorites(std::initializer_list<std::pair<char16_t, std::u16string>> entries) {
  FavoriteFolders f;
  for (const auto& [marker, folder] : entries) f.push_back({marker, folder});
  return f;
}

class RecordingObserver : public ResultListObserver {
 public:
  void OnSelectionChanged() override { ++selectionChanges; }
  void OnRowsChanged(size_t, size_t count) override { rowChanges += count == 1 ? 1 : 0; }
  int selectionChanges = 0;
  int rowChanges = 0;  // notifications for single rows
};

TEST(SelectDupes, FirstInOrderKeepsTheFirstMemberOfEachGroup) {
  ResultList list;
  AddFile(list, u"/c/B/x.mp3", 1);
  AddFile(list, u"/c/A/x.mp3", 1);
  AddFile(list, u"/c/C/x.mp3", 1);
  list.SetSortKey(kSortPath);
  SelectDupes(list, {});
  EXPECT_EQ(list.FullPathAt(0), u"/c/A/x.mp3");
  EXPECT_EQ(Selected(list), (std::vector<bool>{false, true, true}));
  list.ToggleReversed();
  SelectDupes(list, {});
  EXPECT_EQ(list.FullPathAt(0), u"/c/C/x.mp3");
  EXPECT_EQ(Selected(list), (std::vector<bool>{false, true, true}));
}

TEST(SelectDupes, NotifiesOnceForTheWholeList) {
  RecordingObserver observer;
  ResultList list;
  list.AddObserver(&observer);
  for (int i = 0; i < 50; ++i) AddFile(list, u"/m/" + std::u16string(1, char16_t(u'a' + i % 26)) + u".mp3", 1 + i / 5);
  const SelectDupesResult result = SelectDupes(list, {});
  EXPECT_EQ(result.groups, 10u);
  EXPECT_EQ(result.selected, 40u);
  EXPECT_EQ(observer.selectionChanges, 1);
  EXPECT_EQ(observer.rowChanges, 0);
  EXPECT_EQ(list.RecountSelected().files, 40u);
}

TEST(SelectDupes, PreferredFolderMemberIsSelectedTheOtherKept) {
  ResultList list;
  AddFile(list, u"/c/Old/x.mp3", 1);
  AddFile(list, u"/d/New/x.mp3", 1);
  SelectDupes(list, Favorites({{u'+', u"/c/Old"}}));
  EXPECT_EQ(Selected(list), (std::vector<bool>{true, false}));
}

TEST(SelectDupes, AmongPreferredFoldersTheOneListedLastIsKept) {
  ResultList list;
  AddFile(list, u"/c/Backup/x.mp3", 1);
  AddFile(list, u"/c/Old/x.mp3", 1);
  SelectDupes(list, Favorites({{u'+', u"/c/Old"}, {u'+', u"/c/Backup"}}));
  EXPECT_EQ(Selected(list), (std::vector<bool>{false, true}));
}

TEST(SelectDupes, ExcludedFolderCases) {
  ResultList list;
  AddFile(list, u"/e/One/x.mp3", 1);
  AddFile(list, u"/d/Keep/x.mp3", 1);
  AddFile(list, u"/e/Two/x.mp3", 1);
  // Only an excluded folder: no positive score, so the first member is kept as well.
  SelectDupes(list, Favorites({{u'-', u"/d/Keep"}}));
  EXPECT_EQ(Selected(list), (std::vector<bool>{false, false, true}));

  ResultList mixed;
  AddFile(mixed, u"/c/Old/x.mp3", 1);
  AddFile(mixed, u"/d/Keep/x.mp3", 1);
  AddFile(mixed, u"/e/Other/x.mp3", 1);
  SelectDupes(mixed, Favorites({{u'+', u"/c/Old"}, {u'-', u"/d/Keep"}}));
  EXPECT_EQ(Selected(mixed), (std::vector<bool>{true, false, true}));

  ResultList outside;
  AddFile(outside, u"/a/x.mp3", 1);
  AddFile(outside, u"/b/x.mp3", 1);
  SelectDupes(outside, Favorites({{u'-', u"/d/Keep"}}));
  EXPECT_EQ(Selected(outside), (std::vector<bool>{false, true}));
}

TEST(SelectDupes, EqualLowestScoresKeepTheFirstInDisplayOrder) {
  ResultList list;
  AddFile(list, u"/old/a.mp3", 1);
  AddFile(list, u"/x/a.mp3", 1);
  AddFile(list, u"/y/a.mp3", 1);
  SelectDupes(list, Favorites({{u'+', u"/old"}}));
  EXPECT_EQ(Selected(list), (std::vector<bool>{true, false, true}));
}

TEST(SelectDupes, LoneRowsAndGroupZeroAreNeverSelected) {
  for (const bool byFolders : {false, true}) {
    ResultList list;
    AddFile(list, u"/old/a.mp3", 1);
    AddFile(list, u"/new/a.mp3", 1);
    AddFile(list, u"/old/b.mp3", 2);
    AddFile(list, u"/new/b.mp3", 2);
    AddFile(list, u"/old/z.mp3", 0);
    AddFile(list, u"/old/y.mp3", 0);
    const FavoriteFolders favorites = byFolders ? Favorites({{u'+', u"/old"}}) : FavoriteFolders{};
    SelectAll(list);
    // Group 2 loses a row through "Remove from list"; its last row must not stay selected.
    list.SetSelection(ResultList::kAllRows, ResultList::kDeselect);
    list.SetSelection(3, ResultList::kSelect);
    RemoveSelectedFromList(list);
    ASSERT_EQ(list.RowCount(), 5u);
    SelectAll(list);
    SelectDupes(list, favorites);
    EXPECT_EQ(Selected(list), (std::vector<bool>{byFolders, !byFolders, false, false, false})) << byFolders;
  }
}

TEST(SelectDupes, EmptyListChangesNothing) {
  ResultList list;
  const SelectDupesResult r = SelectDupes(list, Favorites({{u'+', u"/x"}}));
  EXPECT_EQ(r.changed, 0u);
  EXPECT_EQ(SelectAll(list), 0u);
  EXPECT_EQ(InvertSelection(list), 0u);
}

TEST(FolderMatch, WholeComponentsOnly) {
  EXPECT_TRUE(FolderMatches(u"/c/Music", u"/c/Music"));
  EXPECT_TRUE(FolderMatches(u"/c/Music", u"/c/Music/Rock"));
  EXPECT_TRUE(FolderMatches(u"/c/Music/", u"/c/Music/Rock"));
  EXPECT_FALSE(FolderMatches(u"/c/Music", u"/c/Musical"));
  EXPECT_FALSE(FolderMatches(u"/c/Music", u"/c/Mus"));
  EXPECT_FALSE(FolderMatches(u"", u"/c/Music"));
  // Linux names are case-sensitive, and '\' is part of a name here.
  EXPECT_FALSE(FolderMatches(u"/c/music", u"/c/Music"));
  EXPECT_FALSE(FolderMatches(u"/c/Music", u"/c/Music\\Rock"));
  const FavoriteFolders f = Favorites({{u'+', u"/a"}, {u'-', u"/a/b"}, {u'+', u"/c"}});
  EXPECT_EQ(FolderScore(u"/a/b", f), 3);  // the first matching entry decides
  EXPECT_EQ(FolderScore(u"/c/d", f), 1);
  EXPECT_EQ(FolderScore(u"/z", f), 0);
  EXPECT_EQ(FolderScore(u"/a/b", Favorites({{u'-', u"/a/b"}})), -1);
}

TEST(SelectionCommands, AllNoneInvert) {
  ResultList list;
  AddFile(list, u"/a/1.mp3", 1);
  AddFile(list, u"/a/2.mp3", 1);
  AddFile(list, u"/a/3.mp3", 2);
  list.SetSelection(0, ResultList::kSelect);
  EXPECT_EQ(InvertSelection(list), 3u);
  EXPECT_EQ(Selected(list), (std::vector<bool>{false, true, true}));
  EXPECT_EQ(SelectAll(list), 1u);
  EXPECT_EQ(DeselectAll(list), 3u);
  EXPECT_EQ(list.SelectedCount(), 0u);
}

TEST(Favorites, ReadFromTheSettingsAndWrittenBack) {
  const auto file = std::filesystem::temp_directory_path() / ("tarnq-selfav-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".ini");
  std::ofstream(file) << "[SelFav]\n1=+/music/old\n2=\n3=-%TEMP%/keep\n4=/plain\n";
  settings::SettingsStore store(platform::Utf8ToUtf16(file.string()), settings::SettingsStore::kExplicitFile);
  const FavoriteFolders f = ReadFavoriteFolders(store);
  ASSERT_EQ(f.size(), 3u);
  EXPECT_EQ(f[0], (FavoriteFolder{u'+', u"/music/old"}));
  EXPECT_EQ(f[1].marker, u'-');
  EXPECT_EQ(f[1].folder, platform::JoinPath(platform::TempFolder(), u"keep"));
  EXPECT_EQ(f[2], (FavoriteFolder{u'+', u"/plain"}));
  const FavoriteFolders written = Favorites({{u'-', u"/x y"}, {u'+', u"/z"}});
  EXPECT_EQ(WriteFavoriteFolders(store, written), 0u);
  EXPECT_EQ(ReadFavoriteFolders(store), written);
  std::filesystem::remove(file);
}

}  // namespace
}  // namespace tarnq::results
