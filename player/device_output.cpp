// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/device_output.h"

namespace tarnq::player {

DeviceOutput::~DeviceOutput() { Close(); }

bool DeviceOutput::Open(const OutputFormat& format, std::function<void()> bufferDone) {
  Close();
  SetError({});
  m_ring.Start(format.BlockAlign(), bufferDone);
  std::string message;
  const platform::AudioFormat device{format.sampleRate, format.channels, format.bitsPerSample};
  if (!m_device.Open(device, [this](std::span<uint8_t> out) { return m_ring.Read(out); }, std::move(bufferDone),
                     message)) {
    SetError(std::move(message));
    return false;
  }
  m_started = false;
  return true;
}

void DeviceOutput::Close() {
  if (!m_device.IsOpen()) return;
  // Music that ran out by itself is played to its last frame; anything else stops at once.
  m_device.Close(m_ring.IsEmpty());
  m_ring.Reset();
  m_started = false;
}

bool DeviceOutput::IsOpen() const {
  if (!m_device.IsOpen()) return false;
  if (!m_device.HasFailed()) return true;
  std::lock_guard lock(m_errorMutex);
  if (m_error.empty()) m_error = "the sound device stopped playing";
  return false;
}

size_t DeviceOutput::FreeBuffers() const { return IsOpen() ? m_ring.FreeBuffers() : 0; }

bool DeviceOutput::Write(std::span<const uint8_t> pcm) {
  if (!IsOpen() || !m_ring.Write(pcm)) return false;
  if (!m_started) {
    m_started = true;
    if (!m_device.Start()) SetError("the sound device cannot start");
  }
  return true;
}

void DeviceOutput::Pause(bool pause) { m_ring.Pause(pause); }

void DeviceOutput::Reset() { m_ring.Reset(); }

bool DeviceOutput::IsDrained() const { return !IsOpen() || m_ring.IsEmpty(); }

uint64_t DeviceOutput::Position() const { return m_device.Frames(); }

std::string DeviceOutput::LastError() const {
  std::lock_guard lock(m_errorMutex);
  return m_error;
}

void DeviceOutput::SetError(std::string message) {
  std::lock_guard lock(m_errorMutex);
  m_error = std::move(message);
}

}  // namespace tarnq::player
