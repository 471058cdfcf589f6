// SPDX-License-Identifier: GPL-3.0-or-later
// Rules that work on file names: type masks and the artist/title/track a name implies.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "analysis/tag_record.h"

namespace tarnq::analysis {

// True when the name part of `path` matches one of the ";"-separated masks of `maskList`.
// A mask is applied as a rename template to the name ("?" copies a character, "*" copies a run,
// anything else is itself) and matches when that gives the name back, ignoring case: "*.MP3"
// matches "Song.mp3" but not "Song.mp3.bak"; a mask containing "/" or "\" never matches.
bool MatchesMaskList(std::u16string_view path, std::u16string_view maskList);

// Takes a track number from a file name, editing the name: a leading number ("01 - Band - Song"
// gives 1 and "Band - Song"), else a number after a dash ("Band - 03 - Song" gives 3 and
// "Band - Song"). Returns 0 and leaves the name alone when there is none or it exceeds 65535.
uint16_t TrackFromName(std::u16string& name);

// Fills an empty artist, title and track from a name of the form "Artist - Title" when the tag's
// own artist and title do not contradict it.
void FillFromFileName(std::u16string_view path, TagRecord& tag);

}  // namespace tarnq::analysis
