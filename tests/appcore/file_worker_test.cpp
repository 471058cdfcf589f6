// SPDX-License-Identifier: GPL-3.0-or-later
// Copy on the core's file worker with a host that has its own loop (a queued dispatcher): the
// question for an existing target reaches the host, the worker waits for its answer, and Stop or
// closing the core answer it with "cancel".
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <optional>

#include "appcore/app_core.h"
#include "appcore_test_support.h"
#include "mp3_fixture.h"
#include "platform/errors.h"
#include "scan_test_support.h"
#include "settings/settings_store.h"

namespace tarnq::appcore {
namespace {

using namespace std::chrono_literals;
using engine::testing::Library;
using platform::ExistsChoice;

class Host : public AppCoreObserver {
 public:
  void OnFileExists(FileCommand command, const ExistsQuestion& asked) override {
    EXPECT_EQ(command, FileCommand::kFileCopy);
    question.emplace(asked);
  }
  void OnFileProgress(FileCommand, const FileProgress& p) override { progress = p; }
  void OnFileOperationFinished(FileCommand, const results::OperationOutcome& o) override { outcome = o; }
  std::optional<ExistsQuestion> question;
  FileProgress progress;
  std::optional<results::OperationOutcome> outcome;
};

class FileWorker : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::InstallEnglish();
    lib.Write("a/one.mp3", tarnq::testing::Mp3Bytes("Band", "Song"));
    lib.Write("b/copy.mp3", tarnq::testing::Mp3Bytes("BAND", "song"));
    lib.Write("t/copy.mp3", "old");
    core = std::make_unique<AppCore>(settings, dispatcher);
    core->AddObserver(&host);
    core->SetOptions(core->Options() | engine::kOptionNoCache);
    core->Preset().SetFolderList({u"+" + lib.Path16("a"), u"+" + lib.Path16("b")});
    ASSERT_EQ(core->Find().result, FindResult::kStarted);
    RunUntil([&] { return !core->Busy(); });
    ASSERT_EQ(core->List().RowCount(), 2u);
    for (size_t i = 0; i < 2; ++i)
      if (core->List().FullPathAt(i) == lib.Path16("b/copy.mp3")) core->List().SetSelection(static_cast<int64_t>(i), 1);
  }
  void TearDown() override {
    if (core) core->RemoveObserver(&host);
  }
  // Runs what the worker posts, on this thread, until `done` holds (at most a few seconds).
  template <class Fn>
  void RunUntil(Fn done) {
    for (int i = 0; i < 2000 && !done(); ++i) dispatcher.WaitAndRunPending(5ms);
    dispatcher.RunPending();
    ASSERT_TRUE(done());
  }
  std::string Read(const std::string& relative) {
    std::ifstream in(lib.Path(relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  bool StartCopy() {
    return core->StartFileOperation(results::FileOperation::kCopy, core->Snapshot(), lib.Path16("t"));
  }

  Library lib;
  settings::SettingsStore settings{u"", settings::SettingsStore::kExplicitFile};
  platform::QueuedDispatcher dispatcher;
  Host host;
  std::unique_ptr<AppCore> core;
};

TEST_F(FileWorker, TheAnswerToAnExistingTargetDecides) {
  const std::string source = tarnq::testing::Mp3Bytes("BAND", "song");
  struct Case {
    ExistsChoice answer;
    std::string target;        // what t/copy.mp3 holds afterwards
    bool keptBoth;             // "copy (2).mp3" was made
    size_t done, skipped;
  };
  const Case cases[] = {
      {ExistsChoice::kSkip, "old", false, 0, 1},
      {ExistsChoice::kKeepBoth, "old", true, 1, 0},
      {ExistsChoice::kOverwrite, source, false, 1, 0},
  };
  for (const Case& c : cases) {
    lib.Write("t/copy.mp3", "old");
    std::filesystem::remove(lib.Path("t/copy (2).mp3"));
    host = Host{};
    ASSERT_TRUE(StartCopy());
    RunUntil([&] { return host.question.has_value(); });
    EXPECT_EQ(host.question->Target(), lib.Path16("t/copy.mp3"));
    EXPECT_TRUE(core->Busy()) << "the worker waits for the answer";
    host.question->Answer(c.answer);
    host.question.reset();
    RunUntil([&] { return host.outcome.has_value() && !core->Busy(); });
    EXPECT_EQ(host.outcome->code, 0u);
    EXPECT_EQ(host.outcome->done, c.done);
    EXPECT_EQ(host.outcome->skipped, c.skipped);
    EXPECT_EQ(Read("t/copy.mp3"), c.target);
    EXPECT_EQ(std::filesystem::exists(lib.Path("t/copy (2).mp3")), c.keptBoth);
    EXPECT_EQ(host.progress.files, 1u);
    EXPECT_EQ(host.progress.filesTotal, 1u);
    EXPECT_EQ(host.progress.bytesTotal, source.size());
    EXPECT_EQ(Read("b/copy.mp3"), source);
    EXPECT_EQ(core->List().SelectedCount(), 1u) << "a copy keeps the selection";
  }
}

TEST_F(FileWorker, AQuestionDroppedUnansweredCountsAsSkip) {
  ASSERT_TRUE(StartCopy());
  RunUntil([&] { return host.question.has_value(); });
  host.question.reset();  // the host closed its question without an answer
  RunUntil([&] { return host.outcome.has_value() && !core->Busy(); });
  EXPECT_EQ(host.outcome->skipped, 1u);
  EXPECT_EQ(Read("t/copy.mp3"), "old");
}

TEST_F(FileWorker, StopAndClosingAnswerAnOpenQuestionWithCancel) {
  for (const bool close : {false, true}) {
    host = Host{};
    ASSERT_TRUE(StartCopy());
    RunUntil([&] { return host.question.has_value(); });
    if (close) {
      auto closing = std::async(std::launch::async, [&] { core.reset(); });
      ASSERT_EQ(closing.wait_for(10s), std::future_status::ready) << "closing hung on the open question";
      EXPECT_TRUE(host.question->Answered());
    } else {
      core->Stop();
      RunUntil([&] { return host.outcome.has_value() && !core->Busy(); });
      EXPECT_TRUE(host.outcome->Cancelled());
      // A late answer of the host changes nothing.
      host.question->Answer(ExistsChoice::kOverwrite);
    }
    EXPECT_EQ(Read("t/copy.mp3"), "old");
    EXPECT_FALSE(std::filesystem::exists(lib.Path("t/copy (2).mp3")));
  }
}

TEST_F(FileWorker, AnAnswerForAllStandsForTheRestOfTheOperation) {
  lib.Write("t/one.mp3", "old one");
  core->List().SetSelection(results::ResultList::kAllRows, results::ResultList::kSelect);
  ASSERT_TRUE(StartCopy());
  RunUntil([&] { return host.question.has_value(); });
  host.question->Answer(ExistsChoice::kSkip, true);
  host.question.reset();
  RunUntil([&] { return host.outcome.has_value() && !core->Busy(); });
  EXPECT_FALSE(host.question.has_value()) << "asked a second time";
  EXPECT_EQ(host.outcome->skipped, 2u);
  EXPECT_EQ(Read("t/copy.mp3"), "old");
  EXPECT_EQ(Read("t/one.mp3"), "old one");
}

// The end of an operation is the host's cue to enable its commands again: when it hears of it,
// the worker must no longer count as running a file operation. The direct dispatcher hands the
// notification over at the very moment the worker posts it.
TEST(FileWorkerEnd, TheFileCommandsAreFreeWhenTheEndIsHeard) {
  class StateHost : public AppCoreObserver {
   public:
    // What the command states are made of (the window asks for them right after this).
    void OnFileOperationFinished(FileCommand, const results::OperationOutcome&) override {
      finished = true;
      deletingAtEnd = core->Deleting();
    }
    AppCore* core = nullptr;
    bool deletingAtEnd = true;
    bool finished = false;
  };
  testing::InstallEnglish();
  Library lib;
  lib.Write("a/one.mp3", tarnq::testing::Mp3Bytes("Band", "Song"));
  lib.Write("b/copy.mp3", tarnq::testing::Mp3Bytes("BAND", "song"));
  settings::SettingsStore settings{u"", settings::SettingsStore::kExplicitFile};
  platform::DirectDispatcher dispatcher;
  AppCore core(settings, dispatcher);
  core.SetOptions(core.Options() | engine::kOptionNoCache);
  core.Preset().SetFolderList({u"+" + lib.Path16("a"), u"+" + lib.Path16("b")});
  ASSERT_EQ(core.Find().result, FindResult::kStarted);
  core.Wait();
  ASSERT_EQ(core.List().RowCount(), 2u);
  core.List().SetSelection(0, 1);
  StateHost host;
  host.core = &core;
  core.AddObserver(&host);
  ASSERT_TRUE(core.StartFileOperation(results::FileOperation::kCopy, core.Snapshot(), lib.Path16("t")));
  core.Wait();
  core.RemoveObserver(&host);
  EXPECT_TRUE(host.finished);
  EXPECT_FALSE(host.deletingAtEnd) << "the commands stay blocked after the operation ended";
}

}  // namespace
}  // namespace tarnq::appcore
