// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_access.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/errors.h"
#include "platform/text.h"

namespace tarnq::platform {

uint32_t CheckReadWriteAccess(std::u16string_view path) {
  std::string native;
  if (!Utf16ToNameBytes(path, native) || native.empty()) return err::kInvalidName;
  const int fd = ::open(native.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return ErrorFromErrno(errno);
  ::close(fd);
  return 0;
}

uint32_t CheckReadAccess(std::u16string_view path) {
  std::string native;
  if (!Utf16ToNameBytes(path, native) || native.empty()) return err::kInvalidName;
  const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return ErrorFromErrno(errno);
  ::close(fd);
  return 0;
}

}  // namespace tarnq::platform
