// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_ops.h"

#include <fcntl.h>
#include <gio/gio.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/temp_journal.h"
#include "platform/text.h"

namespace tarnq::platform {
namespace {

// Changes are made only through absolute paths: a relative one (or a path in Windows form read
// from a foreign file) would act on whatever the current folder happens to hold.
bool ToNative(std::u16string_view path, std::string& native) {
  return IsAbsolutePath(path) && Utf16ToNameBytes(path, native);
}

std::string NativeFolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Closes a descriptor on every path out.
class Fd {
 public:
  explicit Fd(int fd = -1) : m_fd(fd) {}
  ~Fd() { Reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int Get() const { return m_fd; }
  void Reset(int fd = -1) {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = fd;
  }
  // Closes and reports a failure of the close itself (a late write error).
  int Close() {
    const int r = m_fd >= 0 ? ::close(m_fd) : 0;
    m_fd = -1;
    return r;
  }

 private:
  int m_fd;
};

uint32_t LastError(bool forPath = false) { return ErrorFromErrno(errno, forPath); }

FileIdentity IdentityOf(const struct stat& st) {
  return {(static_cast<uint64_t>(major(st.st_dev)) << 32) | minor(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

// Opens a folder by walking its path one component at a time, never through a symbolic link.
int WalkNoFollow(const std::string& folder) {
  int fd = ::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  size_t pos = 0;
  while (fd >= 0 && pos < folder.size()) {
    while (pos < folder.size() && folder[pos] == '/') ++pos;
    if (pos >= folder.size()) break;
    const size_t end = std::min(folder.find('/', pos), folder.size());
    const std::string part = folder.substr(pos, end - pos);
    pos = end;
    const int next = ::openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const int e = errno;
    ::close(fd);
    fd = next;
    errno = e;
  }
  return fd;
}

// The folder of `native`, opened without following links (openat2 where the kernel and any
// container filter allow it, else the walk). `name` gets the last component. Errors in `code`:
// a link on the way is kLinkInPath.
int OpenParentNoFollow(const std::string& native, std::string& name, uint32_t& code) {
  const size_t slash = native.rfind('/');
  if (slash == std::string::npos || slash + 1 >= native.size()) {
    code = err::kInvalidName;
    return -1;
  }
  name = native.substr(slash + 1);
  const std::string folder = slash == 0 ? "/" : native.substr(0, slash);
  struct open_how how {};
  how.flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
  int fd = static_cast<int>(::syscall(SYS_openat2, AT_FDCWD, folder.c_str(), &how, sizeof how));
  if (fd < 0 && (errno == ENOSYS || errno == EPERM || errno == E2BIG)) fd = WalkNoFollow(folder);
  if (fd < 0) code = errno == ELOOP || errno == ENOTDIR ? err::kLinkInPath : LastError(true);
  // ENOTDIR: a component is not a folder; a link to a file there is still a link.
  if (fd < 0 && errno == ENOTDIR) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) code = err::kPathNotFound;
  }
  return fd;
}

// Checks the entry `name` of the open folder: it exists and, with `expected`, is that file.
uint32_t CheckEntry(int dir, const std::string& name, const FileIdentity* expected, struct stat& st) {
  if (::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return LastError();
  if (expected != nullptr && IdentityOf(st) != *expected) return err::kNotTheSameFile;
  return 0;
}

bool SameIdentity(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  return ::lstat(a.c_str(), &sa) == 0 && ::lstat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

// rename that never replaces an existing target.
int RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return -1;
  // File systems without the flag: check, then rename (a narrow race, but never a silent replace of
  // a file that was there when we looked).
  struct stat st {};
  if (::lstat(to.c_str(), &st) == 0) {
    errno = EEXIST;
    return -1;
  }
  return ::rename(from.c_str(), to.c_str());
}

std::string TemporaryNameIn(const std::string& folder, std::string_view hint) {
  std::random_device random;
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
  std::string name = folder;
  if (name.back() != '/') name.push_back('/');
  name += kTempPrefix;
  name.append(hint.substr(0, 100));
  name += ".";
  name += suffix;
  name += ".part";
  return name;
}

// Copies the data and metadata of an open regular file into a new temporary file in `targetFolder`
// and syncs it. `temp` receives the temporary's name (removed again on failure), `journal` its
// journal entry (dropped on failure). `progress` gets the bytes of each step and may cancel.
uint32_t CopyToTemporary(int sourceFd, const struct stat& sourceStat, const std::string& targetFolder,
                         std::string_view hint, std::string& temp, TempJournalEntry& journal,
                         const std::function<bool(uint64_t)>& progress) {
  Fd out;
  for (int attempt = 0; attempt < 16 && out.Get() < 0; ++attempt) {
    temp = TemporaryNameIn(targetFolder, hint);
    out.Reset(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (out.Get() < 0 && errno != EEXIST) return LastError(true);
  }
  if (out.Get() < 0) return err::kAlreadyExists;

  uint32_t code = 0;
  uint64_t copied = 0;
  const uint64_t size = static_cast<uint64_t>(sourceStat.st_size);
  // A crash or a kill from here on leaves the temporary to the next run's clean-up.
  journal.Record(temp, out.Get(), size);
  std::vector<char> buffer;
  while (code == 0) {
    const size_t step = 1 << 20;
    ssize_t n = ::copy_file_range(sourceFd, nullptr, out.Get(), nullptr, step, 0);
    if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL)) {
      // Plain read and write where the kernel cannot copy between these file systems.
      if (buffer.empty()) buffer.resize(step);
      n = ::read(sourceFd, buffer.data(), buffer.size());
      if (n > 0) {
        ssize_t written = 0;
        while (written < n) {
          const ssize_t w = ::write(out.Get(), buffer.data() + written, static_cast<size_t>(n - written));
          if (w < 0) {
            if (errno == EINTR) continue;
            n = -1;
            break;
          }
          written += w;
        }
      }
    }
    if (n < 0) {
      if (errno == EINTR) continue;
      code = LastError();
      break;
    }
    if (n == 0) break;
    copied += static_cast<uint64_t>(n);
    if (progress && !progress(static_cast<uint64_t>(n))) code = err::kCancelled;
  }
  if (code == 0 && copied != size) code = err::kCopySizeMismatch;
  if (code == 0 && ::fchmod(out.Get(), sourceStat.st_mode & 07777) != 0) code = LastError();
  if (code == 0) {
    const struct timespec times[2] = {sourceStat.st_atim, sourceStat.st_mtim};
    if (::futimens(out.Get(), times) != 0) code = LastError();
  }
  if (code == 0 && ::fsync(out.Get()) != 0) code = LastError();
  if (out.Close() != 0 && code == 0) code = LastError();
  if (code != 0) {
    ::unlink(temp.c_str());
    journal.Drop();
  }
  return code;
}

void SyncFolder(const std::string& folder) {
  Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.Get() >= 0) ::fsync(dir.Get());
}

uint32_t OpenRegularForReading(int dir, const std::string& path, Fd& fd, struct stat& st) {
  // Without blocking: a FIFO put in a file's place would wait for a writer forever.
  fd.Reset(::openat(dir, path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (fd.Get() < 0) return errno == ELOOP ? err::kNotRegularFile : LastError();
  if (::fstat(fd.Get(), &st) != 0) return LastError();
  if (!S_ISREG(st.st_mode)) return err::kNotRegularFile;
  return 0;
}

// Copies the open file `in` to `target` through a temporary in the target's folder; `replace`
// decides whether an existing target may be replaced.
uint32_t CopyOpened(int in, const struct stat& st, const std::string& target, bool replace,
                    const std::function<bool(uint64_t)>& progress) {
  struct stat existing {};
  if (::lstat(target.c_str(), &existing) == 0 && IdentityOf(existing) == IdentityOf(st)) return err::kSameFile;
  const std::string folder = NativeFolderOf(target);
  std::string temp;
  const size_t slash = target.rfind('/');
  const std::string_view hint = std::string_view(target).substr(slash == std::string::npos ? 0 : slash + 1);
  TempJournalEntry journal;
  if (const uint32_t code = CopyToTemporary(in, st, folder, hint, temp, journal, progress)) return code;
  const int r = replace ? ::rename(temp.c_str(), target.c_str()) : RenameNoReplace(temp, target);
  if (r != 0) {
    const uint32_t code = LastError(true);
    ::unlink(temp.c_str());
    return code;
  }
  journal.Drop();
  SyncFolder(folder);
  return 0;
}

uint32_t CopyNative(const std::string& source, const std::string& target, bool replace,
                    const std::function<bool(uint64_t)>& progress) {
  Fd in;
  struct stat st {};
  if (const uint32_t code = OpenRegularForReading(AT_FDCWD, source, in, st)) return code;
  return CopyOpened(in.Get(), st, target, replace, progress);
}

// Moves the entry `name` of the open folder `dir` (the file `st`) across file systems: copy,
// check, rename into place, then remove the source if it is still that file.
uint32_t MoveAcrossDevices(int dir, const std::string& name, const struct stat& st, const std::string& target,
                           bool replace, const std::function<bool(uint64_t)>& progress) {
  Fd in;
  struct stat opened {};
  if (const uint32_t code = OpenRegularForReading(dir, name, in, opened)) return code;
  if (IdentityOf(opened) != IdentityOf(st)) return err::kNotTheSameFile;
  if (const uint32_t code = CopyOpened(in.Get(), opened, target, replace, progress)) return code;
  // The copy is in place. A source that cannot be removed (or was replaced meanwhile) stays:
  // nothing is lost, and the caller keeps the source's row because its file is still there.
  const FileIdentity identity = IdentityOf(opened);
  struct stat now {};
  if (const uint32_t code = CheckEntry(dir, name, &identity, now)) return code;
  if (::unlinkat(dir, name.c_str(), 0) != 0) return LastError();
  return 0;
}

uint32_t MoveNative(const std::string& source, const std::string& target, bool replace,
                    const std::function<bool(uint64_t)>& progress, const FileIdentity* expected = nullptr) {
  std::string name;
  uint32_t code = 0;
  Fd dir(OpenParentNoFollow(source, name, code));
  if (dir.Get() < 0) return code;
  struct stat st {};
  if (const uint32_t c = CheckEntry(dir.Get(), name, expected, st)) return c;
  if (!S_ISREG(st.st_mode)) return err::kNotRegularFile;
  int r = ::renameat2(dir.Get(), name.c_str(), AT_FDCWD, target.c_str(), replace ? 0 : RENAME_NOREPLACE);
  if (r != 0 && !replace && (errno == EINVAL || errno == ENOSYS)) {
    struct stat existing {};
    if (::lstat(target.c_str(), &existing) == 0) {
      errno = EEXIST;
    } else {
      r = ::renameat(dir.Get(), name.c_str(), AT_FDCWD, target.c_str());
    }
  }
  if (r == 0) return 0;
  if (errno == EXDEV) return MoveAcrossDevices(dir.Get(), name, st, target, replace, progress);
  return LastError(true);
}

}  // namespace

std::u16string ResolveFolderLinks(std::u16string_view path) {
  std::string native;
  if (!ToNative(path, native)) return std::u16string(path);
  const size_t slash = native.rfind('/');
  if (slash == std::string::npos || slash + 1 >= native.size()) return std::u16string(path);
  const std::string folder = slash == 0 ? "/" : native.substr(0, slash);
  char* resolved = ::realpath(folder.c_str(), nullptr);
  if (resolved == nullptr) return std::u16string(path);
  std::string result = resolved;
  std::free(resolved);
  if (result.empty() || result.back() != '/') result.push_back('/');
  result.append(native, slash + 1);
  return NameBytesToUtf16(result);
}

uint32_t DeleteFilePermanently(std::u16string_view path, const FileIdentity* expected) {
  std::string native, name;
  if (!ToNative(path, native)) return err::kInvalidName;
  uint32_t code = 0;
  Fd dir(OpenParentNoFollow(native, name, code));
  if (dir.Get() < 0) return code;
  struct stat st {};
  if (const uint32_t c = CheckEntry(dir.Get(), name, expected, st)) return c;
  if (S_ISDIR(st.st_mode)) return err::kNotRegularFile;
  if (::unlinkat(dir.Get(), name.c_str(), 0) != 0) return LastError();
  return 0;
}

std::u16string WipeName(std::u16string_view name) {
  std::u16string out(name);
  for (char16_t& c : out)
    if (c != u'.') c = u'@';
  return out;
}

uint32_t WipeFile(std::u16string_view path, const WipeProgress& progress, const FileIdentity* expected) {
  std::string native, name;
  if (!ToNative(path, native)) return err::kInvalidName;
  uint32_t code = 0;
  Fd dir(OpenParentNoFollow(native, name, code));
  if (dir.Get() < 0) return code;
  // Everything is checked before anything changes: type, links and identity.
  struct stat before {};
  if (const uint32_t c = CheckEntry(dir.Get(), name, expected, before)) return c;
  if (!S_ISREG(before.st_mode)) return err::kNotRegularFile;
  if (before.st_nlink > 1) return err::kHasOtherLinks;
  const FileIdentity identity = IdentityOf(before);
  const int openFlags = O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
  Fd fd(::openat(dir.Get(), name.c_str(), openFlags));
  if (fd.Get() < 0) {
    if (errno == ELOOP) return err::kNotRegularFile;
    if (errno != EACCES && errno != EPERM) return LastError();
    // A read-only file: the owner may make it writable, as clearing the attribute did. The mode is
    // changed on the opened file, never through a path.
    Fd reader(::openat(dir.Get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (reader.Get() < 0 || ::fstat(reader.Get(), &st) != 0) return err::kAccessDenied;
    if (IdentityOf(st) != identity) return err::kNotTheSameFile;
    if (::fchmod(reader.Get(), (st.st_mode & 07777) | S_IWUSR) != 0) return err::kAccessDenied;
    fd.Reset(::openat(dir.Get(), name.c_str(), openFlags));
    if (fd.Get() < 0) return LastError();
  }
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) return LastError();
  if (!S_ISREG(st.st_mode)) return err::kNotRegularFile;
  if (IdentityOf(st) != identity) return err::kNotTheSameFile;
  if (st.st_nlink > 1) return err::kHasOtherLinks;

  unsigned char block[kWipeBlockBytes];
  std::memset(block, kWipePattern, sizeof block);
  const uint64_t size = static_cast<uint64_t>(st.st_size);
  uint64_t written = 0;
  bool cancelled = false;
  while (written < size) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(size - written, sizeof block));
    const ssize_t w = ::pwrite(fd.Get(), block, n, static_cast<off_t>(written));
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return err::kNotWiped;
    written += static_cast<uint64_t>(w);
    if (progress && !progress(static_cast<uint64_t>(w))) {
      cancelled = true;
      break;
    }
  }
  if (::fsync(fd.Get()) != 0) return err::kNotWiped;
  if (::ftruncate(fd.Get(), static_cast<off_t>(size - written)) != 0) return LastError();
  if (fd.Close() != 0) return err::kNotWiped;

  // Hide the old name as well: "song.mp3" becomes "@@@@.@@@", then "@@@@.@@@1", "@@@@.@@@2" ...
  // All within the folder opened above.
  std::string nameBytes;
  Utf16ToNameBytes(WipeName(NameBytesToUtf16(name)), nameBytes);
  std::string current = name;
  for (int n = 0; n < 1000; ++n) {
    std::string candidate = nameBytes;
    if (n > 0) candidate += std::to_string(n);
    if (candidate == current) break;
    if (::renameat2(dir.Get(), current.c_str(), dir.Get(), candidate.c_str(), RENAME_NOREPLACE) == 0) {
      current = candidate;
      break;
    }
    if (errno != EEXIST) break;
  }
  if (cancelled) return err::kCancelled;
  struct stat last {};
  if (const uint32_t c = CheckEntry(dir.Get(), current, &identity, last)) return c;
  if (::unlinkat(dir.Get(), current.c_str(), 0) != 0) return LastError();
  return 0;
}

uint32_t RenameFile(std::u16string_view oldPath, std::u16string_view newPath) {
  if (oldPath == newPath) return 0;
  std::string from, to;
  if (!ToNative(oldPath, from) || !ToNative(newPath, to)) return err::kInvalidName;
  if (RenameNoReplace(from, to) == 0) return 0;
  const int e = errno;
  if (e == EEXIST) {
    // Only a change of letter case on a mount that ignores case names the same file twice (a
    // second hard link is the same file too, but renaming onto it would do nothing).
    if (FolderOf(oldPath) == FolderOf(newPath) && FoldCase(FileNameOf(oldPath)) == FoldCase(FileNameOf(newPath)) &&
        SameIdentity(from, to))
      return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : LastError(true);
    return err::kAlreadyExists;
  }
  if (e == ENOENT) {
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0) return err::kFileNotFound;
    if (CreateFolders(FolderOf(newPath)) != 0) return err::kPathNotFound;
    if (RenameNoReplace(from, to) == 0) return 0;
    if (errno == EEXIST) return err::kAlreadyExists;
    if (errno != EXDEV) return LastError(true);
  } else if (e != EXDEV) {
    return ErrorFromErrno(e, true);
  }
  return MoveNative(from, to, false, nullptr);
}

uint32_t RenameInFolder(std::u16string_view oldPath, std::u16string_view newName, std::u16string* newPath) {
  if (newName.empty() || newName == u"." || newName == u".." ||
      newName.find_first_of(std::u16string_view(u"/\0", 2)) != std::u16string_view::npos)
    return err::kInvalidName;
  const std::u16string target = JoinPath(FolderOf(oldPath), newName);
  const uint32_t code = RenameFile(oldPath, target);
  if (code == 0 && newPath != nullptr) *newPath = target;
  return code;
}

uint32_t CopyFileTo(std::u16string_view source, std::u16string_view target, bool replace) {
  std::string from, to;
  if (!ToNative(source, from) || !ToNative(target, to)) return err::kInvalidName;
  return CopyNative(from, to, replace, nullptr);
}

std::u16string KeepBothName(std::u16string_view folder, std::u16string_view name) {
  const size_t dot = name.rfind(u'.');
  const bool hasExtension = dot != std::u16string_view::npos && dot > 0;
  const std::u16string_view stem = hasExtension ? name.substr(0, dot) : name;
  const std::u16string_view extension = hasExtension ? name.substr(dot) : std::u16string_view{};
  for (int n = 2;; ++n) {
    std::u16string candidate(stem);
    candidate += u" (";
    candidate += Utf8ToUtf16(std::to_string(n));
    candidate += u")";
    candidate += extension;
    if (!FileExists(JoinPath(folder, candidate))) return candidate;
  }
}

uint32_t TransferFiles(std::span<const std::u16string> sources, std::u16string_view targetFolder, bool move,
                       const TransferCallbacks& callbacks, std::vector<TransferOutcome>& outcomes,
                       std::span<const FileIdentity> expected) {
  outcomes.assign(sources.size(), TransferOutcome{{}, err::kCancelled});
  if (const uint32_t code = CreateFolders(targetFolder)) {
    for (auto& o : outcomes) o.code = code;
    return code;
  }
  std::vector<uint64_t> sizes(sources.size(), 0);
  uint64_t total = 0, done = 0;
  for (size_t i = 0; i < sources.size(); ++i) {
    FileStatus status;
    if (GetFileStatus(sources[i], status) == 0 && status.size != kUnknownSize) sizes[i] = status.size;
    total += sizes[i];
  }
  bool cancelled = false;
  const std::function<bool(uint64_t)> progress = [&](uint64_t bytes) {
    done += bytes;
    if (callbacks.onProgress && !callbacks.onProgress(done, total)) cancelled = true;
    return !cancelled;
  };
  uint32_t first = 0;
  uint64_t finished = 0;
  for (size_t i = 0; i < sources.size() && !cancelled; ++i) {
    TransferOutcome& outcome = outcomes[i];
    bool attempt = true;
    std::string from, to;
    std::u16string target = JoinPath(targetFolder, FileNameOf(sources[i]));
    if (!ToNative(sources[i], from) || !ToNative(target, to)) {
      outcome.code = err::kInvalidName;
      attempt = false;
    } else {
      bool replace = false;
      if (FileExists(target)) {
        if (SameIdentity(from, to)) {
          outcome.code = err::kSameFile;
          attempt = false;
        } else {
          const ExistsChoice choice = callbacks.onExists ? callbacks.onExists(sources[i], target) : ExistsChoice::kSkip;
          if (choice == ExistsChoice::kCancel) {
            cancelled = true;
            break;
          }
          if (choice == ExistsChoice::kSkip) {
            outcome.code = err::kSkippedByUser;
            attempt = false;
          } else if (choice == ExistsChoice::kKeepBoth) {
            target = JoinPath(targetFolder, KeepBothName(targetFolder, FileNameOf(sources[i])));
            Utf16ToNameBytes(target, to);
          } else {
            replace = true;
          }
        }
      }
      if (attempt) {
        const FileIdentity* identity = i < expected.size() ? &expected[i] : nullptr;
        outcome.code =
            move ? MoveNative(from, to, replace, progress, identity) : CopyNative(from, to, replace, progress);
        if (outcome.code == 0) outcome.target = target;
      }
    }
    // A rename moves no bytes and a skipped file none either: count each file as finished.
    finished += sizes[i];
    if (done < finished) {
      done = finished;
      if (callbacks.onProgress && !callbacks.onProgress(done, total)) cancelled = true;
    }
    if (outcome.code != 0 && outcome.code != err::kSkippedByUser && outcome.code != err::kCancelled && first == 0)
      first = outcome.code;
    if (outcome.code == err::kCancelled) cancelled = true;
  }
  if (cancelled) return err::kCancelled;
  return first;
}

uint32_t MoveToTrash(std::u16string_view path, const FileIdentity* expected) {
  std::string native, name;
  if (!ToNative(path, native)) return err::kInvalidName;
  uint32_t code = 0;
  FileIdentity folderIdentity;
  {
    Fd dir(OpenParentNoFollow(native, name, code));
    if (dir.Get() < 0) return code;
    struct stat st {}, folder {};
    if (const uint32_t c = CheckEntry(dir.Get(), name, expected, st)) return c;
    if (::fstat(dir.Get(), &folder) != 0) return LastError();
    folderIdentity = IdentityOf(folder);
  }
  // The Trash works by path only, so what stood there during the call is checked afterwards: the
  // folder must be the one checked before (a swap meanwhile is reported; it cannot be undone here).
  const auto folderUnchanged = [&] {
    std::string again;
    uint32_t ignored = 0;
    Fd dir(OpenParentNoFollow(native, again, ignored));
    struct stat folder {};
    return dir.Get() >= 0 && ::fstat(dir.Get(), &folder) == 0 && IdentityOf(folder) == folderIdentity;
  };
  GFile* file = g_file_new_for_path(native.c_str());
  GError* error = nullptr;
  const gboolean ok = g_file_trash(file, nullptr, &error);
  g_object_unref(file);
  if (ok) return folderUnchanged() ? 0 : err::kNotTheSameFile;
  code = err::kTrashUnavailable;
  if (error != nullptr) {
    if (error->domain == G_IO_ERROR) {
      switch (error->code) {
        case G_IO_ERROR_NOT_FOUND: code = err::kFileNotFound; break;
        case G_IO_ERROR_PERMISSION_DENIED: code = err::kAccessDenied; break;
        case G_IO_ERROR_CANCELLED: code = err::kCancelled; break;
        case G_IO_ERROR_NO_SPACE: code = err::kDiskFull; break;
        default: break;
      }
    }
    g_error_free(error);
  }
  return code;
}

}  // namespace tarnq::platform
