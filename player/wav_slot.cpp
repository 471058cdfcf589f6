// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/wav_slot.h"

#include <algorithm>
#include <cstring>

#include "platform/errors.h"

namespace tarnq::player {
namespace {

uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// Reads exactly `length` bytes at `offset`; false when the file ends first.
bool ReadExact(platform::InputFile& file, uint64_t offset, void* buffer, size_t length) {
  size_t done = 0;
  return file.ReadAt(offset, buffer, length, done) == 0 && done == length;
}

// Where the RIFF header starts: after an ID3v2 tag (10 bytes, its synchsafe size, a footer).
uint64_t SkipId3(platform::InputFile& file) {
  uint8_t h[10];
  if (!ReadExact(file, 0, h, sizeof h) || std::memcmp(h, "ID3", 3) != 0) return 0;
  if ((h[6] | h[7] | h[8] | h[9]) & 0x80) return 0;
  const uint64_t size = (uint64_t{h[6]} << 21) | (uint64_t{h[7]} << 14) | (uint64_t{h[8]} << 7) | h[9];
  return 10 + size + ((h[5] & 0x10) ? 10 : 0);
}

constexpr int kMaxChunks = 4096;  // a header that needs more chunks than this is not a WAV file
constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;
constexpr uint16_t kFormatExtensible = 0xFFFE;

uint32_t Refuse(std::string& error, const char* why) {
  error = why;
  return platform::err::kNotSupported;
}

}  // namespace

uint32_t ReadWavLayout(platform::InputFile& file, WavLayout& layout, std::string& error) {
  layout = WavLayout{};
  const uint64_t fileSize = file.Size();
  const uint64_t start = SkipId3(file);
  uint8_t riff[12];
  if (start > fileSize || !ReadExact(file, start, riff, sizeof riff) || std::memcmp(riff, "RIFF", 4) != 0 ||
      std::memcmp(riff + 8, "WAVE", 4) != 0) {
    return Refuse(error, "not a RIFF WAVE file");
  }
  bool haveFormat = false;
  uint64_t at = start + 12;
  for (int chunk = 0; chunk < kMaxChunks && at + 8 <= fileSize; ++chunk) {
    uint8_t head[8];
    if (!ReadExact(file, at, head, sizeof head)) break;
    const uint64_t size = Le32(head + 4);
    const uint64_t body = at + 8;
    if (std::memcmp(head, "fmt ", 4) == 0) {
      if (size < 16 || body + 16 > fileSize) return Refuse(error, "format chunk too short");
      uint8_t fmt[40] = {};
      const size_t want = static_cast<size_t>(std::min<uint64_t>({size, sizeof fmt, fileSize - body}));
      if (!ReadExact(file, body, fmt, want)) return Refuse(error, "format chunk too short");
      uint16_t tag = Le16(fmt);
      if (tag == kFormatExtensible) {
        if (want < 26) return Refuse(error, "extensible format chunk too short");
        tag = Le16(fmt + 24);  // the first two bytes of the sub-format GUID
      }
      StreamFormat& f = layout.format;
      f.channels = Le16(fmt + 2);
      f.sampleRate = Le32(fmt + 4);
      f.bitsPerSample = Le16(fmt + 14);
      // Samples are stored in whole bytes; a 20-bit stream sits in 24-bit containers.
      f.bitsPerSample = static_cast<uint16_t>((f.bitsPerSample + 7) / 8 * 8);
      if (tag == kFormatFloat) {
        f.sampleType = SampleType::kFloat;
      } else if (tag != kFormatPcm) {
        return Refuse(error, "not uncompressed PCM");
      }
      if (!IsPlayableFormat(f)) return Refuse(error, "unsupported sample rate, channel count or sample size");
      haveFormat = true;
    } else if (std::memcmp(head, "data", 4) == 0) {
      if (!haveFormat) return Refuse(error, "data chunk before the format chunk");
      const uint32_t frame = layout.format.BytesPerFrame();
      // A size beyond the end of the file (a recording cut short, or 0xFFFFFFFF from a stream
      // writer) is cut to what is there.
      const uint64_t available = std::min(size, fileSize - body);
      layout.dataOffset = body;
      layout.dataBytes = available / frame * frame;
      layout.format.lengthFrames = layout.dataBytes / frame;
      const uint64_t bytesPerSecond = uint64_t{layout.format.sampleRate} * frame;
      layout.format.lengthSeconds = static_cast<uint32_t>(layout.dataBytes / bytesPerSecond);
      layout.format.bitrate = static_cast<uint32_t>(bytesPerSecond * 8 / 1000);
      return 0;
    }
    at = body + size + (size & 1);
  }
  return Refuse(error, haveFormat ? "no data chunk" : "no format chunk");
}

uint64_t WavSeekOffset(uint64_t dataBytes, uint32_t frameBytes, uint64_t numerator, uint64_t denominator) {
  if (denominator == 0 || frameBytes == 0) return 0;
  if (numerator >= denominator) return dataBytes / frameBytes * frameBytes;
  // numerator × dataBytes can exceed 64 bits only for absurd numerators; split the division then.
  const unsigned __int128 product = static_cast<unsigned __int128>(numerator) * dataBytes;
  const uint64_t offset = static_cast<uint64_t>(product / denominator);
  return offset / frameBytes * frameBytes;
}

uint32_t WavSlot::FileLength(std::u16string_view path) {
  platform::InputFile file;
  if (file.Open(path) != 0) return 0;
  WavLayout layout;
  std::string error;
  if (ReadWavLayout(file, layout, error) != 0) return 0;
  // A stream shorter than a second still plays.
  return std::max<uint32_t>(layout.format.lengthSeconds, 1);
}

uint32_t WavSlot::Open(std::u16string_view path, OpenedStream& stream, std::string& error) {
  Close();
  if (const uint32_t code = m_file.Open(path); code != 0) {
    error = platform::ErrorMessage(code);
    return code;
  }
  if (const uint32_t code = ReadWavLayout(m_file, m_layout, error); code != 0) {
    m_file.Close();
    return code;
  }
  if (const uint32_t code = m_file.Seek(m_layout.dataOffset); code != 0) {
    error = platform::ErrorMessage(code);
    m_file.Close();
    return code;
  }
  m_read = 0;
  stream.format = m_layout.format;
  analysis::TagRecord& tag = stream.tag;
  tag.Clear();
  tag.formatName.Assign(u"WAV");
  tag.sampleRate = m_layout.format.sampleRate;
  tag.channels = m_layout.format.channels;
  tag.duration = m_layout.format.lengthSeconds;
  tag.bitrate = static_cast<int32_t>(m_layout.format.bitrate);
  return 0;
}

void WavSlot::Close() {
  m_file.Close();
  m_layout = WavLayout{};
  m_read = 0;
}

size_t WavSlot::Read(std::span<uint8_t> buffer, bool& more) {
  more = false;
  if (!m_file.IsOpen()) return 0;
  const uint32_t frame = m_layout.format.BytesPerFrame();
  const uint64_t left = m_layout.dataBytes - m_read;
  const size_t want = static_cast<size_t>(std::min<uint64_t>(buffer.size() / frame * frame, left));
  size_t done = 0;
  if (want > 0 && m_file.ReadAt(m_layout.dataOffset + m_read, buffer.data(), want, done) != 0) done = 0;
  done = done / frame * frame;
  m_read += done;
  // A file that shrank under us ends the data instead of looping on empty reads.
  more = done > 0 && m_read < m_layout.dataBytes;
  return done;
}

bool WavSlot::Seek(uint64_t numerator, uint64_t denominator) {
  if (!m_file.IsOpen() || denominator == 0) return false;
  m_read = WavSeekOffset(m_layout.dataBytes, m_layout.format.BytesPerFrame(), numerator, denominator);
  return true;
}

uint64_t WavSlot::Position() const {
  const uint32_t frame = m_layout.format.BytesPerFrame();
  return frame == 0 ? 0 : m_read / frame;
}

}  // namespace tarnq::player
