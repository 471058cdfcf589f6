// SPDX-License-Identifier: GPL-3.0-or-later
// The application core as a host drives it: a whole search, Select Dupes and a deletion with a
// dispatcher that runs everything at once (the command line), and closing while workers run with a
// host that never runs what is posted to it.
#include "appcore/app_core.h"

#include <gtest/gtest.h>

#include <fstream>
#include <future>
#include <thread>

#include "appcore_test_support.h"
#include "mp3_fixture.h"
#include "platform/errors.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "scan_test_support.h"
#include "settings/settings_store.h"

namespace tarnq::appcore {
namespace {

using namespace std::chrono_literals;
using engine::testing::Library;

class Recorder : public AppCoreObserver {
 public:
  void OnSearchProgress(const SearchProgressEvent& event) override {
    std::lock_guard lock(m_mutex);
    ++progressEvents;
    if (!event.folder.empty()) foldersSeen = true;
  }
  void OnSearchFinished(const engine::SearchOutcome& outcome) override {
    std::lock_guard lock(m_mutex);
    ++finished;
    last = outcome;
  }
  void OnFileDone(FileCommand, std::u16string_view path) override {
    std::lock_guard lock(m_mutex);
    done.emplace_back(path);
  }
  void OnFileOperationFinished(FileCommand, const results::OperationOutcome& outcome) override {
    std::lock_guard lock(m_mutex);
    ++operationsFinished;
    operation = outcome;
  }
  int progressEvents = 0, finished = 0, operationsFinished = 0;
  bool foldersSeen = false;
  engine::SearchOutcome last;
  std::vector<std::u16string> done;
  results::OperationOutcome operation;

 private:
  std::mutex m_mutex;
};

class Core : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::InstallEnglish();
    lib.Folder("a");
    lib.Folder("b");
    tarnq::testing::WriteFile(lib.Path("a/one.mp3"), tarnq::testing::Mp3Bytes("Band", "Song"));
    tarnq::testing::WriteFile(lib.Path("b/copy.mp3"), tarnq::testing::Mp3Bytes("BAND", "song"));
    tarnq::testing::WriteFile(lib.Path("b/other.mp3"), tarnq::testing::Mp3Bytes("Band", "Other"));
  }
  // A core over the library with the cache off and an empty settings file.
  void Prepare(AppCore& core) {
    core.SetOptions(core.Options() | engine::kOptionNoCache);
    core.Preset().SetFolderList({u"+" + lib.Path16()});
  }
  // Runs `fn` on another thread and tells whether it ended within a few seconds.
  static bool EndsSoon(std::function<void()> fn) {
    auto done = std::async(std::launch::async, std::move(fn));
    return done.wait_for(10s) == std::future_status::ready;
  }

  Library lib;
  settings::SettingsStore settings{u"", settings::SettingsStore::kExplicitFile};
};

TEST_F(Core, FindsSelectsAndDeletesLikeTheCommandLine) {
  platform::DirectDispatcher dispatcher;
  AppCore core(settings, dispatcher);
  Recorder recorder;
  core.AddObserver(&recorder);
  Prepare(core);
  ASSERT_EQ(core.Find().result, FindResult::kStarted);
  EXPECT_EQ(core.Find().result, FindResult::kBusy) << "a second Find while the first runs";
  core.Wait();
  EXPECT_EQ(recorder.finished, 1);
  EXPECT_GT(recorder.progressEvents, 0);
  EXPECT_TRUE(recorder.foldersSeen);
  ASSERT_EQ(core.List().RowCount(), 2u);
  const std::u16string status = core.StatusText();
  EXPECT_TRUE(status.starts_with(u"Total 2 files, ") && status.ends_with(u" bytes, 1 group")) << platform::Utf16ToUtf8(status);
  EXPECT_EQ(core.GroupCount(), 1u);

  core.UpdateCommandStates();
  EXPECT_TRUE(core.IsAllowed(lang::CommandId::kFileDelete));
  EXPECT_EQ(core.SelectDupes().selected, 1u);
  const std::u16string doomed = core.Snapshot().files.at(0).path;
  ASSERT_TRUE(core.StartDelete(core.Snapshot(), false));
  core.Wait();
  // While it ran, the rows it works on were held: the deletion's own end let them go again.
  core.UpdateCommandStates();
  EXPECT_TRUE(core.IsAllowed(lang::CommandId::kSelectAll));
  EXPECT_EQ(recorder.operationsFinished, 1);
  EXPECT_EQ(recorder.done, std::vector<std::u16string>{doomed});
  EXPECT_EQ(core.List().RowCount(), 1u);
  EXPECT_FALSE(core.Busy());
  EXPECT_FALSE(platform::FileExists(doomed));
}

