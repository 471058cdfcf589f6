// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/wav_file_output.h"

#include <algorithm>

#include "platform/errors.h"

namespace tarnq::player {
namespace {

void PutLe(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// The RIFF sizes are 32-bit: the samples stop where they would no longer fit.
uint64_t DataLimit(uint32_t frameBytes) { return (0xFFFFFFFFull - 36) / frameBytes * frameBytes; }

}  // namespace

std::string WavHeader(const OutputFormat& format, uint32_t dataBytes) {
  const uint32_t channels = format.channels == 0 ? 1 : format.channels;
  const uint32_t frameBytes = 2 * channels;
  std::string bytes;
  bytes.reserve(44);
  bytes += "RIFF";
  PutLe(bytes, 36 + dataBytes, 4);
  bytes += "WAVEfmt ";
  PutLe(bytes, 16, 4);
  PutLe(bytes, 1, 2);
  PutLe(bytes, channels, 2);
  PutLe(bytes, format.sampleRate, 4);
  PutLe(bytes, format.sampleRate * frameBytes, 4);
  PutLe(bytes, frameBytes, 2);
  PutLe(bytes, 16, 2);
  bytes += "data";
  PutLe(bytes, dataBytes, 4);
  return bytes;
}

WavFileOutput::WavFileOutput(std::u16string path, uint64_t frameLimit)
    : m_path(std::move(path)), m_frameLimit(frameLimit) {}

bool WavFileOutput::Open(const OutputFormat& format, std::function<void()>) {
  if (m_open || m_error != 0) return false;  // one stream per file
  if ((format.channels != 1 && format.channels != 2) || (format.bitsPerSample != 8 && format.bitsPerSample != 16) ||
      format.sampleRate == 0) {
    m_error = platform::err::kNotSupported;
    return false;
  }
  m_format = format;
  m_frameLimit = std::min<uint64_t>(m_frameLimit, DataLimit(2u * format.channels) / (2u * format.channels));
  if ((m_error = m_file.Open(m_path)) != 0 || (m_error = m_file.Write(WavHeader(format, 0))) != 0) {
    m_file.Abandon();
    return false;
  }
  m_scratch.reserve(2 * kOutputBufferBytes);
  m_open = true;
  return true;
}

void WavFileOutput::Close() {}

bool WavFileOutput::Write(std::span<const uint8_t> pcm) {
  if (!m_open || m_error != 0 || pcm.size() > kOutputBufferBytes) return false;
  const size_t align = m_format.BlockAlign();
  const uint64_t frames = std::min<uint64_t>(pcm.size() / align, m_frameLimit - std::min(m_frames, m_frameLimit));
  const size_t bytes = static_cast<size_t>(frames * align);
  if (m_format.bitsPerSample == 8) {
    m_scratch.clear();
    for (size_t i = 0; i < bytes; ++i) {
      const int32_t sample = (int32_t{pcm[i]} - 128) * 256;
      PutLe(m_scratch, static_cast<uint32_t>(sample) & 0xFFFF, 2);
    }
    m_error = m_file.Write(m_scratch);
  } else {
    m_error = m_file.Write(std::string_view(reinterpret_cast<const char*>(pcm.data()), bytes));
  }
  if (m_error != 0) {
    m_file.Abandon();
    return false;
  }
  // What is beyond the limit counts as played, so the renderer sees the end.
  m_frames += pcm.size() / align;
  m_dataBytes += bytes * (m_format.bitsPerSample == 8 ? 2 : 1);
  return true;
}

uint32_t WavFileOutput::Finish() {
  if (m_error == 0 && !m_open) m_error = platform::err::kInvalidFunction;
  if (m_error == 0) {
    const std::string header = WavHeader(m_format, static_cast<uint32_t>(m_dataBytes));
    m_error = m_file.WriteAt(0, header);
  }
  if (m_error == 0) m_error = m_file.Commit();
  if (m_error != 0) m_file.Abandon();
  m_open = false;
  return m_error;
}

}  // namespace tarnq::player
