// SPDX-License-Identifier: GPL-3.0-or-later
// Vorbis comments ("KEY=value", UTF-8), shared by the Ogg and FLAC readers.
#pragma once

#include <string_view>

#include "analysis/tag_record.h"

namespace tarnq::analysis {

// True when `bytes` is well-formed UTF-8: no overlong forms, no encoded surrogates, nothing above
// U+10FFFF, no five- or six-byte forms, no truncated sequence.
bool IsWellFormedUtf8(std::string_view bytes);

// Which keys a block of comments has shown so far: DESCRIPTION (the standard key of the comment)
// and YEAR stand in for COMMENT and DATE only while those have not appeared.
struct VorbisCommentKeysSeen {
  bool comment = false;
  bool date = false;
};

// Applies one comment through the key table (TITLE, ARTIST, ALBUM, TRACKNUMBER, DATE, GENRE,
// COMMENT, and DESCRIPTION and YEAR in their place; keys ignore case; later comments overwrite
// earlier ones). `seen` is shared by the comments of one block. `strict` (Ogg): a comment whose
// key holds a byte outside 0x20-0x7D or whose value is not well-formed UTF-8 is skipped.
// A comment without "=" is always skipped.
void ApplyVorbisComment(std::string_view comment, TagRecord& tag, bool strict,
                        VorbisCommentKeysSeen& seen);

}  // namespace tarnq::analysis
