// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the application-core tests: the English catalogue of the real language library and
// scratch folders.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "lang/languages.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace tarnq::appcore::testing {

inline void InstallEnglish() {
  static lang::LanguageLibrary library;
  static const bool loaded = [] {
    if (library.Load(platform::ProgramFolder()) != 0) return false;
    lang::InstallLanguageRecord(library.Record());
    return true;
  }();
  ASSERT_TRUE(loaded);
}

// A folder of its own under the temporary folder, removed afterwards.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::random_device random;
    m_path = std::filesystem::temp_directory_path() / ("tarnq-appcore-" + std::to_string(random()));
    std::filesystem::create_directories(m_path);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& Native() const { return m_path; }
  std::u16string Path(const std::string& name = {}) const {
    return platform::NameBytesToUtf16((name.empty() ? m_path : m_path / name).string());
  }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(m_path / name, std::ios::binary) << bytes;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(m_path / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::filesystem::path m_path;
};

}  // namespace tarnq::appcore::testing
