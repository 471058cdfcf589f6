// SPDX-License-Identifier: GPL-3.0-or-later
// A small music library made of real files in a scratch folder, and an analyser that reads the
// test's own file format ("artist|title|seconds") so scan and search tests need no encoder.
#pragma once

#include <sys/wait.h>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <stdexcept>
#include <string>

#include "engine/search_host.h"
#include "platform/files.h"
#include "platform/text.h"
#include "settings/field_line.h"

namespace tarnq::engine::testing {

class Library {
 public:
  Library() {
    std::random_device random;
    m_root = std::filesystem::temp_directory_path() / ("tarnq-scan-" + std::to_string(random()));
    std::filesystem::create_directories(m_root);
  }
  ~Library() {
    std::error_code ignored;
    // Make every folder writable again so that it can be removed.
    for (auto it = std::filesystem::recursive_directory_iterator(
             m_root, std::filesystem::directory_options::skip_permission_denied, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
      if (it->is_directory(ignored) && !it->is_symlink(ignored))
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::permissions(m_root, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_root, ignored);
  }
  // A song file at `relative` (folders made as needed).
  std::string Song(const std::string& relative, const std::string& artist, const std::string& title,
                   int seconds = 200) {
    return Write(relative, artist + "|" + title + "|" + std::to_string(seconds));
  }
  std::string Write(const std::string& relative, const std::string& bytes) {
    const auto path = m_root / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return path.string();
  }
  void Folder(const std::string& relative) { std::filesystem::create_directories(m_root / relative); }
  std::string Path(const std::string& relative = {}) const {
    return relative.empty() ? m_root.string() : (m_root / relative).string();
  }
  std::u16string Path16(const std::string& relative = {}) const {
    return platform::NameBytesToUtf16(Path(relative));
  }

 private:
  std::filesystem::path m_root;
};

// "Analyses" *.mp3 files of the test format; records what it was asked and keeps a cache in memory.
class FakeAnalyser : public FileAnalyser {
 public:
  bool Analyse(std::u16string_view path, records::AudioInfo& info) override {
    analysed.fetch_add(1);
    if (onAnalyse) onAnalyse(path);
    if (!path.ends_with(u".mp3")) return false;
    std::string bytes;
    if (platform::ReadWholeFile(path, bytes, 4096) != 0) return false;
    const size_t a = bytes.find('|');
    const size_t b = bytes.find('|', a == std::string::npos ? 0 : a + 1);
    if (a == std::string::npos || b == std::string::npos) return false;
    const std::u16string artist = platform::Utf8ToUtf16(bytes.substr(0, a));
    const std::u16string title = platform::Utf8ToUtf16(bytes.substr(a + 1, b - a - 1));
    info.duration = settings::ParseUnsigned32(std::string_view(bytes).substr(b + 1));
    info.bitrate = 128;
    return info.SetTexts({u"MPEG 1 Layer 3", u"", title, artist, u"", u""});
  }
  void LoadCache() override {
    calls += "LoadCache;";
    if (failCacheLoad) throw std::runtime_error("cache unreadable");
  }
  uint32_t SaveCache() override {
    calls += "SaveCache;";
    return 0;
  }
  void LoadProviders() override { calls += "LoadProviders;"; }
  void UnloadProviders() override { calls += "UnloadProviders;"; }
  bool LookupCache(uint64_t, platform::FileTime, std::u16string_view path, records::AudioInfo& info) override {
    std::lock_guard lock(m_mutex);
    const auto it = m_cache.find(std::u16string(path));
    if (it == m_cache.end()) return false;
    ++cacheHits;
    return it->second.CopyTo(info);
  }
  void AddToCache(uint64_t, platform::FileTime, std::u16string_view path, const records::AudioInfo& info) override {
    std::lock_guard lock(m_mutex);
    records::AudioInfo copy;
    info.CopyTo(copy);
    auto [it, added] = m_cache.try_emplace(std::u16string(path), copy);
    if (!added) copy.Release();
  }
  ~FakeAnalyser() override {
    for (auto& [path, info] : m_cache) info.Release();
  }

  std::atomic<int> analysed{0};
  bool failCacheLoad = false;
  int cacheHits = 0;
  std::string calls;
  std::function<void(std::u16string_view)> onAnalyse;

 private:
  std::mutex m_mutex;
  std::map<std::u16string, records::AudioInfo> m_cache;
};

inline bool RunningAsRoot() { return ::geteuid() == 0; }

// Runs `check` in a child process as the unprivileged user "nobody" (for tests of permissions,
// which root ignores). True when the child could drop its rights and `check` returned true.
template <class Check>
bool PassesAsUnprivilegedUser(Check&& check) {
  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(99);
    ::_exit(check() ? 0 : 1);
  }
  int status = 0;
  return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace tarnq::engine::testing
