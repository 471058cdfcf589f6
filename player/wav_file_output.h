// SPDX-License-Identifier: GPL-3.0-or-later
// An output that writes what it is given into a WAV file as it comes, as fast as it comes: the
// player's render path. Memory stays the same however long the file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "player/wave_output.h"

namespace tarnq::player {

// The 44-byte header of a 16-bit PCM WAV file holding `dataBytes` bytes of samples.
std::string WavHeader(const OutputFormat& format, uint32_t dataBytes);

// The file is written under a temporary name next to `path` and takes its place only at
// Finish(); until then an existing file stays as it was, and without Finish (an error, an
// interrupt) the temporary file is removed. 8-bit samples are widened to 16 bits.
class WavFileOutput final : public WaveOutput {
 public:
  // `frameLimit`: frames kept at most; more are taken and dropped.
  explicit WavFileOutput(std::u16string path, uint64_t frameLimit = UINT64_MAX);

  bool Open(const OutputFormat& format, std::function<void()> bufferDone) override;
  void Close() override;
  bool IsOpen() const override { return m_open; }
  size_t FreeBuffers() const override { return m_open && m_error == 0 ? kOutputBufferCount : 0; }
  bool Write(std::span<const uint8_t> pcm) override;
  void Pause(bool) override {}
  void Reset() override {}
  bool IsDrained() const override { return true; }
  uint64_t Position() const override { return m_frames; }

  // Completes the header and puts the file in place; 0 or the error of the first failed write.
  uint32_t Finish();
  uint32_t Error() const { return m_error; }

 private:
  std::u16string m_path;
  uint64_t m_frameLimit;
  platform::AtomicFileWriter m_file;
  OutputFormat m_format;
  std::string m_scratch;  // widened 8-bit samples
  uint64_t m_frames = 0;
  uint64_t m_dataBytes = 0;
  uint32_t m_error = 0;
  bool m_open = false;
};

}  // namespace tarnq::player
