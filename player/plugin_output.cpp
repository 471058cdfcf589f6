// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/plugin_output.h"

#include <algorithm>
#include <cstring>

#include "player/pcm.h"

namespace tarnq::player {
namespace {

// A plug-in asks IsPlaying once it has decoded everything; one that goes on writing soon after
// was only asking, and its stream goes on.
constexpr auto kDrainGrace = std::chrono::milliseconds(50);

std::string FormatText(int sampleRate, int channels, int bitsPerSample) {
  return std::to_string(bitsPerSample) + "-bit samples in " + std::to_string(channels) + " channel(s) at " +
         std::to_string(sampleRate) + " Hz";
}

}  // namespace

PluginStream::PluginStream() : m_ring(kPluginRingBytes) {}

void PluginStream::FailLocked(std::string why) {
  if (m_failure.empty()) m_failure = std::move(why);
  m_changed.notify_all();
}

int PluginStream::Open(int sampleRate, int channels, int bitsPerSample) {
  std::lock_guard lock(m_mutex);
  const bool usable = (channels == 1 || channels == 2) && (bitsPerSample == 8 || bitsPerSample == 16) &&
                      sampleRate >= static_cast<int>(kMinSampleRate) && sampleRate <= static_cast<int>(kMaxSampleRate);
  if (!usable) {
    const std::string why = "the plug-in offers " + FormatText(sampleRate, channels, bitsPerSample) +
                            ", which the output cannot take";
    if (m_formatState == FormatState::kWaiting) {
      m_formatState = FormatState::kRefused;
      m_failure = why;
      m_changed.notify_all();
    } else {
      FailLocked(why);
    }
    return -1;
  }
  const PluginFormat format{static_cast<uint32_t>(sampleRate), static_cast<uint16_t>(channels),
                            static_cast<uint16_t>(bitsPerSample)};
  if (m_formatState == FormatState::kReady && !(format == m_format)) {
    // The player has set up its output for the first format; the samples would be noise now.
    FailLocked("the plug-in changed to " + FormatText(sampleRate, channels, bitsPerSample) + " while playing");
    return -1;
  }
  if (m_formatState != FormatState::kReady) {
    m_format = format;
    m_formatState = FormatState::kReady;
    m_baseFrame = 0;
    m_readFrames = 0;
    m_changed.notify_all();
  }
  return 1;
}

int PluginStream::Write(const char* data, int length) {
  if (data == nullptr || length <= 0) return 0;
  const size_t bytes = static_cast<size_t>(length);
  std::lock_guard lock(m_mutex);
  // Before the format is known (or after it was refused) there is nothing to play it as.
  if (m_formatState != FormatState::kReady || !m_failure.empty()) return 0;
  if (bytes > m_ring.size()) {
    if (bytes > kPluginRingLimit) {
      FailLocked("the plug-in wrote a block of " + std::to_string(bytes) + " bytes at once");
      return 0;
    }
    if (m_used > 0) return 1;  // the larger ring is made once the old one is empty
    m_ring.assign(bytes, 0);
    m_head = 0;
  }
  if (FreeLocked() < bytes) return 1;
  const size_t tail = (m_head + m_used) % m_ring.size();
  const size_t first = std::min(bytes, m_ring.size() - tail);
  std::memcpy(m_ring.data() + tail, data, first);
  std::memcpy(m_ring.data(), data + first, bytes - first);
  m_used += bytes;
  m_drainAsked = false;
  m_changed.notify_all();
  return 0;
}

int PluginStream::CanWrite() const {
  std::lock_guard lock(m_mutex);
  return static_cast<int>(FreeLocked());
}

void PluginStream::AskedIsPlaying() {
  std::lock_guard lock(m_mutex);
  if (!m_drainAsked) m_drainAskedAt = std::chrono::steady_clock::now();
  m_drainAsked = true;
  m_changed.notify_all();
}

void PluginStream::Flush(int timeMs) {
  std::lock_guard lock(m_mutex);
  m_head = 0;
  m_used = 0;
  m_baseFrame = timeMs > 0 ? uint64_t(timeMs) * m_format.sampleRate / 1000 : 0;
  m_readFrames = 0;
  m_drainAsked = false;
  ++m_flushes;
  m_changed.notify_all();
}

PluginStream::FormatState PluginStream::WaitForFormat(std::chrono::milliseconds limit, PluginFormat& format,
                                                      std::string& why) {
  std::unique_lock lock(m_mutex);
  m_changed.wait_for(lock, limit, [&] { return m_formatState != FormatState::kWaiting; });
  format = m_format;
  why = m_failure;
  return m_formatState;
}

uint64_t PluginStream::Flushes() const {
  std::lock_guard lock(m_mutex);
  return m_flushes;
}

bool PluginStream::WaitForFlush(uint64_t seen, std::chrono::milliseconds limit) {
  std::unique_lock lock(m_mutex);
  return m_changed.wait_for(lock, limit, [&] { return m_flushes > seen; });
}

size_t PluginStream::Read(std::span<uint8_t> buffer, bool& more, std::chrono::milliseconds limit) {
  std::unique_lock lock(m_mutex);
  const size_t frame = m_format.FrameBytes();
  more = false;
  if (frame == 0) return 0;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (m_used < frame) {
    if (!m_failure.empty()) return 0;
    const auto now = std::chrono::steady_clock::now();
    if (m_drainAsked && now >= m_drainAskedAt + kDrainGrace) return 0;
    if (now >= deadline) {
      more = true;
      return 0;
    }
    m_changed.wait_until(lock, m_drainAsked ? std::min(deadline, m_drainAskedAt + kDrainGrace) : deadline);
  }
  const size_t bytes = std::min(buffer.size() / frame, m_used / frame) * frame;
  const size_t first = std::min(bytes, m_ring.size() - m_head);
  std::memcpy(buffer.data(), m_ring.data() + m_head, first);
  std::memcpy(buffer.data() + first, m_ring.data(), bytes - first);
  m_head = (m_head + bytes) % m_ring.size();
  m_used -= bytes;
  m_readFrames += bytes / frame;
  more = true;
  return bytes;
}

uint64_t PluginStream::Position() const {
  std::lock_guard lock(m_mutex);
  return m_baseFrame + m_readFrames;
}

std::string PluginStream::Failure() const {
  std::lock_guard lock(m_mutex);
  return m_failure;
}

namespace {

std::mutex& CurrentMutex() {
  static std::mutex mutex;
  return mutex;
}
std::shared_ptr<PluginStream>& CurrentSlot() {
  static std::shared_ptr<PluginStream> current;
  return current;
}

// Nothing may unwind into a plug-in: every entry catches what it might throw (memory).
int OutOpen(int sampleRate, int channels, int bitsPerSample, int, int) {
  try {
    auto stream = CurrentPluginStream();
    return stream != nullptr ? stream->Open(sampleRate, channels, bitsPerSample) : -1;
  } catch (...) {
    return -1;
  }
}
int OutWrite(char* data, int length) {
  try {
    auto stream = CurrentPluginStream();
    return stream != nullptr ? stream->Write(data, length) : 0;  // no one listens: gone
  } catch (...) {
    return 0;
  }
}
int OutCanWrite() {
  try {
    auto stream = CurrentPluginStream();
    return stream != nullptr ? stream->CanWrite() : -1;
  } catch (...) {
    return -1;
  }
}
int OutIsPlaying() {
  try {
    if (auto stream = CurrentPluginStream()) stream->AskedIsPlaying();
  } catch (...) {
  }
  return 0;
}
void OutFlush(int timeMs) {
  try {
    if (auto stream = CurrentPluginStream()) stream->Flush(timeMs);
  } catch (...) {
  }
}
void OutNothing() {}
void OutNothingWith(int) {}
void OutWindow(WindowHandle) {}
int OutZero() { return 0; }
int OutZeroWith(int) { return 0; }

char g_description[] = "Twinsong player output";

OutModule g_outModule = {
    kOutModuleVersion, g_description, 0, 0, 0, OutWindow, OutWindow, OutNothing, OutNothing, OutOpen,
    OutNothing, OutWrite, OutCanWrite, OutIsPlaying, OutZeroWith, OutNothingWith, OutNothingWith, OutFlush,
    OutZero, OutZero,
};

}  // namespace

OutModule* PluginOutputModule() { return &g_outModule; }

std::shared_ptr<PluginStream> SetCurrentPluginStream(std::shared_ptr<PluginStream> stream) {
  std::lock_guard lock(CurrentMutex());
  std::swap(CurrentSlot(), stream);
  return stream;
}

std::shared_ptr<PluginStream> CurrentPluginStream() {
  std::lock_guard lock(CurrentMutex());
  return CurrentSlot();
}

}  // namespace tarnq::player
