// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "platform/errors.h"
#include "platform/file_ops.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace tarnq::platform {
namespace {

namespace fs = std::filesystem;

class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_root = fs::temp_directory_path() /
             ("tarnq-files-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(m_root);
    fs::create_directories(m_root);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(m_root, fs::perms::all, ec);
    fs::remove_all(m_root, ec);
  }
  std::u16string Root() const { return NameBytesToUtf16(m_root.native()); }
  void Write(const fs::path& p, const std::string& content) {
    std::ofstream(p, std::ios::binary) << content;
  }
  std::map<std::u16string, DirEntry> List(const std::u16string& folder, uint32_t* code = nullptr) {
    std::map<std::u16string, DirEntry> entries;
    const uint32_t result = ListDirectory(folder, [&](const DirEntry& e) {
      DirEntry copy = e;
      copy.name = {};
      entries[std::u16string(e.name)] = copy;
      return true;
    });
    if (code) *code = result;
    return entries;
  }
  fs::path m_root;
};

using Listing = TempFolderTest;

TEST_F(Listing, InvalidUtf8NamesSurviveListingAndComeBackAsTheSameBytes) {
  const std::string rawName = "caf\xE9 \xFF\xFE.mp3";  // Latin-1 bytes, not UTF-8
  Write(m_root / rawName, "x");
  const auto entries = List(Root());
  std::u16string found;
  for (const auto& [name, e] : entries)
    if (name.size() > 3 && name.substr(0, 3) == u"caf") found = name;
  ASSERT_FALSE(found.empty());
  std::string bytes;
  ASSERT_TRUE(Utf16ToNameBytes(found, bytes));
  EXPECT_EQ(bytes, rawName);
  // The escaped path opens the very file.
  InputFile file;
  EXPECT_EQ(file.Open(JoinPath(Root(), found)), 0u);
}

TEST_F(Listing, BackslashStaysPartOfOneName) {
  Write(m_root / "AC\\DC - Song.mp3", "x");
  const auto entries = List(Root());
  EXPECT_TRUE(entries.count(u"AC\\DC - Song.mp3"));
}

TEST_F(Listing, ReportsAttributesSizesAndTimes) {
  Write(m_root / "song.mp3", "12345");
  Write(m_root / ".hidden.mp3", "");
  Write(m_root / "locked.mp3", "ab");
  fs::permissions(m_root / "locked.mp3", fs::perms::owner_write, fs::perm_options::remove);
  fs::create_directory(m_root / "sub");
  // 2021-06-01 00:00:00 UTC as the modification time.
  const auto when = std::chrono::file_clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(1622505600)));
  fs::last_write_time(m_root / "song.mp3", when);

  const auto entries = List(Root());
  EXPECT_TRUE(entries.count(u"."));
  EXPECT_TRUE(entries.count(u".."));
  const DirEntry& song = entries.at(u"song.mp3");
  EXPECT_EQ(song.attributes, attr::kArchive);
  EXPECT_EQ(song.size, 5u);
  EXPECT_EQ(song.lastWriteTime, UnixToFileTime(1622505600));
  EXPECT_NE(song.inode, 0u);
  EXPECT_EQ(entries.at(u".hidden.mp3").attributes, attr::kArchive | attr::kHidden);
  EXPECT_EQ(entries.at(u"locked.mp3").attributes, attr::kArchive | attr::kReadOnly);
  EXPECT_EQ(entries.at(u"sub").attributes, attr::kDirectory);
  EXPECT_EQ(entries.at(u"sub").size, 0u);
}

TEST_F(Listing, FolderLinksAreMarkedAndFileLinksHidden) {
  fs::create_directory(m_root / "real");
  Write(m_root / "real" / "a.mp3", "x");
  fs::create_directory_symlink(m_root / "real", m_root / "link-to-folder");
  fs::create_symlink(m_root / "real" / "a.mp3", m_root / "link-to-file.mp3");
  fs::create_symlink(m_root / "nowhere", m_root / "dangling.mp3");
  // A cycle: real/up points back at the root.
  fs::create_directory_symlink(m_root, m_root / "real" / "up");

  const auto entries = List(Root());
  ASSERT_TRUE(entries.count(u"link-to-folder"));
  EXPECT_EQ(entries.at(u"link-to-folder").attributes & (attr::kDirectory | attr::kReparsePoint),
            attr::kDirectory | attr::kReparsePoint);
  EXPECT_FALSE(entries.count(u"link-to-file.mp3"));
  EXPECT_FALSE(entries.count(u"dangling.mp3"));

  // A walk that respects the link bit visits every real folder once and ends.
  int folders = 0;
  std::function<void(const std::u16string&)> walk = [&](const std::u16string& folder) {
    ++folders;
    ASSERT_LT(folders, 10);
    ListDirectory(folder, [&](const DirEntry& e) {
      if ((e.attributes & attr::kDirectory) && !(e.attributes & attr::kReparsePoint) && e.name != u"." &&
          e.name != u"..")
        walk(JoinPath(folder, e.name));
      return true;
    });
  };
  walk(Root());
  EXPECT_EQ(folders, 2);
}

