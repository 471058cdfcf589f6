// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/errors.h"

#include <cerrno>
#include <cstring>

namespace tarnq::platform {
namespace {

// Bit 29 marks an application-defined code: errno values without a Windows equivalent travel as
// 0x20000000 | errno and keep the system's own message.
constexpr uint32_t kErrnoFlag = 0x20000000;

struct Message {
  uint32_t code;
  const char* text;
};

constexpr Message kMessages[] = {
    {0, "The operation completed successfully."},
    {1, "Incorrect function."},
    {2, "The system cannot find the file specified."},
    {3, "The system cannot find the path specified."},
    {4, "The system cannot open the file."},
    {5, "Access is denied."},
    {6, "The handle is invalid."},
    {8, "Not enough memory resources are available to process this command."},
    {14, "Not enough memory resources are available to complete this operation."},
    {17, "The system cannot move the file to a different disk drive."},
    {18, "There are no more files."},
    {19, "The media is write protected."},
    {23, "Data error (cyclic redundancy check)."},
    {25, "The drive cannot locate a specific area or track on the disk."},
    {29, "The system cannot write to the specified device."},
    {30, "The system cannot read from the specified device."},
    {31, "A device attached to the system is not functioning."},
    {32, "The process cannot access the file because it is being used by another process."},
    {33, "The process cannot access the file because another process has locked a portion of the file."},
    {38, "Reached the end of the file."},
    {50, "The request is not supported."},
    {53, "The network path was not found."},
    {80, "The file exists."},
    {87, "The parameter is incorrect."},
    {109, "The pipe has been ended."},
    {112, "There is not enough space on the disk."},
    {122, "The data area passed to a system call is too small."},
    {123, "The filename, directory name, or volume label syntax is incorrect."},
    {126, "The specified module could not be found."},
    {127, "The specified procedure could not be found."},
    {145, "The directory is not empty."},
    {170, "The requested resource is in use."},
    {183, "Cannot create a file when that file already exists."},
    {206, "The filename or extension is too long."},
    {223, "The file size exceeds the limit allowed and cannot be saved."},
    {267, "The directory name is invalid."},
    {995, "The I/O operation has been aborted because of either a thread exit or an application request."},
    {1117, "The request could not be performed because of an I/O device error."},
    {1155, "No application is associated with the specified file for this operation."},
    {1235, "The request was aborted."},
    {1921, "The name of the file cannot be resolved by the system."},
    {err::kNotWiped, "The file could not be overwritten completely, so it was not wiped and is still there."},
    {err::kHasOtherLinks, "The file has other hard links whose data wiping would destroy; it was not wiped."},
    {err::kNotRegularFile, "This is not a regular file (a link, folder or device); it was left alone."},
    {err::kSameFile, "The source and the target are the same file."},
    {err::kCopySizeMismatch, "The copy does not have the size of the original; the original was kept."},
    {err::kTrashUnavailable, "The desktop Trash cannot take this file."},
    {err::kLinkInPath, "A folder of the path is a symbolic link now; the file was left alone."},
    {err::kNotTheSameFile, "Another file stands at this path now; it was left alone."},
    {err::kSkippedByUser, "Skipped."},
};

// The errno behind a code, for the system's own wording; 0 for codes no errno produces.
int ErrnoOf(uint32_t code) {
  switch (code) {
    case err::kFileNotFound:
    case err::kPathNotFound: return ENOENT;
    case err::kTooManyOpenFiles: return EMFILE;
    case err::kAccessDenied: return EACCES;
    case 6: return EBADF;
    case err::kNotEnoughMemory: return ENOMEM;
    case err::kNotSameDevice: return EXDEV;
    case err::kWriteProtect: return EROFS;
    case err::kIoDevice: return EIO;
    case err::kSharingViolation: return EBUSY;
    case err::kAlreadyExists: return EEXIST;
    case err::kDiskFull: return ENOSPC;
    case err::kFilenameExceedRange: return ENAMETOOLONG;
    case err::kInvalidParameter: return EINVAL;
    case err::kDirNotEmpty: return ENOTEMPTY;
    case err::kCantResolveFilename: return ELOOP;
    case err::kNotSupported: return EOPNOTSUPP;
    case 223: return EFBIG;
    case err::kBrokenPipe: return EPIPE;
    case err::kSeek: return ESPIPE;
    case err::kDirectory: return ENOTDIR;
    case 995: return EINTR;
    default: return 0;
  }
}

std::string SystemText(int e) {
  char buffer[256];
  // GNU strerror_r returns the text, which may or may not be in our buffer.
  return strerror_r(e, buffer, sizeof buffer);
}

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
    case EBUSY:
    case ETXTBSY: return err::kSharingViolation;
    case EEXIST: return err::kAlreadyExists;
    case ENOSPC:
    case EDQUOT: return err::kDiskFull;
    case ENAMETOOLONG: return err::kFilenameExceedRange;
    case EINVAL: return err::kInvalidParameter;
    case ENOTEMPTY: return err::kDirNotEmpty;
    case ELOOP: return err::kCantResolveFilename;
    case EOPNOTSUPP: return err::kNotSupported;
    case EFBIG: return 223;
    case EPIPE: return err::kBrokenPipe;
    case ESPIPE: return err::kSeek;
    case ECANCELED: return err::kCancelled;
    case EINTR: return 995;
    default: return kErrnoFlag | static_cast<uint32_t>(e);
  }
}

std::string ErrorMessage(uint32_t code) {
  // The user reads the system's own words for the errno behind a code ("No such file or
  // directory"); the Windows wording only where no errno is behind it.
  if (const int e = ErrnoOf(code)) return SystemText(e);
  for (const Message& m : kMessages)
    if (m.code == code) return m.text;
  if ((code & kErrnoFlag) != 0 && (code & ~kErrnoFlag) < 0x10000) return SystemText(static_cast<int>(code & ~kErrnoFlag));
  std::string message = "Unknown error ";
  message += std::to_string(code);
  message.push_back('.');
  return message;
}

}  // namespace tarnq::platform
