// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/temp_journal.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/text.h"

namespace tarnq::platform {
namespace {

namespace fs = std::filesystem;

class TempJournal : public ::testing::Test {
 protected:
  void SetUp() override {
    m_root = fs::temp_directory_path() / ("tarnq-journal-" + std::to_string(::getpid()) + "-" +
                                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(m_root);
    fs::create_directories(m_root / "music");
    const char* old = std::getenv("XDG_CACHE_HOME");
    if (old != nullptr) m_oldCache = old;
    m_hadCache = old != nullptr;
    ::setenv("XDG_CACHE_HOME", (m_root / "cache").c_str(), 1);
  }
  void TearDown() override {
    if (m_hadCache) ::setenv("XDG_CACHE_HOME", m_oldCache.c_str(), 1);
    else ::unsetenv("XDG_CACHE_HOME");
    std::error_code ec;
    fs::remove_all(m_root, ec);
  }
  fs::path Temp() const { return m_root / "music" / (std::string(kTempPrefix) + "song.mp3.0badf00d.part"); }
  void Write(const fs::path& path, const std::string& content) { std::ofstream(path, std::ios::binary) << content; }
  size_t JournalEntries() const {
    const fs::path folder = NameBytesToUtf16ToPath(TempJournalFolder());
    if (!fs::exists(folder)) return 0;
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
  }
  static fs::path NameBytesToUtf16ToPath(const std::u16string& path) {
    std::string bytes;
    Utf16ToNameBytes(path, bytes);
    return bytes;
  }
  // A run that journals the temporary file and then dies without cleaning up (as a kill does).
  void CrashWhileWriting(uint64_t finalSize) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const int fd = ::open(Temp().c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
      if (fd < 0 || ::write(fd, "half", 4) != 4) ::_exit(1);
      TempJournalEntry entry;
      entry.Record(Temp().native(), fd, finalSize);
      ::_exit(0);  // no destructors: the entry stays behind
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }

  fs::path m_root;
  std::string m_oldCache;
  bool m_hadCache = false;
};

TEST_F(TempJournal, TheNextRunRemovesATemporaryFileLeftByAKilledRun) {
  CrashWhileWriting(1000);
  ASSERT_TRUE(fs::exists(Temp()));
  ASSERT_EQ(JournalEntries(), 1u);
  EXPECT_EQ(RemoveLeftoverTemporaryFiles(), 1u);
  EXPECT_FALSE(fs::exists(Temp()));
  EXPECT_EQ(JournalEntries(), 0u);
}

TEST_F(TempJournal, AFileThatTookTheNameSinceIsLeftAlone) {
  struct Case {
    const char* what;
    bool replace;        // another file now stands at the path
    uint64_t finalSize;  // the size the journal allows
  };
  const Case cases[] = {{"replaced by another file", true, 1000}, {"larger than recorded", false, 2}};
  for (const Case& c : cases) {
    fs::remove(Temp());
    CrashWhileWriting(c.finalSize);
    if (c.replace) {
      // Made while the temporary still exists, so it is surely another inode.
      Write(m_root / "music" / "other", "someone else's data");
      fs::rename(m_root / "music" / "other", Temp());
    }
    EXPECT_EQ(RemoveLeftoverTemporaryFiles(), 0u) << c.what;
    EXPECT_TRUE(fs::exists(Temp())) << c.what;
    EXPECT_EQ(JournalEntries(), 0u) << c.what;  // the entry is dropped all the same
  }
}

TEST_F(TempJournal, EntriesOfARunningWriterAreKeptAndDamagedOnesDropped) {
  Write(Temp(), "half");
  const int fd = ::open(Temp().c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  {
    TempJournalEntry entry;
    entry.Record(Temp().native(), fd, 1000);
    ASSERT_EQ(JournalEntries(), 1u);
    Write(NameBytesToUtf16ToPath(TempJournalFolder()) / "damaged.entry", "12 not numbers /x\n");
    EXPECT_EQ(RemoveLeftoverTemporaryFiles(), 0u);
    EXPECT_TRUE(fs::exists(Temp()));
    EXPECT_EQ(JournalEntries(), 1u);  // the writer's own; the damaged one is gone
  }
  ::close(fd);
  EXPECT_EQ(JournalEntries(), 0u);  // dropped with the writer's entry
  EXPECT_TRUE(fs::exists(Temp()));
}

}  // namespace
}  // namespace tarnq::platform
