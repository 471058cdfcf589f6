// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "platform/errors.h"
#include "platform/paths.h"
#include "platform/temp_journal.h"
#include "platform/text.h"

namespace tarnq::platform {
namespace {

constexpr unsigned kStatxMask =
    STATX_TYPE | STATX_MODE | STATX_NLINK | STATX_UID | STATX_GID | STATX_INO | STATX_SIZE | STATX_ATIME | STATX_MTIME | STATX_BTIME;

FileTime ToFileTime(const struct statx_timestamp& ts) {
  return UnixToFileTime(ts.tv_sec, ts.tv_nsec);
}

uint64_t DeviceOf(const struct statx& st) {
  return (static_cast<uint64_t>(st.stx_dev_major) << 32) | st.stx_dev_minor;
}

uint16_t AttributesOf(const struct statx& st, std::string_view name) {
  uint16_t a = 0;
  const unsigned type = st.stx_mode & S_IFMT;
  if (type == S_IFDIR) a |= attr::kDirectory;
  if (type == S_IFREG) a |= attr::kArchive;
  if (type == S_IFLNK) a |= attr::kReparsePoint;
  if ((st.stx_mode & S_IWUSR) == 0) a |= attr::kReadOnly;
  if (!name.empty() && name.front() == '.') a |= attr::kHidden;
  if ((st.stx_attributes_mask & STATX_ATTR_COMPRESSED) && (st.stx_attributes & STATX_ATTR_COMPRESSED))
    a |= attr::kCompressed;
  if ((st.stx_attributes_mask & STATX_ATTR_ENCRYPTED) && (st.stx_attributes & STATX_ATTR_ENCRYPTED))
    a |= attr::kEncrypted;
  return a;
}

void FillTimes(const struct statx& st, FileTime& creation, FileTime& access, FileTime& write) {
  creation = (st.stx_mask & STATX_BTIME) ? ToFileTime(st.stx_btime) : 0;
  access = (st.stx_mask & STATX_ATIME) ? ToFileTime(st.stx_atime) : 0;
  write = (st.stx_mask & STATX_MTIME) ? ToFileTime(st.stx_mtime) : 0;
}

bool ToNative(std::u16string_view path, std::string& native) {
  return !path.empty() && Utf16ToNameBytes(path, native);
}

std::string_view NameOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

uint32_t WriteAll(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return ErrorFromErrno(errno);
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return 0;
}

}  // namespace

// --- FolderReader ---------------------------------------------------------------------------------

FolderReader::~FolderReader() { Close(); }

FolderReader::FolderReader(FolderReader&& other) noexcept : m_fd(other.m_fd), m_skipped(std::move(other.m_skipped)) {
  other.m_fd = -1;
}

FolderReader& FolderReader::operator=(FolderReader&& other) noexcept {
  if (this != &other) {
    Close();
    m_fd = other.m_fd;
    m_skipped = std::move(other.m_skipped);
    other.m_fd = -1;
  }
  return *this;
}

void FolderReader::Close() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
}

namespace {
uint32_t FolderOpenError(int e) { return e == ENOTDIR ? err::kDirectory : ErrorFromErrno(e, true); }
}  // namespace

uint32_t FolderReader::Open(std::u16string_view path) {
  Close();
  std::string native;
  if (!ToNative(path, native)) return err::kInvalidName;
  m_fd = ::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  return m_fd < 0 ? FolderOpenError(errno) : 0;
}

