// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>

#include "analysis/name_rules.h"
#include "analysis/providers.h"
#include "player/av_slot.h"
#include "player/decoder_slot.h"
#include "player/flac_slot.h"
#include "player/mpeg_slot.h"
#include "player/ogg_slot.h"
#include "player/plugin_slot.h"
#include "player/wav_slot.h"

namespace tarnq::player {

int SlotTable::ChooseSlot(std::u16string_view path) const {
  bool anyMaskMatched = false;
  for (int i = 0; i < kDecoderSlotCount; ++i) {
    DecoderSlot* slot = decoders[i].get();
    if (slot == nullptr || !analysis::MatchesMaskList(path, slot->Masks())) continue;
    anyMaskMatched = true;
    if (slot->FileLength(path) != 0) return i;
  }
  if (anyMaskMatched) return -1;
  for (int i = kFirstPluginSlot; i < kDecoderSlotCount; ++i) {
    if (decoders[i] != nullptr && decoders[i]->FileLength(path) != 0) return i;
  }
  return -1;
}

int SlotTable::SlotByName(std::u16string_view path) const {
  for (int i = 0; i < kDecoderSlotCount; ++i) {
    if (decoders[i] != nullptr && analysis::MatchesMaskList(path, decoders[i]->Masks())) return i;
  }
  return -1;
}

uint32_t AnalysedLength(std::u16string_view path) {
  analysis::TagRecord tag;
  if (analysis::ReadByExtension(path, tag) != 0 || tag.formatName.Empty()) return 0;
  return std::max<uint32_t>(tag.duration, 1);
}

void ReadStreamTag(std::u16string_view path, const StreamFormat& format, std::u16string_view formatName,
                   analysis::TagRecord& tag) {
  if (analysis::ReadByExtension(path, tag) != 0) tag.Clear();
  if (tag.formatName.Empty()) tag.formatName.Assign(formatName);
  if (tag.sampleRate == 0) tag.sampleRate = format.sampleRate;
  if (tag.channels == 0) tag.channels = format.channels;
  if (tag.duration == 0) tag.duration = format.lengthSeconds;
  if (tag.bitrate == 0) tag.bitrate = static_cast<int32_t>(format.bitrate);
}

SlotTable MakeBuiltInSlots() {
  SlotTable table;
  table.decoders[kMpegSlot] = std::make_unique<MpegSlot>();
  table.decoders[kOggSlot] = std::make_unique<OggSlot>();
  table.decoders[kFlacSlot] = std::make_unique<FlacSlot>();
  table.decoders[kWmaSlot] = std::make_unique<AvSlot>(AvSlot::Kind::kWma);
  table.decoders[kWavSlot] = std::make_unique<WavSlot>();
  table.decoders[kMp4Slot] = std::make_unique<AvSlot>(AvSlot::Kind::kMp4);
  table.pluginFolder = InputPluginFolder();
  return table;
}

}  // namespace tarnq::player
