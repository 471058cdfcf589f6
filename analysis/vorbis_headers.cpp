// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/vorbis_headers.h"

#include <cstring>

namespace tarnq::analysis {
namespace {

constexpr size_t kIdentificationBytes = 30;

uint32_t Le32At(std::span<const unsigned char> bytes, size_t at) {
  return static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
         static_cast<uint32_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

bool HasSignature(std::span<const unsigned char> packet, unsigned char type) {
  return packet.size() >= 7 && packet[0] == type && std::memcmp(packet.data() + 1, "vorbis", 6) == 0;
}

}  // namespace

bool ParseVorbisIdentification(std::span<const unsigned char> packet, VorbisIdentification& out) {
  if (!HasSignature(packet, 1) || packet.size() < kIdentificationBytes) return false;
  if (Le32At(packet, 7) != 0) return false;
  const uint8_t channels = packet[11];
  const auto rate = static_cast<int32_t>(Le32At(packet, 12));
  const unsigned shortBlock = 1u << (packet[28] & 0x0F);
  const unsigned longBlock = 1u << (packet[28] >> 4);
  if (channels == 0 || rate <= 0) return false;
  if (shortBlock < 64 || longBlock < shortBlock || longBlock > 8192) return false;
  if ((packet[29] & 1) == 0) return false;
  out.channels = channels;
  out.rate = static_cast<uint32_t>(rate);
  out.bitrateNominal = static_cast<int32_t>(Le32At(packet, 20));
  return true;
}

namespace vorbis_detail {

bool WalkComments(std::span<const unsigned char> packet, void (*each)(void*, std::string_view), void* context) {
  if (!HasSignature(packet, 3)) return false;
  size_t at = 7;
  // Every length is checked against what is left of the packet before it is used.
  auto length = [&](uint64_t& value) {
    if (packet.size() - at < 4) return false;
    value = Le32At(packet, at);
    at += 4;
    return true;
  };
  uint64_t vendor = 0, count = 0;
  if (!length(vendor) || vendor > packet.size() - at) return false;
  at += static_cast<size_t>(vendor);
  if (!length(count) || count > (packet.size() - at) / 4) return false;
  for (uint64_t i = 0; i < count; ++i) {
    uint64_t bytes = 0;
    if (!length(bytes) || bytes > packet.size() - at) return false;
    if (each != nullptr)
      each(context, std::string_view(reinterpret_cast<const char*>(packet.data() + at), static_cast<size_t>(bytes)));
    at += static_cast<size_t>(bytes);
  }
  return at < packet.size() && (packet[at] & 1) != 0;
}

}  // namespace vorbis_detail
}  // namespace tarnq::analysis
