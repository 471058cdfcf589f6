// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_ops.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <atomic>
#include <chrono>
#include <iterator>
#include <thread>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "private_mount.h"
#include "saved_environment.h"

namespace tarnq::platform {
namespace {

namespace fs = std::filesystem;

class FileOps : public ::testing::Test {
 protected:
  void SetUp() override {
    m_root = fs::temp_directory_path() / ("tarnq-ops-" + std::to_string(::getpid()) + "-" +
                                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(m_root);
    fs::create_directories(m_root);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(m_root, ec);
  }
  std::u16string P(const std::string& relative) const { return NameBytesToUtf16((m_root / relative).native()); }
  fs::path F(const std::string& relative) const { return m_root / relative; }
  void Write(const std::string& relative, const std::string& content) {
    fs::create_directories(F(relative).parent_path());
    std::ofstream(F(relative), std::ios::binary) << content;
  }
  std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().native());
    std::sort(names.begin(), names.end());
    return names;
  }
  fs::path m_root;
};

TEST_F(FileOps, DeleteRemovesOnlyTheNameNeverOtherLinksData) {
  Write("a.mp3", "keep me");
  fs::create_hard_link(F("a.mp3"), F("b.mp3"));
  fs::create_symlink(F("a.mp3"), F("link.mp3"));
  EXPECT_EQ(DeleteFilePermanently(P("link.mp3")), 0u);
  EXPECT_EQ(Read(F("a.mp3")), "keep me");
  EXPECT_EQ(DeleteFilePermanently(P("b.mp3")), 0u);
  EXPECT_EQ(Read(F("a.mp3")), "keep me");
  EXPECT_EQ(DeleteFilePermanently(P("b.mp3")), err::kFileNotFound);
  fs::create_directory(F("folder"));
  EXPECT_EQ(DeleteFilePermanently(P("folder")), err::kNotRegularFile);
  // A relative path (or one in Windows form) never reaches the file system.
  EXPECT_EQ(DeleteFilePermanently(u"a.mp3"), err::kInvalidName);
  EXPECT_EQ(WipeFile(u"C:\\Music\\a.mp3", nullptr), err::kInvalidName);
  EXPECT_EQ(RenameFile(u"a.mp3", P("x.mp3")), err::kInvalidName);
}

TEST_F(FileOps, WipeWritesFullBlocksThenTheRestAndRemovesTheFile) {
  Write("song.mp3", std::string(10000, 'x'));
  std::vector<uint64_t> blocks;
  EXPECT_EQ(WipeFile(P("song.mp3"), [&](uint64_t n) {
              blocks.push_back(n);
              return true;
            }),
            0u);
  EXPECT_EQ(blocks, (std::vector<uint64_t>{4096, 4096, 1808}));
  EXPECT_TRUE(Names(m_root).empty());
}

TEST_F(FileOps, CancelledWipeLeavesTheOverwrittenFileUnderItsAtName) {
  Write("song.mp3", std::string(10000, 'x'));
  Write("@@@@.@@@", "someone else's");
  int calls = 0;
  EXPECT_EQ(WipeFile(P("song.mp3"), [&](uint64_t) { return ++calls < 2; }), err::kCancelled);
  EXPECT_EQ(Names(m_root), (std::vector<std::string>{"@@@@.@@@", "@@@@.@@@1"}));
  EXPECT_EQ(Read(F("@@@@.@@@")), "someone else's");
  // Cut to the part not yet written: what remains is the pattern.
  EXPECT_EQ(Read(F("@@@@.@@@1")), std::string(1808, '\xAA'));
  EXPECT_EQ(WipeName(u"a.b.mp3"), u"@.@.@@@");
}

TEST_F(FileOps, WipeRefusesLinksAndKeepsThem) {
  Write("a.mp3", "data");
  fs::create_hard_link(F("a.mp3"), F("b.mp3"));
  EXPECT_EQ(WipeFile(P("a.mp3"), nullptr), err::kHasOtherLinks);
  fs::create_symlink(F("a.mp3"), F("link.mp3"));
  EXPECT_EQ(WipeFile(P("link.mp3"), nullptr), err::kNotRegularFile);
  EXPECT_EQ(Read(F("a.mp3")), "data");
  EXPECT_EQ(Read(F("b.mp3")), "data");
  EXPECT_TRUE(fs::is_symlink(F("link.mp3")));
}

TEST_F(FileOps, WipeMakesAReadOnlyFileWritableFirst) {
  Write("ro.mp3", "12345");
  fs::permissions(F("ro.mp3"), fs::perms::owner_read);
  EXPECT_EQ(WipeFile(P("ro.mp3"), nullptr), 0u);
  EXPECT_FALSE(fs::exists(F("ro.mp3")));
}

TEST_F(FileOps, WipeRefusesAHardLinkedReadOnlyFileBeforeChangingItsMode) {
  Write("ro.mp3", "12345");
  fs::create_hard_link(F("ro.mp3"), F("other.mp3"));
  fs::permissions(F("ro.mp3"), fs::perms::owner_read);
  EXPECT_EQ(WipeFile(P("ro.mp3"), nullptr), err::kHasOtherLinks);
  EXPECT_EQ(fs::status(F("other.mp3")).permissions() & fs::perms::all, fs::perms::owner_read);
}

FileIdentity IdentityAt(const std::u16string& path) {
  FileStatus status;
  EXPECT_EQ(GetFileStatus(path, status), 0u);
  return status.identity;
}

// A folder of the list swapped for a link to another folder: delete, wipe and move refuse, and a
// different file standing at the path is refused too.
TEST_F(FileOps, AFolderSwappedForALinkOrAReplacedFileIsLeftAlone) {
  using Operation = std::function<uint32_t(const std::u16string&, const FileIdentity*)>;
  const std::vector<std::pair<const char*, Operation>> operations = {
      {"delete", [](const std::u16string& p, const FileIdentity* id) { return DeleteFilePermanently(p, id); }},
      {"wipe", [](const std::u16string& p, const FileIdentity* id) { return WipeFile(p, nullptr, id); }},
      {"move", [this](const std::u16string& p, const FileIdentity* id) {
         std::vector<TransferOutcome> outcomes;
         TransferFiles(std::span(&p, 1), P("target"), true, {}, outcomes,
                       id != nullptr ? std::span(id, 1) : std::span<const FileIdentity>{});
         return outcomes[0].code;
       }}};
  for (const auto& [what, operation] : operations) {
    fs::remove_all(m_root);
    Write("lib/x.mp3", "listed");
    Write("outside/x.mp3", "precious");
    const FileIdentity listed = IdentityAt(P("lib/x.mp3"));
    fs::rename(F("lib"), F("lib.old"));
    fs::create_directory_symlink(F("outside"), F("lib"));
    EXPECT_EQ(operation(P("lib/x.mp3"), &listed), err::kLinkInPath) << what;
    EXPECT_EQ(operation(P("lib/x.mp3"), nullptr), err::kLinkInPath) << what;
    EXPECT_EQ(Read(F("outside/x.mp3")), "precious") << what;
    fs::remove(F("lib"));
    fs::rename(F("lib.old"), F("lib"));
    Write("lib/y.mp3", "new");
    fs::rename(F("lib/y.mp3"), F("lib/x.mp3"));
    EXPECT_EQ(operation(P("lib/x.mp3"), &listed), err::kNotTheSameFile) << what;
    EXPECT_EQ(Read(F("lib/x.mp3")), "new") << what;
  }
}

// A second thread swaps the folder for a link to another folder and back, over and over, while
// files are deleted and wiped by path: nothing outside the listed folder is ever touched. The test
// goes on until an operation has met the link (or its files run out), so the race surely happened.
TEST_F(FileOps, SwapRaceNeverReachesFilesOutsideTheFolder) {
  constexpr int kFiles = 2000;
  for (int i = 0; i < kFiles; ++i) {
    Write("lib/f" + std::to_string(i), "listed");
    Write("outside/f" + std::to_string(i), "precious");
  }
  std::atomic<bool> done{false};
  const std::string lib = F("lib").native(), held = F("held").native(), outside = F("outside").native();
  std::thread swapper([&] {
    while (!done.load()) {
      if (::rename(lib.c_str(), held.c_str()) != 0) continue;
      if (::symlink(outside.c_str(), lib.c_str()) == 0) {
        std::this_thread::yield();
        ::unlink(lib.c_str());
      }
      ::rename(held.c_str(), lib.c_str());
    }
  });
  int metTheLink = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  for (int pass = 0; metTheLink == 0 && pass < 3 && std::chrono::steady_clock::now() < deadline; ++pass) {
    for (int i = 0; i < kFiles && std::chrono::steady_clock::now() < deadline; ++i) {
      const std::u16string path = P("lib/f" + std::to_string(i));
      const uint32_t code = i % 2 == 0 ? DeleteFilePermanently(path) : WipeFile(path, nullptr);
      metTheLink += code == err::kLinkInPath ? 1 : 0;
    }
  }
  done = true;
  swapper.join();
  EXPECT_GT(metTheLink, 0) << "no operation met the link: the race never happened";
  for (int i = 0; i < kFiles; ++i) EXPECT_EQ(Read(F("outside/f" + std::to_string(i))), "precious") << i;
}

TEST_F(FileOps, RenameNeverReplacesAnotherFile) {
  Write("a.mp3", "A");
  Write("b.mp3", "B");
  EXPECT_EQ(RenameFile(P("a.mp3"), P("b.mp3")), err::kAlreadyExists);
  EXPECT_EQ(Read(F("a.mp3")), "A");
  EXPECT_EQ(Read(F("b.mp3")), "B");
  // A second hard link is the same file, but not a change of case: refused too.
  fs::create_hard_link(F("a.mp3"), F("c.mp3"));
  EXPECT_EQ(RenameFile(P("a.mp3"), P("c.mp3")), err::kAlreadyExists);
  EXPECT_TRUE(fs::exists(F("a.mp3")));
  // A change of case only.
  EXPECT_EQ(RenameFile(P("b.mp3"), P("B.mp3")), 0u);
  EXPECT_EQ(Read(F("B.mp3")), "B");
  EXPECT_EQ(RenameFile(P("B.mp3"), P("B.mp3")), 0u);
}

TEST_F(FileOps, RenameCreatesAMissingTargetFolder) {
  Write("a.mp3", "A");
  EXPECT_EQ(RenameFile(P("a.mp3"), P("new/sub/a.mp3")), 0u);
  EXPECT_EQ(Read(F("new/sub/a.mp3")), "A");
  EXPECT_EQ(RenameFile(P("gone.mp3"), P("x.mp3")), err::kFileNotFound);
}

TEST_F(FileOps, RenameInFolderRefusesNamesThatLeaveTheFolder) {
  Write("a.mp3", "A");
  const std::u16string bads[] = {u"", u".", u"..", u"../x.mp3", u"sub/x.mp3", std::u16string(u"x\0y", 3)};
  for (const std::u16string& bad : bads) {
    EXPECT_EQ(RenameInFolder(P("a.mp3"), bad), err::kInvalidName);
  }
  std::u16string newPath;
  EXPECT_EQ(RenameInFolder(P("a.mp3"), u"-odd \\ name\n.mp3", &newPath), 0u);
  EXPECT_EQ(newPath, P("-odd \\ name\n.mp3"));
  EXPECT_EQ(Read(F("-odd \\ name\n.mp3")), "A");
}

TEST_F(FileOps, CopyKeepsTimeAndModeAndRefusesToReplaceUnlessAsked) {
  Write("a.mp3", "new content");
  fs::permissions(F("a.mp3"), fs::perms::owner_read | fs::perms::group_read);
  const auto when = std::chrono::file_clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(1500000000)));
  fs::last_write_time(F("a.mp3"), when);
  Write("out/a.mp3", "old");
  EXPECT_EQ(CopyFileTo(P("a.mp3"), P("out/a.mp3"), false), err::kAlreadyExists);
  EXPECT_EQ(Read(F("out/a.mp3")), "old");
  EXPECT_EQ(CopyFileTo(P("a.mp3"), P("out/a.mp3"), true), 0u);
  EXPECT_EQ(Read(F("out/a.mp3")), "new content");
  EXPECT_EQ(fs::last_write_time(F("out/a.mp3")), when);
  EXPECT_EQ(fs::status(F("out/a.mp3")).permissions(), fs::perms::owner_read | fs::perms::group_read);
  EXPECT_EQ(CopyFileTo(P("a.mp3"), P("a.mp3"), true), err::kSameFile);
  EXPECT_EQ(Names(F("out")), (std::vector<std::string>{"a.mp3"}));  // no temporary left
}