uint32_t FolderReader::OpenBelow(const FolderReader& parent, std::u16string_view name,
                                 std::u16string_view fullPath) {
  if (!parent.IsOpen()) {
    Close();
    std::string native;
    if (!ToNative(fullPath, native)) return err::kInvalidName;
    m_fd = ::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    if (m_fd >= 0) return 0;
    const int e = errno;
    return e == ELOOP ? err::kDirectory : FolderOpenError(e);
  }
  Close();
  std::string native;
  if (name.empty() || !ToNative(name, native) || native.find('/') != std::string::npos)
    return err::kInvalidName;
  m_fd = ::openat(parent.m_fd, native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
  if (m_fd >= 0) return 0;
  const int e = errno;
  return e == ELOOP ? err::kDirectory : FolderOpenError(e);
}

uint32_t FolderReader::List(const std::function<bool(const DirEntry&)>& callback) {
  if (m_fd < 0) return err::kInvalidParameter;
  m_skipped.clear();
  auto skip = [&](std::string_view bytes, DirSkip::Reason reason) {
    DirSkip s;
    AppendNameBytesToUtf16(bytes, s.name);
    s.reason = reason;
    m_skipped.push_back(std::move(s));
  };
  // getdents64 straight into a buffer: no DIR stream (which would take the descriptor over and
  // cost two more system calls per folder).
  alignas(8) char buffer[32768];
  std::u16string name;
  DirEntry entry;
  for (;;) {
    const ssize_t got = ::getdents64(m_fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      return ErrorFromErrno(errno, true);
    }
    if (got == 0) return 0;
    for (ssize_t at = 0; at < got;) {
      const auto* d = reinterpret_cast<const struct dirent64*>(buffer + at);
      at += d->d_reclen;
      const std::string_view bytes(d->d_name);
      if (bytes == "." || bytes == "..") {
        // Delivered as the system lists them; nobody reads their times, so spare the two statx calls.
        entry = DirEntry{};
        entry.attributes = attr::kDirectory;
        entry.size = 0;
        entry.name = bytes == "." ? std::u16string_view(u".") : std::u16string_view(u"..");
        if (!callback(entry)) return 0;
        continue;
      }
      struct statx st {};
      if (::statx(m_fd, d->d_name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, kStatxMask, &st) != 0) {
        skip(bytes, DirSkip::kVanished);  // gone since the listing read it
        continue;
      }
      entry.attributes = AttributesOf(st, bytes);
      const unsigned type = st.stx_mode & S_IFMT;
      if (type == S_IFLNK) {
        // Only links to folders are shown (never descended); a link to a file would make one file
        // appear under two paths.
        struct statx target {};
        if (::statx(m_fd, d->d_name, AT_NO_AUTOMOUNT, STATX_TYPE, &target) != 0 ||
            (target.stx_mode & S_IFMT) != S_IFDIR) {
          skip(bytes, DirSkip::kFileLink);
          continue;
        }
        entry.attributes |= attr::kDirectory;
      } else if (type != S_IFDIR && type != S_IFREG) {
        continue;  // devices, pipes and sockets are not files a user keeps music in
      }
      entry.size = (entry.attributes & attr::kDirectory) ? 0
                   : (st.stx_mask & STATX_SIZE)           ? st.stx_size
                                                          : kUnknownSize;
      FillTimes(st, entry.creationTime, entry.lastAccessTime, entry.lastWriteTime);
      entry.device = DeviceOf(st);
      entry.inode = st.stx_ino;
      name.clear();
      AppendNameBytesToUtf16(bytes, name);
      entry.name = name;
      if (!callback(entry)) return 0;
    }
  }
}

uint32_t ListDirectory(std::u16string_view folder,
                       const std::function<bool(const DirEntry&)>& callback) {
  FolderReader reader;
  const uint32_t code = reader.Open(folder);
  return code != 0 ? code : reader.List(callback);
}

uint32_t GetFileStatus(std::u16string_view path, FileStatus& status, bool followLinks) {
  std::string native;
  if (!ToNative(path, native)) return err::kInvalidName;
  struct statx st {};
  const int flags = AT_NO_AUTOMOUNT | (followLinks ? 0 : AT_SYMLINK_NOFOLLOW);
  if (::statx(AT_FDCWD, native.c_str(), flags, kStatxMask, &st) != 0) return ErrorFromErrno(errno);
  status.identity = {DeviceOf(st), st.stx_ino};
  status.attributes = AttributesOf(st, NameOf(native));
  const unsigned type = st.stx_mode & S_IFMT;
  status.isRegular = type == S_IFREG;
  status.isDirectory = type == S_IFDIR;
  status.isSymlink = type == S_IFLNK;
  status.size = (st.stx_mask & STATX_SIZE) ? st.stx_size : kUnknownSize;
  status.linkCount = st.stx_nlink;
  status.mode = st.stx_mode & 07777;
  status.userId = st.stx_uid;
  status.groupId = st.stx_gid;
  FillTimes(st, status.creationTime, status.lastAccessTime, status.lastWriteTime);
  return 0;
}

std::u16string UserName(uint32_t userId) {
  std::vector<char> buffer(4096);
  struct passwd entry {};
  struct passwd* found = nullptr;
  while (::getpwuid_r(userId, &entry, buffer.data(), buffer.size(), &found) == ERANGE && buffer.size() < 1 << 20) {
    buffer.resize(buffer.size() * 2);
  }
  return found != nullptr && found->pw_name != nullptr ? NameBytesToUtf16(found->pw_name) : std::u16string();
}

std::u16string GroupName(uint32_t groupId) {
  std::vector<char> buffer(4096);
  struct group entry {};
  struct group* found = nullptr;
  while (::getgrgid_r(groupId, &entry, buffer.data(), buffer.size(), &found) == ERANGE && buffer.size() < 1 << 20) {
    buffer.resize(buffer.size() * 2);
  }
  return found != nullptr && found->gr_name != nullptr ? NameBytesToUtf16(found->gr_name) : std::u16string();
}

uint32_t ResolvedPath(std::u16string_view path, std::u16string& resolved) {
  std::string native;
  if (!ToNative(path, native) || native.front() != '/') return err::kInvalidName;
  char* real = ::realpath(native.c_str(), nullptr);
  if (real == nullptr) return ErrorFromErrno(errno, true);
  resolved = NameBytesToUtf16(real);
  std::free(real);
  return 0;
}

bool FileExists(std::u16string_view path) {
  FileStatus status;
  return GetFileStatus(path, status, false) == 0;
}

bool FolderExists(std::u16string_view path) {
  FileStatus status;
  return GetFileStatus(path, status, true) == 0 && status.isDirectory;
}

uint32_t CreateFolders(std::u16string_view path) {
  std::string native;
  if (!ToNative(path, native)) return err::kInvalidName;
  for (size_t pos = 1; pos <= native.size(); ++pos) {
    if (pos != native.size() && native[pos] != '/') continue;
    const std::string part = native.substr(0, pos);
    if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return ErrorFromErrno(errno, true);
  }
  return FolderExists(path) ? 0 : err::kPathNotFound;
}

uint32_t ReadWholeFile(std::u16string_view path, std::string& bytes, uint64_t maxBytes) {
  bytes.clear();
  InputFile file;
  if (const uint32_t code = file.Open(path)) return code;
  const uint64_t size = file.Size();
  if (size != kUnknownSize) {
    if (size > maxBytes) return err::kNotEnoughMemory;
    bytes.reserve(static_cast<size_t>(size));
  }
  char buffer[65536];
  for (;;) {
    size_t done = 0;
    if (const uint32_t code = file.Read(buffer, sizeof buffer, done)) return code;
    if (done == 0) return 0;
    if (bytes.size() + done > maxBytes) return err::kNotEnoughMemory;
    bytes.append(buffer, done);
  }
}

AtomicFileWriter::~AtomicFileWriter() { Abandon(); }

void AtomicFileWriter::Abandon() {
  if (m_fd >= 0) ::close(m_fd);
  if (!m_temp.empty()) ::unlink(m_temp.c_str());
  m_journal.Drop();
  m_fd = -1;
  m_temp.clear();
}

namespace {

// Follows `path` while it is a symbolic link, so that a stored file that is a link is rewritten
// where the link points and the link stays (dotfile managers keep settings that way). A relative
// link is taken from the link's folder; a dangling one yields the file it would name.
uint32_t FollowLinks(std::string& path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return 0;
    std::string target(4096, '\0');
    const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
    if (n < 0) return ErrorFromErrno(errno, true);
    if (static_cast<size_t>(n) >= target.size()) return err::kFilenameExceedRange;
    target.resize(static_cast<size_t>(n));
    if (target.empty()) return err::kInvalidName;
    if (target.front() != '/') {
      const size_t slash = path.rfind('/');
      target = (slash == std::string::npos ? std::string(".") : path.substr(0, slash)) + "/" + target;
    }
    path = std::move(target);
  }
  return err::kCantResolveFilename;
}

}  // namespace

