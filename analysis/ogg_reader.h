// SPDX-License-Identifier: GPL-3.0-or-later
// Ogg files: the Vorbis stream among the logical streams gives channels, rate, nominal bit rate,
// comments and (from its last page) the playing time.
#pragma once

#include <cstdint>
#include <string_view>

#include "analysis/tag_record.h"

namespace tarnq::analysis {

// Returns 0, or the system error of opening the file. The file holds a Vorbis stream exactly
// when formatName is "Ogg Vorbis" afterwards; the caller treats an empty formatName as failure.
uint32_t ReadOggFile(std::u16string_view path, TagRecord& tag);

}  // namespace tarnq::analysis