TEST_F(FileOps, TransferAsksWhatToDoWithExistingTargets) {
  Write("src/1.mp3", "one");
  Write("src/2.mp3", "two");
  Write("src/3.mp3", "three");
  Write("dst/1.mp3", "old one");
  Write("dst/2.mp3", "old two");
  Write("dst/3.mp3", "old three");
  const std::vector<std::u16string> sources = {P("src/1.mp3"), P("src/2.mp3"), P("src/3.mp3")};
  TransferCallbacks callbacks;
  callbacks.onExists = [&](std::u16string_view source, std::u16string_view) {
    if (source == sources[0]) return ExistsChoice::kSkip;
    if (source == sources[1]) return ExistsChoice::kKeepBoth;
    return ExistsChoice::kOverwrite;
  };
  std::vector<uint64_t> progress;
  callbacks.onProgress = [&](uint64_t done, uint64_t) {
    progress.push_back(done);
    return true;
  };
  std::vector<TransferOutcome> outcomes;
  EXPECT_EQ(TransferFiles(sources, P("dst"), true, callbacks, outcomes), 0u);
  ASSERT_EQ(outcomes.size(), 3u);
  EXPECT_EQ(outcomes[0].code, err::kSkippedByUser);
  EXPECT_EQ(outcomes[1].code, 0u);
  EXPECT_EQ(outcomes[1].target, P("dst/2 (2).mp3"));
  EXPECT_EQ(outcomes[2].code, 0u);
  EXPECT_EQ(Read(F("dst/1.mp3")), "old one");
  EXPECT_EQ(Read(F("dst/2.mp3")), "old two");
  EXPECT_EQ(Read(F("dst/2 (2).mp3")), "two");
  EXPECT_EQ(Read(F("dst/3.mp3")), "three");
  EXPECT_EQ(Names(F("src")), (std::vector<std::string>{"1.mp3"}));  // the skipped file stays
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back(), 3u + 3u + 5u);
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
}

