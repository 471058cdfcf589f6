// SPDX-License-Identifier: GPL-3.0-or-later
// Files and folders on Windows. The classes keep their handles as C run-time descriptors
// (_open_osfhandle), so one declaration serves both systems.
#include "platform/files.h"

#include "platform/win/win_util.h"

#include <fcntl.h>
#include <io.h>

#include <random>
#include <vector>

#include "platform/errors.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/win/win_files.h"

namespace tarnq::platform {

namespace win {

int AdoptHandle(Handle& handle) {
  if (!handle.Valid()) return -1;
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle.Get()), _O_BINARY);
  if (fd >= 0) handle.Release();
  return fd;
}

HANDLE HandleOf(int fd) {
  return fd < 0 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

void CloseDescriptor(int& fd) {
  if (fd >= 0) _close(fd);
  fd = -1;
}

uint16_t ListedAttributes(DWORD attributes) { return static_cast<uint16_t>(attributes & attr::kListedMask); }

bool IsLinkTag(DWORD tag) { return tag == IO_REPARSE_TAG_SYMLINK || tag == IO_REPARSE_TAG_MOUNT_POINT; }

uint32_t OpenForStatus(std::u16string_view path, bool followLinks, Handle& handle) {
  std::wstring native;
  if (const uint32_t e = NativePath(path, native, true)) return e;
  handle = Handle(CreateFileW(native.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr));
  return handle.Valid() ? 0 : LastError();
}

uint32_t StatusOfHandle(HANDLE h, FileStatus& status) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h, &info)) return LastError();
  status = FileStatus{};
  status.identity.device = info.dwVolumeSerialNumber;
  status.identity.inode = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  status.attributes = ListedAttributes(info.dwFileAttributes);
  status.creationTime = FromFileTime(info.ftCreationTime);
  status.lastAccessTime = FromFileTime(info.ftLastAccessTime);
  status.lastWriteTime = FromFileTime(info.ftLastWriteTime);
  status.linkCount = info.nNumberOfLinks;
  bool link = false;
  if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    FILE_ATTRIBUTE_TAG_INFO tag{};
    link = GetFileInformationByHandleEx(h, FileAttributeTagInfo, &tag, sizeof tag) && IsLinkTag(tag.ReparseTag);
  }
  const bool directory = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  status.isSymlink = link;
  status.isDirectory = directory && !link;
  status.isRegular = !directory && !link && GetFileType(h) == FILE_TYPE_DISK;
  status.size = directory ? 0 : (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  // Permission bits as the read-only attribute says.
  status.mode = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0644;
  if (directory) status.mode |= 0111;
  return 0;
}

uint32_t WriteAllTo(HANDLE h, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!WriteFile(h, bytes.data(), chunk, &written, nullptr)) return LastError();
    if (written == 0) return ERROR_WRITE_FAULT;
    bytes.remove_prefix(written);
  }
  return 0;
}

uint32_t SetDeleteOnClose(HANDLE h, bool remove) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = remove ? TRUE : FALSE;
  return SetFileInformationByHandle(h, FileDispositionInfo, &disposition, sizeof disposition) ? 0 : LastError();
}

uint32_t RenameHandle(HANDLE h, const std::wstring& target, bool replace) {
  const size_t bytes = sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t);
  std::vector<unsigned char> buffer(bytes, 0);
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->ReplaceIfExists = replace ? TRUE : FALSE;
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
  std::copy(target.begin(), target.end(), info->FileName);
  return SetFileInformationByHandle(h, FileRenameInfo, info, static_cast<DWORD>(bytes)) ? 0 : LastError();
}

std::wstring RandomSuffix() {
  static std::random_device random;
  wchar_t suffix[16];
  swprintf(suffix, 16, L"%08x", static_cast<unsigned>(random()));
  return suffix;
}

