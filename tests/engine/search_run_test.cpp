// SPDX-License-Identifier: GPL-3.0-or-later
// Searches from start to the filled result list over a real folder tree, with the test analyser.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "engine/search_run.h"
#include "lang/languages.h"
#include "platform/paths.h"
#include "scan_test_support.h"

namespace tarnq::engine {
namespace {

using testing::FakeAnalyser;
using testing::Library;

// Keeps what a status bar would show: the last folder and the totals line.
class RecordingStatus : public SearchProgressSink {
 public:
  void OnFolder(std::u16string_view folder) override {
    std::lock_guard lock(m_mutex);
    foldersShown.emplace_back(folder);
  }
  void OnProgress(const SearchProgress& progress) override {
    std::lock_guard lock(m_mutex);
    m_last = progress;
  }
  // Pane 0: the folder being listed (empty once the search is over); pane 1: the totals.
  std::u16string Pane(int pane) {
    std::lock_guard lock(m_mutex);
    if (pane == 1) return SearchStatusText(m_last, false);
    return m_last.phase == SearchPhase::kIdle || foldersShown.empty() ? u"" : foldersShown.back();
  }
  bool Searching() {
    std::lock_guard lock(m_mutex);
    return m_last.phase != SearchPhase::kIdle;
  }
  std::vector<std::u16string> foldersShown;

 private:
  std::mutex m_mutex;
  SearchProgress m_last;
};

class RecordingHost : public SearchHost {
 public:
  bool EditPreset(SearchPreset& preset) override {
    ++edits;
    if (!folderFromDialog.empty()) preset.SetFolderList({u"+" + folderFromDialog});
    return !folderFromDialog.empty();
  }
  void RefreshCommandStates() override { ++refreshes; }
  void SearchFinished(const SearchOutcome& outcome) override {
    ++finished;
    last = outcome;
  }
  int edits = 0;
  int refreshes = 0;
  int finished = 0;
  std::u16string folderFromDialog;
  SearchOutcome last;
};

class Search : public ::testing::Test {
 protected:
  void SetUp() override {
    static lang::LanguageLibrary library;
    static const bool loaded = library.Load(platform::ProgramFolder()) == 0;
    ASSERT_TRUE(loaded);
    lang::InstallLanguageRecord(library.Record());
  }
  // Runs a search over `folders` ("+path" or "-path" entries) and waits for it.
  bool Run(std::vector<std::u16string> folderList) {
    state.preset.SetFolderList(std::move(folderList));
    if (!runner.StartSearch()) return false;
    runner.Wait();
    return true;
  }
  std::vector<std::u16string> Paths() {
    std::vector<std::u16string> paths;
    for (size_t i = 0; i < state.list.RowCount(); ++i) paths.push_back(state.list.FullPathAt(i));
    std::sort(paths.begin(), paths.end());
    return paths;
  }
  std::u16string In(const std::string& relative) { return lib.Path16(relative); }

