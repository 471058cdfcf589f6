// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/flac_slot.h"

#include <FLAC/stream_decoder.h>

#include <algorithm>

#include "platform/errors.h"

namespace tarnq::player {

struct FlacSlot::Callbacks {
  static FLAC__StreamDecoderReadStatus Read(const FLAC__StreamDecoder*, FLAC__byte buffer[], size_t* bytes,
                                            void* data) {
    auto* slot = static_cast<FlacSlot*>(data);
    size_t done = 0;
    if (*bytes == 0) return FLAC__STREAM_DECODER_READ_STATUS_ABORT;
    if (slot->m_file.Read(buffer, *bytes, done) != 0) {
      *bytes = 0;
      return FLAC__STREAM_DECODER_READ_STATUS_ABORT;
    }
    *bytes = done;
    return done == 0 ? FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM : FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
  }
  static FLAC__StreamDecoderSeekStatus Seek(const FLAC__StreamDecoder*, FLAC__uint64 offset, void* data) {
    auto* slot = static_cast<FlacSlot*>(data);
    return slot->m_file.Seek(offset) == 0 ? FLAC__STREAM_DECODER_SEEK_STATUS_OK
                                          : FLAC__STREAM_DECODER_SEEK_STATUS_ERROR;
  }
  static FLAC__StreamDecoderTellStatus Tell(const FLAC__StreamDecoder*, FLAC__uint64* offset, void* data) {
    *offset = static_cast<FlacSlot*>(data)->m_file.Position();
    return FLAC__STREAM_DECODER_TELL_STATUS_OK;
  }
  static FLAC__StreamDecoderLengthStatus Length(const FLAC__StreamDecoder*, FLAC__uint64* length, void* data) {
    *length = static_cast<FlacSlot*>(data)->m_file.Size();
    return FLAC__STREAM_DECODER_LENGTH_STATUS_OK;
  }
  static FLAC__bool Eof(const FLAC__StreamDecoder*, void* data) {
    const auto* slot = static_cast<FlacSlot*>(data);
    return slot->m_file.Position() >= slot->m_file.Size();
  }
  static FLAC__StreamDecoderWriteStatus Write(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                              const FLAC__int32* const channels[], void* data) {
    auto* slot = static_cast<FlacSlot*>(data);
    const StreamFormat& f = slot->m_format;
    // A frame that does not belong to the stream (damage that passed the checksum) is dropped
    // rather than played with the wrong layout.
    if (!slot->m_haveInfo || frame->header.channels != f.channels) return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
    const unsigned bytes = f.bitsPerSample / 8u;
    const int shift = static_cast<int>(f.bitsPerSample) - static_cast<int>(frame->header.bits_per_sample);
    const size_t count = frame->header.blocksize;
    std::vector<uint8_t>& out = slot->m_residual;
    // Whatever was delivered goes; the rest stays in front.
    out.erase(out.begin(), out.begin() + static_cast<ptrdiff_t>(slot->m_residualAt));
    slot->m_residualAt = 0;
    size_t at = out.size();
    out.resize(at + count * f.channels * bytes);
    uint8_t* p = out.data() + at;
    for (size_t i = 0; i < count; ++i) {
      for (unsigned c = 0; c < f.channels; ++c) {
        int64_t v = channels[c][i];
        v = shift >= 0 ? v * (int64_t{1} << shift) : v >> -shift;
        const auto u = static_cast<uint32_t>(static_cast<int32_t>(v));
        switch (bytes) {
          case 1: *p++ = static_cast<uint8_t>(u + 128); break;  // 8-bit samples are unsigned
          case 2: *p++ = static_cast<uint8_t>(u); *p++ = static_cast<uint8_t>(u >> 8); break;
          case 3: *p++ = static_cast<uint8_t>(u); *p++ = static_cast<uint8_t>(u >> 8); *p++ = static_cast<uint8_t>(u >> 16); break;
          default:
            *p++ = static_cast<uint8_t>(u); *p++ = static_cast<uint8_t>(u >> 8);
            *p++ = static_cast<uint8_t>(u >> 16); *p++ = static_cast<uint8_t>(u >> 24);
        }
      }
    }
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
  }
  static void Metadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* metadata, void* data) {
    auto* slot = static_cast<FlacSlot*>(data);
    if (metadata->type != FLAC__METADATA_TYPE_STREAMINFO || slot->m_haveInfo) return;
    const auto& info = metadata->data.stream_info;
    StreamFormat& f = slot->m_format;
    f.sampleRate = info.sample_rate;
    f.channels = static_cast<uint16_t>(info.channels);
    f.bitsPerSample = static_cast<uint16_t>((info.bits_per_sample + 7) / 8 * 8);
    f.lengthFrames = info.total_samples;
    slot->m_streamBits = info.bits_per_sample;
    slot->m_haveInfo = true;
    // Room for one block of the largest size, so that decoding a block does not grow it.
    slot->m_residual.reserve(size_t{std::max(info.max_blocksize, 4608u)} * f.BytesPerFrame());
  }
  static void Error(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus status, void* data) {
    static_cast<FlacSlot*>(data)->m_lastError = FLAC__StreamDecoderErrorStatusString[status];
  }
};

FlacSlot::FlacSlot() : m_decoder(FLAC__stream_decoder_new()) {}

FlacSlot::~FlacSlot() {
  Close();
  if (m_decoder != nullptr) FLAC__stream_decoder_delete(m_decoder);
}

