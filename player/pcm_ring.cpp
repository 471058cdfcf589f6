// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/pcm_ring.h"

#include <algorithm>
#include <cstring>

namespace tarnq::player {

void PcmRing::Start(size_t blockAlign, std::function<void()> bufferDone) {
  std::lock_guard lock(m_mutex);
  if (m_block == nullptr) m_block = std::make_unique<uint8_t[]>(kOutputBufferCount * kOutputBufferBytes);
  m_head = m_count = m_offset = 0;
  m_blockAlign = blockAlign == 0 ? 1 : blockAlign;
  m_paused = false;
  m_bufferDone = std::move(bufferDone);
}

size_t PcmRing::FreeBuffers() const {
  std::lock_guard lock(m_mutex);
  return kOutputBufferCount - m_count;
}

bool PcmRing::Write(std::span<const uint8_t> pcm) {
  std::lock_guard lock(m_mutex);
  if (m_block == nullptr || m_count >= kOutputBufferCount || pcm.size() > kOutputBufferBytes) return false;
  const size_t bytes = pcm.size() - pcm.size() % m_blockAlign;
  if (bytes == 0) return true;
  const size_t index = (m_head + m_count) % kOutputBufferCount;
  std::memcpy(m_block.get() + index * kOutputBufferBytes, pcm.data(), bytes);
  m_length[index] = bytes;
  ++m_count;
  return true;
}

void PcmRing::Pause(bool pause) {
  std::lock_guard lock(m_mutex);
  m_paused = pause;
}

void PcmRing::Reset() {
  std::lock_guard lock(m_mutex);
  m_head = (m_head + m_count) % kOutputBufferCount;
  m_count = 0;
  m_offset = 0;
}

bool PcmRing::IsEmpty() const {
  std::lock_guard lock(m_mutex);
  return m_count == 0;
}

size_t PcmRing::Read(std::span<uint8_t> out) {
  size_t copied = 0;
  bool finished = false;
  {
    std::lock_guard lock(m_mutex);
    if (m_paused) return 0;
    const size_t want = out.size() - out.size() % m_blockAlign;
    while (copied < want && m_count > 0) {
      const size_t take = std::min(want - copied, m_length[m_head] - m_offset);
      std::memcpy(out.data() + copied, m_block.get() + m_head * kOutputBufferBytes + m_offset, take);
      copied += take;
      m_offset += take;
      if (m_offset >= m_length[m_head]) {
        m_head = (m_head + 1) % kOutputBufferCount;
        --m_count;
        m_offset = 0;
        finished = true;
      }
    }
  }
  if (finished && m_bufferDone) m_bufferDone();
  return copied;
}

}  // namespace tarnq::player
