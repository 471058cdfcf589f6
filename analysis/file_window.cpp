// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/file_window.h"

#include <algorithm>

namespace tarnq::analysis {

FileWindow::FileWindow(platform::InputFile& file, size_t readAhead)
    : m_file(file), m_readAhead(readAhead) {
  m_size = file.Size();
  if (m_size == platform::kUnknownSize) m_size = 0;
}

std::span<const uint8_t> FileWindow::Get(uint64_t offset, size_t length) {
  length = std::min(length, kCapacity);
  if (offset >= m_size) return {};
  uint64_t available = m_size - offset;
  size_t wanted = static_cast<size_t>(std::min<uint64_t>(length, available));
  if (offset >= m_start && offset - m_start <= m_filled && m_filled - (offset - m_start) >= wanted) {
    return {m_buffer + (offset - m_start), wanted};
  }
  size_t toRead = static_cast<size_t>(
      std::min<uint64_t>(std::min(std::max(length, m_readAhead), kCapacity), available));
  size_t done = 0;
  uint32_t error = m_file.ReadAt(offset, m_buffer, toRead, done);
  m_start = offset;
  m_filled = done;
  if (error != 0) {
    m_error = error;
    m_filled = 0;
    return {};
  }
  return {m_buffer, std::min(wanted, done)};
}

}  // namespace tarnq::analysis
