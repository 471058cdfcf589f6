// SPDX-License-Identifier: GPL-3.0-or-later
// A read window over an open file: readers ask for byte ranges and parse them in memory; a range
// already inside the window costs no system call, so a small file is read with one pread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/files.h"

namespace tarnq::analysis {

class FileWindow {
 public:
  static constexpr size_t kCapacity = 64 * 1024;

  // `readAhead`: how many bytes a read fetches at least (bounded by the capacity and the file).
  FileWindow(platform::InputFile& file, size_t readAhead);

  uint64_t Size() const { return m_size; }
  // The bytes of [offset, offset + length), fewer at the end of the file, empty past it or on a
  // read error (see Error()). `length` is capped at kCapacity. Valid until the next call.
  std::span<const uint8_t> Get(uint64_t offset, size_t length);
  // Like Get, but fails (empty) unless all `length` bytes are there.
  std::span<const uint8_t> GetExact(uint64_t offset, size_t length) {
    auto bytes = Get(offset, length);
    return bytes.size() == length ? bytes : std::span<const uint8_t>{};
  }
  // True when [offset, offset + length) is inside the window (no read needed).
  bool Holds(uint64_t offset, size_t length) const {
    return offset >= m_start && offset - m_start <= m_filled && m_filled - (offset - m_start) >= length;
  }
  uint32_t Error() const { return m_error; }
  void SetReadAhead(size_t readAhead) { m_readAhead = readAhead; }

 private:
  platform::InputFile& m_file;
  uint64_t m_size = 0;
  size_t m_readAhead;
  uint64_t m_start = 0;
  size_t m_filled = 0;
  uint32_t m_error = 0;
  uint8_t m_buffer[kCapacity];  // left uninitialised: only filled bytes are ever handed out
};

// Big- and little-endian loads from a byte span (the caller checks the bounds).
inline uint16_t Be16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
inline uint32_t Be24(const uint8_t* p) { return uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2]; }
inline uint32_t Be32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}
inline uint64_t Be64(const uint8_t* p) { return uint64_t{Be32(p)} << 32 | Be32(p + 4); }
inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
inline uint64_t Le64(const uint8_t* p) { return uint64_t{Le32(p)} | uint64_t{Le32(p + 4)} << 32; }

}  // namespace tarnq::analysis
