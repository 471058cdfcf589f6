#include "engine/provider_analyser.h"

namespace tarnq::engine {

void ProviderAnalyser::LoadProviders() {
  if (m_loaded) return;
  m_providers = analysis::DefaultProviderList();
  m_loaded = true;
}

void ProviderAnalyser::UnloadProviders() {
  m_providers.clear();
  m_loaded = false;
}

bool ProviderAnalyser::Analyse(std::u16string_view path, records::AudioInfo& info) {
  if (!m_loaded) LoadProviders();
  return analysis::AnalyseFile(m_providers, path, info) != 0;
}

}  // namespace tarnq::engine
