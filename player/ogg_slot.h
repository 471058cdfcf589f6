// SPDX-License-Identifier: GPL-3.0-or-later
// The Ogg Vorbis slot: vorbisfile decodes, reading the file through our own file reader.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/files.h"
#include "player/decoder_slot.h"

namespace tarnq::player {

class OggSlot final : public DecoderSlot {
 public:
  OggSlot();
  ~OggSlot() override;
  OggSlot(const OggSlot&) = delete;
  OggSlot& operator=(const OggSlot&) = delete;

  std::u16string_view Masks() const override { return u"*.OGG;*.OGM"; }
  uint32_t FileLength(std::u16string_view path) override;
  uint32_t Open(std::u16string_view path, OpenedStream& stream, std::string& error) override;
  void Close() override;
  size_t Read(std::span<uint8_t> buffer, bool& more) override;
  bool CanSeek() const override { return true; }
  bool Seek(uint64_t numerator, uint64_t denominator) override;
  uint64_t Position() const override;

  // The file as vorbisfile sees it: from behind an ID3v2 tag on.
  struct Source {
    platform::InputFile file;
    uint64_t base = 0;
    uint64_t at = 0;  // relative to base
  };

 private:
  struct Decoder;
  std::unique_ptr<Decoder> m_decoder;  // vorbisfile's state, kept between files
  Source m_source;
  StreamFormat m_format;
  bool m_open = false;
  bool m_ended = true;
};

// Puts the channels of one Vorbis frame into the order of WAV files (left, right, centre, LFE,
// rear, side), so that the first two are always left and right. `frame` holds `channels` 16-bit
// samples.
void ReorderVorbisChannels(uint8_t* frame, uint16_t channels);

}  // namespace tarnq::player
