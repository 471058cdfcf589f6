// SPDX-License-Identifier: GPL-3.0-or-later
// The user's time zone, for the local-time conversions of time.cpp.
#pragma once

#include <cstdint>

namespace tarnq::platform {

// The zone offset (seconds east of UTC) in force at a Unix time.
int64_t LocalOffsetAt(int64_t unixSeconds);

}  // namespace tarnq::platform
