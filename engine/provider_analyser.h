// The analyser a search uses in the program: the information providers of the analysis (the
// built-in readers, picked by the file's type).
#pragma once

#include "analysis/providers.h"
#include "engine/search_host.h"

namespace tarnq::engine {

class ProviderAnalyser : public FileAnalyser {
 public:
  // The provider list is built when a search starts and dropped when it ends.
  void LoadProviders() override;
  void UnloadProviders() override;
  bool Analyse(std::u16string_view path, records::AudioInfo& info) override;

 private:
  analysis::ProviderList m_providers;
  bool m_loaded = false;
};

}  // namespace tarnq::engine