uint32_t CreateTemporaryBeside(const std::wstring& target, Handle& handle, std::wstring& temp) {
  const size_t sep = target.find_last_of(L'\\');
  const std::wstring folder = target.substr(0, sep);
  const std::wstring name = target.substr(sep + 1).substr(0, 200);
  const std::u16string prefix(kTempPrefix.begin(), kTempPrefix.end());
  for (int attempt = 0; attempt < 16; ++attempt) {
    temp = folder + L"\\" + WideString(prefix) + name + L"." + RandomSuffix() + L".tmp";
    handle = Handle(CreateFileW(temp.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (handle.Valid()) {
      // Until it is renamed into place the system removes it, whatever becomes of this process.
      if (SetDeleteOnClose(handle.Get(), true) != 0) {
        handle.Reset();
        DeleteFileW(temp.c_str());
        return ERROR_ACCESS_DENIED;
      }
      return 0;
    }
    const DWORD e = GetLastError();
    if (e != ERROR_FILE_EXISTS && e != ERROR_ALREADY_EXISTS) return e;
  }
  return ERROR_ALREADY_EXISTS;
}

uint32_t CommitTemporary(HANDLE handle, const std::wstring& target, bool replace) {
  uint32_t code = FlushFileBuffers(handle) ? 0 : LastError();
  if (code == 0) code = SetDeleteOnClose(handle, false);
  if (code == 0) code = RenameHandle(handle, target, replace);
  if (code != 0) SetDeleteOnClose(handle, true);
  return code;
}

// The path of an existing file with its links resolved, for rewriting the file a link names.
std::wstring FinalPathOf(const std::wstring& native) {
  Handle h(CreateFileW(native.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h.Valid()) return native;
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetFinalPathNameByHandleW(h.Get(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) return native;
    if (n < buffer.size()) {
      buffer.resize(n);
      return buffer;
    }
    buffer.resize(n + 1);
  }
}

}  // namespace win

namespace {

bool NativeOf(std::u16string_view path, std::wstring& native, uint32_t& code) {
  code = win::NativePath(path, native, true);
  return code == 0;
}

// A folder that cannot be opened: "not a folder" for a file, "path not found" for what is missing.
uint32_t FolderOpenError(DWORD e) {
  if (e == ERROR_FILE_NOT_FOUND) return err::kPathNotFound;
  return e;
}

uint32_t OpenFolderHandle(std::u16string_view path, bool refuseLinks, int& fd) {
  std::wstring native;
  uint32_t code;
  if (!NativeOf(path, native, code)) return code;
  win::Handle h(CreateFileW(native.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS | (refuseLinks ? FILE_FLAG_OPEN_REPARSE_POINT : 0), nullptr));
  if (!h.Valid()) return FolderOpenError(GetLastError());
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (!GetFileInformationByHandleEx(h.Get(), FileAttributeTagInfo, &tag, sizeof tag)) return win::LastError();
  if (!(tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return err::kDirectory;
  // A link that took the folder's place since the listing is not entered.
  if (refuseLinks && (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && win::IsLinkTag(tag.ReparseTag))
    return err::kDirectory;
  fd = win::AdoptHandle(h);
  return fd >= 0 ? 0 : err::kTooManyOpenFiles;
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

void FolderReader::Close() { win::CloseDescriptor(m_fd); }

uint32_t FolderReader::Open(std::u16string_view path) {
  Close();
  return OpenFolderHandle(path, false, m_fd);
}

uint32_t FolderReader::OpenBelow(const FolderReader&, std::u16string_view name, std::u16string_view fullPath) {
  Close();
  if (name.empty() || name.find_first_of(u"\\/") != std::u16string_view::npos) return err::kInvalidName;
  return OpenFolderHandle(fullPath, true, m_fd);
}

uint32_t FolderReader::List(const std::function<bool(const DirEntry&)>& callback) {
  if (m_fd < 0) return err::kInvalidParameter;
  m_skipped.clear();
  const HANDLE dir = win::HandleOf(m_fd);
  BY_HANDLE_FILE_INFORMATION folderInfo;
  if (!GetFileInformationByHandle(dir, &folderInfo)) return win::LastError();
  // The entries of the opened folder with their file ids, which make each file's identity without
  // opening it.
  alignas(8) unsigned char buffer[65536];
  std::u16string name;
  DirEntry entry;
  FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
  for (;;) {
    if (!GetFileInformationByHandleEx(dir, kind, buffer, sizeof buffer)) {
      const DWORD e = GetLastError();
      if (e == ERROR_NO_MORE_FILES) return 0;
      return FolderOpenError(e);
    }
    kind = FileIdBothDirectoryInfo;
    for (size_t at = 0;;) {
      const auto* d = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer + at);
      const std::u16string_view text(reinterpret_cast<const char16_t*>(d->FileName), d->FileNameLength / sizeof(wchar_t));
      const DWORD attributes = d->FileAttributes;
      if (text == u"." || text == u"..") {
        entry = DirEntry{};
        entry.attributes = attr::kDirectory;
        entry.size = 0;
        entry.name = text == u"." ? std::u16string_view(u".") : std::u16string_view(u"..");
        if (!callback(entry)) return 0;
      } else {
        bool deliver = true;
        entry.attributes = win::ListedAttributes(attributes);
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
          // For a reparse point EaSize holds its tag. Links to folders are shown (never descended);
          // a link to a file would make one file appear under two paths.
          const DWORD tag = d->EaSize;
          if (win::IsLinkTag(tag) && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            m_skipped.push_back({std::u16string(text), DirSkip::kFileLink});
            deliver = false;
          }
        } else if (attributes & FILE_ATTRIBUTE_DEVICE) {
          deliver = false;
        }
        if (deliver) {
          entry.size = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : static_cast<uint64_t>(d->EndOfFile.QuadPart);
          entry.creationTime = static_cast<FileTime>(d->CreationTime.QuadPart);
          entry.lastAccessTime = static_cast<FileTime>(d->LastAccessTime.QuadPart);
          entry.lastWriteTime = static_cast<FileTime>(d->LastWriteTime.QuadPart);
          entry.device = folderInfo.dwVolumeSerialNumber;
          entry.inode = static_cast<uint64_t>(d->FileId.QuadPart);
          name.assign(text);
          entry.name = name;
          if (!callback(entry)) return 0;
        }
      }
      if (d->NextEntryOffset == 0) break;
      at += d->NextEntryOffset;
    }
  }
}

uint32_t ListDirectory(std::u16string_view folder, const std::function<bool(const DirEntry&)>& callback) {
  FolderReader reader;
  const uint32_t code = reader.Open(folder);
  return code != 0 ? code : reader.List(callback);
}

// --- Status ---------------------------------------------------------------------------------------

uint32_t GetFileStatus(std::u16string_view path, FileStatus& status, bool followLinks) {
  win::Handle h;
  if (const uint32_t e = win::OpenForStatus(path, followLinks, h)) return e;
  return win::StatusOfHandle(h.Get(), status);
}

// Windows files have owners by security identifier, not by number.
std::u16string UserName(uint32_t) { return {}; }
std::u16string GroupName(uint32_t) { return {}; }

uint32_t ResolvedPath(std::u16string_view path, std::u16string& resolved) {
  std::wstring native;
  uint32_t code;
  if (!NativeOf(path, native, code)) return code;
  win::Handle h(CreateFileW(native.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h.Valid()) return win::LastError();
  resolved = win::ProgramPath(win::FinalPathOf(native));
  return 0;
}

bool FileExists(std::u16string_view path) {
  std::wstring native;
  uint32_t code;
  return NativeOf(path, native, code) && GetFileAttributesW(native.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool FolderExists(std::u16string_view path) {
  FileStatus status;
  return GetFileStatus(path, status, true) == 0 && status.isDirectory;
}

uint32_t CreateFolders(std::u16string_view path) {
  std::wstring native;
  uint32_t code;
  if (!NativeOf(path, native, code)) return code;
  // Each folder from the root down; "\\?\C:\" or "\\?\UNC\server\share\" is there already.
  size_t start = native.starts_with(L"\\\\?\\UNC\\") ? native.find(L'\\', native.find(L'\\', 8) + 1)
                                                      : native.find(L'\\', 4);
  if (start == std::wstring::npos) return 0;
  for (size_t at = start + 1; at <= native.size(); ++at) {
    if (at < native.size() && native[at] != L'\\') continue;
    const std::wstring prefix = native.substr(0, at);
    if (CreateDirectoryW(prefix.c_str(), nullptr)) continue;
    const DWORD e = GetLastError();
    if (e == ERROR_ALREADY_EXISTS || e == ERROR_ACCESS_DENIED) {
      const DWORD attributes = GetFileAttributesW(prefix.c_str());
      if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
      if (attributes != INVALID_FILE_ATTRIBUTES) return ERROR_ALREADY_EXISTS;
    }
    return e;
  }
  return 0;
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

// --- AtomicFileWriter -------------------------------------------------------------------------------
// The temporary file is marked for deletion while it is written, so the system removes it when the
// process ends before Commit; Commit clears the mark and renames it over the target by handle.

AtomicFileWriter::~AtomicFileWriter() { Abandon(); }

void AtomicFileWriter::Abandon() {
  if (m_fd >= 0) win::SetDeleteOnClose(win::HandleOf(m_fd), true);
  win::CloseDescriptor(m_fd);
  m_temp.clear();
  m_journal.Drop();
}

uint32_t AtomicFileWriter::Open(std::u16string_view path) {
  Abandon();
  m_error = 0;
  std::wstring target;
  if (!NativeOf(path, target, m_error)) return m_error;
  // A target that is a link: the file it names is replaced and the link stays.
  const DWORD attributes = GetFileAttributesW(target.c_str());
  m_replaceMode = attributes != INVALID_FILE_ATTRIBUTES;
  if (m_replaceMode && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) target = win::FinalPathOf(target);
  if (m_replaceMode && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return m_error = err::kAccessDenied;
  // Hidden and system files stay so.
  m_mode = m_replaceMode ? (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) : 0;
  win::Handle handle;
  std::wstring temp;
  if (const uint32_t e = win::CreateTemporaryBeside(target, handle, temp)) return m_error = e;
  m_fd = win::AdoptHandle(handle);
  if (m_fd < 0) return m_error = err::kTooManyOpenFiles;
  const std::u16string targetText(reinterpret_cast<const char16_t*>(target.data()), target.size());
  const std::u16string tempText(reinterpret_cast<const char16_t*>(temp.data()), temp.size());
  m_target = Utf16ToUtf8(targetText);
  m_temp = Utf16ToUtf8(tempText);
  return 0;
}

uint32_t AtomicFileWriter::Write(std::string_view bytes) {
  if (m_error != 0) return m_error;
  if (m_fd < 0) return m_error = ERROR_INVALID_HANDLE;
  return m_error = win::WriteAllTo(win::HandleOf(m_fd), bytes);
}

uint32_t AtomicFileWriter::WriteAt(uint64_t offset, std::string_view bytes) {
  if (m_error != 0) return m_error;
  if (m_fd < 0) return m_error = ERROR_INVALID_HANDLE;
  const HANDLE h = win::HandleOf(m_fd);
  LARGE_INTEGER end{}, at{};
  at.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(h, LARGE_INTEGER{}, &end, FILE_CURRENT) || !SetFilePointerEx(h, at, nullptr, FILE_BEGIN))
    return m_error = win::LastError();
  m_error = win::WriteAllTo(h, bytes);
  if (!SetFilePointerEx(h, end, nullptr, FILE_BEGIN) && m_error == 0) m_error = win::LastError();
  return m_error;
}

uint32_t AtomicFileWriter::Commit() {
  if (m_error == 0 && m_fd < 0) m_error = ERROR_INVALID_HANDLE;
  if (m_error != 0) {
    Abandon();
    return m_error;
  }
  const HANDLE h = win::HandleOf(m_fd);
  if (m_mode != 0) {
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = m_mode;
    SetFileInformationByHandle(h, FileBasicInfo, &basic, sizeof basic);  // best effort
  }
  const std::u16string target = Utf8ToUtf16(m_target);
  m_error = win::CommitTemporary(h, win::WideString(target), true);
  win::CloseDescriptor(m_fd);  // removes the temporary when the rename failed
  m_temp.clear();
  return m_error;
}

uint32_t WriteFileAtomically(std::u16string_view path, std::string_view bytes) {
  AtomicFileWriter writer;
  if (const uint32_t code = writer.Open(path)) return code;
  if (const uint32_t code = writer.Write(bytes)) return code;
  return writer.Commit();
}

uint32_t CreateExclusiveFile(std::u16string_view path, std::string_view bytes) {
  std::wstring native;
  uint32_t code;
  if (!NativeOf(path, native, code)) return code;
  win::Handle h(CreateFileW(native.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!h.Valid()) {
    const DWORD e = GetLastError();
    return e == ERROR_FILE_EXISTS ? err::kAlreadyExists : e;
  }
  code = win::WriteAllTo(h.Get(), bytes);
  h.Reset();
  if (code != 0) DeleteFileW(native.c_str());
  return code;
}

uint32_t RemoveFile(std::u16string_view path) {
  std::wstring native;
  uint32_t code;
  if (!NativeOf(path, native, code)) return code;
  return DeleteFileW(native.c_str()) ? 0 : win::LastError();
}

// --- InputFile ------------------------------------------------------------------------------------

InputFile::~InputFile() { Close(); }

InputFile::InputFile(InputFile&& other) noexcept : m_fd(other.m_fd), m_position(other.m_position), m_size(other.m_size) {
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

uint32_t InputFile::Open(std::u16string_view path, uint64_t) {
  Close();
  std::wstring native;
  uint32_t code;
  if (!NativeOf(path, native, code)) return code;
  // Others may read, write, rename and delete meanwhile, as on Linux.
  win::Handle h(CreateFileW(native.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!h.Valid()) return win::LastError();
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h.Get(), &info)) return win::LastError();
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return err::kAccessDenied;
  if (GetFileType(h.Get()) != FILE_TYPE_DISK) return err::kNotRegularFile;
  m_size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  m_position = 0;
  m_fd = win::AdoptHandle(h);
  return m_fd >= 0 ? 0 : err::kTooManyOpenFiles;
}

uint32_t InputFile::OpenNative(const std::string& nativePath, uint64_t knownSize) {
  return Open(NameBytesToUtf16(nativePath), knownSize);
}

void InputFile::Close() {
  win::CloseDescriptor(m_fd);
  m_position = 0;
  m_size = 0;
}

uint32_t InputFile::Read(void* buffer, size_t length, size_t& done) {
  const uint32_t code = ReadAt(m_position, buffer, length, done);
  m_position += done;
  return code;
}

uint32_t InputFile::ReadAt(uint64_t offset, void* buffer, size_t length, size_t& done) {
  done = 0;
  if (m_fd < 0) return ERROR_INVALID_HANDLE;
  const HANDLE h = win::HandleOf(m_fd);
  auto* out = static_cast<unsigned char*>(buffer);
  while (done < length) {
    OVERLAPPED at{};
    const uint64_t position = offset + done;
    at.Offset = static_cast<DWORD>(position);
    at.OffsetHigh = static_cast<DWORD>(position >> 32);
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(length - done, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(h, out + done, chunk, &got, &at)) {
      const DWORD e = GetLastError();
      if (e == ERROR_HANDLE_EOF) break;
      return e;
    }
    if (got == 0) break;
    done += got;
  }
  return 0;
}

uint32_t InputFile::Seek(uint64_t offset) {
  if (m_fd < 0) return ERROR_INVALID_HANDLE;
  m_position = offset;
  return 0;
}

uint64_t InputFile::Size() const { return m_fd >= 0 ? m_size : kUnknownSize; }

}  // namespace tarnq::platform