TEST_F(Listing, MissingFolderIsPathNotFoundAndAFileIsNotAFolder) {
  uint32_t code = 0;
  List(JoinPath(Root(), u"missing"), &code);
  EXPECT_EQ(code, err::kPathNotFound);
  Write(m_root / "file", "x");
  List(JoinPath(Root(), u"file"), &code);
  EXPECT_EQ(code, err::kDirectory);
}

TEST_F(Listing, UnreadableFolderIsAccessDenied) {
  fs::create_directory(m_root / "closed");
  fs::permissions(m_root / "closed", fs::perms::none);
  fs::permissions(m_root, fs::perms::all);
  const std::u16string closed = JoinPath(Root(), u"closed");
  if (::geteuid() != 0) {
    uint32_t code = 0;
    List(closed, &code);
    EXPECT_EQ(code, err::kAccessDenied);
    return;
  }
  // Root reads every folder; drop to an unprivileged user in a child to see the denial.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(99);
    const uint32_t code = ListDirectory(closed, [](const DirEntry&) { return true; });
    ::_exit(static_cast<int>(code));
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(err::kAccessDenied));
}

TEST_F(Listing, CallbackCanStopTheListing) {
  for (int i = 0; i < 10; ++i) Write(m_root / ("f" + std::to_string(i)), "");
  int seen = 0;
  EXPECT_EQ(ListDirectory(Root(), [&](const DirEntry&) { return ++seen < 3; }), 0u);
  EXPECT_EQ(seen, 3);
}

using Files = TempFolderTest;

TEST_F(Listing, FoldersOpenBelowTheirParentButNeverThroughALink) {
  fs::create_directories(m_root / "sub" / "inner");
  fs::create_directories(m_root / "elsewhere");
  Write(m_root / "sub" / "a.mp3", "abc");
  // Enough entries to take more than one read of the folder.
  for (int i = 0; i < 600; ++i) Write(m_root / "sub" / ("file-with-a-long-name-" + std::to_string(i)), "");
  FolderReader parent;
  ASSERT_EQ(parent.Open(Root()), 0u);
  FolderReader sub;
  ASSERT_EQ(sub.OpenBelow(parent, u"sub", Root() + u"/sub"), 0u);
  std::map<std::u16string, DirEntry> entries;
  ASSERT_EQ(sub.List([&](const DirEntry& e) {
              entries[std::u16string(e.name)] = e;
              return true;
            }),
            0u);
  EXPECT_EQ(entries.size(), 604u);  // ".", "..", a.mp3, inner and the 600
  EXPECT_EQ(entries[u"a.mp3"].size, 3u);
  EXPECT_TRUE(entries[u"inner"].attributes & attr::kDirectory);
  EXPECT_EQ(List(Root() + u"/sub").size(), entries.size());

  FolderReader inner;
  EXPECT_EQ(inner.OpenBelow(sub, u"inner", u""), 0u);
  EXPECT_EQ(inner.OpenBelow(sub, u"missing", u""), err::kPathNotFound);
  EXPECT_EQ(inner.OpenBelow(sub, u"a.mp3", u""), err::kDirectory);

  // A folder replaced by a link since its parent was listed is not followed, whichever way it
  // is opened.
  fs::rename(m_root / "sub" / "inner", m_root / "moved");
  fs::create_directory_symlink(m_root / "elsewhere", m_root / "sub" / "inner");
  EXPECT_EQ(inner.OpenBelow(sub, u"inner", u""), err::kDirectory);
  EXPECT_FALSE(inner.IsOpen());
  const FolderReader closed;
  EXPECT_EQ(inner.OpenBelow(closed, u"inner", Root() + u"/sub/inner"), err::kDirectory);
  EXPECT_EQ(inner.OpenBelow(closed, u"sub", Root() + u"/sub"), 0u);
  EXPECT_EQ(FolderReader().List([](const DirEntry&) { return true; }), err::kInvalidParameter);
}

