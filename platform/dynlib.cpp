// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/dynlib.h"

#include <dlfcn.h>

#include <utility>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/text.h"

namespace tarnq::platform {
namespace {
constexpr uint32_t kInvalidHandle = 6;
}  // namespace

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
  std::string native;
  if (!Utf16ToNameBytes(path, native)) return err::kInvalidName;
  // dlopen searches the library path for a name without a slash; only the file named is wanted.
  if (native.find('/') == std::string::npos) native.insert(0, "./");
  if (!FileExists(path)) {
    m_detail = "No such file: " + native;
    return err::kFileNotFound;
  }
  dlerror();
  m_handle = dlopen(native.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (m_handle == nullptr) {
    const char* why = dlerror();
    m_detail = why != nullptr ? why : "The library could not be loaded.";
    return err::kModNotFound;
  }
  return err::kSuccess;
}

void DynamicLibrary::Close() {
  if (m_handle != nullptr) dlclose(m_handle);
  m_handle = nullptr;
}

uint32_t DynamicLibrary::FindSymbol(const char* name, void*& address) const {
  address = nullptr;
  if (m_handle == nullptr) return kInvalidHandle;
  dlerror();
  address = dlsym(m_handle, name);
  return address != nullptr ? err::kSuccess : err::kProcNotFound;
}

}  // namespace tarnq::platform
