// SPDX-License-Identifier: GPL-3.0-or-later
// Operations that change files, on Windows. Each acts on a handle it opened without following a
// link (FILE_FLAG_OPEN_REPARSE_POINT) and checked: deleting marks that very file, moving renames it
// by handle. A file another process holds without sharing gives error 32 and stays as it was.
#include "platform/file_ops.h"

#include "platform/win/win_util.h"

#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "platform/paths.h"
#include "platform/text.h"
#include "platform/win/win_files.h"

namespace tarnq::platform {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Opens the entry itself (a link is not followed) with `access`, and checks that it is a file and,
// with `expected`, still that file.
uint32_t OpenChecked(const std::wstring& native, DWORD access, DWORD share, const FileIdentity* expected,
                     win::Handle& handle, FileStatus& status) {
  handle = win::Handle(CreateFileW(native.c_str(), access, share, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle.Valid()) return win::LastError();
  if (const uint32_t e = win::StatusOfHandle(handle.Get(), status)) return e;
  if (expected != nullptr && !(status.identity == *expected)) return err::kNotTheSameFile;
  if (status.isDirectory) return err::kNotRegularFile;
  return 0;
}

std::wstring NativeFolderOf(const std::wstring& native) { return native.substr(0, native.find_last_of(L'\\')); }

// Copies the open file `from` into a new temporary beside `to` and renames it there. `progress` is
// told the bytes of each block; false cancels.
uint32_t CopyOpen(HANDLE from, const FileStatus& status, const std::wstring& to, bool replace,
                  const std::function<bool(uint64_t)>* progress) {
  if (!status.isRegular) return err::kNotRegularFile;
  win::Handle temp;
  std::wstring tempPath;
  if (const uint32_t e = win::CreateTemporaryBeside(to, temp, tempPath)) return e;
  std::vector<char> buffer(1 << 20);
  uint64_t copied = 0;
  for (;;) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(copied);
    at.OffsetHigh = static_cast<DWORD>(copied >> 32);
    DWORD got = 0;
    if (!ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &got, &at)) {
      const DWORD e = GetLastError();
      if (e != ERROR_HANDLE_EOF) return e;
      got = 0;
    }
    if (got == 0) break;
    if (const uint32_t e = win::WriteAllTo(temp.Get(), std::string_view(buffer.data(), got))) return e;
    copied += got;
    if (progress != nullptr && *progress && !(*progress)(got)) return err::kCancelled;
  }
  if (copied != status.size) return err::kCopySizeMismatch;
  // The copy keeps the modification time and the read-only, hidden and system attributes.
  const FILETIME created = win::ToFileTime(status.creationTime), written = win::ToFileTime(status.lastWriteTime);
  SetFileTime(temp.Get(), &created, nullptr, &written);
  const uint32_t code = win::CommitTemporary(temp.Get(), to, replace);
  temp.Reset();
  if (code == 0) {
    const DWORD kept = status.attributes & (attr::kReadOnly | attr::kHidden | attr::kSystem);
    if (kept != 0) SetFileAttributesW(to.c_str(), kept);
  }
  return code == ERROR_FILE_EXISTS ? err::kAlreadyExists : code;
}

uint32_t CopyNative(const std::wstring& from, const std::wstring& to, bool replace,
                    const std::function<bool(uint64_t)>* progress) {
  win::Handle source;
  FileStatus status;
  if (const uint32_t e = OpenChecked(from, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, source, status))
    return e;
  return CopyOpen(source.Get(), status, to, replace, progress);
}