TEST_F(Files, ReadsAtOffsetsAndReportsTheEnd) {
  Write(m_root / "data", "0123456789");
  InputFile file;
  ASSERT_EQ(file.Open(JoinPath(Root(), u"data")), 0u);
  EXPECT_EQ(file.Size(), 10u);
  char buffer[8];
  size_t done = 0;
  EXPECT_EQ(file.ReadAt(6, buffer, 8, done), 0u);
  EXPECT_EQ(std::string(buffer, done), "6789");
  EXPECT_EQ(file.ReadAt(100, buffer, 8, done), 0u);
  EXPECT_EQ(done, 0u);
  EXPECT_EQ(file.Read(buffer, 3, done), 0u);
  EXPECT_EQ(std::string(buffer, done), "012");
  EXPECT_EQ(file.Position(), 3u);
}

TEST_F(Files, AKnownSizeIsTakenWithoutAskingTheFileSystem) {
  Write(m_root / "data", "0123456789");
  InputFile file;
  ASSERT_EQ(file.Open(JoinPath(Root(), u"data"), 4), 0u);
  EXPECT_EQ(file.Size(), 4u);  // what the listing said, even if the file has grown since
  char buffer[16];
  size_t done = 0;
  EXPECT_EQ(file.ReadAt(0, buffer, sizeof buffer, done), 0u);
  EXPECT_EQ(done, 10u);
  EXPECT_EQ(file.Open(JoinPath(Root(), u"missing"), 4), err::kFileNotFound);
}

TEST_F(Files, OpenErrorsNameTheCause) {
  InputFile file;
  EXPECT_EQ(file.Open(JoinPath(Root(), u"missing.mp3")), err::kFileNotFound);
  EXPECT_EQ(file.Open(JoinPath(Root(), u"no/such/folder.mp3")), err::kPathNotFound);
  EXPECT_EQ(file.Open(Root()), err::kAccessDenied);
  EXPECT_EQ(file.Open(std::u16string(1, 0xD800)), err::kInvalidName);
  EXPECT_FALSE(file.IsOpen());
}

