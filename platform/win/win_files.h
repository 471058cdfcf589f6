// SPDX-License-Identifier: GPL-3.0-or-later
// File helpers the Windows files and file operations share.
#pragma once

#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/win/win_util.h"

namespace tarnq::platform::win {

// A C run-time descriptor that owns the handle from now on (-1 when none could be made; the handle
// stays with `handle` then).
int AdoptHandle(Handle& handle);
HANDLE HandleOf(int fd);
void CloseDescriptor(int& fd);

uint16_t ListedAttributes(DWORD attributes);
// Symbolic links and junctions (other reparse points are files with extra data).
bool IsLinkTag(DWORD tag);

uint32_t OpenForStatus(std::u16string_view path, bool followLinks, Handle& handle);
uint32_t StatusOfHandle(HANDLE h, FileStatus& status);
uint32_t WriteAllTo(HANDLE h, std::string_view bytes);

// The system removes a file marked so when its last handle closes.
uint32_t SetDeleteOnClose(HANDLE h, bool remove);
// Renames the open file (opened with DELETE access) to the native path `target`.
uint32_t RenameHandle(HANDLE h, const std::wstring& target, bool replace);
// A new temporary file in the folder of the native path `target`, marked for deletion on close.
uint32_t CreateTemporaryBeside(const std::wstring& target, Handle& handle, std::wstring& temp);
// Syncs the temporary, clears its mark and renames it to `target`; on failure the mark is set
// again, so closing the handle removes it.
uint32_t CommitTemporary(HANDLE handle, const std::wstring& target, bool replace);
std::wstring FinalPathOf(const std::wstring& native);
// Eight hexadecimal digits for the names of temporary files.
std::wstring RandomSuffix();

}  // namespace tarnq::platform::win
