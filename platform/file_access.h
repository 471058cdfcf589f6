// SPDX-License-Identifier: GPL-3.0-or-later
// Access checks that settings and similar stores make before they adopt a file.
#pragma once

#include <cstdint>
#include <string_view>

namespace tarnq::platform {

// Opens an existing file for reading and writing and closes it again: 0 when both are allowed,
// 2 when it does not exist, 5 when access is denied, ...
uint32_t CheckReadWriteAccess(std::u16string_view path);
// Opens an existing file for reading and closes it again: 0 when that is allowed, else the error
// (2 gone, 5 access denied, 206 path too long, ...).
uint32_t CheckReadAccess(std::u16string_view path);

}  // namespace tarnq::platform
