// SPDX-License-Identifier: GPL-3.0-or-later
// The FLAC slot: libFLAC's stream decoder, reading the file through our own file reader.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/files.h"
#include "player/decoder_slot.h"

#include <FLAC/stream_decoder.h>

namespace tarnq::player {

class FlacSlot final : public DecoderSlot {
 public:
  FlacSlot();
  ~FlacSlot() override;
  FlacSlot(const FlacSlot&) = delete;
  FlacSlot& operator=(const FlacSlot&) = delete;

  std::u16string_view Masks() const override { return u"*.FLAC"; }
  uint32_t FileLength(std::u16string_view path) override;
  uint32_t Open(std::u16string_view path, OpenedStream& stream, std::string& error) override;
  void Close() override;
  size_t Read(std::span<uint8_t> buffer, bool& more) override;
  bool CanSeek() const override { return true; }
  bool Seek(uint64_t numerator, uint64_t denominator) override;
  uint64_t Position() const override { return m_position; }

  // The decoder's callbacks reach the slot through these.
  struct Callbacks;
  friend struct Callbacks;

 private:
  FLAC__StreamDecoder* m_decoder = nullptr;
  platform::InputFile m_file;
  StreamFormat m_format;
  uint32_t m_streamBits = 0;  // bits per sample of the stream (the samples are stored in whole bytes)
  // Decoded samples not delivered yet: a block is decoded whole, the caller takes what fits.
  std::vector<uint8_t> m_residual;
  size_t m_residualAt = 0;
  uint64_t m_position = 0;  // the frame the next Read delivers
  bool m_haveInfo = false;
  bool m_open = false;
  bool m_ended = true;
  std::string m_lastError;
};

}  // namespace tarnq::player
