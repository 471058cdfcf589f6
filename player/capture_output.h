// SPDX-License-Identifier: GPL-3.0-or-later
// An output without a device: records exactly the PCM a device would get, played by a clock
// that the caller controls. For the tests, for rendering into files and for measuring.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "player/wave_output.h"

namespace tarnq::player {

class CaptureOutput final : public WaveOutput {
 public:
  enum class Clock {
    kManual,    // buffers play only when Advance() is called
    kInstant,   // a buffer is played as soon as it is written (rendering)
    kRealTime,  // buffers play at the stream's rate by the system's steady clock (measuring)
  };
  explicit CaptureOutput(Clock clock = Clock::kManual) : m_clock(clock) {}

  bool Open(const OutputFormat& format, std::function<void()> bufferDone) override;
  void Close() override;
  bool IsOpen() const override;
  size_t FreeBuffers() const override;
  bool Write(std::span<const uint8_t> pcm) override;
  void Pause(bool pause) override;
  void Reset() override;
  bool IsDrained() const override;
  uint64_t Position() const override;
  // "no sound output device" after an Open that SetNoDevice refused, "the sound device went
  // away" after Disconnect; empty otherwise.
  std::string LastError() const override;

  // Manual clock: plays `frames` frames of what is queued (less when less is queued).
  void Advance(uint64_t frames);
  // Refuses the next Open, as a missing device would.
  void SetNoDevice(bool noDevice);
  // The device goes away while open: nothing more is played or taken until the next Open.
  void Disconnect();

  // Everything written since the capture was created (or Clear()), as the device got it: every
  // Open's stream follows the last one, Reset drops nothing of it.
  std::vector<uint8_t> Captured() const;
  OutputFormat Format() const;  // of the last Open
  bool IsPaused() const;
  int OpenCount() const;
  void Clear();
  // Blocks until at least `bytes` bytes were captured or `limit` passed; true when they were.
  bool WaitForCaptured(size_t bytes, std::chrono::milliseconds limit) const;

 private:
  struct Queued {
    size_t bytes;
    size_t played;
  };
  void PlayLocked(uint64_t frames);
  void CatchUpLocked() const;

  const Clock m_clock;
  mutable std::mutex m_mutex;
  mutable std::condition_variable m_changed;
  std::function<void()> m_bufferDone;
  OutputFormat m_format;
  mutable std::deque<Queued> m_queue;
  std::vector<uint8_t> m_captured;
  mutable uint64_t m_position = 0;
  mutable std::chrono::steady_clock::time_point m_paceStart;
  mutable uint64_t m_pacedFrames = 0;  // frames played by the real-time clock since m_paceStart
  bool m_open = false;
  bool m_paused = false;
  bool m_noDevice = false;
  bool m_gone = false;
  bool m_refused = false;
  int m_openCount = 0;
};

}  // namespace tarnq::player
