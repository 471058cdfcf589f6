// SPDX-License-Identifier: GPL-3.0-or-later
// The system's default sound output device, and the priority of the thread that feeds it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

namespace tarnq::platform {

struct AudioFormat {
  uint32_t sampleRate = 0;
  uint16_t channels = 0;       // 1 or 2
  uint16_t bitsPerSample = 0;  // 8 (unsigned) or 16 (signed, little-endian)
};

// Fills `out` with interleaved frames on the device's own thread and returns the bytes it wrote;
// the rest is played as silence. It must be quick and must not wait for a lock held for long.
using AudioSource = std::function<size_t(std::span<uint8_t> out)>;

// One stream on the default output device. Open, Start and Close come from one thread; Frames()
// from any.
class AudioDevice {
 public:
  AudioDevice();
  ~AudioDevice();  // closes
  AudioDevice(const AudioDevice&) = delete;
  AudioDevice& operator=(const AudioDevice&) = delete;

  // Opens the default device for `format` without starting it. `stopped` is called (from any
  // thread) when the stream ends by itself: the device went away or failed. False with a message
  // for a person when there is no device or it refuses the format. Nothing is written to the
  // standard error stream by the sound libraries.
  bool Open(const AudioFormat& format, AudioSource source, std::function<void()> stopped, std::string& message);
  // Starts asking the source for frames; false when the device refuses.
  bool Start();
  // Stops and closes. `drain`: what the device holds already is played first (a few tens of
  // milliseconds); otherwise it is dropped at once.
  void Close(bool drain);
  bool IsOpen() const { return m_impl != nullptr; }
  // The stream ended by itself, or the device stopped asking for frames for seconds.
  bool HasFailed();
  // Frames the source delivered since Open (silence the device played in between not counted).
  uint64_t Frames() const { return m_frames.load(std::memory_order_relaxed); }

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
  std::atomic<uint64_t> m_frames{0};
};

// What RaiseThreadPriorityForAudio changed, for RestoreThreadPriority.
struct SavedThreadPriority {
  int policy = 0;
  int priority = 0;
  int niceness = 0;
  bool policyChanged = false;
  bool nicenessChanged = false;
};

// Best effort: gives the calling thread a real-time (round-robin) priority, or failing that a
// lower nice value. Whatever the system does not allow is left as it was, silently.
SavedThreadPriority RaiseThreadPriorityForAudio();
// Puts the calling thread back as it was before the raise.
void RestoreThreadPriority(const SavedThreadPriority& saved);

}  // namespace tarnq::platform