// A FIFO where a file was listed: every reader refuses it at once instead of waiting for a writer
// forever. Run in a child with an alarm, so that a regression fails instead of hanging the suite.
TEST_F(Files, AFifoIsRefusedWithoutWaiting) {
  const fs::path fifo = m_root / "song.mp3";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::u16string path = NameBytesToUtf16(fifo.native());
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::alarm(20);
    InputFile file;
    std::string bytes;
    const bool refused = file.Open(path) == err::kNotRegularFile && file.Open(path, 1000) == err::kNotRegularFile &&
                         ReadWholeFile(path, bytes) == err::kNotRegularFile &&
                         CopyFileTo(path, NameBytesToUtf16((m_root / "copy.mp3").native()), false) == err::kNotRegularFile;
    ::_exit(refused ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status)) << "a reader waited on the FIFO";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(Files, AtomicWriteReplacesAndKeepsPermissions) {
  const std::u16string path = JoinPath(Root(), u"settings.ini");
  ASSERT_EQ(WriteFileAtomically(path, "first"), 0u);
  fs::permissions(m_root / "settings.ini", fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_EQ(WriteFileAtomically(path, "second"), 0u);
  std::string bytes;
  ASSERT_EQ(ReadWholeFile(path, bytes), 0u);
  EXPECT_EQ(bytes, "second");
  EXPECT_EQ(fs::status(m_root / "settings.ini").permissions(), fs::perms::owner_read | fs::perms::owner_write);
  int files = 0;
  for (const auto& e : fs::directory_iterator(m_root)) files += e.is_regular_file();
  EXPECT_EQ(files, 1);  // no temporary left behind
  // A folder that does not exist: an error, nothing created.
  EXPECT_EQ(WriteFileAtomically(JoinPath(Root(), u"none/x.ini"), "x"), err::kPathNotFound);
}

TEST_F(Files, ExclusiveFileIsNewPrivateAndNeverALinksTarget) {
  const std::u16string path = JoinPath(Root(), u"Keys.htm");
  ASSERT_EQ(CreateExclusiveFile(path, "<html>"), 0u);
  EXPECT_EQ(fs::status(m_root / "Keys.htm").permissions(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(CreateExclusiveFile(path, "again"), err::kAlreadyExists);
  // A link planted under the name, pointing at a file or at nothing, is refused and left alone.
  Write(m_root / "victim", "keep");
  fs::create_symlink(m_root / "victim", m_root / "link.htm");
  fs::create_symlink(m_root / "absent", m_root / "dangling.htm");
  EXPECT_EQ(CreateExclusiveFile(JoinPath(Root(), u"link.htm"), "x"), err::kAlreadyExists);
  EXPECT_EQ(CreateExclusiveFile(JoinPath(Root(), u"dangling.htm"), "x"), err::kAlreadyExists);
  EXPECT_FALSE(fs::exists(m_root / "absent"));
  std::string bytes;
  ASSERT_EQ(ReadWholeFile(path, bytes), 0u);
  EXPECT_EQ(bytes, "<html>");
  ASSERT_EQ(ReadWholeFile(JoinPath(Root(), u"victim"), bytes), 0u);
  EXPECT_EQ(bytes, "keep");
  EXPECT_EQ(CreateExclusiveFile(JoinPath(Root(), u"none/Keys.htm"), "x"), err::kPathNotFound);
}

TEST_F(Files, AtomicWriteThroughALinkKeepsTheLink) {
  fs::create_directories(m_root / "real");
  Write(m_root / "real" / "settings.ini", "old");
  fs::create_symlink("real/settings.ini", m_root / "link.ini");  // relative to the link's folder
  fs::create_symlink(m_root / "link.ini", m_root / "chain.ini");
  fs::create_symlink("real/new.ini", m_root / "dangling.ini");
  fs::create_symlink("loop-b", m_root / "loop-a");
  fs::create_symlink("loop-a", m_root / "loop-b");

  ASSERT_EQ(WriteFileAtomically(JoinPath(Root(), u"chain.ini"), "new"), 0u);
  ASSERT_EQ(WriteFileAtomically(JoinPath(Root(), u"dangling.ini"), "made"), 0u);
  for (const char* link : {"link.ini", "chain.ini", "dangling.ini"})
    EXPECT_TRUE(fs::is_symlink(m_root / link)) << link;
  std::string bytes;
  ASSERT_EQ(ReadWholeFile(JoinPath(Root(), u"real/settings.ini"), bytes), 0u);
  EXPECT_EQ(bytes, "new");
  ASSERT_EQ(ReadWholeFile(JoinPath(Root(), u"real/new.ini"), bytes), 0u);
  EXPECT_EQ(bytes, "made");
  EXPECT_EQ(WriteFileAtomically(JoinPath(Root(), u"loop-a"), "x"), err::kCantResolveFilename);
  EXPECT_TRUE(fs::is_symlink(m_root / "loop-a"));
}

TEST_F(Files, StatusIdentityAndFolders) {
  Write(m_root / "a", "abc");
  fs::create_hard_link(m_root / "a", m_root / "b");
  FileStatus a, b;
  ASSERT_EQ(GetFileStatus(JoinPath(Root(), u"a"), a), 0u);
  ASSERT_EQ(GetFileStatus(JoinPath(Root(), u"b"), b), 0u);
  EXPECT_EQ(a.identity, b.identity);
  EXPECT_EQ(a.linkCount, 2u);
  EXPECT_TRUE(a.isRegular);
  EXPECT_EQ(a.size, 3u);
  EXPECT_TRUE(FileExists(JoinPath(Root(), u"a")));
  EXPECT_FALSE(FolderExists(JoinPath(Root(), u"a")));
  EXPECT_EQ(CreateFolders(JoinPath(Root(), u"x/y/z")), 0u);
  EXPECT_TRUE(FolderExists(JoinPath(Root(), u"x/y/z")));
  EXPECT_EQ(CreateFolders(JoinPath(Root(), u"x/y/z")), 0u);
  EXPECT_EQ(RemoveFile(JoinPath(Root(), u"b")), 0u);
  EXPECT_EQ(RemoveFile(JoinPath(Root(), u"b")), err::kFileNotFound);
}

}  // namespace
}  // namespace tarnq::platform
