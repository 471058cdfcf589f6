// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mounts.h"

#include "platform/win/win_util.h"

namespace tarnq::platform {

// The drives a user would pick: every drive letter with a file system behind it (removable,
// fixed, network, optical, RAM disks), in letter order, as "C:\".
std::vector<std::u16string> MountedFileSystems() {
  std::vector<std::u16string> out;
  wchar_t buffer[4 * 26 + 2];
  const DWORD n = GetLogicalDriveStringsW(static_cast<DWORD>(std::size(buffer)), buffer);
  if (n == 0 || n > std::size(buffer)) return {u"C:\\"};
  for (const wchar_t* drive = buffer; *drive != L'\0'; drive += wcslen(drive) + 1) {
    const UINT type = GetDriveTypeW(drive);
    if (type == DRIVE_UNKNOWN || type == DRIVE_NO_ROOT_DIR) continue;
    out.push_back(win::FromWide(drive));
  }
  if (out.empty()) out.push_back(u"C:\\");
  return out;
}

}  // namespace tarnq::platform
