// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_access.h"

#include "platform/win/win_util.h"

namespace tarnq::platform {
namespace {

uint32_t TryOpen(std::u16string_view path, DWORD access) {
  std::wstring native;
  if (const uint32_t e = win::NativePath(path, native, true)) return e;
  win::Handle file(CreateFileW(native.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.Valid() ? 0 : win::LastError();
}

}  // namespace

uint32_t CheckReadWriteAccess(std::u16string_view path) { return TryOpen(path, GENERIC_READ | GENERIC_WRITE); }

uint32_t CheckReadAccess(std::u16string_view path) { return TryOpen(path, GENERIC_READ); }

}  // namespace tarnq::platform
