// SPDX-License-Identifier: GPL-3.0-or-later
// Files and folders. Paths are UTF-16 (see paths.h); every function converts them to the file
// name bytes itself. Results are the program's error codes (errors.h): 0 is success.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/temp_journal.h"
#include "platform/time.h"

namespace tarnq::platform {

// Attribute bits as the stored formats carry them.
namespace attr {
inline constexpr uint16_t kReadOnly = 0x1;
inline constexpr uint16_t kHidden = 0x2;
inline constexpr uint16_t kSystem = 0x4;
inline constexpr uint16_t kDirectory = 0x10;
inline constexpr uint16_t kArchive = 0x20;
inline constexpr uint16_t kReparsePoint = 0x400;
inline constexpr uint16_t kCompressed = 0x800;
inline constexpr uint16_t kEncrypted = 0x4000;
inline constexpr uint16_t kListedMask = 0x4C37;
}  // namespace attr

inline constexpr uint64_t kUnknownSize = ~uint64_t{0};

// One entry of a folder listing.
struct DirEntry {
  uint16_t attributes = 0;
  uint64_t size = kUnknownSize;
  FileTime creationTime = 0;  // 0 when the file system keeps no birth time
  FileTime lastAccessTime = 0;
  FileTime lastWriteTime = 0;
  uint64_t device = 0;  // identity of the file (of the link itself for a symbolic link)
  uint64_t inode = 0;
  std::u16string_view name;  // valid during the callback only
};

// Lists a folder, "." and ".." included (with the folder bit only), in the order the system gives. Symbolic links: a link to a folder is
// delivered with kDirectory | kReparsePoint (callers must not descend into it); a link to anything
// else, or a dangling one, is not delivered. The callback returns false to stop the listing.
// Returns 0, 3 for a missing folder, 5 when it cannot be read, 267 when it is not a folder.
uint32_t ListDirectory(std::u16string_view folder,
                       const std::function<bool(const DirEntry&)>& callback);

// An entry a listing did not deliver: a symbolic link to something other than a folder (or a
// dangling one), or an entry gone before it could be examined.
struct DirSkip {
  enum Reason : uint8_t { kFileLink, kVanished };
  std::u16string name;
  Reason reason = kFileLink;
};

// A folder opened for one listing. Folders below it can be opened relative to it, which spares
// the system resolving the whole path again for each (the walk of a large tree opens thousands).
// Never throws.
class FolderReader {
 public:
  FolderReader() = default;
  ~FolderReader();
  FolderReader(FolderReader&& other) noexcept;
  FolderReader& operator=(FolderReader&& other) noexcept;
  FolderReader(const FolderReader&) = delete;
  FolderReader& operator=(const FolderReader&) = delete;

  // Opens the folder at `path`, following a link there. Errors as ListDirectory's.
  uint32_t Open(std::u16string_view path);
  // Opens the entry `name` of the open folder `parent`, never through a symbolic link (a link that
  // took the folder's place since the listing is refused). `fullPath` is used instead when the
  // parent is not open.
  uint32_t OpenBelow(const FolderReader& parent, std::u16string_view name, std::u16string_view fullPath);
  // Lists the folder as ListDirectory does. A folder is listed once; it stays open (for OpenBelow)
  // until Close or destruction.
  uint32_t List(const std::function<bool(const DirEntry&)>& callback);
  bool IsOpen() const { return m_fd >= 0; }
  void Close();
  // The entries the last List passed over.
  const std::vector<DirSkip>& Skipped() const { return m_skipped; }

 private:
  int m_fd = -1;
  std::vector<DirSkip> m_skipped;
};

// Identity of a file; two paths name the same file when both fields are equal.
struct FileIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};
struct FileIdentityHash {
  size_t operator()(const FileIdentity& id) const noexcept {
    return std::hash<uint64_t>()(id.inode * 0x9E3779B97F4A7C15ULL ^ id.device);
  }
};

