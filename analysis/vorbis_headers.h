// SPDX-License-Identifier: GPL-3.0-or-later
// The Vorbis identification and comment header packets, read here rather than by the Vorbis
// decoder: the decoder does not check its allocations, and a scan under memory pressure must fail
// one file, not end the process. Both readers stay inside the packet, whatever its fields claim.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace tarnq::analysis {

// Identification header (packet type 1), 30 bytes, little-endian:
//   [0] 1, [1..6] "vorbis", [7..10] version (0), [11] channels (> 0), [12..15] sampling rate
//   (> 0 as a signed number), [16..19] maximum, [20..23] nominal, [24..27] minimum bit rate
//   (signed), [28] two block-size exponents (low nibble the short block: 64 <= short <= long
//   <= 8192), [29] framing bit (bit 0 set). Bytes after them are ignored.
struct VorbisIdentification {
  uint8_t channels = 0;
  uint32_t rate = 0;
  int32_t bitrateNominal = 0;
};
bool ParseVorbisIdentification(std::span<const unsigned char> packet, VorbisIdentification& out);

// Comment header (packet type 3): [0] 3, [1..6] "vorbis", vendor length (32 bits) and vendor,
// comment count (32 bits), then each comment's length (32 bits) and bytes, then the framing bit.
// Checks the whole packet first; only a well-formed one calls `each(comment)` for every comment,
// in order. False for a malformed packet (nothing called then).
template <class Each>
bool ForEachVorbisComment(std::span<const unsigned char> packet, Each&& each);

namespace vorbis_detail {
// The comments' positions are checked by this walk; `each` is null for the checking pass.
bool WalkComments(std::span<const unsigned char> packet, void (*each)(void*, std::string_view), void* context);
}  // namespace vorbis_detail

// True when the comment header packet is well-formed (the check of ForEachVorbisComment alone).
inline bool IsVorbisCommentHeader(std::span<const unsigned char> packet) {
  return vorbis_detail::WalkComments(packet, nullptr, nullptr);
}

template <class Each>
bool ForEachVorbisComment(std::span<const unsigned char> packet, Each&& each) {
  if (!vorbis_detail::WalkComments(packet, nullptr, nullptr)) return false;
  auto call = [](void* context, std::string_view comment) { (*static_cast<Each*>(context))(comment); };
  return vorbis_detail::WalkComments(packet, call, &each);
}

}  // namespace tarnq::analysis
