// SPDX-License-Identifier: GPL-3.0-or-later
// The analyser a search uses in the program: the information cache and the configured information
// providers of the analysis (built-in readers and plug-ins).
#pragma once

#include <memory>

#include "analysis/info_cache.h"
#include "analysis/providers.h"
#include "engine/search_host.h"

namespace tarnq::settings {
class SettingsStore;
}

namespace tarnq::engine {

class ProviderAnalyser : public FileAnalyser {
 public:
  // `settings` holds the provider entries (section pgnMediaInfo); without one, or while it holds no
  // enabled entry, the built-in readers are used. `cache` may be null (no cache at all).
  ProviderAnalyser(settings::SettingsStore* settings, analysis::InfoCache* cache);
  ~ProviderAnalyser() override;

  void LoadCache() override;
  uint32_t SaveCache() override;
  void ScanFinished() override;
  // The provider list is built when a search starts and unloaded when it ends.
  void LoadProviders() override;
  void UnloadProviders() override;
  bool LookupCache(uint64_t size, platform::FileTime modified, std::u16string_view path,
                   records::AudioInfo& info) override;
  void AddToCache(uint64_t size, platform::FileTime modified, std::u16string_view path,
                  const records::AudioInfo& info) override;
  bool Analyse(std::u16string_view path, records::AudioInfo& info) override;
  bool Analyse(std::u16string_view path, uint64_t knownSize, records::AudioInfo& info) override;

 private:
  settings::SettingsStore* m_settings;
  analysis::InfoCache* m_cache;
  std::unique_ptr<analysis::InfoCacheRun> m_cacheRun;
  analysis::ProviderList m_providers;
  bool m_loaded = false;
};

}  // namespace tarnq::engine
