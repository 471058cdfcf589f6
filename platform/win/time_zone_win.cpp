// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/time_zone.h"

#include "platform/win/win_util.h"

namespace tarnq::platform {

int64_t LocalOffsetAt(int64_t unixSeconds) {
  // The zone's rule for that date, daylight saving included.
  const FILETIME utc = win::ToFileTime(UnixToFileTime(unixSeconds < 0 ? 0 : unixSeconds));
  SYSTEMTIME utcFields, localFields;
  FILETIME local;
  if (!FileTimeToSystemTime(&utc, &utcFields) || !SystemTimeToTzSpecificLocalTime(nullptr, &utcFields, &localFields) ||
      !SystemTimeToFileTime(&localFields, &local))
    return 0;
  const int64_t ticks = static_cast<int64_t>(win::FromFileTime(local)) - static_cast<int64_t>(win::FromFileTime(utc));
  return ticks / static_cast<int64_t>(kTicksPerSecond);
}

}  // namespace tarnq::platform
