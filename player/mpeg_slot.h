// SPDX-License-Identifier: GPL-3.0-or-later
// The MPEG audio slot (Layers I-III): libmpg123 decodes, fed by us; our own frame analysis finds
// the stream, counts its frames and picks the byte offset of a seek.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "analysis/mpeg_reader.h"
#include "platform/files.h"
#include "player/decoder_slot.h"

struct mpg123_handle_struct;

namespace tarnq::player {

// Where the frames of an MPEG audio file are, from the analysis.
struct MpegLayout {
  uint64_t firstFrame = 0;  // file offset of the first frame (the encoder header's, if any)
  uint64_t audioStart = 0;  // file offset of the first frame of audio (behind the encoder header)
  uint64_t streamEnd = 0;   // end of the frames (before an ID3v1 tag)
  uint32_t frames = 0;      // frames of audio
  bool exactFrames = false; // the count comes from an encoder header, not from an estimate
  analysis::MpegFrameHeader header;  // of the first frame
  analysis::XingInfo xing;
};

// The byte offset (from the first frame) and the first sample of a seek to numerator / denominator
// of a stream of `frames` frames, `streamBytes` long. With a seek table the percentage picks its
// entry (interpolated to the next one) and 100 % or more is no seek (false); without one the
// frame index times the mean frame size gives the offset.
struct MpegSeekPoint {
  uint64_t byteOffset = 0;
  uint64_t sample = 0;
};
bool MpegSeekTarget(const MpegLayout& layout, uint64_t streamBytes, uint64_t numerator, uint64_t denominator,
                    MpegSeekPoint& point);

class MpegSlot final : public DecoderSlot {
 public:
  MpegSlot();
  ~MpegSlot() override;
  MpegSlot(const MpegSlot&) = delete;
  MpegSlot& operator=(const MpegSlot&) = delete;

  std::u16string_view Masks() const override { return u"*.MP3;*.MP1;*.MP2;*.MPP"; }
  uint32_t FileLength(std::u16string_view path) override;
  uint32_t Open(std::u16string_view path, OpenedStream& stream, std::string& error) override;
  void Close() override;
  size_t Read(std::span<uint8_t> buffer, bool& more) override;
  bool CanSeek() const override { return true; }
  bool Seek(uint64_t numerator, uint64_t denominator) override;
  uint64_t Position() const override { return m_position; }

  // How many consecutive decoder errors end the data.
  static constexpr int kMaxErrors = 32;
  // Samples of delay that Layer III decoders add before the encoder's own delay.
  static constexpr uint64_t kDecoderDelay = 529;

 private:
  // Restarts the decoder to be fed from `offset`; `discard` samples of its output are dropped.
  bool Restart(uint64_t offset, uint64_t discard);
  // The file offset of audio frame `frame` (0 is the first behind an encoder header), found by
  // walking the frame headers; UINT64_MAX when the stream ends or breaks first.
  uint64_t FrameOffset(uint64_t frame);
  // Hands the decoder the next piece of the file; false at the end of the frames or on an error.
  bool Feed();

  mpg123_handle_struct* m_decoder = nullptr;
  platform::InputFile m_file;
  MpegLayout m_layout;
  StreamFormat m_format;
  static constexpr uint64_t kIndexStep = 64;
  std::vector<uint64_t> m_index;  // offset of every kIndexStep-th audio frame, as far as walked
  std::vector<uint8_t> m_chunk;  // one read of the file, handed to the decoder
  uint64_t m_feedAt = 0;         // the next file offset to feed
  uint64_t m_position = 0;       // the sample the next Read delivers
  uint64_t m_discard = 0;        // samples to drop before delivering (after a seek)
  uint64_t m_skip = 0;           // samples the decoder drops at the start of the stream (gapless)
  int m_errors = 0;
  bool m_ended = true;
};

// Finds the frames of an open MPEG file. 0 or an error (with `error` saying why).
uint32_t ReadMpegLayout(platform::InputFile& file, std::u16string_view path, MpegLayout& layout,
                        analysis::TagRecord& tag, std::string& error);

}  // namespace tarnq::player
