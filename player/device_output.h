// SPDX-License-Identifier: GPL-3.0-or-later
// The wave output on the system's default sound device.
#pragma once

#include <mutex>
#include <string>

#include "platform/audio_device.h"
#include "player/pcm_ring.h"
#include "player/wave_output.h"

namespace tarnq::player {

// The device starts playing with the first buffer written. When it goes away or stops asking
// for frames, the output reports itself closed and drained, so the player stops instead of
// waiting for buffers that are never played.
class DeviceOutput final : public WaveOutput {
 public:
  DeviceOutput() = default;
  ~DeviceOutput() override;

  bool Open(const OutputFormat& format, std::function<void()> bufferDone) override;
  void Close() override;
  // False too once the device has failed.
  bool IsOpen() const override;
  size_t FreeBuffers() const override;
  bool Write(std::span<const uint8_t> pcm) override;
  void Pause(bool pause) override;
  void Reset() override;
  bool IsDrained() const override;
  uint64_t Position() const override;

  std::string LastError() const override;

 private:
  void SetError(std::string message);

  mutable platform::AudioDevice m_device;
  PcmRing m_ring;
  bool m_started = false;
  mutable std::mutex m_errorMutex;
  mutable std::string m_error;
};

}  // namespace tarnq::player
