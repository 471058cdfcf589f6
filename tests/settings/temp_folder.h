// SPDX-License-Identifier: GPL-3.0-or-later
// A fresh folder per test, removed afterwards; settings tests never touch a real user's files.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/text.h"

namespace tarnq::testing {

class TempFolder {
 public:
  TempFolder() {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    m_path = std::filesystem::temp_directory_path() /
             ("tarnq-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(m_path);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::filesystem::path Native(const std::string& name) const { return m_path / name; }
  std::u16string Path(const std::string& name = {}) const {
    return platform::Utf8ToUtf16((name.empty() ? m_path : m_path / name).string());
  }
  void Write(const std::string& name, const std::string& bytes) const {
    std::filesystem::create_directories(Native(name).parent_path());
    std::ofstream(Native(name), std::ios::binary) << bytes;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(Native(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(Native(name)); }

 private:
  std::filesystem::path m_path;
};

}  // namespace tarnq::testing
