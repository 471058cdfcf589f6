// SPDX-License-Identifier: GPL-3.0-or-later
// File behaviour both systems share, run against the Linux and the Windows implementation alike.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>

#include "platform/file_ops.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace tarnq::platform {
namespace {

namespace fs = std::filesystem;

std::u16string Text(const fs::path& p) {
  const std::u8string s = p.u8string();
  return NameBytesToUtf16(std::string_view(reinterpret_cast<const char*>(s.data()), s.size()));
}

class SharedFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    m_root = fs::temp_directory_path() / ("tarnq-shared-" + std::to_string(std::random_device()()));
    fs::create_directories(m_root);
  }
  void TearDown() override {
    std::error_code error;
    fs::remove_all(m_root, error);
  }
  std::u16string P(std::u16string_view name) const { return JoinPath(Text(m_root), name); }
  void Write(std::u16string_view name, std::string_view bytes) {
    ASSERT_EQ(WriteFileAtomically(P(name), bytes), 0u);
  }
  std::string Read(std::u16string_view name) {
    std::string bytes;
    EXPECT_EQ(ReadWholeFile(P(name), bytes), 0u);
    return bytes;
  }
  std::set<std::u16string> Names() {
    std::set<std::u16string> names;
    EXPECT_EQ(ListDirectory(Text(m_root), [&](const DirEntry& e) {
                if (e.name != u"." && e.name != u"..") names.emplace(e.name);
                return true;
              }),
              0u);
    return names;
  }
  fs::path m_root;
};

TEST_F(SharedFiles, AtomicWriteReplacesTheFileAndLeavesNoTemporary) {
  Write(u"settings.ini", "old");
  Write(u"settings.ini", "new contents");
  EXPECT_EQ(Read(u"settings.ini"), "new contents");
  EXPECT_EQ(Names(), std::set<std::u16string>{u"settings.ini"});
}

TEST_F(SharedFiles, AbandonedWriterKeepsTheOldFile) {
  Write(u"list.tnr", "kept");
  {
    AtomicFileWriter writer;
    ASSERT_EQ(writer.Open(P(u"list.tnr")), 0u);
    ASSERT_EQ(writer.Write("half"), 0u);
  }
  EXPECT_EQ(Read(u"list.tnr"), "kept");
  EXPECT_EQ(Names(), std::set<std::u16string>{u"list.tnr"});
}

TEST_F(SharedFiles, RenameNeverReplacesAndCreatesAMissingFolder) {
  Write(u"a.mp3", "a");
  Write(u"b.mp3", "b");
  EXPECT_EQ(RenameFile(P(u"a.mp3"), P(u"b.mp3")), err::kAlreadyExists);
  EXPECT_EQ(Read(u"a.mp3"), "a");
  EXPECT_EQ(Read(u"b.mp3"), "b");
  const std::u16string moved = JoinPath(JoinPath(P(u"new"), u"deeper"), u"a.mp3");
  ASSERT_EQ(RenameFile(P(u"a.mp3"), moved), 0u);
  EXPECT_FALSE(FileExists(P(u"a.mp3")));
  EXPECT_TRUE(FileExists(moved));
}

TEST_F(SharedFiles, ListingGivesEveryFileItsIdentityAndKind) {
  Write(u"one.mp3", "1");
  Write(u"two.mp3", "22");
  ASSERT_EQ(CreateFolders(P(u"sub")), 0u);
  std::set<std::pair<uint64_t, uint64_t>> identities;
  int files = 0, folders = 0;
  ASSERT_EQ(ListDirectory(Text(m_root), [&](const DirEntry& e) {
              if (e.name == u"." || e.name == u"..") return true;
              identities.emplace(e.device, e.inode);
              if (e.attributes & attr::kDirectory) {
                ++folders;
                EXPECT_EQ(e.name, u"sub");
              } else {
                ++files;
                FileStatus status;
                EXPECT_EQ(GetFileStatus(P(e.name), status), 0u);
                EXPECT_EQ(status.identity, (FileIdentity{e.device, e.inode}));
                EXPECT_EQ(e.size, e.name == u"one.mp3" ? 1u : 2u);
                EXPECT_NE(e.lastWriteTime, 0u);
              }
              return true;
            }),
            0u);
  EXPECT_EQ(files, 2);
  EXPECT_EQ(folders, 1);
  EXPECT_EQ(identities.size(), 3u);
}

