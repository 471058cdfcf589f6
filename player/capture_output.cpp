// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/capture_output.h"

#include <algorithm>
#include <condition_variable>

namespace tarnq::player {

bool CaptureOutput::Open(const OutputFormat& format, std::function<void()> bufferDone) {
  std::lock_guard lock(m_mutex);
  m_queue.clear();
  m_position = 0;
  m_paused = false;
  m_format = format;
  const bool valid = (format.channels == 1 || format.channels == 2) &&
                     (format.bitsPerSample == 8 || format.bitsPerSample == 16) && format.sampleRate > 0;
  m_open = valid && !m_noDevice;
  m_refused = m_noDevice;
  m_gone = false;
  m_bufferDone = m_open ? std::move(bufferDone) : nullptr;
  m_paceStart = std::chrono::steady_clock::now();
  m_pacedFrames = 0;
  if (m_open) ++m_openCount;
  return m_open;
}

void CaptureOutput::Close() {
  std::lock_guard lock(m_mutex);
  m_open = false;
  m_queue.clear();
  m_bufferDone = nullptr;
}

bool CaptureOutput::IsOpen() const {
  std::lock_guard lock(m_mutex);
  return m_open && !m_gone;
}

void CaptureOutput::CatchUpLocked() const {
  if (m_clock != Clock::kRealTime || !m_open || m_gone || m_paused || m_format.sampleRate == 0) return;
  const auto elapsed = std::chrono::steady_clock::now() - m_paceStart;
  const uint64_t due = static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count()) * m_format.sampleRate / 1000000;
  uint64_t frames = due > m_pacedFrames ? due - m_pacedFrames : 0;
  m_pacedFrames = due;
  const size_t align = m_format.BlockAlign();
  while (frames > 0 && !m_queue.empty()) {
    Queued& head = m_queue.front();
    const uint64_t left = (head.bytes - head.played) / align;
    const uint64_t take = std::min(left, frames);
    head.played += take * align;
    m_position += take;
    frames -= take;
    if (head.played >= head.bytes) m_queue.pop_front();
  }
}

size_t CaptureOutput::FreeBuffers() const {
  std::lock_guard lock(m_mutex);
  if (!m_open || m_gone) return 0;
  CatchUpLocked();
  return kOutputBufferCount - m_queue.size();
}

bool CaptureOutput::Write(std::span<const uint8_t> pcm) {
  {
    std::lock_guard lock(m_mutex);
    CatchUpLocked();
    if (!m_open || m_gone || m_queue.size() >= kOutputBufferCount || pcm.size() > kOutputBufferBytes) return false;
    const size_t align = m_format.BlockAlign();
    const size_t bytes = pcm.size() / align * align;
    if (bytes == 0) return true;
    m_captured.insert(m_captured.end(), pcm.begin(), pcm.begin() + static_cast<ptrdiff_t>(bytes));
    if (m_clock == Clock::kInstant) {
      m_position += bytes / align;
    } else {
      if (m_queue.empty()) {
        // The real-time clock counts from the moment the device had something to play.
        m_paceStart = std::chrono::steady_clock::now();
        m_pacedFrames = 0;
      }
      m_queue.push_back({bytes, 0});
    }
  }
  m_changed.notify_all();
  return true;
}

void CaptureOutput::Pause(bool pause) {
  std::lock_guard lock(m_mutex);
  if (!m_open || pause == m_paused) return;
  CatchUpLocked();
  m_paused = pause;
  if (!pause) {
    m_paceStart = std::chrono::steady_clock::now();
    m_pacedFrames = 0;
  }
}

void CaptureOutput::Reset() {
  std::lock_guard lock(m_mutex);
  CatchUpLocked();
  m_queue.clear();
}

bool CaptureOutput::IsDrained() const {
  std::lock_guard lock(m_mutex);
  CatchUpLocked();
  return !m_open || m_gone || m_queue.empty();
}

uint64_t CaptureOutput::Position() const {
  std::lock_guard lock(m_mutex);
  CatchUpLocked();
  return m_position;
}

void CaptureOutput::Advance(uint64_t frames) {
  std::function<void()> done;
  bool finished = false;
  {
    std::lock_guard lock(m_mutex);
    if (!m_open || m_gone || m_paused || m_clock != Clock::kManual) return;
    const size_t align = m_format.BlockAlign();
    while (frames > 0 && !m_queue.empty()) {
      Queued& head = m_queue.front();
      const uint64_t take = std::min<uint64_t>((head.bytes - head.played) / align, frames);
      head.played += take * align;
      m_position += take;
      frames -= take;
      if (head.played >= head.bytes) {
        m_queue.pop_front();
        finished = true;
      }
    }
    done = m_bufferDone;
  }
  if (finished && done) done();
}

void CaptureOutput::Disconnect() {
  std::function<void()> done;
  {
    std::lock_guard lock(m_mutex);
    if (!m_open) return;
    m_gone = true;
    m_queue.clear();
    done = m_bufferDone;
  }
  if (done) done();  // the device's last word wakes the player
}

std::string CaptureOutput::LastError() const {
  std::lock_guard lock(m_mutex);
  if (m_refused) return "no sound output device";
  if (m_open && m_gone) return "the sound device went away";
  return {};
}

void CaptureOutput::SetNoDevice(bool noDevice) {
  std::lock_guard lock(m_mutex);
  m_noDevice = noDevice;
}

std::vector<uint8_t> CaptureOutput::Captured() const {
  std::lock_guard lock(m_mutex);
  return m_captured;
}

OutputFormat CaptureOutput::Format() const {
  std::lock_guard lock(m_mutex);
  return m_format;
}

bool CaptureOutput::IsPaused() const {
  std::lock_guard lock(m_mutex);
  return m_paused;
}

int CaptureOutput::OpenCount() const {
  std::lock_guard lock(m_mutex);
  return m_openCount;
}

void CaptureOutput::Clear() {
  std::lock_guard lock(m_mutex);
  m_captured.clear();
}

bool CaptureOutput::WaitForCaptured(size_t bytes, std::chrono::milliseconds limit) const {
  std::unique_lock lock(m_mutex);
  return m_changed.wait_for(lock, limit, [&] { return m_captured.size() >= bytes; });
}

}  // namespace tarnq::player
