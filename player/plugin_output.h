// SPDX-License-Identifier: GPL-3.0-or-later
// Where an input plug-in's PCM goes: the output module handed to every plug-in, and the stream
// of the plug-in playing now, a ring of PCM that the plug-in fills from its own thread and the
// player thread empties.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "player/plugin_module.h"

namespace tarnq::player {

inline constexpr size_t kPluginRingBytes = 64 * 1024;
// A plug-in may hand over a block larger than the ring; the ring grows to take it up to here.
inline constexpr size_t kPluginRingLimit = 1024 * 1024;

struct PluginFormat {
  uint32_t sampleRate = 0;
  uint16_t channels = 0;
  uint16_t bitsPerSample = 0;
  uint32_t FrameBytes() const { return uint32_t{channels} * (bitsPerSample / 8u); }
  bool operator==(const PluginFormat&) const = default;
};

// One file's PCM from a plug-in. Thread-safe: the output module's calls come from the plug-in's
// thread, the rest from the player thread.
class PluginStream {
 public:
  PluginStream();

  // The output module's side.
  int Open(int sampleRate, int channels, int bitsPerSample);
  int Write(const char* data, int length);
  int CanWrite() const;
  // A plug-in asks whether the output still plays once it has decoded everything.
  void AskedIsPlaying();
  void Flush(int timeMs);

  // The player's side.
  enum class FormatState { kWaiting, kReady, kRefused };
  // Waits at most `limit` for the plug-in to open the output. `why` says what was refused.
  FormatState WaitForFormat(std::chrono::milliseconds limit, PluginFormat& format, std::string& why);
  // How many flushes happened so far; WaitForFlush waits until there were more than `seen`.
  uint64_t Flushes() const;
  bool WaitForFlush(uint64_t seen, std::chrono::milliseconds limit);
  // Takes whole frames from the ring, waiting at most `limit` while it is empty. `more` is false
  // once the plug-in has delivered everything (or failed) and the ring is empty.
  size_t Read(std::span<uint8_t> buffer, bool& more, std::chrono::milliseconds limit);
  // The frame the next Read starts at: the last flush's time plus the frames read since.
  uint64_t Position() const;
  // Why the stream ended early (empty when it did not).
  std::string Failure() const;

 private:
  size_t FreeLocked() const { return m_ring.size() - m_used; }
  void FailLocked(std::string why);

  mutable std::mutex m_mutex;
  std::condition_variable m_changed;
  std::vector<uint8_t> m_ring;
  size_t m_head = 0;  // where the oldest byte is
  size_t m_used = 0;
  PluginFormat m_format;
  FormatState m_formatState = FormatState::kWaiting;
  std::string m_failure;
  uint64_t m_baseFrame = 0;  // the frame of the last Open or Flush
  uint64_t m_readFrames = 0;  // frames read since then
  uint64_t m_flushes = 0;
  bool m_drainAsked = false;  // IsPlaying asked, and nothing written since
  std::chrono::steady_clock::time_point m_drainAskedAt;
};

// The output module handed to every plug-in. Its functions carry no context: they act on the
// current stream, and do nothing when there is none.
OutModule* PluginOutputModule();
// Makes `stream` the current one (null: none). Returns the previous one.
std::shared_ptr<PluginStream> SetCurrentPluginStream(std::shared_ptr<PluginStream> stream);
std::shared_ptr<PluginStream> CurrentPluginStream();

}  // namespace tarnq::player