// Moves by renaming the checked file's handle; across volumes a copy is made first and the source
// goes only once the copy is in place.
uint32_t MoveNative(const std::wstring& from, const std::wstring& to, bool replace,
                    const std::function<bool(uint64_t)>* progress, const FileIdentity* expected = nullptr) {
  win::Handle source;
  FileStatus status;
  if (const uint32_t e = OpenChecked(from, GENERIC_READ | DELETE, FILE_SHARE_READ, expected, source, status)) return e;
  uint32_t code = win::RenameHandle(source.Get(), to, replace);
  if (code == ERROR_PATH_NOT_FOUND) {
    if (CreateFolders(win::ProgramPath(NativeFolderOf(to))) != 0) return err::kPathNotFound;
    code = win::RenameHandle(source.Get(), to, replace);
  }
  if (code == ERROR_FILE_EXISTS) return err::kAlreadyExists;
  if (code != ERROR_NOT_SAME_DEVICE) return code;
  if (const uint32_t e = CopyOpen(source.Get(), status, to, replace, progress)) return e;
  return win::SetDeleteOnClose(source.Get(), true);
}

// A new spelling of the same name: by way of a temporary name, since a file system may take a
// rename onto the name the file already has (ignoring case) for nothing to do.
uint32_t ChangeLetterCase(const std::wstring& from, const std::wstring& to) {
  win::Handle file;
  FileStatus status;
  if (const uint32_t e = OpenChecked(from, DELETE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr, file, status)) return e;
  const std::wstring temp = NativeFolderOf(from) + L"\\" +
                            win::WideString(std::u16string(kTempPrefix.begin(), kTempPrefix.end())) + L"case-" +
                            win::RandomSuffix() + L".tmp";
  if (const uint32_t e = win::RenameHandle(file.Get(), temp, false)) return e;
  const uint32_t code = win::RenameHandle(file.Get(), to, false);
  if (code != 0) win::RenameHandle(file.Get(), from, false);
  return code;
}

bool SameFile(const std::wstring& a, const std::wstring& b) {
  FileStatus x, y;
  return GetFileStatus(win::ProgramPath(a), x) == 0 && GetFileStatus(win::ProgramPath(b), y) == 0 &&
         x.identity == y.identity;
}

}  // namespace

std::u16string ResolveFolderLinks(std::u16string_view path) {
  const std::u16string_view folder = FolderOf(path);
  std::wstring native;
  if (folder.empty() || win::NativePath(folder, native) != 0) return std::u16string(path);
  return JoinPath(win::ProgramPath(win::FinalPathOf(native)), FileNameOf(path));
}

uint32_t DeleteFilePermanently(std::u16string_view path, const FileIdentity* expected) {
  std::wstring native;
  if (const uint32_t e = win::NativePath(path, native)) return e;
  win::Handle file;
  FileStatus status;
  if (const uint32_t e = OpenChecked(native, DELETE | FILE_READ_ATTRIBUTES, kShareAll, expected, file, status)) return e;
  // The entry that was checked is the one removed, when the handle closes.
  return win::SetDeleteOnClose(file.Get(), true);
}

std::u16string WipeName(std::u16string_view name) {
  std::u16string out(name);
  for (char16_t& c : out)
    if (c != u'.') c = u'@';
  return out;
}

uint32_t WipeFile(std::u16string_view path, const WipeProgress& progress, const FileIdentity* expected) {
  std::wstring native;
  if (const uint32_t e = win::NativePath(path, native)) return e;
  win::Handle file;
  FileStatus status;
  // Nobody else may have it open while it is overwritten.
  if (const uint32_t e = OpenChecked(native, GENERIC_READ | GENERIC_WRITE | DELETE, 0, expected, file, status)) return e;
  if (!status.isRegular) return err::kNotRegularFile;
  if (status.linkCount > 1) return err::kHasOtherLinks;
  const std::string block(kWipeBlockBytes, static_cast<char>(kWipePattern));
  for (uint64_t done = 0; done < status.size;) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(kWipeBlockBytes, status.size - done));
    if (win::WriteAllTo(file.Get(), std::string_view(block).substr(0, n)) != 0) return err::kNotWiped;
    done += n;
    if (progress && !progress(n)) return err::kCancelled;
  }
  if (!FlushFileBuffers(file.Get())) return err::kNotWiped;
  LARGE_INTEGER zero{};
  if (!SetFilePointerEx(file.Get(), zero, nullptr, FILE_BEGIN) || !SetEndOfFile(file.Get())) return err::kNotWiped;
  // Under a name that tells nothing; a number is added while that name is taken.
  const std::u16string folder(FolderOf(path));
  const std::u16string wiped = WipeName(FileNameOf(path));
  for (int n = 1; n < 100; ++n) {
    std::u16string candidate = wiped;
    if (n > 1) candidate += Utf8ToUtf16(std::to_string(n));
    std::wstring target;
    if (win::NativePath(JoinPath(folder, candidate), target) != 0) break;
    const uint32_t e = win::RenameHandle(file.Get(), target, false);
    if (e == 0 || (e != ERROR_FILE_EXISTS && e != ERROR_ALREADY_EXISTS)) break;
  }
  return win::SetDeleteOnClose(file.Get(), true);
}

