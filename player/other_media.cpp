// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/other_media.h"

#include <cstring>

#include "analysis/name_rules.h"
#include "platform/files.h"

namespace tarnq::player {
namespace {

// Signatures at the very start of a file.
struct Signature {
  uint8_t bytes[4];
};
constexpr Signature kLeadingSignatures[] = {
    {{'R', 'I', 'F', 'F'}},        // AVI, and WAV files the WAV decoder refused
    {{'F', 'O', 'R', 'M'}},        // AIFF
    {{'M', 'T', 'h', 'd'}},        // standard MIDI file
    {{0x0A, 0x89, 0xED, 0x7A}},
    {{0x00, 0x00, 0x01, 0xB3}},    // MPEG video sequence header
    {{0x00, 0x00, 0x01, 0xBA}},    // MPEG program stream pack header
    {{0x00, 0x51, 0x56, 0xBC}},
    {{0x00, 0x00, 0x09, 0xC4}},
    {{'O', 'g', 'g', 'S'}},        // Ogg with streams the Vorbis decoder does not play (Opus, Theora)
    {{0x1A, 0x45, 0xDF, 0xA3}},    // EBML: Matroska, WebM
    {{0x30, 0x26, 0xB2, 0x75}},    // the ASF header object's GUID: WMV, WMA
};

// ISO base media files (MP4, MOV, M4V) name their brand in the first box: "ftyp" at offset 4.
constexpr uint8_t kFileTypeBox[4] = {'f', 't', 'y', 'p'};

constexpr std::u16string_view kOtherMediaMasks = u"*.WMA;*.WMV;*.MPG;*.MPEG";

}  // namespace

FileProbe ProbeFile(std::u16string_view path) {
  FileProbe probe;
  platform::InputFile file;
  if (const uint32_t error = file.Open(path); error != 0) {
    probe.error = error;
    return probe;
  }
  probe.size = file.Size();
  size_t done = 0;
  if (const uint32_t error = file.ReadAt(0, probe.head, sizeof probe.head, done); error != 0) {
    probe.error = error;
    return probe;
  }
  probe.headLength = done;
  return probe;
}

bool LooksLikeOtherMedia(std::span<const uint8_t> head, std::u16string_view path) {
  if (head.size() >= 4) {
    for (const Signature& signature : kLeadingSignatures) {
      if (std::memcmp(head.data(), signature.bytes, 4) == 0) return true;
    }
  }
  if (head.size() >= 8 && std::memcmp(head.data() + 4, kFileTypeBox, 4) == 0) return true;
  return analysis::MatchesMaskList(path, kOtherMediaMasks);
}

}  // namespace tarnq::player