uint32_t AtomicFileWriter::Open(std::u16string_view path) {
  Abandon();
  m_error = 0;
  if (!ToNative(path, m_target)) return m_error = err::kInvalidName;
  if (const uint32_t code = FollowLinks(m_target)) return m_error = code;
  const size_t slash = m_target.rfind('/');
  m_folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : m_target.substr(0, slash));
  const std::string name(NameOf(m_target));

  // Keep the permissions of the file being replaced.
  struct stat old {};
  m_replaceMode = ::stat(m_target.c_str(), &old) == 0;
  m_mode = m_replaceMode ? (old.st_mode & 07777) : 0666;

  std::random_device random;
  for (int attempt = 0; attempt < 16 && m_fd < 0; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
    std::string temp = m_folder + "/" + std::string(kTempPrefix) + name.substr(0, 200) + "." + suffix + ".tmp";
    m_fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                  m_replaceMode ? 0600 : m_mode);
    if (m_fd >= 0) m_temp = std::move(temp);
    else if (errno != EEXIST) return m_error = ErrorFromErrno(errno, true);
  }
  if (m_fd < 0) return m_error = err::kAlreadyExists;
  // The final size is not known yet: the entry is matched by identity alone.
  m_journal.Record(m_temp, m_fd, kUnknownSize);
  return 0;
}

uint32_t AtomicFileWriter::Write(std::string_view bytes) {
  if (m_error != 0) return m_error;
  if (m_fd < 0) return m_error = 6;
  return m_error = WriteAll(m_fd, bytes);
}

uint32_t AtomicFileWriter::WriteAt(uint64_t offset, std::string_view bytes) {
  if (m_error != 0) return m_error;
  if (m_fd < 0) return m_error = 6;
  while (!bytes.empty()) {
    const ssize_t n = ::pwrite(m_fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      return m_error = ErrorFromErrno(errno);
    }
    bytes.remove_prefix(static_cast<size_t>(n));
    offset += static_cast<uint64_t>(n);
  }
  return 0;
}

