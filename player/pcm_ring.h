// SPDX-License-Identifier: GPL-3.0-or-later
// The device output's 16 buffers between the player thread, which fills them, and the sound
// device's thread, which plays them in the order written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>

#include "player/wave_output.h"

namespace tarnq::player {

// Both sides hold the lock only to copy at most one buffer's bytes, so neither waits long.
class PcmRing {
 public:
  // Empties the ring for a stream of frames of `blockAlign` bytes. The buffers are allocated by
  // the first Start only. `bufferDone` is called on the reading thread after each Read that
  // finished a buffer.
  void Start(size_t blockAlign, std::function<void()> bufferDone);
  size_t FreeBuffers() const;
  // Queues whole frames of at most kOutputBufferBytes; false when all buffers are queued.
  bool Write(std::span<const uint8_t> pcm);
  // While paused, Read delivers nothing and the buffers stay queued.
  void Pause(bool pause);
  // Drops every queued buffer at once.
  void Reset();
  bool IsEmpty() const;
  // The device's side: copies whole frames from the queued buffers into `out`, in order;
  // returns the bytes copied (0 while paused or when nothing is queued).
  size_t Read(std::span<uint8_t> out);

 private:
  mutable std::mutex m_mutex;
  std::unique_ptr<uint8_t[]> m_block;  // kOutputBufferCount buffers of kOutputBufferBytes
  size_t m_length[kOutputBufferCount] = {};
  size_t m_head = 0;    // the buffer being played
  size_t m_count = 0;   // queued buffers from m_head on
  size_t m_offset = 0;  // bytes of the head buffer played
  size_t m_blockAlign = 1;
  bool m_paused = false;
  std::function<void()> m_bufferDone;
};

}  // namespace tarnq::player