// An MP4 file's Type text is its brand whatever it holds, so only the codec the reader found tells
// Apple Lossless from AAC. The best rule keeps the lossless copy although the AAC copy has the
// higher bit rate, on the first search and on the next one, which takes both from the cache.
TEST_F(Core, TheBestRuleKeepsAppleLosslessOverAacOfAHigherRate) {
  const auto fixture = [](const char* name) {
    std::ifstream in(std::string(TARNQ_TESTDATA) + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  Library songs;
  songs.Write("Library/song.m4a", fixture("same-song-alac.m4a"));
  songs.Write("Downloads/song.m4a", fixture("same-song-aac.m4a"));
  testing::ScratchFolder cacheFolder;
  platform::DirectDispatcher dispatcher;
  AppCore core(settings, dispatcher);
  core.SetCache({false, cacheFolder.Path("cache")});
  core.Preset().SetFolderList({u"+" + songs.Path16()});
  for (const char* run : {"analysed", "from the cache"}) {
    ASSERT_EQ(core.Find().result, FindResult::kStarted) << run;
    core.Wait();
    ASSERT_EQ(core.List().RowCount(), 2u) << run;
    const size_t alac = core.List().FullPathAt(0).find(u"/Library/") != std::u16string::npos ? 0 : 1;
    const records::AudioInfo lossless = core.List().RowAt(alac).Info();
    const records::AudioInfo lossy = core.List().RowAt(1 - alac).Info();
    EXPECT_EQ(lossless.AudioCodec(), records::Codec::kAlac) << run;
    EXPECT_GT(lossless.bitrate, 0) << run;
    EXPECT_LT(lossless.bitrate, lossy.bitrate) << run;
    EXPECT_EQ(lossless.GetText(records::kTextType).substr(0, 3), u"M4A") << run;
    EXPECT_EQ(core.SelectDupes(results::KeepChoice{results::KeepRule::kBest, {}, {}, {}}).selected, 1u)
        << run;
    EXPECT_FALSE(core.List().RowAt(alac).Selected()) << run;
    EXPECT_TRUE(core.List().RowAt(1 - alac).Selected()) << run;
  }
  EXPECT_NE(cacheFolder.Read("cache").find("song.m4a"), std::string::npos);
}

TEST_F(Core, FindWithoutFolderAsksForThePresetDialog) {
  platform::DirectDispatcher dispatcher;
  AppCore core(settings, dispatcher);
  EXPECT_EQ(core.Find().result, FindResult::kNoFolder);
  const FindStart missing = core.FindWithPresetBox(lib.Path16("gone.tnq"));
  EXPECT_EQ(missing.result, FindResult::kPresetError);
  EXPECT_EQ(missing.code, platform::err::kFileNotFound);
}

TEST_F(Core, ClosingDuringASearchNeverWaitsForAHostThatDoesNotAnswer) {
  platform::QueuedDispatcher dispatcher;  // its queue is never run
  auto core = std::make_unique<AppCore>(settings, dispatcher);
  Prepare(*core);
  ASSERT_EQ(core->Find().result, FindResult::kStarted);
  std::this_thread::sleep_for(20ms);  // the worker now waits for the host to clear the list
  engine::SearchOutcome outcome;
  ASSERT_TRUE(EndsSoon([&] {
    core->Shutdown();
    outcome = core->LastOutcome();
    core.reset();
  })) << "closing hung on the search";
  EXPECT_TRUE(outcome.canceled);
  EXPECT_TRUE(outcome.hostGone);
  EXPECT_FALSE(outcome.listFilled);
}

TEST_F(Core, ClosingDuringAWipeStopsItAndKeepsTheKeptCopy) {
  // A large member, so that the wipe is still overwriting it when the host closes.
  const std::string big = tarnq::testing::Mp3Bytes("Band", "Song", 120000);  // 50 MB
  tarnq::testing::WriteFile(lib.Path("b/copy.mp3"), big);
  platform::QueuedDispatcher dispatcher;
  auto core = std::make_unique<AppCore>(settings, dispatcher);
  Prepare(*core);
  core->Preset().durationTolerance = -1;
  ASSERT_EQ(core->Find().result, FindResult::kStarted);
  while (core->Busy()) dispatcher.WaitAndRunPending(5ms);
  dispatcher.RunPending();
  ASSERT_EQ(core->List().RowCount(), 2u);
  for (size_t i = 0; i < 2; ++i)
    if (core->List().FullPathAt(i) == lib.Path16("b/copy.mp3")) core->List().SetSelection(static_cast<int64_t>(i), 1);
  ASSERT_TRUE(core->StartDelete(core->Snapshot(), true));
  ASSERT_TRUE(EndsSoon([&] { core.reset(); })) << "closing hung on the wipe";
  EXPECT_EQ(tarnq::testing::Mp3Bytes("Band", "Song").size(), std::filesystem::file_size(lib.Path("a/one.mp3")));
}

}  // namespace
}  // namespace tarnq::appcore
