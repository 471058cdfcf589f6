// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/provider_analyser.h"

#include "analysis/provider_list.h"

namespace tarnq::engine {

ProviderAnalyser::ProviderAnalyser(settings::SettingsStore* settings, analysis::InfoCache* cache)
    : m_settings(settings), m_cache(cache) {}

ProviderAnalyser::~ProviderAnalyser() {
  UnloadProviders();
  if (m_cacheRun) m_cacheRun->Finish();
}

void ProviderAnalyser::LoadCache() {
  if (m_cache == nullptr || m_cacheRun) return;
  // The run's hold: loads now, saves exactly once, and keeps "Delete now" away meanwhile.
  m_cacheRun = std::make_unique<analysis::InfoCacheRun>(*m_cache);
}

void ProviderAnalyser::ScanFinished() {
  // A cache the run did not change need not stay in memory until it is "saved".
  if (m_cache != nullptr && m_cacheRun) m_cache->ReleaseIfUnchanged();
}

uint32_t ProviderAnalyser::SaveCache() {
  if (!m_cacheRun) return 0;
  const uint32_t result = m_cacheRun->Finish();
  m_cacheRun.reset();
  return result;
}

void ProviderAnalyser::LoadProviders() {
  if (m_loaded) return;
  const bool anyEnabled = m_settings != nullptr && analysis::HoldsEnabledProviderEntry(*m_settings);
  // Settings without provider entries mean the built-in readers (what the start-up step would
  // write); a command-line run does not write them itself.
  m_providers = anyEnabled ? analysis::LoadProviderList(*m_settings) : analysis::DefaultProviderList();
  m_loaded = true;
}

void ProviderAnalyser::UnloadProviders() {
  if (!m_loaded) return;
  analysis::UnloadProviderList(m_providers);
  m_providers.clear();
  m_loaded = false;
}

bool ProviderAnalyser::LookupCache(uint64_t size, platform::FileTime modified, std::u16string_view path,
                                   records::AudioInfo& info) {
  return m_cache != nullptr && m_cache->Lookup(size, modified, path, info);
}

void ProviderAnalyser::AddToCache(uint64_t size, platform::FileTime modified, std::u16string_view path,
                                  const records::AudioInfo& info) {
  if (m_cache != nullptr) m_cache->Add(size, modified, path, info);
}

bool ProviderAnalyser::Analyse(std::u16string_view path, uint64_t knownSize, records::AudioInfo& info) {
  if (!m_loaded) LoadProviders();
  return analysis::AnalyseFile(m_providers, path, info, knownSize) != 0;
}

bool ProviderAnalyser::Analyse(std::u16string_view path, records::AudioInfo& info) {
  if (!m_loaded) LoadProviders();
  return analysis::AnalyseFile(m_providers, path, info) != 0;
}

}  // namespace tarnq::engine
