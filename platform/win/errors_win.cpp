// SPDX-License-Identifier: GPL-3.0-or-later
// On Windows the program's codes are the system's own: the words come from FormatMessageW.
#include "platform/errors.h"

#include <cerrno>

#include "platform/text.h"
#include "platform/win/win_util.h"

namespace tarnq::platform {
namespace {

struct Message {
  uint32_t code;
  const char* text;
};

// The program's own codes; and the system's wording of a few codes for when the system has no
// message table at hand.
constexpr Message kMessages[] = {
    {err::kNotWiped, "The file could not be overwritten completely, so it was not wiped and is still there."},
    {err::kHasOtherLinks, "The file has other hard links whose data wiping would destroy; it was not wiped."},
    {err::kNotRegularFile, "This is not a regular file (a link, folder or device); it was left alone."},
    {err::kSameFile, "The source and the target are the same file."},
    {err::kCopySizeMismatch, "The copy does not have the size of the original; the original was kept."},
    {err::kTrashUnavailable, "The Recycle Bin cannot take this file."},
    {err::kLinkInPath, "A folder of the path is a link now; the file was left alone."},
    {err::kNotTheSameFile, "Another file stands at this path now; it was left alone."},
    {err::kSkippedByUser, "Skipped."},
    {2, "The system cannot find the file specified."},
    {3, "The system cannot find the path specified."},
    {5, "Access is denied."},
    {32, "The process cannot access the file because it is being used by another process."},
    {123, "The filename, directory name, or volume label syntax is incorrect."},
    {183, "Cannot create a file when that file already exists."},
    {1235, "The request was aborted."},
};

}  // namespace

uint32_t ErrorFromErrno(int e, bool forPath) {
  switch (e) {
    case 0: return 0;
    case ENOENT: return forPath ? err::kPathNotFound : err::kFileNotFound;
    case ENOTDIR: return err::kPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR: return err::kAccessDenied;
    case EMFILE:
    case ENFILE: return err::kTooManyOpenFiles;
    case EBADF: return 6;
    case ENOMEM: return err::kNotEnoughMemory;
    case EXDEV: return err::kNotSameDevice;
    case EROFS: return err::kWriteProtect;
    case EIO: return err::kIoDevice;
    case EBUSY: return err::kSharingViolation;
    case EEXIST: return err::kAlreadyExists;
    case ENOSPC: return err::kDiskFull;
    case ENAMETOOLONG: return err::kFilenameExceedRange;
    case EINVAL: return err::kInvalidParameter;
    case ENOTEMPTY: return err::kDirNotEmpty;
    case EFBIG: return 223;
    case EPIPE: return err::kBrokenPipe;
    case ESPIPE: return err::kSeek;
    case EINTR: return 995;
    default: return err::kGenFailure;
  }
}

std::string ErrorMessage(uint32_t code) {
  if ((code & 0x20000000) == 0) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
                                   nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                   reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (n > 0 && text != nullptr) {
      std::u16string message = win::FromWide(text, n);
      LocalFree(text);
      while (!message.empty() && (message.back() == u' ' || message.back() == u'\r' || message.back() == u'\n'))
        message.pop_back();
      if (!message.empty()) return Utf16ToUtf8(message);
    }
  }
  for (const Message& m : kMessages)
    if (m.code == code) return m.text;
  std::string message = "Unknown error ";
  message += std::to_string(code);
  message.push_back('.');
  return message;
}

}  // namespace tarnq::platform
