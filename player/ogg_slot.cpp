// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/ogg_slot.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "analysis/id3_reader.h"
#include "platform/errors.h"

namespace tarnq::player {

struct OggSlot::Decoder {
  OggVorbis_File file;
};

namespace {

size_t ReadSource(void* buffer, size_t size, size_t count, void* source) {
  auto* s = static_cast<OggSlot::Source*>(source);
  if (size == 0 || count == 0) return 0;
  size_t done = 0;
  if (s->file.ReadAt(s->base + s->at, buffer, size * count, done) != 0) {
    errno = EIO;  // vorbisfile tells a read error from the end by errno
    return 0;
  }
  s->at += done;
  return done / size;
}

int SeekSource(void* source, ogg_int64_t offset, int whence) {
  auto* s = static_cast<OggSlot::Source*>(source);
  const int64_t length = static_cast<int64_t>(s->file.Size() - s->base);
  int64_t target = offset;
  if (whence == SEEK_CUR) target += static_cast<int64_t>(s->at);
  else if (whence == SEEK_END) target += length;
  else if (whence != SEEK_SET) return -1;
  if (target < 0) return -1;
  s->at = static_cast<uint64_t>(target);
  return 0;
}

long TellSource(void* source) { return static_cast<long>(static_cast<OggSlot::Source*>(source)->at); }

constexpr ov_callbacks kCallbacks = {ReadSource, SeekSource, nullptr, TellSource};

const char* VorbisError(int code) {
  switch (code) {
    case OV_EREAD: return "the file could not be read";
    case OV_ENOTVORBIS: return "not an Ogg Vorbis file";
    case OV_EVERSION: return "the Vorbis version is not supported";
    case OV_EBADHEADER: return "the Vorbis headers are damaged";
    default: return "the Ogg Vorbis stream cannot be decoded";
  }
}

// Where each WAV channel comes from in a Vorbis frame of 3 to 8 channels.
constexpr uint8_t kVorbisToWav[9][8] = {
    {}, {}, {},
    {0, 2, 1},                    // L C R
    {0, 1, 2, 3},                 // FL FR RL RR
    {0, 2, 1, 3, 4},              // FL C FR RL RR
    {0, 2, 1, 5, 3, 4},           // FL C FR RL RR LFE
    {0, 2, 1, 6, 5, 3, 4},        // FL C FR SL SR RC LFE
    {0, 2, 1, 7, 5, 6, 3, 4},     // FL C FR SL SR RL RR LFE
};

// The logical streams that begin the file (their first pages come before any other page); other
// streams multiplexed beside the Vorbis one are not decoded.
long CountLeadingStreams(OggSlot::Source& source) {
  constexpr size_t kLook = 65536;
  ogg_sync_state sync;
  ogg_sync_init(&sync);
  long streams = 0;
  char* buffer = ogg_sync_buffer(&sync, kLook);
  size_t done = 0;
  if (buffer != nullptr && source.file.ReadAt(source.base, buffer, kLook, done) == 0 && done > 0) {
    ogg_sync_wrote(&sync, static_cast<long>(done));
    ogg_page page;
    for (int result; (result = ogg_sync_pageout(&sync, &page)) != 0;) {
      if (result < 0) continue;  // bytes before a page
      if (!ogg_page_bos(&page)) break;
      ++streams;
    }
  }
  ogg_sync_clear(&sync);
  return streams;
}

}  // namespace

void ReorderVorbisChannels(uint8_t* frame, uint16_t channels) {
  if (channels < 3 || channels > 8) return;
  uint8_t copy[16];
  std::memcpy(copy, frame, channels * 2u);
  for (uint16_t c = 0; c < channels; ++c) std::memcpy(frame + 2 * c, copy + 2 * kVorbisToWav[channels][c], 2);
}

OggSlot::OggSlot() : m_decoder(new (std::nothrow) Decoder) {}

OggSlot::~OggSlot() { Close(); }

uint32_t OggSlot::FileLength(std::u16string_view path) { return AnalysedLength(path); }

uint32_t OggSlot::Open(std::u16string_view path, OpenedStream& stream, std::string& error) {
  Close();
  if (m_decoder == nullptr) {
    error = "not enough memory for the Vorbis decoder";
    return platform::err::kNotEnoughMemory;
  }
  if (const uint32_t code = m_source.file.Open(path); code != 0) {
    error = platform::ErrorMessage(code);
    return code;
  }
  m_source.base = 0;
  m_source.at = 0;
  uint8_t head[10];
  size_t done = 0;
  if (m_source.file.ReadAt(0, head, sizeof head, done) == 0 && done == sizeof head) {
    if (auto tag = analysis::ParseId3v2Header(std::span<const uint8_t>(head, sizeof head))) {
      m_source.base = std::min(tag->End(), m_source.file.Size());
    }
  }
  OggVorbis_File& vf = m_decoder->file;
  if (const int code = ov_open_callbacks(&m_source, &vf, nullptr, 0, kCallbacks); code != 0) {
    error = VorbisError(code);
    m_source.file.Close();
    return platform::err::kNotSupported;
  }
  m_open = true;
  const long streams = std::max(ov_streams(&vf), CountLeadingStreams(m_source));
  const vorbis_info* info = ov_info(&vf, -1);
  if (streams != 1) {
    error = "the Vorbis stream has " + std::to_string(streams) + " logical streams";
    Close();
    return platform::err::kNotSupported;
  }
  if (info == nullptr) {
    error = VorbisError(OV_EBADHEADER);
    Close();
    return platform::err::kNotSupported;
  }
  m_format = StreamFormat{};
  m_format.sampleRate = static_cast<uint32_t>(std::max(info->rate, 0L));
  m_format.channels = static_cast<uint16_t>(std::clamp(info->channels, 0, 65535));
  m_format.bitsPerSample = 16;
  if (!IsPlayableFormat(m_format)) {
    error = "unsupported sample rate or channel count";
    Close();
    return platform::err::kNotSupported;
  }
  const ogg_int64_t total = ov_pcm_total(&vf, -1);
  m_format.lengthFrames = total > 0 ? static_cast<uint64_t>(total) : 0;
  m_format.lengthSeconds = static_cast<uint32_t>(m_format.lengthFrames / m_format.sampleRate);
  const long bitrate = ov_bitrate(&vf, -1);
  m_format.bitrate = bitrate > 0 ? static_cast<uint32_t>(bitrate / 1000) : 0;

  ReadStreamTag(path, m_format, u"Ogg Vorbis", stream.tag);
  stream.format = m_format;
  m_ended = false;
  return 0;
}

void OggSlot::Close() {
  if (m_open) ov_clear(&m_decoder->file);
  m_open = false;
  m_ended = true;
  m_source.file.Close();
}

size_t OggSlot::Read(std::span<uint8_t> buffer, bool& more) {
  more = false;
  if (!m_open || m_ended) return 0;
  const size_t frameBytes = m_format.BytesPerFrame();
  const size_t want = buffer.size() / frameBytes * frameBytes;
  size_t total = 0;
  int holes = 0;
  while (total < want) {
    int section = 0;
    const long got = ov_read(&m_decoder->file, reinterpret_cast<char*>(buffer.data() + total),
                             static_cast<int>(std::min<size_t>(want - total, 1 << 20)), 0, 2, 1, &section);
    if (got > 0) {
      const size_t bytes = static_cast<size_t>(got) / frameBytes * frameBytes;
      if (m_format.channels > 2) {
        for (size_t at = 0; at < bytes; at += frameBytes) ReorderVorbisChannels(buffer.data() + total + at, m_format.channels);
      }
      total += bytes;
      holes = 0;
    } else if (got == OV_HOLE && ++holes < 32) {
      continue;  // a gap in the pages: the decoder goes on behind it
    } else {
      m_ended = true;  // the end, or damage the decoder cannot get past
      break;
    }
  }
  more = !m_ended;
  return total;
}

bool OggSlot::Seek(uint64_t numerator, uint64_t denominator) {
  if (!m_open || denominator == 0 || m_format.lengthFrames == 0) return false;
  const uint64_t total = m_format.lengthFrames;
  const uint64_t target = numerator >= denominator
                              ? total
                              : static_cast<uint64_t>(static_cast<unsigned __int128>(numerator) * total / denominator);
  if (ov_pcm_seek(&m_decoder->file, static_cast<ogg_int64_t>(target)) != 0) return false;
  m_ended = target >= total;
  return true;
}

uint64_t OggSlot::Position() const {
  if (!m_open) return 0;
  const ogg_int64_t at = ov_pcm_tell(&m_decoder->file);
  return at > 0 ? static_cast<uint64_t>(at) : 0;
}

}  // namespace tarnq::player