uint32_t RenameFile(std::u16string_view oldPath, std::u16string_view newPath) {
  if (oldPath == newPath) return 0;
  std::wstring from, to;
  if (const uint32_t e = win::NativePath(oldPath, from)) return e;
  if (const uint32_t e = win::NativePath(newPath, to)) return e;
  if (SamePath(oldPath, newPath) && SameFile(from, to)) return ChangeLetterCase(from, to);
  return MoveNative(from, to, false, nullptr);
}

uint32_t RenameInFolder(std::u16string_view oldPath, std::u16string_view newName, std::u16string* newPath) {
  if (newName.empty() || newName == u"." || newName == u".." || win::IsForbiddenName(newName)) return err::kInvalidName;
  const std::u16string target = JoinPath(FolderOf(oldPath), newName);
  const uint32_t code = RenameFile(oldPath, target);
  if (code == 0 && newPath != nullptr) *newPath = target;
  return code;
}

uint32_t CopyFileTo(std::u16string_view source, std::u16string_view target, bool replace) {
  std::wstring from, to;
  if (const uint32_t e = win::NativePath(source, from)) return e;
  if (const uint32_t e = win::NativePath(target, to)) return e;
  if (SameFile(from, to)) return err::kSameFile;
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
    std::wstring from, to;
    std::u16string target = JoinPath(targetFolder, FileNameOf(sources[i]));
    if (win::NativePath(sources[i], from) != 0 || win::NativePath(target, to) != 0) {
      outcome.code = err::kInvalidName;
      attempt = false;
    } else {
      bool replace = false;
      if (FileExists(target)) {
        if (SameFile(from, to)) {
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
            win::NativePath(target, to);
          } else {
            replace = true;
          }
        }
      }
      if (attempt) {
        const FileIdentity* identity = i < expected.size() ? &expected[i] : nullptr;
        outcome.code = move ? MoveNative(from, to, replace, &progress, identity) : CopyNative(from, to, replace, &progress);
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
  std::wstring native;
  if (const uint32_t e = win::NativePath(path, native)) return e;
  {
    win::Handle file;
    FileStatus status;
    if (const uint32_t e = OpenChecked(native, FILE_READ_ATTRIBUTES, kShareAll, expected, file, status)) return e;
  }
  // The shell takes plain paths of at most MAX_PATH characters, ending with two zeros.
  std::wstring plain = win::WideString(win::ProgramPath(native));
  if (plain.size() >= MAX_PATH) return err::kFilenameExceedRange;
  plain.push_back(L'\0');
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = plain.c_str();
  operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT | FOF_NO_UI;
  const int result = SHFileOperationW(&operation);
  if (operation.fAnyOperationsAborted) return err::kCancelled;
  if (result != 0) {
    // Codes below 0x71 are the system's; the shell's own (DE_*) say only that it failed.
    if (result < 0x71 && result != ERROR_INVALID_PARAMETER) return static_cast<uint32_t>(result);
    return err::kTrashUnavailable;
  }
  return FileExists(path) ? err::kTrashUnavailable : 0;
}

}  // namespace tarnq::platform
