// SPDX-License-Identifier: GPL-3.0-or-later
// A decoder slot: one way of turning a kind of file into PCM. The built-in decoders and the input
// plug-ins all sit behind this interface; the player thread calls it and nothing else.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "analysis/tag_record.h"
#include "player/pcm.h"

namespace tarnq::player {

// What Open learns about a file. `tag` is what the owner shows (stream properties and tags).
struct OpenedStream {
  StreamFormat format;
  analysis::TagRecord tag;
};

// All calls come from the player thread. A slot holds at most one open file. No call throws.
class DecoderSlot {
 public:
  virtual ~DecoderSlot() = default;

  // The file masks this slot is chosen by (";"-separated, such as "*.WAV").
  virtual std::u16string_view Masks() const = 0;
  // The playing time in seconds without opening the file for playing; 0 when the slot cannot
  // play it (used to choose among slots).
  virtual uint32_t FileLength(std::u16string_view path) = 0;
  // Opens a file for playing. 0 on success, else the error (and `error` says why, for a person).
  virtual uint32_t Open(std::u16string_view path, OpenedStream& stream, std::string& error) = 0;
  virtual void Close() = 0;
  // Fills `buffer` with whole frames of the open stream's PCM. Returns the bytes delivered; 0
  // with `more` false is the end of the data (or a read error that ends it).
  virtual size_t Read(std::span<uint8_t> buffer, bool& more) = 0;
  virtual bool CanSeek() const = 0;
  // Jumps to numerator / denominator of the length; false when the slot cannot.
  virtual bool Seek(uint64_t numerator, uint64_t denominator) = 0;
  // The frame the next Read starts at.
  virtual uint64_t Position() const = 0;
};

// The player's slot table: 21 decoder slots (0 MPEG, 1 Ogg, 2 FLAC, 3 WMA, 4 WAV, 5 MP4 audio,
// 6-20 input plug-ins) and the output. An empty entry is a decoder that is not there.
inline constexpr int kDecoderSlotCount = 21;
inline constexpr int kOutputSlot = 21;
inline constexpr int kSlotCount = 22;
inline constexpr int kFirstPluginSlot = 6;
inline constexpr int kMaxPlugins = kDecoderSlotCount - kFirstPluginSlot;  // 15
enum BuiltInSlot : int { kMpegSlot = 0, kOggSlot = 1, kFlacSlot = 2, kWmaSlot = 3, kWavSlot = 4, kMp4Slot = 5 };

class WaveOutput;

struct SlotTable {
  std::unique_ptr<DecoderSlot> decoders[kDecoderSlotCount];
  WaveOutput* output = nullptr;  // slot 20, owned by whoever made the table
  // Where the player thread looks for input plug-ins when it starts (into the empty slots from
  // kFirstPluginSlot on); empty: nowhere.
  std::u16string pluginFolder;

  // The slot for a file: the first whose masks match the name and whose FileLength is non-zero;
  // when no mask matches at all, the first plug-in slot whose FileLength is non-zero. -1: none.
  int ChooseSlot(std::u16string_view path) const;
  // The first slot whose masks match the name, whether it can play the file or not (to ask it
  // why not); -1 when none does.
  int SlotByName(std::u16string_view path) const;
};

// For the built-in slots: the playing time the analysis readers find (at least 1 s for a file they
// recognise, 0 for one they do not).
uint32_t AnalysedLength(std::u16string_view path);
// Fills `tag` through the analysis readers; what they leave empty comes from the open stream.
void ReadStreamTag(std::u16string_view path, const StreamFormat& format, std::u16string_view formatName,
                   analysis::TagRecord& tag);

// The table with the built-in decoders that exist so far (the others stay empty), set to find
// the input plug-ins in InputPluginFolder().
SlotTable MakeBuiltInSlots();

}  // namespace tarnq::player
