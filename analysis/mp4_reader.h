// SPDX-License-Identifier: GPL-3.0-or-later
// MP4 audio (M4A and friends): a walk over the boxes for the track header, the audio sample entry
// and the iTunes-style item list.
#pragma once

#include <cstdint>
#include <string_view>

#include "analysis/tag_record.h"

namespace tarnq::analysis {

// Returns 0 on success; on failure (no file, 126 bytes or fewer) the record is cleared and the
// result is non-zero.
uint32_t ReadMp4File(std::u16string_view path, TagRecord& tag);

}  // namespace tarnq::analysis
