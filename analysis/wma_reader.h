// SPDX-License-Identifier: GPL-3.0-or-later
// ASF (WMA) files: the objects of the Header Object give the stream format and the tags.
#pragma once

#include <cstdint>
#include <string_view>

#include "analysis/tag_record.h"

namespace tarnq::analysis {

// Returns 0 on success; non-zero when the file cannot be read or does not start with an ASF
// Header Object.
uint32_t ReadWmaFile(std::u16string_view path, TagRecord& tag);

}  // namespace tarnq::analysis
