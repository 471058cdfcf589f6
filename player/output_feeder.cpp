// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/output_feeder.h"

#include <span>

namespace tarnq::player {

void OutputFeeder::Start(const StreamFormat& format) {
  m_converter.Configure(format);
  m_input.resize(m_converter.InputBytesFor(kOutputBufferBytes));
  m_output.resize(kOutputBufferBytes);
}

bool OutputFeeder::Pump(DecoderSlot& decoder, WaveOutput& output, int volume) {
  if (m_input.empty()) return false;
  while (output.FreeBuffers() > 0) {
    size_t filled = 0;
    bool more = true;
    // A decoder may deliver less than asked (one block at a time); fill the buffer, but give up
    // on one that keeps delivering nothing while claiming more.
    for (int idle = 0; more && filled < m_input.size() && idle < 8;) {
      const size_t got = decoder.Read(std::span(m_input).subspan(filled), more);
      filled += got;
      idle = got == 0 ? idle + 1 : 0;
    }
    const size_t bytes = m_converter.Convert(std::span(m_input).first(filled), m_output, volume);
    if (bytes > 0 && !output.Write(std::span(m_output).first(bytes))) return true;
    if (!more || filled == 0) return false;
  }
  return true;
}

}  // namespace tarnq::player
