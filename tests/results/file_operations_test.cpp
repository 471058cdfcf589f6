// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/file_operations.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/errors.h"
#include "platform/terminal.h"
#include "platform/text.h"
#include "results/selection.h"
#include "model_recorder.h"
#include "private_mount.h"
#include "results_test_support.h"
#include "saved_environment.h"
#include "settings/settings_store.h"

namespace tarnq::results {
namespace {

namespace fs = std::filesystem;
namespace err = platform::err;

class RecordingOperationObserver : public FileOperationObserver {
 public:
  void OnError(const FileError& error) override { errors.push_back(error); }
  void OnDone(const JobFile& file, std::u16string_view target) override {
    done.push_back(file.path);
    targets.emplace_back(target);
    if (stopAfterFirst && stop) stop->store(1);
  }
  bool OnProgress(uint64_t d, uint64_t total) override {
    progress.emplace_back(d, total);
    return true;
  }
  platform::ExistsChoice OnExists(std::u16string_view, std::u16string_view) override { return choice; }
  std::vector<FileError> errors;
  std::vector<std::u16string> done, targets;
  std::vector<std::pair<uint64_t, uint64_t>> progress;
  platform::ExistsChoice choice = platform::ExistsChoice::kSkip;
  bool stopAfterFirst = false;
  std::atomic<int32_t>* stop = nullptr;
};

class FileOperations : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::InstallEnglish();
    m_root = fs::temp_directory_path() /
             ("tarnq-fileops-" + std::to_string(::getpid()) + "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(m_root);
    fs::create_directories(m_root);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(m_root, ec);
  }
  std::string N(const std::string& relative) const { return (m_root / relative).native(); }
  std::u16string P(const std::string& relative) const { return platform::NameBytesToUtf16(N(relative)); }
  void Write(const std::string& relative, const std::string& content) {
    fs::create_directories(fs::path(N(relative)).parent_path());
    std::ofstream(N(relative), std::ios::binary) << content;
  }
  std::string Read(const std::string& relative) {
    std::ifstream in(N(relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  bool Exists(const std::string& relative) { return fs::exists(fs::symlink_status(N(relative))); }
  // A row for the file as a search would have made it (size and time from the file).
  void AddFile(const std::string& relative, uint32_t group, bool selected) {
    const std::u16string path = P(relative);
    platform::FileStatus status;
    ASSERT_EQ(platform::GetFileStatus(path, status), 0u) << relative;
    testing::Row r;
    r.folder = m_list.FindFolder(platform::FolderOf(path));
    r.name = std::u16string(platform::FileNameOf(path));
    r.group = group;
    r.size = status.size;
    r.modified = status.lastWriteTime;
    const int64_t index = testing::Add(m_list, r);
    ASSERT_GE(index, 0);
    if (selected) m_list.SetSelection(index, ResultList::kSelect);
  }
  std::vector<std::u16string> Paths() {
    std::vector<std::u16string> paths;
    for (size_t i = 0; i < m_list.RowCount(); ++i) paths.push_back(m_list.FullPathAt(i));
    return paths;
  }
  OperationContext Context() { return {m_list, m_dispatcher, &m_observer, &m_stop}; }

  fs::path m_root;
  ResultList m_list;
  platform::DirectDispatcher m_dispatcher;
  RecordingOperationObserver m_observer;
  std::atomic<int32_t> m_stop{0};
};

TEST_F(FileOperations, DeleteRemovesExactlyTheRowsWhoseFilesAreGone) {
  Write("a/keep.mp3", "keep");
  Write("b/dupe.mp3", "dupe");
  Write("c/gone.mp3", "gone");
  Write("d/other.mp3", "other");
  AddFile("a/keep.mp3", 1, false);
  AddFile("b/dupe.mp3", 1, true);
  AddFile("c/gone.mp3", 1, true);
  AddFile("d/other.mp3", 2, false);
  testing::ModelRecorder model(m_list);
  const FileJob job = SnapshotSelection(m_list);
  ASSERT_EQ(job.files.size(), 2u);
  EXPECT_EQ(job.totalBytes, 8u);
  fs::remove(N("c/gone.mp3"));  // vanished between confirmation and work
  const OperationOutcome outcome = DeleteFiles(Context(), job, false);
  EXPECT_EQ(outcome.done, 1u);
  ASSERT_EQ(outcome.errors.size(), 1u);
  EXPECT_EQ(outcome.errors[0].path, P("c/gone.mp3"));
  EXPECT_EQ(outcome.errors[0].code, err::kFileNotFound);
  EXPECT_EQ(m_observer.errors.size(), 1u);
  EXPECT_FALSE(Exists("b/dupe.mp3"));
  EXPECT_EQ(Read("a/keep.mp3"), "keep");
  EXPECT_EQ(Read("d/other.mp3"), "other");
  EXPECT_EQ(Paths(), (std::vector<std::u16string>{P("a/keep.mp3"), P("c/gone.mp3"), P("d/other.mp3")}));
  EXPECT_EQ(model.events, (std::vector<std::string>{"remove 1+1"}));
  EXPECT_EQ(m_list.SelectedCount(), 0u);
  EXPECT_EQ(m_observer.progress.back(), (std::pair<uint64_t, uint64_t>{2, 2}));
}

TEST_F(FileOperations, ChangedFilesAndTheKeptFileItselfAreNeverDeleted) {
  Write("keep.mp3", "original");
  fs::create_hard_link(N("keep.mp3"), N("link.mp3"));  // the same file under a second name
  Write("changed.mp3", "abc");
  Write("replaced.mp3", "xyz");
  AddFile("keep.mp3", 1, false);
  AddFile("link.mp3", 1, true);
  AddFile("changed.mp3", 2, false);
  AddFile("replaced.mp3", 2, true);
  const FileJob job = SnapshotSelection(m_list);
  Write("changed.mp3", "abcd");
  // Same size and time, but another file now: the identity tells.
  // The new file is made while the old one still exists, so it cannot get the old inode number.
  const auto when = fs::last_write_time(N("replaced.mp3"));
  Write("replacement.tmp", "xyz");
  fs::last_write_time(N("replacement.tmp"), when);
  fs::rename(N("replacement.tmp"), N("replaced.mp3"));
  m_list.SetSelection(2, ResultList::kSelect);
  const FileJob second = SnapshotSelection(m_list);  // changed.mp3 now selected, its row is stale
  OperationOutcome outcome = DeleteFiles(Context(), job, false);
  ASSERT_EQ(outcome.errors.size(), 2u);
  EXPECT_EQ(outcome.errors[0].code, op_error::kSameAsKeptFile);
  EXPECT_EQ(outcome.errors[1].code, op_error::kFileChanged);
  outcome = DeleteFiles(Context(), second, true);
  ASSERT_EQ(outcome.errors.size(), 2u);
  EXPECT_EQ(outcome.errors[1].path, P("changed.mp3"));
  EXPECT_EQ(outcome.errors[1].code, op_error::kFileChanged);
  EXPECT_EQ(Read("keep.mp3"), "original");
  EXPECT_EQ(Read("link.mp3"), "original");
  EXPECT_EQ(Read("changed.mp3"), "abcd");
  // The new replaced.mp3 was there when the second snapshot was taken, with the row's size and time.
  EXPECT_FALSE(Exists("replaced.mp3"));
  EXPECT_EQ(m_list.RowCount(), 3u);
  EXPECT_NE(OperationErrorMessage(op_error::kFileChanged).find("changed"), std::string::npos);
}

TEST_F(FileOperations, TheLastCopyOfAGroupIsNeverDeleted) {
  // group 1: the kept copy vanished; 2: it is now a link to the selected file; 3: it changed;
  // 4 and 5: the same two files listed crosswise, each kept in one group and selected in the other;
  // 6: an intact kept copy; 7: every member selected on purpose.
  for (const char* name : {"1k", "1s", "2k", "2s", "3k", "3s", "p", "q", "6k", "6s", "7a", "7b"})
    Write(std::string(name) + ".mp3", std::string("data-") + name[0]);
  AddFile("1k.mp3", 1, false);
  AddFile("1s.mp3", 1, true);
  AddFile("2k.mp3", 2, false);
  AddFile("2s.mp3", 2, true);
  AddFile("3k.mp3", 3, false);
  AddFile("3s.mp3", 3, true);
  AddFile("p.mp3", 4, false);
  AddFile("q.mp3", 4, true);
  AddFile("q.mp3", 5, false);
  AddFile("p.mp3", 5, true);
  AddFile("6k.mp3", 6, false);
  AddFile("6s.mp3", 6, true);
  AddFile("7a.mp3", 7, true);
  AddFile("7b.mp3", 7, true);
  const FileJob job = SnapshotSelection(m_list);
  EXPECT_EQ(job.groupsLosingEveryCopy, 1u);
  fs::remove(N("1k.mp3"));
  fs::remove(N("2k.mp3"));
  fs::create_symlink(N("2s.mp3"), N("2k.mp3"));
  Write("3k.mp3", "changed");
  const OperationOutcome outcome = DeleteFiles(Context(), job, false);
  std::vector<std::pair<std::u16string, uint32_t>> errors;
  for (const FileError& e : outcome.errors) errors.emplace_back(e.path, e.code);
  EXPECT_EQ(errors, (std::vector<std::pair<std::u16string, uint32_t>>{{P("1s.mp3"), op_error::kNoKeptCopy},
                                                                      {P("2s.mp3"), op_error::kNoKeptCopy},
                                                                      {P("3s.mp3"), op_error::kNoKeptCopy},
                                                                      {P("q.mp3"), op_error::kSameAsKeptFile},
                                                                      {P("p.mp3"), op_error::kSameAsKeptFile}}));
  for (const char* kept : {"1s", "2s", "3s", "p", "q", "6k"}) EXPECT_TRUE(Exists(std::string(kept) + ".mp3")) << kept;
  for (const char* gone : {"6s", "7a", "7b"}) EXPECT_FALSE(Exists(std::string(gone) + ".mp3")) << gone;
}

TEST_F(FileOperations, TrashAndWipeKeepTheLastCopyToo) {
  for (const bool wipe : {false, true}) {
    m_list.Clear();
    Write("k.mp3", "same");
    Write("s.mp3", "same");
    AddFile("k.mp3", 1, false);
    AddFile("s.mp3", 1, true);
    const FileJob job = SnapshotSelection(m_list);
    fs::remove(N("k.mp3"));
    const OperationOutcome outcome = wipe ? DeleteFiles(Context(), job, true) : TrashFiles(Context(), job);
    ASSERT_EQ(outcome.errors.size(), 1u) << wipe;
    EXPECT_EQ(outcome.errors[0].code, op_error::kNoKeptCopy);
    EXPECT_EQ(Read("s.mp3"), "same");
  }
}

TEST_F(FileOperations, WipeReportsBlocksAndRemovesTheFile) {
  Write("keep.mp3", std::string(10000, 'k'));
  Write("song.mp3", std::string(10000, 's'));
  Write("@@@@.@@@", "someone else's");
  AddFile("keep.mp3", 1, false);
  AddFile("song.mp3", 1, true);
  const OperationOutcome outcome = DeleteFiles(Context(), SnapshotSelection(m_list), true);
  EXPECT_EQ(outcome.code, 0u);
  EXPECT_EQ(outcome.done, 1u);
  EXPECT_FALSE(Exists("song.mp3"));
  EXPECT_FALSE(Exists("@@@@.@@@1"));
  EXPECT_EQ(Read("@@@@.@@@"), "someone else's");
  std::vector<uint64_t> done;
  for (const auto& [d, total] : m_observer.progress) {
    EXPECT_EQ(total, 10001u);
    done.push_back(d);
  }
  EXPECT_EQ(done, (std::vector<uint64_t>{4096, 8192, 10000, 10001}));
  EXPECT_EQ(Paths(), (std::vector<std::u16string>{P("keep.mp3")}));
}

TEST_F(FileOperations, StopLeavesEveryUnhandledFileAndRow) {
  for (const char* name : {"1.mp3", "2.mp3", "3.mp3"}) {
    Write(name, name);
    AddFile(name, 1, true);
  }
  m_observer.stop = &m_stop;
  m_observer.stopAfterFirst = true;
  const OperationOutcome outcome = DeleteFiles(Context(), SnapshotSelection(m_list), false);
  EXPECT_TRUE(outcome.Cancelled());
  EXPECT_EQ(outcome.done, 1u);
  EXPECT_FALSE(Exists("1.mp3"));
  EXPECT_TRUE(Exists("2.mp3"));
  EXPECT_TRUE(Exists("3.mp3"));
  EXPECT_EQ(Paths(), (std::vector<std::u16string>{P("2.mp3"), P("3.mp3")}));
}

// Ctrl+C in the middle of a large copy: the copy stops, its temporary file and journal entry go.
class InterruptingObserver : public RecordingOperationObserver {
 public:
  bool OnProgress(uint64_t d, uint64_t total) override {
    if (d > 0 && d < total && !interrupted) {
      interrupted = true;
      std::raise(SIGINT);
    }
    return RecordingOperationObserver::OnProgress(d, total);
  }
  bool interrupted = false;
};

TEST_F(FileOperations, AnInterruptedCopyLeavesNoTemporaryFile) {
  tarnq::testing::SavedEnvironment saved{"XDG_CACHE_HOME"};
  ::setenv("XDG_CACHE_HOME", N("cache").c_str(), 1);
  Write("big.mp3", std::string(3 << 20, 'x'));  // copied in several steps
  Write("next.mp3", "n");
  AddFile("big.mp3", 1, true);
  AddFile("next.mp3", 1, true);
  InterruptingObserver observer;
  OperationOutcome outcome;
  {
    platform::InterruptGuard guard(m_stop);
    outcome = CopyFiles({m_list, m_dispatcher, &observer, &m_stop}, SnapshotSelection(m_list), P("target"));
  }
  EXPECT_TRUE(observer.interrupted);
  EXPECT_EQ(m_stop.load(), 1);
  EXPECT_TRUE(outcome.Cancelled());
  EXPECT_EQ(outcome.done, 0u);
  EXPECT_TRUE(fs::is_empty(N("target")));  // neither the half-done copy nor the next file
  EXPECT_TRUE(fs::is_empty(N("cache/Quillworks/unfinished")));  // the entry was made, then dropped
}

TEST_F(FileOperations, WorkerRunsOnItsOwnThreadAndResetsTheCounters) {
  Write("a.mp3", "a");
  Write("b.mp3", "b");
  AddFile("a.mp3", 1, false);
  AddFile("b.mp3", 1, true);
  std::atomic<int32_t> running{0};
  DeleteWorker worker;
  OperationOutcome seen;
  ASSERT_TRUE(worker.Start(Context(), SnapshotSelection(m_list), false, running, m_stop,
                           [&](const OperationOutcome& o) { seen = o; }));
  worker.Wait();
  EXPECT_EQ(running.load(), 0);
  EXPECT_EQ(seen.done, 1u);
  EXPECT_EQ(worker.Outcome().removedRows, 1u);
  EXPECT_EQ(Paths(), (std::vector<std::u16string>{P("a.mp3")}));
  running = 1;  // a search runs: no deletion starts
  EXPECT_FALSE(worker.Start(Context(), SnapshotSelection(m_list), false, running, m_stop));
}

TEST_F(FileOperations, WorkerHonoursAStopCountedBeforeItStarts) {
  // The command line's interrupt between two actions: the deletion that follows does nothing.
  Write("a.mp3", "a");
  Write("b.mp3", "b");
  AddFile("a.mp3", 1, false);
  AddFile("b.mp3", 1, true);
  std::atomic<int32_t> running{0};
  m_stop = 1;
  FileWorker worker;
  ASSERT_TRUE(worker.Start(Context(), SnapshotSelection(m_list), FileOperation::kDelete, {}, running, m_stop));
  worker.Wait();
  EXPECT_TRUE(worker.Outcome().Cancelled());
  EXPECT_EQ(worker.Outcome().done, 0u);
  EXPECT_TRUE(Exists("b.mp3"));
  EXPECT_EQ(m_list.RowCount(), 2u);
}

TEST_F(FileOperations, AwkwardNamesAreHandledByTheirBytes) {
  const std::vector<std::string> names = {"bad\xff\xfe.mp3", "back\\slash.mp3", "new\nline.mp3", "-rf.mp3",
                                          "\xe3\x81\x82.mp3"};
  Write("keep.mp3", "k");
  AddFile("keep.mp3", 1, false);
  for (const std::string& name : names) {
    Write(name, name);
    AddFile(name, 1, true);
  }
  const OperationOutcome outcome = DeleteFiles(Context(), SnapshotSelection(m_list), false);
  EXPECT_EQ(outcome.done, names.size());
  EXPECT_TRUE(outcome.errors.empty());
  for (const std::string& name : names) EXPECT_FALSE(Exists(name)) << name;
  EXPECT_TRUE(Exists("keep.mp3"));
  EXPECT_EQ(m_list.RowCount(), 1u);
}

TEST_F(FileOperations, MoveAcrossFileSystemsAndExistingTargets) {
  fs::create_directory(N("other"));
  Write("keep.mp3", "keep");
  Write("x/song.mp3", std::string(100000, 's'));
  Write("y/taken.mp3", "new");
  AddFile("keep.mp3", 1, false);
  AddFile("x/song.mp3", 1, true);
  AddFile("y/taken.mp3", 1, true);
  tarnq::testing::PrivateTmpfs::Run(N("other"), "size=16m", [&] {
    Write("other/taken.mp3", "old");
    const OperationOutcome outcome = MoveFiles(Context(), SnapshotSelection(m_list), P("other"));
    EXPECT_EQ(outcome.done, 1u);
    EXPECT_EQ(outcome.skipped, 1u);
    EXPECT_FALSE(Exists("x/song.mp3"));
    EXPECT_EQ(Read("other/song.mp3").size(), 100000u);
    EXPECT_EQ(Read("y/taken.mp3"), "new");
    EXPECT_EQ(Paths(), (std::vector<std::u16string>{P("keep.mp3"), P("y/taken.mp3")}));
    EXPECT_EQ(m_list.RowAt(1).State() & row_state::kMovePending, 0);
    // Keep both gives the second file a new name.
    m_list.SetSelection(1, ResultList::kSelect);
    m_observer.choice = platform::ExistsChoice::kKeepBoth;
    const OperationOutcome second = MoveFiles(Context(), SnapshotSelection(m_list), P("other"));
    EXPECT_EQ(second.done, 1u);
    EXPECT_EQ(m_observer.targets.back(), P("other") + u"/taken (2).mp3");
    EXPECT_EQ(Paths(), (std::vector<std::u16string>{P("keep.mp3")}));
  });
}

TEST_F(FileOperations, OverwriteNeverReplacesAFileTheListKeeps) {
  Write("keep/song.mp3", "kept copy");
  Write("dupe/song.mp3", "duplicate");
  AddFile("keep/song.mp3", 1, false);
  AddFile("dupe/song.mp3", 1, true);
  m_observer.choice = platform::ExistsChoice::kOverwrite;
  const OperationOutcome outcome = MoveFiles(Context(), SnapshotSelection(m_list), P("keep"));
  ASSERT_EQ(outcome.errors.size(), 1u);
  EXPECT_EQ(outcome.errors[0].code, op_error::kTargetInList);
  EXPECT_EQ(Read("keep/song.mp3"), "kept copy");
  EXPECT_EQ(Read("dupe/song.mp3"), "duplicate");
  EXPECT_EQ(m_list.RowCount(), 2u);
  EXPECT_EQ(m_list.SelectedCount(), 1u);  // a failed move changes nothing
  // The kept file named through a link to its folder is the same file.
  fs::create_directory_symlink(m_root / "keep", m_root / "alias");
  const OperationOutcome viaLink = CopyFiles(Context(), SnapshotSelection(m_list), P("alias"));
  ASSERT_EQ(viaLink.errors.size(), 1u);
  EXPECT_EQ(viaLink.errors[0].code, op_error::kTargetInList);
  EXPECT_EQ(Read("keep/song.mp3"), "kept copy");
}

TEST_F(FileOperations, CopyLeavesTheListAlone) {
  Write("a/song.mp3", "song");
  AddFile("a/song.mp3", 1, true);
  const OperationOutcome outcome = CopyFiles(Context(), SnapshotSelection(m_list), P("new/target"));
  EXPECT_EQ(outcome.done, 1u);
  EXPECT_EQ(Read("new/target/song.mp3"), "song");
  EXPECT_EQ(Read("a/song.mp3"), "song");
  EXPECT_EQ(m_list.RowCount(), 1u);
  EXPECT_EQ(m_list.SelectedCount(), 1u);
}

// Permissions do not stop root from deleting; a read-only file system stops everyone.
TEST_F(FileOperations, ReadOnlyPlacesAndAFullDiskKeepFilesAndRows) {
  Write("ro-file.mp3", "ro");
  fs::permissions(N("ro-file.mp3"), fs::perms::owner_read);
  AddFile("ro-file.mp3", 1, true);
  OperationOutcome outcome = DeleteFiles(Context(), SnapshotSelection(m_list), true);
  EXPECT_EQ(outcome.done, 1u);  // a read-only file in a writable folder can be removed (as on Linux)

  fs::create_directory(N("small"));
  Write("big.mp3", std::string(200000, 'b'));
  tarnq::testing::PrivateTmpfs::Run(N("small"), "size=64k", [&] {
    using tarnq::testing::PrivateTmpfs;
    Write("small/locked.mp3", "locked");
    AddFile("small/locked.mp3", 1, true);
    AddFile("big.mp3", 2, true);
    ASSERT_EQ(PrivateTmpfs::SetReadOnly(true), 0);
    const FileJob job = SnapshotSelection(m_list);
    OperationOutcome step =
        DeleteFiles(Context(), FileJob{{job.files[0]}, 0, 0, job.keptIdentities, job.keptPaths, {}, 0}, false);
    ASSERT_EQ(step.errors.size(), 1u);
    EXPECT_EQ(step.errors[0].code, err::kWriteProtect);
    EXPECT_TRUE(Exists("small/locked.mp3"));
    ASSERT_EQ(PrivateTmpfs::SetReadOnly(false), 0);
    step = MoveFiles(Context(), FileJob{{job.files[1]}, 0, 0, job.keptIdentities, job.keptPaths, {}, 0}, P("small"));
    ASSERT_EQ(step.errors.size(), 1u);
    EXPECT_EQ(step.errors[0].code, err::kDiskFull);
    EXPECT_FALSE(Exists("small/big.mp3"));
    EXPECT_EQ(Read("big.mp3").size(), 200000u);
    EXPECT_EQ(m_list.RowCount(), 2u);
  });
}

TEST_F(FileOperations, TrashTakesTheFilesAndTheirRows) {
  tarnq::testing::SavedEnvironment saved{"XDG_DATA_HOME", "HOME"};
  setenv("XDG_DATA_HOME", N("data").c_str(), 1);
  setenv("HOME", m_root.c_str(), 1);
  Write("music/keep.mp3", "keep");
  Write("music/song.mp3", "audio");
  AddFile("music/keep.mp3", 1, false);
  AddFile("music/song.mp3", 1, true);
  const OperationOutcome outcome = TrashFiles(Context(), SnapshotSelection(m_list));
  EXPECT_EQ(outcome.done, 1u) << (outcome.errors.empty() ? "" : outcome.errors[0].Message());
  EXPECT_EQ(Read("data/Trash/files/song.mp3"), "audio");
  EXPECT_EQ(Paths(), (std::vector<std::u16string>{P("music/keep.mp3")}));
}

TEST_F(FileOperations, RenameInPlace) {
  Write("a.mp3", "a");
  Write("b.mp3", "b");
  AddFile("a.mp3", 1, false);
  AddFile("b.mp3", 1, false);
  EXPECT_EQ(RenameRow(m_list, 0, u"A.mp3"), 0u);  // a change of case only
  EXPECT_EQ(m_list.FullPathAt(0), P("A.mp3"));
  EXPECT_EQ(Read("A.mp3"), "a");
  EXPECT_EQ(RenameRow(m_list, 0, u"b.mp3"), err::kAlreadyExists);
  EXPECT_EQ(RenameRow(m_list, 0, u"../x.mp3"), err::kInvalidName);
  EXPECT_EQ(RenameRow(m_list, 0, u"A.mp3"), 0u);  // unchanged
  EXPECT_EQ(m_list.FullPathAt(0), P("A.mp3"));
  EXPECT_EQ(RenameRow(m_list, 1, u"a much longer name than before.mp3"), 0u);
  EXPECT_EQ(m_list.RowAt(1).Name(), u"a much longer name than before.mp3");
  EXPECT_EQ(Read("b.mp3"), "");
  EXPECT_EQ(Read("a much longer name than before.mp3"), "b");
}

TEST_F(FileOperations, ARenamedFileWhoseRowCannotFollowGetsItsNameBackOrLosesItsRow) {
  Write("a.mp3", "a");
  AddFile("a.mp3", 1, false);
  // The row cannot be rebuilt: the file goes back to its old name, the row stays as it was.
  m_list.FailNextSetRowForTesting();
  EXPECT_EQ(RenameRow(m_list, 0, u"b.mp3"), err::kNotEnoughMemory);
  EXPECT_EQ(Read("a.mp3"), "a");
  EXPECT_FALSE(Exists("b.mp3"));
  EXPECT_EQ(Paths(), (std::vector<std::u16string>{P("a.mp3")}));
  // The old name was taken meanwhile, so the file cannot go back: its stale row leaves the list.
  m_list.FailNextSetRowForTesting([&] { Write("a.mp3", "someone else's"); });
  EXPECT_EQ(RenameRow(m_list, 0, u"b.mp3"), op_error::kRowDropped);
  EXPECT_EQ(Read("b.mp3"), "a");
  EXPECT_EQ(Read("a.mp3"), "someone else's");
  EXPECT_TRUE(Paths().empty());
}

TEST_F(FileOperations, RemoveFromListAndTheTexts) {
  Write("a.mp3", "a");
  Write("b.mp3", "b\"q");
  AddFile("a.mp3", 1, false);
  AddFile("b.mp3", 1, false);
  EXPECT_EQ(RemoveSelectedFromList(m_list), 0u);
  EXPECT_EQ(m_list.RowCount(), 2u);
  m_list.SetSelection(0, ResultList::kSelect);
  FileJob job = SnapshotSelection(m_list);
  EXPECT_EQ(DeleteQuestion(job), u"Are you sure you want to remove \"a.mp3\" ?");
  SelectAll(m_list);
  job = SnapshotSelection(m_list);
  EXPECT_EQ(DeleteQuestion(job), u"Are you sure you want to remove 2 elements ?");
  EXPECT_EQ(ErrorCountText(3), u"3 errors occured");
  EXPECT_EQ(RemoveSelectedFromList(m_list), 2u);
  EXPECT_EQ(m_list.RowCount(), 0u);
  EXPECT_TRUE(Exists("a.mp3"));
}

TEST_F(FileOperations, CopyHistoryKeepsThirtyMostRecentFirst) {
  settings::SettingsStore store(P("s.ini"), settings::SettingsStore::kExplicitFile);
  for (int i = 0; i < 35; ++i) RememberCopyTarget(store, u"/t/" + platform::Utf8ToUtf16(std::to_string(i)));
  RememberCopyTarget(store, u"/t/20");
  const std::vector<std::u16string> history = ReadCopyHistory(store);
  ASSERT_EQ(history.size(), 30u);
  EXPECT_EQ(history[0], u"/t/20");
  EXPECT_EQ(history[1], u"/t/34");
  EXPECT_EQ(history[29], u"/t/5");
}

}  // namespace
}  // namespace tarnq::results

namespace tarnq::results {
namespace {

// A folder the user reached through a link (a linked preset folder) stays usable: the snapshot
// resolves the link the user had when confirming. A link put in place of a folder afterwards is
// refused, and the file behind it is left alone.
TEST_F(FileOperations, LinkedFoldersOfTheSnapshotWorkButLaterSwapsAreRefused) {
  Write("real/a/x.mp3", "one");
  Write("real/b/x.mp3", "two");
  Write("keep/x.mp3", "kept");
  Write("elsewhere/x.mp3", "victim");
  fs::create_directory_symlink(m_root / "real", m_root / "music");
  AddFile("keep/x.mp3", 1, false);
  AddFile("music/a/x.mp3", 1, true);
  AddFile("keep/x.mp3", 2, false);
  AddFile("music/b/x.mp3", 2, true);
  const FileJob job = SnapshotSelection(m_list);
  ASSERT_EQ(job.files.size(), 2u);
  // After the confirmation the folder b is swapped for a link to another folder.
  fs::rename(m_root / "real/b", m_root / "real/b-old");
  fs::create_directory_symlink(m_root / "elsewhere", m_root / "real/b");
  const OperationOutcome outcome = DeleteFiles(Context(), job, false);
  EXPECT_EQ(outcome.done, 1u);
  EXPECT_FALSE(Exists("real/a/x.mp3"));
  ASSERT_EQ(outcome.errors.size(), 1u);
  EXPECT_EQ(outcome.errors[0].path, P("music/b/x.mp3"));
  EXPECT_EQ(Read("elsewhere/x.mp3"), "victim");
  EXPECT_EQ(Read("real/b-old/x.mp3"), "two");
}

}  // namespace
}  // namespace tarnq::results
