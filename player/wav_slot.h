// SPDX-License-Identifier: GPL-3.0-or-later
// The WAV slot: uncompressed PCM read by our own code.
#pragma once

#include <cstdint>
#include <span>

#include "platform/files.h"
#include "player/decoder_slot.h"

namespace tarnq::player {

// Where a WAV file's samples are, read from its header.
struct WavLayout {
  StreamFormat format;
  uint64_t dataOffset = 0;
  uint64_t dataBytes = 0;  // whole frames, cut to what the file holds
};

// Parses the header at the start of `file` (after an ID3v2 tag, if any). 0 or the error; `error`
// names the fault. Accepts PCM (format 1), IEEE float (3) and the extensible form of both.
uint32_t ReadWavLayout(platform::InputFile& file, WavLayout& layout, std::string& error);

// The byte offset in the data for a seek to numerator / denominator of it: computed in 64 bits
// (numerator × size ÷ denominator, never 0 from an early division) and put on a frame boundary.
uint64_t WavSeekOffset(uint64_t dataBytes, uint32_t frameBytes, uint64_t numerator, uint64_t denominator);

class WavSlot final : public DecoderSlot {
 public:
  std::u16string_view Masks() const override { return u"*.WAV"; }
  uint32_t FileLength(std::u16string_view path) override;
  uint32_t Open(std::u16string_view path, OpenedStream& stream, std::string& error) override;
  void Close() override;
  size_t Read(std::span<uint8_t> buffer, bool& more) override;
  bool CanSeek() const override { return true; }
  bool Seek(uint64_t numerator, uint64_t denominator) override;
  uint64_t Position() const override;

 private:
  platform::InputFile m_file;
  WavLayout m_layout;
  uint64_t m_read = 0;  // bytes of data delivered
};

}  // namespace tarnq::player
