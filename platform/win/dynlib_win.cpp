// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/dynlib.h"

#include <utility>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/win/win_util.h"

namespace tarnq::platform {

DynamicLibrary::~DynamicLibrary() { Close(); }

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)), m_detail(std::move(other.m_detail)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
  if (this != &other) {
    Close();
    m_handle = std::exchange(other.m_handle, nullptr);
    m_detail = std::move(other.m_detail);
  }
  return *this;
}

uint32_t DynamicLibrary::Open(std::u16string_view path) {
  Close();
  m_detail.clear();
  std::wstring native;
  if (const uint32_t e = win::NativePath(path, native, true)) return e;
  if (!FileExists(path)) {
    m_detail = "No such file: " + Utf16ToUtf8(path);
    return err::kFileNotFound;
  }
  // Only the file named, and the libraries it needs from its own folder or the system's.
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = LoadLibraryExW(native.c_str(), nullptr,
                                  LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
  const DWORD error = module == nullptr ? GetLastError() : 0;
  SetErrorMode(oldMode);
  if (module == nullptr) {
    m_detail = Utf16ToUtf8(path) + ": " + ErrorMessage(error);
    return err::kModNotFound;
  }
  m_handle = reinterpret_cast<void*>(module);
  return err::kSuccess;
}

void DynamicLibrary::Close() {
  if (m_handle != nullptr) FreeLibrary(reinterpret_cast<HMODULE>(m_handle));
  m_handle = nullptr;
}

uint32_t DynamicLibrary::FindSymbol(const char* name, void*& address) const {
  address = nullptr;
  if (m_handle == nullptr) return ERROR_INVALID_HANDLE;
  address = reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(m_handle), name));
  return address != nullptr ? err::kSuccess : err::kProcNotFound;
}

}  // namespace tarnq::platform
