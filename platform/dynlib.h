// SPDX-License-Identifier: GPL-3.0-or-later
// Shared libraries loaded at run time (the language library, plug-ins). Never throws.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnq::platform {

class DynamicLibrary {
 public:
  DynamicLibrary() = default;
  ~DynamicLibrary();  // unloads the library
  DynamicLibrary(DynamicLibrary&& other) noexcept;
  DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  // Loads the library at `path`, resolving all its symbols now. Returns 0, 2 when the file does
  // not exist, 126 when it cannot be loaded (Detail() says why), 123 for a path that cannot be
  // encoded. A library already open here is unloaded first.
  uint32_t Open(std::u16string_view path);
  bool IsOpen() const { return m_handle != nullptr; }
  void Close();

  // The address of an exported symbol; 127 when the library lacks it, 6 when nothing is open.
  uint32_t FindSymbol(const char* name, void*& address) const;

  // The system's explanation of the last failure of Open (UTF-8; empty after success).
  const std::string& Detail() const { return m_detail; }

  // The system's handle of the loaded library as a number (0 when nothing is open), for the
  // plug-in interfaces that hand a library its own instance.
  intptr_t NativeHandle() const { return reinterpret_cast<intptr_t>(m_handle); }

 private:
  void* m_handle = nullptr;
  std::string m_detail;
};

}  // namespace tarnq::platform
