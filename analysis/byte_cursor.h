// SPDX-License-Identifier: GPL-3.0-or-later
// Reads fields one after another inside [position, end) of a file window; every read past the
// end, or failing, leaves the cursor failed, so a parser checks once at the end of a structure.
#pragma once

#include <cstdint>
#include <span>

#include "analysis/file_window.h"

namespace tarnq::analysis {

class ByteCursor {
 public:
  ByteCursor(FileWindow& file, uint64_t position, uint64_t end)
      : m_file(file), m_position(position), m_end(end) {}

  bool Ok() const { return m_ok; }
  uint64_t Position() const { return m_position; }
  uint64_t Remaining() const { return m_ok && m_end > m_position ? m_end - m_position : 0; }

  // `length` bytes (at most FileWindow::kCapacity), or an empty span and a failed cursor.
  std::span<const uint8_t> Take(size_t length) {
    if (!m_ok || length > Remaining()) {
      m_ok = false;
      return {};
    }
    auto bytes = m_file.GetExact(m_position, length);
    if (bytes.size() != length) {
      m_ok = false;
      return {};
    }
    m_position += length;
    return bytes;
  }
  void Skip(uint64_t length) {
    if (!m_ok || length > Remaining()) {
      m_ok = false;
      return;
    }
    m_position += length;
  }
  uint8_t U8() {
    auto b = Take(1);
    return b.empty() ? 0 : b[0];
  }
  uint16_t Le16() {
    auto b = Take(2);
    return b.empty() ? 0 : analysis::Le16(b.data());
  }
  uint32_t Le32() {
    auto b = Take(4);
    return b.empty() ? 0 : analysis::Le32(b.data());
  }
  uint64_t Le64() {
    auto b = Take(8);
    return b.empty() ? 0 : analysis::Le64(b.data());
  }
  uint16_t Be16() {
    auto b = Take(2);
    return b.empty() ? 0 : analysis::Be16(b.data());
  }
  uint32_t Be32() {
    auto b = Take(4);
    return b.empty() ? 0 : analysis::Be32(b.data());
  }
  uint64_t Be64() {
    auto b = Take(8);
    return b.empty() ? 0 : analysis::Be64(b.data());
  }

 private:
  FileWindow& m_file;
  uint64_t m_position;
  uint64_t m_end;
  bool m_ok = true;
};

}  // namespace tarnq::analysis