TEST_F(FileOps, CancelledTransferLeavesTheRestUntouched) {
  Write("src/1.mp3", "one");
  Write("src/2.mp3", "two");
  Write("dst/2.mp3", "old");
  const std::vector<std::u16string> sources = {P("src/1.mp3"), P("src/2.mp3")};
  TransferCallbacks callbacks;
  callbacks.onExists = [](std::u16string_view, std::u16string_view) { return ExistsChoice::kCancel; };
  std::vector<TransferOutcome> outcomes;
  EXPECT_EQ(TransferFiles(sources, P("dst"), true, callbacks, outcomes), err::kCancelled);
  EXPECT_EQ(outcomes[0].code, 0u);
  EXPECT_EQ(outcomes[1].code, err::kCancelled);
  EXPECT_EQ(Read(F("src/2.mp3")), "two");
  EXPECT_EQ(Read(F("dst/2.mp3")), "old");
}

// A move onto another file system copies and then removes the source.
TEST_F(FileOps, MoveAcrossFileSystemsCopiesThenRemovesTheSource) {
  fs::create_directory(F("other"));
  Write("song.mp3", std::string(300000, 's'));
  const auto when = std::chrono::file_clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(1400000000)));
  fs::last_write_time(F("song.mp3"), when);
  testing::PrivateTmpfs::Run(F("other"), "size=16m", [&] {
    EXPECT_EQ(RenameFile(P("song.mp3"), P("other/song.mp3")), 0u);
    EXPECT_FALSE(fs::exists(F("song.mp3")));
    EXPECT_EQ(Read(F("other/song.mp3")), std::string(300000, 's'));
    EXPECT_EQ(fs::last_write_time(F("other/song.mp3")), when);
    EXPECT_EQ(Names(F("other")), (std::vector<std::string>{"song.mp3"}));
  });
}

