// SPDX-License-Identifier: GPL-3.0-or-later
// FLAC files: STREAMINFO and the Vorbis comments, read with libFLAC's metadata chain.
#pragma once

#include <cstdint>
#include <string_view>

#include "analysis/tag_record.h"

namespace tarnq::analysis {

// Returns 0 on success; on failure (no file, no "fLaC" marker, broken metadata) the record is
// cleared and the result is non-zero.
uint32_t ReadFlacFile(std::u16string_view path, TagRecord& tag);

}  // namespace tarnq::analysis
