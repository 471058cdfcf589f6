// SPDX-License-Identifier: GPL-3.0-or-later
// The wave output: a ring of 16 buffers of 32 KiB that the device plays in the order written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "player/pcm.h"

namespace tarnq::player {

inline constexpr size_t kOutputBufferCount = 16;
inline constexpr size_t kOutputBufferBytes = 32768;

// All calls come from the player thread, except Position(), which the position ticker reads.
class WaveOutput {
 public:
  virtual ~WaveOutput() = default;

  // Opens the device for `format`; false when there is none or it refuses the format (then
  // Write queues nothing and IsDrained() is true). `bufferDone` is called, from any thread, each
  // time the device finishes a buffer; it must be cheap and must not call back into the output.
  virtual bool Open(const OutputFormat& format, std::function<void()> bufferDone) = 0;
  virtual void Close() = 0;
  // Open and still playing: false again once the device went away (then IsDrained() is true).
  virtual bool IsOpen() const = 0;
  // Buffers the device does not hold at the moment.
  virtual size_t FreeBuffers() const = 0;
  // Queues at most kOutputBufferBytes of whole frames; false when no buffer is free or no device.
  virtual bool Write(std::span<const uint8_t> pcm) = 0;
  // true pauses, false resumes; queued buffers stay queued.
  virtual void Pause(bool pause) = 0;
  // Drops every queued buffer at once (after a seek).
  virtual void Reset() = 0;
  // Nothing queued (or no device).
  virtual bool IsDrained() const = 0;
  // Frames played since Open, counting dropped buffers' played part only.
  virtual uint64_t Position() const = 0;
  // Why the last Open failed or the device stopped, for a person; empty when it did not. Any thread.
  virtual std::string LastError() const { return {}; }
};

}  // namespace tarnq::player