uint32_t AtomicFileWriter::Commit() {
  if (m_error == 0 && m_fd < 0) m_error = 6;
  if (m_error == 0 && ::fsync(m_fd) != 0) m_error = ErrorFromErrno(errno);
  if (m_error == 0 && m_replaceMode) (void)::fchmod(m_fd, m_mode);  // best effort (foreign owner)
  if (m_fd >= 0 && ::close(m_fd) != 0 && m_error == 0) m_error = ErrorFromErrno(errno);
  m_fd = -1;
  if (m_error == 0 && ::rename(m_temp.c_str(), m_target.c_str()) != 0) m_error = ErrorFromErrno(errno, true);
  if (m_error != 0) {
    Abandon();
    return m_error;
  }
  m_temp.clear();
  m_journal.Drop();
  // Make the rename itself durable.
  const int dirFd = ::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
  return 0;
}

uint32_t WriteFileAtomically(std::u16string_view path, std::string_view bytes) {
  AtomicFileWriter writer;
  if (const uint32_t code = writer.Open(path)) return code;
  if (const uint32_t code = writer.Write(bytes)) return code;
  return writer.Commit();
}

uint32_t CreateExclusiveFile(std::u16string_view path, std::string_view bytes) {
  std::string native;
  if (!ToNative(path, native)) return err::kInvalidName;
  const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return ErrorFromErrno(errno, errno == ENOENT);
  uint32_t code = WriteAll(fd, bytes);
  if (::close(fd) != 0 && code == 0) code = ErrorFromErrno(errno);
  if (code != 0) ::unlink(native.c_str());
  return code;
}

uint32_t RemoveFile(std::u16string_view path) {
  std::string native;
  if (!ToNative(path, native)) return err::kInvalidName;
  if (::unlink(native.c_str()) != 0) return ErrorFromErrno(errno);
  return 0;
}

// --- InputFile ------------------------------------------------------------------------------------

InputFile::~InputFile() { Close(); }

InputFile::InputFile(InputFile&& other) noexcept
    : m_fd(other.m_fd), m_position(other.m_position), m_size(other.m_size) {
  other.m_fd = -1;
}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
  if (this != &other) {
    Close();
    m_fd = other.m_fd;
    m_position = other.m_position;
    m_size = other.m_size;
    other.m_fd = -1;
  }
  return *this;
}

uint32_t InputFile::Open(std::u16string_view path, uint64_t knownSize) {
  std::string native;
  if (!ToNative(path, native)) return err::kInvalidName;
  return OpenNative(native, knownSize);
}

uint32_t InputFile::OpenNative(const std::string& nativePath, uint64_t knownSize) {
  Close();
  // Without blocking: opening a FIFO for reading would wait for a writer forever. Only a regular
  // file is read, checked on the opened descriptor (the path may have changed since the listing).
  const int fd = ::open(nativePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    const int e = errno;
    // A missing folder on the way is "path not found", a missing file "file not found".
    if (e == ENOENT) {
      const size_t slash = nativePath.rfind('/');
      struct stat parent {};
      if (slash != std::string::npos && slash > 0 &&
          ::stat(nativePath.substr(0, slash).c_str(), &parent) != 0)
        return err::kPathNotFound;
    }
    return ErrorFromErrno(e);
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const uint32_t code = ErrorFromErrno(errno);
    ::close(fd);
    return code;
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return S_ISDIR(st.st_mode) ? err::kAccessDenied : err::kNotRegularFile;  // a folder is not a file to read
  }
  m_fd = fd;
  m_position = 0;
  m_size = knownSize != kUnknownSize ? knownSize : static_cast<uint64_t>(st.st_size);
  return 0;
}

void InputFile::Close() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  m_position = 0;
}

uint32_t InputFile::Read(void* buffer, size_t length, size_t& done) {
  const uint32_t code = ReadAt(m_position, buffer, length, done);
  m_position += done;
  return code;
}

uint32_t InputFile::ReadAt(uint64_t offset, void* buffer, size_t length, size_t& done) {
  done = 0;
  if (m_fd < 0) return 6;
  auto* p = static_cast<char*>(buffer);
  while (done < length) {
    const ssize_t n = ::pread(m_fd, p + done, length - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return ErrorFromErrno(errno);
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return 0;
}

uint32_t InputFile::Seek(uint64_t offset) {
  if (m_fd < 0) return 6;
  m_position = offset;
  return 0;
}

uint64_t InputFile::Size() const { return m_fd >= 0 ? m_size : kUnknownSize; }

}  // namespace tarnq::platform
