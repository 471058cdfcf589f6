// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers of the Windows side of the platform layer: paths in the form the wide-character file
// functions take, handles, times.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/time.h"

namespace tarnq::platform::win {

inline const wchar_t* Wide(std::u16string_view text) { return reinterpret_cast<const wchar_t*>(text.data()); }
inline std::wstring WideString(std::u16string_view text) { return std::wstring(Wide(text), text.size()); }
inline std::u16string FromWide(const wchar_t* text, size_t length) {
  return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}
inline std::u16string FromWide(const wchar_t* text) { return FromWide(text, wcslen(text)); }

// The error of the last failed call, as the program's codes are Windows codes already.
inline uint32_t LastError() {
  const DWORD e = GetLastError();
  return e == 0 ? ERROR_GEN_FAILURE : static_cast<uint32_t>(e);
}

inline FileTime FromFileTime(const FILETIME& t) {
  return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}
inline FILETIME ToFileTime(FileTime t) {
  FILETIME out;
  out.dwLowDateTime = static_cast<DWORD>(t);
  out.dwHighDateTime = static_cast<DWORD>(t >> 32);
  return out;
}

// The name is one the file system refuses or treats specially: a device name (CON, PRN, AUX,
// NUL, COM1..COM9, LPT1..LPT9, also with an extension such as "NUL.txt"), a name that ends with a
// dot or a blank, or one holding < > : " / \ | ? * or a control character.
bool IsForbiddenName(std::u16string_view name);

// Turns an absolute path ("C:\a\b", "C:/a/b", "\\server\share\a", or either already in the
// "\\?\" form) into the "\\?\" form the wide-character functions take at any length, with "." and
// ".." resolved. 0, or 123 for a path that has a forbidden name in it or is not absolute; with
// `relativeAllowed` a relative path is taken from the current folder instead, as the Linux side's
// file functions (not its file operations) take one.
uint32_t NativePath(std::u16string_view path, std::wstring& native, bool relativeAllowed = false);

// The program's form of a path the system returned: without the "\\?\" prefix where the path
// has a drive letter or a share.
std::u16string ProgramPath(std::wstring_view native);

// An owned handle.
class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE h) : m_handle(h) {}
  ~Handle() { Reset(); }
  Handle(Handle&& other) noexcept : m_handle(other.Release()) {}
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) {
      Reset();
      m_handle = other.Release();
    }
    return *this;
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE Get() const { return m_handle; }
  bool Valid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
  HANDLE Release() {
    HANDLE h = m_handle;
    m_handle = INVALID_HANDLE_VALUE;
    return h;
  }
  void Reset() {
    if (Valid()) CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE m_handle = INVALID_HANDLE_VALUE;
};

}  // namespace tarnq::platform::win