TEST_F(SharedFiles, ListingAFileOrAMissingFolderFails) {
  Write(u"file.mp3", "x");
  const auto none = [](const DirEntry&) { return true; };
  EXPECT_EQ(ListDirectory(P(u"file.mp3"), none), err::kDirectory);
  EXPECT_EQ(ListDirectory(P(u"missing"), none), err::kPathNotFound);
}

TEST_F(SharedFiles, CopyKeepsContentAndTimeAndRefusesAnExistingTarget) {
  Write(u"song.mp3", "audio");
  ASSERT_EQ(CopyFileTo(P(u"song.mp3"), P(u"copy.mp3"), false), 0u);
  EXPECT_EQ(Read(u"copy.mp3"), "audio");
  FileStatus a, b;
  ASSERT_EQ(GetFileStatus(P(u"song.mp3"), a), 0u);
  ASSERT_EQ(GetFileStatus(P(u"copy.mp3"), b), 0u);
  EXPECT_EQ(a.lastWriteTime / kTicksPerSecond, b.lastWriteTime / kTicksPerSecond);
  EXPECT_NE(a.identity, b.identity);
  Write(u"other.mp3", "other");
  EXPECT_EQ(CopyFileTo(P(u"song.mp3"), P(u"other.mp3"), false), err::kAlreadyExists);
  EXPECT_EQ(Read(u"other.mp3"), "other");
  ASSERT_EQ(CopyFileTo(P(u"song.mp3"), P(u"other.mp3"), true), 0u);
  EXPECT_EQ(Read(u"other.mp3"), "audio");
}

TEST_F(SharedFiles, MoveIntoAFolderKeepsBothWhenAsked) {
  Write(u"song.mp3", "moved");
  ASSERT_EQ(CreateFolders(P(u"target")), 0u);
  ASSERT_EQ(WriteFileAtomically(JoinPath(P(u"target"), u"song.mp3"), "there"), 0u);
  TransferCallbacks callbacks;
  callbacks.onExists = [](std::u16string_view, std::u16string_view) { return ExistsChoice::kKeepBoth; };
  std::vector<TransferOutcome> outcomes;
  const std::vector<std::u16string> sources{P(u"song.mp3")};
  ASSERT_EQ(TransferFiles(sources, P(u"target"), true, callbacks, outcomes), 0u);
  ASSERT_EQ(outcomes.size(), 1u);
  EXPECT_EQ(outcomes[0].target, JoinPath(P(u"target"), u"song (2).mp3"));
  EXPECT_FALSE(FileExists(P(u"song.mp3")));
  std::string bytes;
  ASSERT_EQ(ReadWholeFile(outcomes[0].target, bytes), 0u);
  EXPECT_EQ(bytes, "moved");
}

TEST_F(SharedFiles, DeleteActsOnlyOnTheExpectedFile) {
  Write(u"dupe.mp3", "x");
  FileStatus status;
  ASSERT_EQ(GetFileStatus(P(u"dupe.mp3"), status), 0u);
  FileIdentity other = status.identity;
  other.inode += 1;
  EXPECT_EQ(DeleteFilePermanently(P(u"dupe.mp3"), &other), err::kNotTheSameFile);
  EXPECT_TRUE(FileExists(P(u"dupe.mp3")));
  EXPECT_EQ(DeleteFilePermanently(P(u"dupe.mp3"), &status.identity), 0u);
  EXPECT_FALSE(FileExists(P(u"dupe.mp3")));
  EXPECT_EQ(DeleteFilePermanently(P(u"dupe.mp3")), err::kFileNotFound);
}

TEST_F(SharedFiles, WipeLeavesNothingBehind) {
  Write(u"secret.mp3", std::string(10000, 's'));
  uint64_t written = 0;
  ASSERT_EQ(WipeFile(P(u"secret.mp3"), [&](uint64_t n) { written += n; return true; }), 0u);
  EXPECT_EQ(written, 10000u);
  EXPECT_TRUE(Names().empty());
}

TEST_F(SharedFiles, FileOperationsRefuseRelativePaths) {
  Write(u"a.mp3", "a");
  EXPECT_EQ(RenameFile(P(u"a.mp3"), u"relative.mp3"), err::kInvalidName);
  EXPECT_EQ(DeleteFilePermanently(u"a.mp3"), err::kInvalidName);
  EXPECT_EQ(Read(u"a.mp3"), "a");
  EXPECT_FALSE(IsAbsolutePath(u"relative.mp3"));
  EXPECT_TRUE(IsAbsolutePath(Text(m_root)));
}

}  // namespace
}  // namespace tarnq::platform