  Library lib;
  SearchState state;
  FakeAnalyser analyser;
  RecordingStatus status;
  RecordingHost host;
  platform::DirectDispatcher dispatcher;
  SearchRunner runner{state, analyser, status, host, dispatcher};
};

TEST_F(Search, FindsExactDuplicatesAndReportsTheTotals) {
  lib.Song("a/one.mp3", "Band", "Song", 200);
  lib.Song("b/two.mp3", "BAND", "song", 200);
  lib.Song("b/other.mp3", "Band", "Other", 200);
  lib.Song("b/longer.mp3", "Band", "Song", 260);
  lib.Write("b/notes.txt", "Band|Song|200");
  ASSERT_TRUE(Run({u"+" + In("")}));
  EXPECT_EQ(Paths(), (std::vector<std::u16string>{In("a/one.mp3"), In("b/two.mp3")}));
  EXPECT_EQ(state.groupCount.load(), 1u);
  EXPECT_EQ(state.list.RowAt(0).Group(), 1u);
  EXPECT_EQ(status.Pane(1), u"Total 2 files, 26 bytes, 1 group");
  EXPECT_EQ(status.Pane(0), u"");
  EXPECT_FALSE(status.Searching());
  EXPECT_EQ(analyser.calls, "LoadCache;LoadProviders;UnloadProviders;SaveCache;");
  EXPECT_EQ(host.finished, 1);
  EXPECT_EQ(host.last.filesScanned, 4u);
  EXPECT_FALSE(runner.Running());
}

TEST_F(Search, SimilarityGroupsNearNamesAndToleranceGroupsNearLengths) {
  lib.Song("x/1.mp3", "The Beatles", "Yesterday", 125);
  lib.Song("x/2.mp3", "Beatles", "Yesterday (Remastered)", 127);
  lib.Song("x/3.mp3", "Metallica", "One", 400);
  state.preset.useSimilarity = 1;
  state.preset.artistThreshold = 70;
  state.preset.titleThreshold = 50;
  state.preset.durationTolerance = 2;
  ASSERT_TRUE(Run({u"+" + In("x")}));
  EXPECT_EQ(Paths(), (std::vector<std::u16string>{In("x/1.mp3"), In("x/2.mp3")}));
  state.preset.durationTolerance = 1;
  ASSERT_TRUE(Run({u"+" + In("x")}));
  EXPECT_TRUE(Paths().empty());
  EXPECT_EQ(status.Pane(1), u"0 files");  // files found, but no duplicates
}

TEST_F(Search, ExcludedSubtreeIsSkippedButNotANamePrefix) {
  lib.Song("m/live/a.mp3", "A", "T");
  lib.Song("m/live/deep/b.mp3", "A", "T");
  lib.Song("m/live2/c.mp3", "A", "T");
  lib.Song("m/d.mp3", "A", "T");
  ASSERT_TRUE(Run({u"+" + In("m"), u"-" + In("m/live")}));
  EXPECT_EQ(Paths(), (std::vector<std::u16string>{In("m/d.mp3"), In("m/live2/c.mp3")}));
  // An excluded folder above a preset folder excludes it too.
  ASSERT_TRUE(Run({u"+" + In("m/live/deep"), u"+" + In("m/live2"), u"+" + In("m"), u"-" + In("m/live/")}));
  EXPECT_EQ(Paths(), (std::vector<std::u16string>{In("m/d.mp3"), In("m/live2/c.mp3")}));
}

TEST_F(Search, NoRecursionFindsOnlyTheFilesDirectlyInPresetFolders) {
  lib.Song("r/a.mp3", "A", "T");
  lib.Song("r/sub/b.mp3", "A", "T");
  lib.Song("s/c.mp3", "A", "T");
  state.preset.noRecursion = 1;
  ASSERT_TRUE(Run({u"+" + In("r"), u"+" + In("s")}));
  EXPECT_EQ(Paths(), (std::vector<std::u16string>{In("r/a.mp3"), In("s/c.mp3")}));
}

TEST_F(Search, EachFileOnceThroughOverlapsHardLinksAndSymbolicLinks) {
  lib.Song("o/a.mp3", "A", "T");
  lib.Song("o/sub/b.mp3", "A", "T");
  std::filesystem::create_hard_link(lib.Path("o/a.mp3"), lib.Path("o/sub/hard.mp3"));
  std::filesystem::create_directory_symlink(lib.Path("o"), lib.Path("o/sub/loop"));
  std::filesystem::create_symlink(lib.Path("o/a.mp3"), lib.Path("o/link.mp3"));
  ASSERT_TRUE(Run({u"+" + In("o/sub"), u"+" + In("o"), u"+" + In("o/sub/loop")}));
  const auto paths = Paths();
  ASSERT_EQ(paths.size(), 2u);
  // The hard link and a.mp3 are one file, found under whichever name the scan met first.
  EXPECT_TRUE(std::count(paths.begin(), paths.end(), In("o/sub/b.mp3")) == 1);
  EXPECT_TRUE(std::count(paths.begin(), paths.end(), In("o/a.mp3")) +
                  std::count(paths.begin(), paths.end(), In("o/sub/hard.mp3")) == 1);
}

TEST_F(Search, OddNamesKeepTheirExactPath) {
  const std::string odd = std::string("n/bad\xff") + "name\\with backslash.mp3";
  lib.Song(odd, "A", "T");
  lib.Song("n/\xc3\xa9t\xc3\xa9.mp3", "A", "T");
  lib.Write("n/empty.mp3", "");
  ASSERT_TRUE(Run({u"+" + In("n")}));
  const auto paths = Paths();
  ASSERT_EQ(paths.size(), 2u);
  std::string native;
  for (const auto& p : paths) {
    ASSERT_TRUE(platform::Utf16ToNameBytes(p, native));
    EXPECT_TRUE(std::filesystem::exists(native)) << native;
  }
}

TEST_F(Search, MissingAndUnreadablePresetFoldersMakeTheResultIncomplete) {
  lib.Song("ok/a.mp3", "A", "T");
  lib.Song("ok/b.mp3", "A", "T");
  ASSERT_TRUE(Run({u"+" + In("missing"), u"+" + In("ok"), u"+relative/folder"}));
  EXPECT_EQ(state.list.RowCount(), 2u);
  EXPECT_TRUE(host.last.incomplete);
  ASSERT_EQ(host.last.problems.size(), 2u);
  EXPECT_EQ(host.last.problems[0].path, In("missing"));
  EXPECT_EQ(host.last.problems[0].error, 3u);
  EXPECT_EQ(host.last.problems[1].error, 50u);  // no provider for a relative path
  EXPECT_EQ(status.Pane(1), u"Total 2 files, 14 bytes, 1 group - incomplete");
}

TEST_F(Search, UnreadableSubfolderIsSkippedQuietly) {
  lib.Song("u/a.mp3", "A", "T");
  lib.Song("u/closed/b.mp3", "A", "T");
  lib.Song("u/open/c.mp3", "A", "T");
  ::chmod(lib.Path("u/closed").c_str(), 0);
  const auto check = [&] {
    return Run({u"+" + In("u")}) &&
           Paths() == std::vector<std::u16string>{In("u/a.mp3"), In("u/open/c.mp3")} &&
           !host.last.incomplete && host.last.problems.size() == 1 && host.last.problems[0].error == 5u;
  };
  if (!testing::RunningAsRoot()) {
    EXPECT_TRUE(check());
    return;
  }
  // Root reads every folder: search as an unprivileged user in a child process.
  EXPECT_TRUE(testing::PassesAsUnprivilegedUser(check));
}

TEST_F(Search, AFileAmongTheFoldersIsSearchedOnItsOwn) {
  lib.Song("f/a.mp3", "A", "T");
  lib.Song("f/sibling.mp3", "A", "T");
  lib.Song("g/b.mp3", "A", "T");
  ASSERT_TRUE(Run({u"+" + In("f/a.mp3"), u"+" + In("g")}));
  EXPECT_EQ(Paths(), (std::vector<std::u16string>{In("f/a.mp3"), In("g/b.mp3")}));
  EXPECT_TRUE(host.last.problems.empty());
}

TEST_F(Search, SkippedFilesAreCountedWithTheirReasons) {
  lib.Song("s/a.mp3", "A", "T");
  lib.Song("s/b.mp3", "A", "T");
  lib.Write("s/empty.mp3", "");
  lib.Write("s/notes.txt", "x");
  lib.Song("s/closed.mp3", "A", "T");
  lib.Folder("t");
  std::filesystem::create_symlink(lib.Path("s/a.mp3"), lib.Path("s/link.mp3"));
  std::filesystem::create_directory_symlink(lib.Path("t"), lib.Path("s/folder-link"));
  ::chmod(lib.Path("s/closed.mp3").c_str(), 0);
  const auto check = [&] {
    if (!Run({u"+" + In("s")}) || Paths() != std::vector<std::u16string>{In("s/a.mp3"), In("s/b.mp3")}) return false;
    const SkippedFiles& skipped = host.last.skipped;
    std::map<std::u16string, SkipReason> reasons;
    for (const SkippedFile& f : skipped.files) reasons[f.path] = f.reason;
    return skipped.Count(SkipReason::kEmpty) == 1 && skipped.Count(SkipReason::kNotAudio) == 1 &&
           skipped.Count(SkipReason::kLink) == 2 && skipped.Count(SkipReason::kUnreadable) == 1 &&
           skipped.Total() == 5 && reasons[In("s/empty.mp3")] == SkipReason::kEmpty &&
           reasons[In("s/notes.txt")] == SkipReason::kNotAudio && reasons[In("s/link.mp3")] == SkipReason::kLink &&
           reasons[In("s/folder-link")] == SkipReason::kLink && reasons[In("s/closed.mp3")] == SkipReason::kUnreadable;
  };
  if (!testing::RunningAsRoot()) {
    EXPECT_TRUE(check());
    return;
  }
  // Root reads every file: search as an unprivileged user in a child process.
  EXPECT_TRUE(testing::PassesAsUnprivilegedUser(check));
}

TEST_F(Search, StopDuringTheScanLeavesNothingAndANewRunWorks) {
  for (int i = 0; i < 6; ++i) lib.Song("s/" + std::to_string(i) + ".mp3", "A", "T");
  analyser.onAnalyse = [&](std::u16string_view) { runner.Stop(); };
  ASSERT_TRUE(Run({u"+" + In("s")}));
  EXPECT_EQ(state.list.RowCount(), 0u);
  EXPECT_EQ(state.groupCount.load(), 0u);
  EXPECT_TRUE(state.lastCanceled.load());
  EXPECT_EQ(status.Pane(1), u"0 files - search canceled");
  EXPECT_TRUE(host.last.canceled);
  EXPECT_EQ(analyser.calls, "LoadCache;LoadProviders;UnloadProviders;SaveCache;");

  analyser.onAnalyse = nullptr;
  ASSERT_TRUE(Run({u"+" + In("s")}));
  EXPECT_EQ(state.list.RowCount(), 6u);
  EXPECT_FALSE(state.lastCanceled.load());
  EXPECT_EQ(status.Pane(1), u"Total 6 files, 42 bytes, 1 group");
}

TEST_F(Search, FindWhileRunningAndStopWhileIdleDoNothing) {
  lib.Song("f/a.mp3", "A", "T");
  lib.Song("f/b.mp3", "A", "T");
  runner.Stop();
  EXPECT_EQ(state.stopRequests.load(), 0);
  std::atomic<bool> secondStarted{true};
  analyser.onAnalyse = [&](std::u16string_view) {
    if (analyser.analysed.load() == 1) secondStarted = runner.StartSearch();
  };
  ASSERT_TRUE(Run({u"+" + In("f")}));
  EXPECT_FALSE(secondStarted.load());
  EXPECT_EQ(state.list.RowCount(), 2u);
}

TEST_F(Search, PresetWithoutFoldersAsksForThemAndStartsNothingWhenRefused) {
  lib.Song("p/a.mp3", "A", "T");
  lib.Song("p/b.mp3", "A", "T");
  ASSERT_TRUE(Run({u"+" + In("p")}));
  ASSERT_EQ(state.list.RowCount(), 2u);
  EXPECT_FALSE(Run({}));
  EXPECT_EQ(host.edits, 1);
  EXPECT_EQ(state.list.RowCount(), 2u);  // the previous results stay
  host.folderFromDialog = In("p");
  EXPECT_TRUE(Run({}));
  EXPECT_EQ(host.edits, 2);
}

TEST_F(Search, CacheIsAskedFirstAndLeftAloneWhenSwitchedOff) {
  lib.Song("c/a.mp3", "A", "T");
  lib.Song("c/b.mp3", "A", "T");
  ASSERT_TRUE(Run({u"+" + In("c")}));
  EXPECT_EQ(analyser.analysed.load(), 2);
  ASSERT_TRUE(Run({u"+" + In("c")}));
  EXPECT_EQ(analyser.analysed.load(), 2);
  EXPECT_EQ(analyser.cacheHits, 2);
  analyser.calls.clear();
  state.options = kOptionNoCache;
  ASSERT_TRUE(Run({u"+" + In("c")}));
  EXPECT_EQ(analyser.analysed.load(), 4);
  EXPECT_EQ(analyser.calls, "LoadProviders;UnloadProviders;");
}

TEST_F(Search, FilterMasksAndSizesApplyOnlyWhenSwitchedOn) {
  lib.Song("w/a.mp3", "A", "T");
  lib.Song("w/B.MP3", "A", "T");
  lib.Song("w/c (live).mp3", "A", "T");
  state.preset.filter.upper.mask = u"*live*";
  ASSERT_TRUE(Run({u"+" + In("w")}));
  EXPECT_EQ(state.list.RowCount(), 2u);  // B.MP3 is no .mp3 for the test analyser; the filter is off
  state.preset.filterEnabled = 1;
  lib.Song("w/d.mp3", "A", "T");
  ASSERT_TRUE(Run({u"+" + In("w")}));
  EXPECT_EQ(Paths(), (std::vector<std::u16string>{In("w/a.mp3"), In("w/d.mp3")}));
}

// The walk hands files over in slices and keeps only so many folders open; neither may lose or
// reorder anything.
TEST_F(Search, HugeFoldersAndDeepTreesAreScannedWhole) {
  for (int i = 0; i < 1500; ++i) lib.Song("big/" + std::to_string(i) + ".mp3", "A", "T");
  std::string deep = "deep";
  for (int level = 0; level < 70; ++level) {
    deep += "/d";
    lib.Song(deep + "/f.mp3", "A", "T");
  }
  ASSERT_TRUE(Run({u"+" + In("")}));
  EXPECT_EQ(state.list.RowCount(), 1570u);
  EXPECT_EQ(host.last.filesScanned, 1570u);
  EXPECT_TRUE(host.last.problems.empty());
  const std::vector<std::u16string> paths = Paths();
  EXPECT_TRUE(std::binary_search(paths.begin(), paths.end(), In(deep + "/f.mp3")));
  EXPECT_TRUE(std::binary_search(paths.begin(), paths.end(), In("big/1499.mp3")));
  EXPECT_EQ(std::adjacent_find(paths.begin(), paths.end()), paths.end());
}

TEST_F(Search, AFailureBeforeTheFirstFileEndsTheRunAndTheWalk) {
  for (int i = 0; i < 50; ++i) lib.Song("w/" + std::to_string(i % 5) + "/" + std::to_string(i) + ".mp3", "A", "T");
  analyser.failCacheLoad = true;
  ASSERT_TRUE(Run({u"+" + In("w")}));
  EXPECT_TRUE(host.last.failed);
  EXPECT_EQ(state.list.RowCount(), 0u);
  EXPECT_EQ(analyser.analysed.load(), 0);
  EXPECT_EQ(analyser.calls, "LoadCache;UnloadProviders;SaveCache;");
  EXPECT_FALSE(runner.Running());

  analyser.failCacheLoad = false;
  ASSERT_TRUE(Run({u"+" + In("w")}));
  EXPECT_FALSE(host.last.failed);
  EXPECT_EQ(state.list.RowCount(), 50u);
}

TEST_F(Search, FoldersAppearInTheStatusPaneWhileScanning) {
  lib.Song("v/a/x.mp3", "A", "T");
  lib.Folder("v/b");
  ASSERT_TRUE(Run({u"+" + In("v")}));
  std::sort(status.foldersShown.begin() + 1, status.foldersShown.end());
  EXPECT_EQ(status.foldersShown,
            (std::vector<std::u16string>{In("v"), In("v/a"), In("v/b")}) );
}

}  // namespace
}  // namespace tarnq::engine

