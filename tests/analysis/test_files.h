// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers for reader tests: fixture paths and byte-level files written to a temporary folder.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

#include "analysis/tag_record.h"
#include "platform/files.h"
#include "platform/text.h"

namespace tarnq::analysis::testing {

inline std::u16string Fixture(std::string_view name) {
  return platform::NameBytesToUtf16(std::string(TARNQ_TESTDATA) + std::string(name));
}

inline std::string Utf8(std::u16string_view text) { return platform::Utf16ToUtf8(text); }

// A file that lives as long as the object; `name` keeps the extension the reader is picked by.
class TempFile {
 public:
  TempFile(std::string_view name, std::string_view bytes) {
    static const unsigned run = std::random_device()();
    static int counter = 0;
    // A folder per file keeps the name exactly as given (the file-name rules read it).
    m_folder = std::filesystem::temp_directory_path() /
               ("tarnq-analysis-" + std::to_string(run) + "-" + std::to_string(counter++));
    std::error_code error;
    std::filesystem::create_directories(m_folder, error);
    m_path = m_folder / std::filesystem::path(std::u8string(name.begin(), name.end()));
    std::ofstream(m_path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  ~TempFile() {
    std::error_code error;
    std::filesystem::remove_all(m_folder, error);
  }
  std::u16string Path() const {
    const std::u8string text = m_path.u8string();
    return platform::NameBytesToUtf16(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
  }

 private:
  std::filesystem::path m_folder;
  std::filesystem::path m_path;
};

inline std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}
inline std::string Be32(uint32_t v) {
  return Bytes({int(v >> 24 & 0xFF), int(v >> 16 & 0xFF), int(v >> 8 & 0xFF), int(v & 0xFF)});
}
inline std::string Le16(uint32_t v) { return Bytes({int(v & 0xFF), int(v >> 8 & 0xFF)}); }
inline std::string Le32(uint32_t v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }
inline std::string Le64(uint64_t v) { return Le32(uint32_t(v)) + Le32(uint32_t(v >> 32)); }

}  // namespace tarnq::analysis::testing
