// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the language tests: the real language library, loaded once from the test's folder,
// and scratch folders for language files.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

#include "lang/languages.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace tarnq::lang::test {

inline const LanguageRecord* Record() {
  static LanguageLibrary library;
  static const LanguageRecord* record =
      library.Load(platform::ProgramFolder()) == 0 ? library.Record() : nullptr;
  return record;
}

inline std::string Utf8(std::u16string_view text) { return platform::Utf16ToUtf8(text); }

// A folder of its own under the temporary folder, removed afterwards.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::random_device random;
    m_path = std::filesystem::temp_directory_path() / ("tarnq-lang-" + std::to_string(random()));
    std::filesystem::create_directories(m_path);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  std::u16string Path() const { return platform::NameBytesToUtf16(m_path.string()); }
  void Write(const std::string& name, std::string_view bytes) const {
    std::ofstream out(m_path / name, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

 private:
  std::filesystem::path m_path;
};

}  // namespace tarnq::lang::test