// The search as the program runs it: the real readers analyse real (tiny) MP3 files.
#include "engine/provider_analyser.h"
#include "mp3_fixture.h"

namespace tarnq::engine {
namespace {

TEST(SearchWithRealAnalysis, GroupsTaggedCopiesAcrossFoldersAndCase) {
  static lang::LanguageLibrary library;
  static const bool loaded = library.Load(platform::ProgramFolder()) == 0;
  ASSERT_TRUE(loaded);
  lang::InstallLanguageRecord(library.Record());
  testing::Library lib;
  lib.Folder("a");
  lib.Folder("b");
  tarnq::testing::WriteFile(lib.Path("a/one.mp3"), tarnq::testing::Mp3Bytes("Band", "Song"));
  tarnq::testing::WriteFile(lib.Path("b/copy.MP3"), tarnq::testing::Mp3Bytes("BAND", "song"));
  tarnq::testing::WriteFile(lib.Path("b/other.mp3"), tarnq::testing::Mp3Bytes("Band", "Other"));
  tarnq::testing::WriteFile(lib.Path("b/noise.mp3"), "not audio at all");
  SearchState state;
  state.options = kOptionNoCache;
  state.preset.durationTolerance = 1;
  state.preset.SetFolderList({u"+" + lib.Path16()});
  ProviderAnalyser analyser(nullptr, nullptr);
  NullProgressSink status;
  SearchHost host;
  platform::DirectDispatcher dispatcher;
  SearchRunner runner(state, analyser, status, host, dispatcher);
  ASSERT_TRUE(runner.StartSearch());
  runner.Wait();
  ASSERT_EQ(state.list.RowCount(), 2u);
  std::vector<std::u16string> paths = {state.list.FullPathAt(0), state.list.FullPathAt(1)};
  std::sort(paths.begin(), paths.end());
  EXPECT_EQ(paths, (std::vector<std::u16string>{lib.Path16("a/one.mp3"), lib.Path16("b/copy.MP3")}));
  const records::AudioInfo info = state.list.RowAt(0).Info();
  EXPECT_EQ(info.format, records::kFormatMpeg);
  EXPECT_EQ(info.bitrate, 128);
  EXPECT_EQ(info.duration, 3u);
  EXPECT_EQ(state.list.CellTextAt(0, results::column::kAlbum), u"Album");
  EXPECT_GE(runner.LastOutcome().filesScanned, 3u);
}

}  // namespace
}  // namespace tarnq::engine