struct FileStatus {
  FileIdentity identity;
  uint16_t attributes = 0;
  uint64_t size = kUnknownSize;
  FileTime creationTime = 0;
  FileTime lastAccessTime = 0;
  FileTime lastWriteTime = 0;
  uint32_t linkCount = 0;
  uint32_t mode = 0;  // permission bits
  uint32_t userId = 0;   // owner
  uint32_t groupId = 0;  // owning group
  bool isRegular = false;
  bool isDirectory = false;
  bool isSymlink = false;
};
// Status of the path itself (links not followed unless `followLinks`).
uint32_t GetFileStatus(std::u16string_view path, FileStatus& status, bool followLinks = false);
// The names of a user and a group as the system's account databases know them; empty when the
// number has no name.
std::u16string UserName(uint32_t userId);
std::u16string GroupName(uint32_t groupId);
// The absolute path with every symbolic link, "." and ".." resolved (the place the path names now);
// the path must exist. 0 or the error.
uint32_t ResolvedPath(std::u16string_view path, std::u16string& resolved);
bool FileExists(std::u16string_view path);    // anything at that path, links not followed
bool FolderExists(std::u16string_view path);  // a folder, links followed
uint32_t CreateFolders(std::u16string_view path);  // with its parents; an existing folder is 0

// Reads a whole file of at most `maxBytes` (larger files give 8, not enough memory).
uint32_t ReadWholeFile(std::u16string_view path, std::string& bytes,
                       uint64_t maxBytes = uint64_t{1} << 30);
// Writes `bytes` to a new temporary file in the same folder, syncs it and renames it over `path`;
// the old file is never removed first and is left unchanged on failure. When `path` is a symbolic
// link, the file it points to is replaced that way and the link stays.
uint32_t WriteFileAtomically(std::u16string_view path, std::string_view bytes);
// The same for content written piece by piece: Open creates the temporary file, Write appends,
// Commit syncs and renames it over the target. Without a successful Commit (an error, or the
// writer destroyed early) the temporary file is removed and the old file stays as it was.
class AtomicFileWriter {
 public:
  AtomicFileWriter() = default;
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  uint32_t Open(std::u16string_view path);
  uint32_t Write(std::string_view bytes);
  // Overwrites bytes already written, at `offset` from the start (a header patched at the end).
  uint32_t WriteAt(uint64_t offset, std::string_view bytes);
  uint32_t Commit();
  void Abandon();

 private:
  int m_fd = -1;
  uint32_t m_error = 0;
  unsigned m_mode = 0;
  bool m_replaceMode = false;
  std::string m_target;
  std::string m_temp;
  std::string m_folder;
  TempJournalEntry m_journal;  // of m_temp, while it exists
};

// Creates a new file at `path` and writes `bytes` into it. The file must not exist yet, not even
// as a symbolic link (never follows one); it is made readable and writable by the owner only.
// Returns 0, 183 when the name is taken, or the error; after a failed write the file is removed.
// For temporary files that another program opens afterwards (the shortcut overview, downloads).
uint32_t CreateExclusiveFile(std::u16string_view path, std::string_view bytes);

// Removes a directory entry (never follows a link, never truncates).
uint32_t RemoveFile(std::u16string_view path);

// A file opened for reading. Never throws.
class InputFile {
 public:
  InputFile() = default;
  ~InputFile();
  InputFile(InputFile&& other) noexcept;
  InputFile& operator=(InputFile&& other) noexcept;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // `knownSize`: the size the caller already has from a folder listing. Only a regular file is
  // opened (checked on the opened file, without ever waiting on a FIFO): a folder is error 5,
  // anything else kNotRegularFile.
  uint32_t Open(std::u16string_view path, uint64_t knownSize = kUnknownSize);
  // Opens by file name bytes (for hot paths that already have them).
  uint32_t OpenNative(const std::string& nativePath, uint64_t knownSize = kUnknownSize);
  bool IsOpen() const { return m_fd >= 0; }
  void Close();

  // Reads up to `length` bytes at the current position; `done` gets the count (0 at the end).
  uint32_t Read(void* buffer, size_t length, size_t& done);
  // Reads up to `length` bytes at `offset` without moving the position (stops early only at the end).
  uint32_t ReadAt(uint64_t offset, void* buffer, size_t length, size_t& done);
  uint32_t Seek(uint64_t offset);
  uint64_t Position() const { return m_position; }
  // Size of the file when it was opened (kUnknownSize when none is open).
  uint64_t Size() const;

 private:
  int m_fd = -1;
  uint64_t m_position = 0;
  uint64_t m_size = 0;
};

}  // namespace tarnq::platform
