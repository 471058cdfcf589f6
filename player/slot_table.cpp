// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/name_rules.h"
#include "player/av_slot.h"
#include "player/decoder_slot.h"
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

SlotTable MakeBuiltInSlots() {
  SlotTable table;
  table.decoders[kWmaSlot] = std::make_unique<AvSlot>(AvSlot::Kind::kWma);
  table.decoders[kWavSlot] = std::make_unique<WavSlot>();
  table.decoders[kMp4Slot] = std::make_unique<AvSlot>(AvSlot::Kind::kMp4);
  return table;
}

}  // namespace tarnq::player
