// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/time_zone.h"

#include <ctime>

namespace tarnq::platform {

int64_t LocalOffsetAt(int64_t unixSeconds) {
  const time_t t = static_cast<time_t>(unixSeconds);
  struct tm local {};
  if (localtime_r(&t, &local) == nullptr) return 0;
  return local.tm_gmtoff;
}

}  // namespace tarnq::platform
