// SPDX-License-Identifier: GPL-3.0-or-later
// The program's error codes are Windows error codes (0 success, 1235 cancelled); this maps the
// system's errno values onto them and supplies the message text of each.
#pragma once

#include <cstdint>
#include <string>

namespace tarnq::platform {

namespace err {
inline constexpr uint32_t kSuccess = 0;
inline constexpr uint32_t kInvalidFunction = 1;
inline constexpr uint32_t kFileNotFound = 2;
inline constexpr uint32_t kPathNotFound = 3;
inline constexpr uint32_t kTooManyOpenFiles = 4;
inline constexpr uint32_t kAccessDenied = 5;
inline constexpr uint32_t kNotEnoughMemory = 8;
inline constexpr uint32_t kOutOfMemory = 14;
inline constexpr uint32_t kNotSameDevice = 17;
inline constexpr uint32_t kNoMoreFiles = 18;
inline constexpr uint32_t kWriteProtect = 19;
inline constexpr uint32_t kCrc = 23;
inline constexpr uint32_t kSeek = 25;
inline constexpr uint32_t kWriteFault = 29;
inline constexpr uint32_t kReadFault = 30;
inline constexpr uint32_t kGenFailure = 31;
inline constexpr uint32_t kSharingViolation = 32;
inline constexpr uint32_t kLockViolation = 33;
inline constexpr uint32_t kHandleEof = 38;
inline constexpr uint32_t kNotSupported = 50;
inline constexpr uint32_t kBadNetPath = 53;
inline constexpr uint32_t kFileExists = 80;
inline constexpr uint32_t kInvalidParameter = 87;
inline constexpr uint32_t kBrokenPipe = 109;
inline constexpr uint32_t kDiskFull = 112;
inline constexpr uint32_t kInsufficientBuffer = 122;
inline constexpr uint32_t kInvalidName = 123;
inline constexpr uint32_t kModNotFound = 126;
inline constexpr uint32_t kProcNotFound = 127;
inline constexpr uint32_t kDirNotEmpty = 145;
inline constexpr uint32_t kBusy = 170;
inline constexpr uint32_t kAlreadyExists = 183;
inline constexpr uint32_t kFilenameExceedRange = 206;
inline constexpr uint32_t kDirectory = 267;  // the directory name is invalid (not a directory)
inline constexpr uint32_t kCantResolveFilename = 1921;  // too many levels of symbolic links
inline constexpr uint32_t kCancelled = 1235;
inline constexpr uint32_t kIoDevice = 1117;
inline constexpr uint32_t kNoAssociation = 1155;  // no program is associated with the file

// The program's own codes (bit 29 set, above the errno range).
inline constexpr uint32_t kNotWiped = 0x20010001;
inline constexpr uint32_t kHasOtherLinks = 0x20010002;
inline constexpr uint32_t kNotRegularFile = 0x20010003;
inline constexpr uint32_t kSameFile = 0x20010004;
inline constexpr uint32_t kCopySizeMismatch = 0x20010005;
inline constexpr uint32_t kTrashUnavailable = 0x20010006;
inline constexpr uint32_t kLinkInPath = 0x20010007;
inline constexpr uint32_t kNotTheSameFile = 0x20010008;
inline constexpr uint32_t kSkippedByUser = 0x20010010;
}  // namespace err

// Maps an errno value. `forPath`: ENOENT means "path not found" (3) rather than "file not
// found" (2), for operations on folders and for a missing parent.
uint32_t ErrorFromErrno(int errnoValue, bool forPath = false);

// The message for an error code (UTF-8): the system's text for the errno behind it, like
// "Permission denied" for 5; the Windows text for codes no errno produces ("The request was
// aborted." for 1235); "Unknown error N." for unknown codes.
std::string ErrorMessage(uint32_t code);

}  // namespace tarnq::platform
