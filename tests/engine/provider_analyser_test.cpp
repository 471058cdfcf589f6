// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/provider_analyser.h"

#include <gtest/gtest.h>

#include "analysis/provider_list.h"
#include "mp3_fixture.h"
#include "platform/text.h"
#include "records/audio_info.h"
#include "settings/settings_store.h"
#include "temp_folder.h"

namespace tarnq::engine {
namespace {

// Whether the analyser reads an MP3 file with the provider section holding `value` under key "1".
bool AnalysesMp3With(const char* value) {
  testing::TempFolder folder;
  folder.Write("a.mp3", testing::Mp3Bytes("Band", "Song"));
  settings::SettingsStore store{folder.Path("TARNQ.INI"), settings::SettingsStore::kExplicitFile};
  store.WriteString(analysis::kProviderSection, "1", value);
  ProviderAnalyser analyser(&store, nullptr);
  analyser.LoadProviders();
  records::AudioInfo info;
  const bool analysed = analyser.Analyse(folder.Path("a.mp3"), info);
  info.Release();
  return analysed;
}

TEST(ProviderAnalyser, UsesTheBuiltinsWhileNoEntryIsEnabled) {
  EXPECT_TRUE(AnalysesMp3With("MP3 Audio Files;-;;"));          // disabled
  EXPECT_TRUE(AnalysesMp3With(";"));                            // an empty value is no entry
  EXPECT_FALSE(AnalysesMp3With("FLAC Audio Files;+;*.FLAC;"));  // the configured list holds
}

}  // namespace
}  // namespace tarnq::engine