namespace tarnq::engine {
namespace {

// A stop during the sort ends the run without groups; one after the hand-over changes nothing.
class LateStopHost : public SearchHost {
 public:
  explicit LateStopHost(SearchRunner*& runner) : m_runner(runner) {}
  void BringToFront() override {
    if (m_runner != nullptr) m_runner->Stop();  // after the list was filled
  }

 private:
  SearchRunner*& m_runner;
};

TEST(SearchStop, AStopAfterTheHandOverIsNotACancel) {
  static lang::LanguageLibrary library;
  static const bool loaded = library.Load(platform::ProgramFolder()) == 0;
  ASSERT_TRUE(loaded);
  lang::InstallLanguageRecord(library.Record());
  testing::Library lib;
  lib.Song("a.mp3", "A", "T");
  lib.Song("b.mp3", "A", "T");
  SearchState state;
  state.preset.SetFolderList({u"+" + lib.Path16()});
  testing::FakeAnalyser analyser;
  NullProgressSink status;
  SearchRunner* self = nullptr;
  LateStopHost host(self);
  platform::DirectDispatcher dispatcher;
  SearchRunner runner(state, analyser, status, host, dispatcher);
  self = &runner;
  ASSERT_TRUE(runner.StartSearch());
  runner.Wait();
  EXPECT_EQ(state.list.RowCount(), 2u);
  EXPECT_EQ(state.groupCount.load(), 1u);
  EXPECT_FALSE(runner.LastOutcome().canceled);
  EXPECT_EQ(SearchStatusText(runner.Progress(), false), u"Total 2 files, 14 bytes, 1 group");
}

}  // namespace
}  // namespace tarnq::engine
