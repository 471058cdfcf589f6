// SPDX-License-Identifier: GPL-3.0-or-later
// The slots decoded through libavformat/libavcodec: WMA (ASF, not seekable) and MP4 audio (AAC
// and ALAC, seekable). The file is read through our own file access, never opened by the library.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "player/decoder_slot.h"

namespace tarnq::player {

class AvSlot final : public DecoderSlot {
 public:
  enum class Kind : uint8_t { kWma, kMp4 };

  explicit AvSlot(Kind kind);
  ~AvSlot() override;
  AvSlot(const AvSlot&) = delete;
  AvSlot& operator=(const AvSlot&) = delete;

  std::u16string_view Masks() const override;
  uint32_t FileLength(std::u16string_view path) override;
  uint32_t Open(std::u16string_view path, OpenedStream& stream, std::string& error) override;
  void Close() override;
  size_t Read(std::span<uint8_t> buffer, bool& more) override;
  bool CanSeek() const override { return m_kind == Kind::kMp4; }
  bool Seek(uint64_t numerator, uint64_t denominator) override;
  uint64_t Position() const override;

  // The open decoder, its file and the decoded samples not yet delivered (defined with the
  // library's types in av_slot.cpp).
  struct Decoder;

 private:
  Kind m_kind;
  std::unique_ptr<Decoder> m_decoder;
};

}  // namespace tarnq::player