uint32_t FlacSlot::FileLength(std::u16string_view path) { return AnalysedLength(path); }

uint32_t FlacSlot::Open(std::u16string_view path, OpenedStream& stream, std::string& error) {
  Close();
  if (m_decoder == nullptr) {
    error = "the FLAC decoder could not be created";
    return platform::err::kNotEnoughMemory;
  }
  if (const uint32_t code = m_file.Open(path); code != 0) {
    error = platform::ErrorMessage(code);
    return code;
  }
  m_format = StreamFormat{};
  m_haveInfo = false;
  m_lastError.clear();
  m_residual.clear();
  m_residualAt = 0;
  FLAC__stream_decoder_set_md5_checking(m_decoder, false);
  const FLAC__StreamDecoderInitStatus init = FLAC__stream_decoder_init_stream(
      m_decoder, Callbacks::Read, Callbacks::Seek, Callbacks::Tell, Callbacks::Length, Callbacks::Eof,
      Callbacks::Write, Callbacks::Metadata, Callbacks::Error, this);
  if (init != FLAC__STREAM_DECODER_INIT_STATUS_OK) {
    error = std::string("the FLAC decoder cannot start: ") + FLAC__StreamDecoderInitStatusString[init];
    m_file.Close();
    return platform::err::kGenFailure;
  }
  m_open = true;
  if (!FLAC__stream_decoder_process_until_end_of_metadata(m_decoder) || !m_haveInfo) {
    const FLAC__StreamDecoderState state = FLAC__stream_decoder_get_state(m_decoder);
    error = !m_lastError.empty() ? "not a FLAC file (" + m_lastError + ")"
            : state == FLAC__STREAM_DECODER_SEARCH_FOR_FRAME_SYNC || state == FLAC__STREAM_DECODER_END_OF_STREAM
                ? std::string("not a FLAC file")
                : std::string("not a FLAC file: ") + FLAC__StreamDecoderStateString[state];
    Close();
    return platform::err::kNotSupported;
  }
  if (!IsPlayableFormat(m_format)) {
    error = "unsupported sample rate, channel count or sample size";
    Close();
    return platform::err::kNotSupported;
  }
  m_format.lengthSeconds =
      static_cast<uint32_t>((m_format.lengthFrames * 1000 / m_format.sampleRate + 500) / 1000);
  const uint64_t size = m_file.Size();
  m_format.bitrate = m_format.lengthFrames == 0
                         ? 0
                         : static_cast<uint32_t>(static_cast<double>(size) * 8 * m_format.sampleRate /
                                                 static_cast<double>(m_format.lengthFrames) / 1000);
  ReadStreamTag(path, m_format, u"FLAC", stream.tag);
  stream.format = m_format;
  m_position = 0;
  m_ended = false;
  return 0;
}

void FlacSlot::Close() {
  if (m_open) FLAC__stream_decoder_finish(m_decoder);
  m_open = false;
  m_ended = true;
  m_file.Close();
  m_residual.clear();
  m_residualAt = 0;
  m_position = 0;
}

size_t FlacSlot::Read(std::span<uint8_t> buffer, bool& more) {
  more = false;
  if (!m_open) return 0;
  const size_t frameBytes = m_format.BytesPerFrame();
  const size_t want = buffer.size() / frameBytes * frameBytes;
  size_t total = 0;
  // A call that decodes nothing (metadata, a damaged frame) still moves through the file, so
  // this ends; the bound keeps one Read short on a long damaged stretch.
  for (int idle = 0; total < want && idle < 256;) {
    const size_t available = m_residual.size() - m_residualAt;
    if (available > 0) {
      const size_t take = std::min(available, want - total) / frameBytes * frameBytes;
      std::copy_n(m_residual.data() + m_residualAt, take, buffer.data() + total);
      m_residualAt += take;
      total += take;
      idle = 0;
      continue;
    }
    m_residual.clear();
    m_residualAt = 0;
    if (m_ended) break;
    const bool ok = FLAC__stream_decoder_process_single(m_decoder);
    const FLAC__StreamDecoderState state = FLAC__stream_decoder_get_state(m_decoder);
    if (!ok || state == FLAC__STREAM_DECODER_END_OF_STREAM || state >= FLAC__STREAM_DECODER_OGG_ERROR) {
      m_ended = true;
    }
    if (m_residual.empty()) ++idle;
  }
  m_position += total / frameBytes;
  more = !m_ended || m_residualAt < m_residual.size();
  return total;
}

bool FlacSlot::Seek(uint64_t numerator, uint64_t denominator) {
  if (!m_open || denominator == 0 || m_format.lengthFrames == 0) return false;
  const uint64_t total = m_format.lengthFrames;
  const uint64_t target = numerator >= denominator
                              ? total
                              : static_cast<uint64_t>(static_cast<unsigned __int128>(numerator) * total / denominator);
  m_residual.clear();
  m_residualAt = 0;
  if (target >= total) {
    m_position = total;
    m_ended = true;
    return true;
  }
  if (!FLAC__stream_decoder_seek_absolute(m_decoder, target)) {
    // The decoder must be flushed after a failed seek before it decodes again.
    if (FLAC__stream_decoder_get_state(m_decoder) == FLAC__STREAM_DECODER_SEEK_ERROR) {
      FLAC__stream_decoder_flush(m_decoder);
    }
    m_residual.clear();
    m_residualAt = 0;
    return false;
  }
  m_position = target;
  m_ended = false;
  return true;
}

}  // namespace tarnq::player
