// SPDX-License-Identifier: GPL-3.0-or-later
// Moves PCM from a decoder slot to the output: converted to what the output takes, at the
// player's volume, one output buffer at a time. The player thread and the renderer share it.
#pragma once

#include <cstdint>
#include <vector>

#include "player/decoder_slot.h"
#include "player/wave_output.h"

namespace tarnq::player {

class OutputFeeder {
 public:
  // Prepares for a stream (sizes the buffers once; pumping allocates nothing).
  void Start(const StreamFormat& format);
  const OutputFormat& Format() const { return m_converter.Output(); }
  // Fills every free buffer of `output` from `decoder`. Returns false once the decoder delivered
  // its last data (the caller then closes it); true while more follows.
  bool Pump(DecoderSlot& decoder, WaveOutput& output, int volume);

 private:
  PcmConverter m_converter;
  std::vector<uint8_t> m_input;
  std::vector<uint8_t> m_output;
};

}  // namespace tarnq::player
