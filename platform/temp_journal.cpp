// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/temp_journal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <random>
#include <vector>

#include "platform/paths.h"
#include "platform/text.h"

namespace tarnq::platform {
namespace {

constexpr std::string_view kEntrySuffix = ".entry";
constexpr std::string_view kNewSuffix = ".new";
// An entry still under its first name after this long was abandoned before it was complete.
constexpr time_t kAbandonedNewSeconds = 3600;
// An entry is one short line; anything longer is not ours.
constexpr size_t kMaxEntryBytes = 8192;

bool JournalFolderNative(std::string& folder) {
  return Utf16ToNameBytes(TempJournalFolder(), folder) && !folder.empty() && folder.front() == '/';
}

// Creates the journal folder and its parents, readable by the user only.
bool MakeJournalFolder(const std::string& folder) {
  for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  struct stat st {};
  return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t w = ::write(fd, bytes.data(), bytes.size());
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(w));
  }
  return true;
}

bool ParseNumber(std::string_view& text, uint64_t& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc{} || end == text.data() || end == text.data() + text.size() || *end != ' ') return false;
  text.remove_prefix(static_cast<size_t>(end - text.data()) + 1);
  return true;
}

struct Entry {
  uint64_t device = 0;
  uint64_t inode = 0;
  uint64_t size = 0;
  std::string path;
};

// "<device> <inode> <size> <path>\n": the path runs to the final line break (it may hold any
// byte but NUL). Anything else is a damaged entry.
bool ParseEntry(std::string_view text, Entry& entry) {
  if (text.empty() || text.back() != '\n') return false;
  text.remove_suffix(1);
  if (!ParseNumber(text, entry.device) || !ParseNumber(text, entry.inode) || !ParseNumber(text, entry.size))
    return false;
  if (text.empty() || text.front() != '/' || text.find('\0') != std::string_view::npos) return false;
  entry.path.assign(text);
  return true;
}

// Removes the temporary of `entry` when it is still the file the entry describes.
bool RemoveIfStillOurs(const Entry& entry) {
  const size_t slash = entry.path.rfind('/');
  if (!std::string_view(entry.path).substr(slash + 1).starts_with(kTempPrefix)) return false;
  struct stat st {};
  if (::lstat(entry.path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if (static_cast<uint64_t>(st.st_dev) != entry.device || static_cast<uint64_t>(st.st_ino) != entry.inode) return false;
  if (static_cast<uint64_t>(st.st_size) > entry.size || st.st_nlink != 1) return false;
  return ::unlink(entry.path.c_str()) == 0;
}

}  // namespace

std::u16string TempJournalFolder() { return JoinPath(JoinPath(CacheFolder(), u"Quillworks"), u"unfinished"); }

void TempJournalEntry::Record(const std::string& tempPath, int tempFd, uint64_t finalSize) {
  Drop();
  struct stat st {};
  std::string folder;
  if (::fstat(tempFd, &st) != 0 || !JournalFolderNative(folder) || !MakeJournalFolder(folder)) return;
  std::random_device random;
  char name[48];
  std::snprintf(name, sizeof name, "/%d-%08x", static_cast<int>(::getpid()), static_cast<unsigned>(random()));
  const std::string stem = folder + name;
  const std::string fresh = stem + std::string(kNewSuffix);
  const int fd = ::open(fresh.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return;
  // Locked before anyone can see it under its final name; the lock lives as long as this process
  // keeps the descriptor, so a crash releases it.
  const std::string line = std::to_string(static_cast<uint64_t>(st.st_dev)) + " " +
                           std::to_string(static_cast<uint64_t>(st.st_ino)) + " " + std::to_string(finalSize) + " " +
                           tempPath + "\n";
  const std::string entryPath = stem + std::string(kEntrySuffix);
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !WriteAll(fd, line) || ::rename(fresh.c_str(), entryPath.c_str()) != 0) {
    ::unlink(fresh.c_str());
    ::close(fd);
    return;
  }
  m_fd = fd;
  m_entryPath = entryPath;
}

void TempJournalEntry::Drop() {
  if (m_fd < 0) return;
  // Removed while still locked, so no other run takes it half-way.
  ::unlink(m_entryPath.c_str());
  ::close(m_fd);
  m_fd = -1;
  m_entryPath.clear();
}

size_t RemoveLeftoverTemporaryFiles() {
  std::string folder;
  if (!JournalFolderNative(folder)) return 0;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return 0;
  std::vector<std::string> names;
  while (const dirent* e = ::readdir(dir)) {
    const std::string_view name = e->d_name;
    if (name.ends_with(kEntrySuffix) || name.ends_with(kNewSuffix)) names.emplace_back(name);
  }
  ::closedir(dir);

  size_t removed = 0;
  for (const std::string& name : names) {
    const std::string path = folder + "/" + name;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    // A lock that cannot be had: the run that wrote the entry is still at work.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      continue;
    }
    if (name.ends_with(kNewSuffix)) {
      // Never completed: dropped once it is clearly abandoned.
      if (::time(nullptr) - st.st_mtime > kAbandonedNewSeconds) ::unlink(path.c_str());
      ::close(fd);
      continue;
    }
    std::string text(std::min<uint64_t>(static_cast<uint64_t>(st.st_size), kMaxEntryBytes), '\0');
    const ssize_t n = ::pread(fd, text.data(), text.size(), 0);
    Entry entry;
    if (n == static_cast<ssize_t>(text.size()) && static_cast<uint64_t>(st.st_size) <= kMaxEntryBytes &&
        ParseEntry(text, entry) && RemoveIfStillOurs(entry))
      ++removed;
    // Done with, or damaged: either way the entry goes.
    ::unlink(path.c_str());
    ::close(fd);
  }
  return removed;
}

}  // namespace tarnq::platform
