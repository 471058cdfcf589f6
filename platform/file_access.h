// Access checks that settings and similar stores make before they adopt a file.
#pragma once

#include <cstdint>
#include <string_view>

namespace tarnq::platform {

// Opens an existing file for reading and writing and closes it again: 0 when both are allowed,
// 2 when it does not exist, 5 when access is denied, ...
uint32_t CheckReadWriteAccess(std::u16string_view path);

}  // namespace tarnq::platform
