// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/selection.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

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

// A folder named through a symbolic link is the folder it leads to, and rows reached through a
// link lie in the real folder: preferred, protected and keep-in folders match either way.
TEST(FolderMatch, FoldersNamedThroughALinkMatchTheRealFolder) {
  namespace fs = std::filesystem;
  const fs::path root = fs::temp_directory_path() / ("tarnq-linked-folders-" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root / "real");
  fs::create_directories(root / "other");
  fs::create_directory_symlink(root / "real", root / "link");
  auto at = [&](const char* relative) { return platform::NameBytesToUtf16((root / relative).native()); };
  struct Case {
    const char* what;
    const char* first;   // the rows of the group, in display order
    const char* second;
    char16_t marker;     // 0: keep-in rule, else a favorites entry
    const char* folder;
  };
  const Case cases[] = {
      {"prefer the link, rows in the real folder", "real/x.mp3", "other/x.mp3", FavoriteFolder::kPreferred, "link"},
      {"prefer the real folder, rows through the link", "link/x.mp3", "other/x.mp3", FavoriteFolder::kPreferred, "real"},
      {"protect the real folder, rows through the link", "other/x.mp3", "link/x.mp3", FavoriteFolder::kExcluded, "real"},
      {"keep in the link, rows in the real folder", "other/x.mp3", "real/x.mp3", 0, "link"},
  };
  for (const Case& c : cases) {
    ResultList list;
    AddFile(list, at(c.first), 1);
    AddFile(list, at(c.second), 1);
    if (c.marker == FavoriteFolder::kPreferred) {
      SelectDupes(list, Favorites({{c.marker, at(c.folder)}}));
    } else {
      KeepChoice choice;
      if (c.marker == 0) choice.keepIn.push_back(at(c.folder));
      else choice.favorites = Favorites({{c.marker, at(c.folder)}});
      SelectDupesByRule(list, choice);
    }
    // By path alone the first row would be kept; the linked folder decides instead.
    EXPECT_EQ(Selected(list), (std::vector<bool>{true, false})) << c.what;
  }
  fs::remove_all(root);
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

// --- Keep rules -------------------------------------------------------------------------------------

// A playable, tagged MP3 row; AddRow gives it its folder and name.
Row Song(uint32_t group = 1) {
  Row r;
  r.group = group;
  r.duration = 200;
  r.bitrate = 192;
  r.sampleRate = 44100;
  r.title = u"Song";
  r.modified = 1000;
  return r;
}

int64_t AddRow(ResultList& list, std::u16string_view path, Row r) {
  const size_t slash = path.rfind(u'/');
  r.folder = list.FindFolder(path.substr(0, slash));
  r.name = std::u16string(path.substr(slash + 1));
  return Add(list, r);
}

TEST(KeepBest, EachCriterionOutranksTheOnesAfterIt) {
  using records::Codec, records::kFormatMp4, records::WithCodec;
  struct Case {
    const char* why;
    void (*better)(Row&);
    void (*worse)(Row&);
  };
  const Case cases[] = {
      {"playable over lossless without audio", [](Row&) {},
       [](Row& r) { r.duration = 0; r.bitrate = 0; r.sampleRate = 0; r.format = records::kFormatFlac; }},
      {"FLAC over a higher lossy rate", [](Row& r) { r.format = records::kFormatFlac; r.bitrate = 100; },
       [](Row& r) { r.bitrate = 320; }},
      {"ALAC by its type", [](Row& r) { r.format = records::kFormatMp4; r.type = u"ALAC, 44100Hz"; r.bitrate = 100; },
       [](Row& r) { r.format = records::kFormatMp4; r.type = u"M4A, 44100Hz"; r.bitrate = 320; }},
      {"ALAC by the codec under an M4A brand",
       [](Row& r) { r.format = WithCodec(kFormatMp4, Codec::kAlac); r.type = u"M4A, 8000Hz"; r.bitrate = 7; },
       [](Row& r) { r.format = WithCodec(kFormatMp4, Codec::kAac); r.type = u"M4A, 44100Hz"; r.bitrate = 320; }},
      {"higher rate over longer", [](Row& r) { r.bitrate = -256; }, [](Row& r) { r.bitrate = 192; r.duration = 300; }},
      {"longer over tagged", [](Row& r) { r.title.clear(); r.duration = 201; }, [](Row&) {}},
      {"tagged over older", [](Row& r) { r.modified = 5000; }, [](Row& r) { r.title.clear(); }},
      {"older", [](Row&) {}, [](Row& r) { r.modified = 2000; }},
  };
  for (const Case& c : cases) {
    for (const bool betterFirst : {false, true}) {
      ResultList list;
      Row better = Song();
      Row worse = Song();
      c.better(better);
      c.worse(worse);
      if (betterFirst) AddRow(list, u"/m/better.mp3", better);
      AddRow(list, u"/m/worse.mp3", worse);
      if (!betterFirst) AddRow(list, u"/m/better.mp3", better);
      const size_t b = betterFirst ? 0 : 1;
      EXPECT_TRUE(BetterCopy(list.RowAt(b), list.RowAt(1 - b))) << c.why;
      EXPECT_FALSE(BetterCopy(list.RowAt(1 - b), list.RowAt(b))) << c.why;
      SelectDupesByRule(list, {KeepRule::kBest, {}, {}, {}});
      EXPECT_FALSE(list.RowAt(b).Selected()) << c.why;
      EXPECT_TRUE(list.RowAt(1 - b).Selected()) << c.why;
    }
  }
}

TEST(KeepRule, FirstNewestOldest) {
  const struct {
    KeepRule rule;
    std::vector<bool> selected;
  } cases[] = {
      {KeepRule::kFirst, {false, true, true}},
      {KeepRule::kNewest, {true, false, true}},
      {KeepRule::kOldest, {true, true, false}},
  };
  for (const auto& c : cases) {
    ResultList list;
    const uint64_t times[] = {2000, 3000, 1000};
    for (int i = 0; i < 3; ++i) {
      Row r = Song();
      r.modified = times[i];
      AddRow(list, u"/m/" + std::u16string(1, char16_t(u'a' + i)) + u".mp3", r);
    }
    SelectDupesByRule(list, {c.rule, {}, {}, {}});
    EXPECT_EQ(Selected(list), c.selected) << int(c.rule);
  }
}

// An empty or broken copy is never the one kept while a playable copy is selected.
TEST(KeepRule, EveryRuleKeepsAPlayableCopy) {
  Row empty = Song();
  empty.duration = 0;
  empty.bitrate = 0;
  empty.sampleRate = 0;
  empty.modified = 9000;  // the newest
  const Row good = Song();
  const std::function<void(ResultList&)> rules[] = {
      [](ResultList& l) { SelectDupes(l, {}); },
      [](ResultList& l) { SelectDupes(l, Favorites({{u'+', u"/m/Old"}})); },
      [](ResultList& l) { SelectDupesByRule(l, {KeepRule::kFirst, {}, {}, {}}); },
      [](ResultList& l) { SelectDupesByRule(l, {KeepRule::kNewest, {}, {}, {}}); },
      [](ResultList& l) { SelectDupesByRule(l, {KeepRule::kFirst, {}, {u"/m/New"}, {}}); },
  };
  for (size_t i = 0; i < std::size(rules); ++i) {
    ResultList list;
    AddRow(list, u"/m/New/x.mp3", empty);
    AddRow(list, u"/m/Old/x.mp3", good);
    AddRow(list, u"/m/Old/y.mp3", good);
    rules[i](list);
    EXPECT_EQ(Selected(list), (std::vector<bool>{true, false, true})) << "rule " << i;
  }
  // A copy in an excluded folder stays unselected even without audio; a playable one is kept too.
  ResultList excluded;
  AddRow(excluded, u"/m/Keep/x.mp3", empty);
  AddRow(excluded, u"/m/Old/x.mp3", good);
  SelectDupes(excluded, Favorites({{u'+', u"/m/Old"}, {u'-', u"/m/Keep"}}));
  EXPECT_EQ(Selected(excluded), (std::vector<bool>{false, false}));
  SelectDupesByRule(excluded, {KeepRule::kFirst, Favorites({{u'-', u"/m/Keep"}}), {}, {}});
  EXPECT_EQ(Selected(excluded), (std::vector<bool>{false, false}));
}

TEST(KeepRule, KeepInSelectInAndProtectedFolders) {
  // Group 1 has copies in both folders, group 2 lies wholly in Downloads.
  auto build = [](ResultList& list) {
    Row flac = Song();
    flac.format = records::kFormatFlac;
    flac.bitrate = 900;
    AddRow(list, u"/m/Library/a.flac", flac);
    AddRow(list, u"/m/Downloads/a.mp3", Song());
    Row older = Song();
    older.modified = 10;
    AddRow(list, u"/m/Downloads/a (1).mp3", older);
    AddRow(list, u"/m/Downloads/b.mp3", Song(2));
    AddRow(list, u"/m/Downloads/b (1).mp3", Song(2));
  };
  const struct {
    const char* why;
    KeepChoice choice;
    std::vector<bool> selected;
  } cases[] = {
      {"best alone", {KeepRule::kBest, {}, {}, {}}, {false, true, true, false, true}},
      {"keep-in picks the best there", {KeepRule::kBest, {}, {u"/m/Downloads"}, {}}, {true, true, false, false, true}},
      {"select-in never takes the last copy", {KeepRule::kNewest, {}, {}, {u"/m/Downloads"}}, {false, true, true, false, true}},
      {"select-in leaves other folders alone", {KeepRule::kFirst, {}, {}, {u"/m/Library"}}, {true, false, false, false, false}},
      {"protected copies are kept, the others selected", {KeepRule::kBest, Favorites({{u'-', u"/m/Downloads"}}), {}, {}},
       {true, false, false, false, false}},
      {"preferred folders are selected first", {KeepRule::kBest, Favorites({{u'+', u"/m/Library"}}), {}, {}},
       {true, true, false, false, true}},
  };
  for (const auto& c : cases) {
    ResultList list;
    build(list);
    const SelectDupesResult r = SelectDupesByRule(list, c.choice);
    EXPECT_EQ(Selected(list), c.selected) << c.why;
    EXPECT_EQ(r.groups, 2u) << c.why;
  }
}

}  // namespace
}  // namespace tarnq::results