// A small file system that fills up: the copy fails, nothing half-written stays, the source stays.
TEST_F(FileOps, FullDiskLeavesSourceAndNoPartialTarget) {
  fs::create_directory(F("small"));
  Write("big.mp3", std::string(200000, 'b'));
  testing::PrivateTmpfs::Run(F("small"), "size=64k", [&] {
    std::vector<TransferOutcome> outcomes;
    const std::vector<std::u16string> sources = {P("big.mp3")};
    EXPECT_EQ(TransferFiles(sources, P("small"), true, {}, outcomes), err::kDiskFull);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].code, err::kDiskFull);
    EXPECT_TRUE(Names(F("small")).empty());
    EXPECT_EQ(Read(F("big.mp3")).size(), 200000u);
  });
}

TEST_F(FileOps, TrashMovesTheFileIntoTheUsersTrash) {
  // GLib reads the data folder once per process; each test runs in a process of its own.
  testing::SavedEnvironment saved{"XDG_DATA_HOME", "HOME"};
  setenv("XDG_DATA_HOME", (m_root / "data").c_str(), 1);
  setenv("HOME", m_root.c_str(), 1);
  Write("music/song.mp3", "audio");
  EXPECT_EQ(MoveToTrash(P("music/song.mp3")), 0u);
  EXPECT_FALSE(fs::exists(F("music/song.mp3")));
  EXPECT_EQ(Read(F("data/Trash/files/song.mp3")), "audio");
  EXPECT_TRUE(fs::exists(F("data/Trash/info/song.mp3.trashinfo")));
  EXPECT_EQ(MoveToTrash(P("music/song.mp3")), err::kFileNotFound);
}

}  // namespace
}  // namespace tarnq::platform
