// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/provider_list.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "analysis/content_plugin.h"
#include "platform/dynlib.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "settings/settings_store.h"
#include "temp_folder.h"

namespace tarnq::analysis {
namespace {

using testing::TempFolder;

const std::u16string kMediaPlugin = platform::Utf8ToUtf16(TARNQ_TEST_MEDIA_PLUGIN);
const std::u16string kContentPlugin = platform::Utf8ToUtf16(TARNQ_TEST_CONTENT_PLUGIN);
const std::u16string kContentPluginAnsi = platform::Utf8ToUtf16(TARNQ_TEST_CONTENT_PLUGIN_ANSI);
const std::u16string kNoExports = platform::Utf8ToUtf16(TARNQ_TEST_NO_EXPORTS);

struct Analysed {
  int ok = 0;
  records::AudioInfo info;
  ~Analysed() { info.Release(); }
};

ProviderEntry Plugin(std::u16string path, std::u16string condition = {}) {
  ProviderEntry entry;
  entry.name = u"Plugin";
  entry.path = std::move(path);
  entry.condition = std::move(condition);
  return entry;
}

// A symbol of an already loaded test plug-in (the extra loads keep it loaded across unloads).
template <class Fn>
Fn Symbol(platform::DynamicLibrary& library, const std::u16string& path, const char* name) {
  if (!library.IsOpen()) {
    EXPECT_EQ(library.Open(path), 0u);
  }
  void* address = nullptr;
  EXPECT_EQ(library.FindSymbol(name, address), 0u);
  return reinterpret_cast<Fn>(address);
}

class Settings : public ::testing::Test {
 protected:
  TempFolder folder;
  settings::SettingsStore store{folder.Path("TARNQ.INI"), settings::SettingsStore::kExplicitFile};
};

TEST(ProviderEntryFormat, RoundTripsAndReadsTheSign) {
  ProviderEntry mp3{u"MP3 Audio Files", true, u"", u"*.MP3;*.MP1;*.MP2;*.MPP", u""};
  EXPECT_EQ(FormatProviderEntry(mp3), "MP3 Audio Files;+;\"*.MP3;*.MP1;*.MP2;*.MPP\";");
  EXPECT_EQ(ParseProviderEntry(FormatProviderEntry(mp3)), mp3);

  ProviderEntry plugin{u"Plüg", false, u"%MY_PATH%/plügins/a.wdx", u"", u"x;y"};
  EXPECT_EQ(ParseProviderEntry(FormatProviderEntry(plugin)), plugin);

  const ProviderEntry noSign = ParseProviderEntry("Name;/lib/a.so");
  EXPECT_TRUE(noSign.enabled);
  EXPECT_EQ(noSign.path, u"/lib/a.so");
  EXPECT_EQ(ParseProviderEntry(std::string(100, 'n')).name.size(), kProviderNameUnits);
}

TEST_F(Settings, EmptySectionGetsTheFiveBuiltinsOnce) {
  EXPECT_EQ(WriteDefaultProviderEntries(store), 5u);
  EXPECT_EQ(store.ReadString(kProviderSection, "1"), "MP3 Audio Files;+;\"*.MP3;*.MP1;*.MP2;*.MPP\";");
  EXPECT_EQ(store.ReadString(kProviderSection, "5"), "FLAC Audio Files;+;*.FLAC;");
  EXPECT_EQ(WriteDefaultProviderEntries(store), 0u);
  EXPECT_EQ(ReadProviderEntries(store).size(), 5u);

  ProviderList list = LoadProviderList(store);
  ASSERT_EQ(list.size(), 5u);
  for (size_t i = 0; i < list.size(); ++i) {
    EXPECT_EQ(list[i].callback, kBuiltinProviders[i].callback);
    EXPECT_TRUE(list[i].hasMask);
    EXPECT_EQ(list[i].mask, kBuiltinProviders[i].mask);
    EXPECT_FALSE(list[i].module);
  }
  UnloadProviderList(list);
  EXPECT_TRUE(list.empty());
}

TEST_F(Settings, DisabledEntriesAreKeptAndDefaultsAppended) {
  store.WriteString(kProviderSection, "1", "MP3 Audio Files;-;;");
  store.WriteString(kProviderSection, "7", "Mine;-/opt/mine.so;;");
  EXPECT_EQ(WriteDefaultProviderEntries(store), 5u);
  EXPECT_EQ(store.ReadString(kProviderSection, "1"), "MP3 Audio Files;-;;");
  EXPECT_EQ(store.ReadString(kProviderSection, "7"), "Mine;-/opt/mine.so;;");
  EXPECT_EQ(store.ReadString(kProviderSection, "8"), "MP3 Audio Files;+;\"*.MP3;*.MP1;*.MP2;*.MPP\";");
  EXPECT_EQ(store.ReadString(kProviderSection, "12"), "FLAC Audio Files;+;*.FLAC;");

  // The disabled MP3 entry is not loaded; its enabled copy is.
  ProviderList list = LoadProviderList(store);
  EXPECT_EQ(list.size(), 5u);
}

TEST_F(Settings, AnEnabledEntryMeansNoDefaults) {
  store.WriteString(kProviderSection, "1", "FLAC Audio Files;;;");
  EXPECT_EQ(WriteDefaultProviderEntries(store), 0u);
}

TEST_F(Settings, AnEmptyValueIsNoEntry) {
  store.WriteString(kProviderSection, "1", ";");
  EXPECT_EQ(WriteDefaultProviderEntries(store), 5u);
  EXPECT_EQ(store.ReadString(kProviderSection, "1"), ";");
}

TEST(DefaultProviderEntries, NeverReplaceAValue) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> values;
    bool enabledBefore;
    uint64_t firstKey;  // where the five defaults go; 0 = none written
  };
  const Case cases[] = {
      {"empty section", {}, false, 1},
      {"partial section",
       {{"2", "Mine;-/opt/mine.so;;"}, {"x", "Other;-;;"}, {"4", ";"}, {"5", "MP3 Audio Files;-;;"}},
       false, 6},
      {"user values", {{"3", "Mine;+/opt/mine.so;*.MINE;"}, {"1", "Ogg;-;;"}}, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    settings::SettingsStore store{folder.Path("TARNQ.INI"), settings::SettingsStore::kExplicitFile};
    for (const auto& [key, value] : c.values) store.WriteString(kProviderSection, key, value);
    EXPECT_EQ(HoldsEnabledProviderEntry(store), c.enabledBefore);

    EXPECT_EQ(WriteDefaultProviderEntries(store), c.firstKey == 0 ? 0u : 5u);
    for (const auto& [key, value] : c.values) EXPECT_EQ(store.ReadString(kProviderSection, key), value);
    for (size_t i = 0; c.firstKey != 0 && i < 5; ++i) {
      const ProviderEntry written =
          ParseProviderEntry(store.ReadString(kProviderSection, std::to_string(c.firstKey + i)));
      EXPECT_EQ(written.name, kBuiltinProviders[i].name);
      EXPECT_EQ(written.condition, kBuiltinProviders[i].mask);
      EXPECT_TRUE(written.enabled);
    }
    EXPECT_EQ(ReadProviderEntries(store).size(), c.values.size() + (c.firstKey == 0 ? 0 : 5));
    EXPECT_TRUE(HoldsEnabledProviderEntry(store));
  }
}

TEST(ProviderList, SkipsWhatCannotBeLoaded) {
  ProviderEntry disabled = Plugin(kMediaPlugin);
  disabled.enabled = false;
  ProviderEntry unknown;
  unknown.name = u"No Such Provider";
  const std::vector<ProviderEntry> entries = {disabled, Plugin(u"/nonexistent/plugin.so"),
                                              Plugin(kNoExports), unknown};
  ProviderList list = LoadProviderList(entries);
  EXPECT_TRUE(list.empty());

  // The media plug-in was never opened: the disabled entry is not even loaded.
  platform::DynamicLibrary probe;
  EXPECT_EQ(Symbol<int (*)()>(probe, kMediaPlugin, "TestMediaInstances")(), 0);
}

TEST(ProviderList, MediaPluginFillsItsFilesAndIsClosed) {
  TempFolder folder;
  folder.Write("song.tst", "Song\nBand\n245\n");
  folder.Write("throw.tst", "Song\nBand\n245\n");
  folder.Write("other.mp3", "Song\nBand\n245\n");
  platform::DynamicLibrary keep;
  auto instances = Symbol<int (*)()>(keep, kMediaPlugin, "TestMediaInstances");

  ProviderList list = LoadProviderList({Plugin(kMediaPlugin)});
  ASSERT_EQ(list.size(), 1u);
  EXPECT_TRUE(list[0].module);
  EXPECT_EQ(list[0].mask, u"*.TST");  // from message 3
  EXPECT_EQ(instances(), 1);

  Analysed song, thrown, other;
  song.ok = AnalyseFile(list, folder.Path("song.tst"), song.info);
  ASSERT_EQ(song.ok, 1);
  EXPECT_EQ(song.info.GetText(records::kTextTitle), u"Song");
  EXPECT_EQ(song.info.GetText(records::kTextArtist), u"Band");
  EXPECT_EQ(song.info.duration, 245u);
  // An exception in the plug-in is a failure, not a crash; other names are not offered.
  EXPECT_EQ(AnalyseFile(list, folder.Path("throw.tst"), thrown.info), 0);
  EXPECT_EQ(AnalyseFile(list, folder.Path("other.mp3"), other.info), 0);

  UnloadProviderList(list);
  EXPECT_EQ(instances(), 0);
}

TEST(ProviderList, AThrowingProviderPassesTheFileOn) {
  TempFolder folder;
  folder.Write("throw.tst", "Song\nBand\n245\n");
  folder.Write("throw.tst.tags", "Title=From Content\nArtist=Band\n");
  ProviderList list = LoadProviderList({Plugin(kMediaPlugin), Plugin(kContentPlugin)});
  ASSERT_EQ(list.size(), 2u);
  Analysed a;
  ASSERT_EQ(AnalyseFile(list, folder.Path("throw.tst"), a.info), 1);
  EXPECT_EQ(a.info.format, records::kFormatPlugin);
  EXPECT_EQ(a.info.GetText(records::kTextTitle), u"From Content");
}

TEST(ProviderList, EntryConditionReplacesTheMask) {
  TempFolder folder;
  folder.Write("song.tst", "Song\nBand\n245\n");
  ProviderList list = LoadProviderList({Plugin(kMediaPlugin, u"*.FOO")});
  ASSERT_EQ(list.size(), 1u);
  Analysed a;
  EXPECT_EQ(AnalyseFile(list, folder.Path("song.tst"), a.info), 0);
}

class ContentPlugins : public ::testing::TestWithParam<const std::u16string*> {};

TEST_P(ContentPlugins, SuppliesTitleArtistAndDurationForAnyExtension) {
  TempFolder folder;
  folder.Write("song.xyz", "");
  folder.Write("song.xyz.tags", "Title=Real Title\nSort=Sort Title\nArtist=Band\nDuration=1:02:03\nYear=1850\n");
  folder.Write("short.mp3", "");
  folder.Write("short.mp3.tags", "Title=T\nArtist=A\nDuration=4:05\nYear=2001\n");
  folder.Write("untitled.ogg", "");
  folder.Write("untitled.ogg.tags", "Artist=Band\n");
  folder.Write("broken.flac", "");
  folder.Write("broken.flac.tags", "Title=T\nArtist=A\n");

  const std::u16string& path = *GetParam();
  platform::DynamicLibrary keep;
  auto unloading = Symbol<int (*)()>(keep, path, "TestContentUnloading");
  const int unloadsBefore = unloading();
  // Even with a condition the content plug-in is offered every file.
  ProviderList list = LoadProviderList({Plugin(path, u"*.TST")});
  ASSERT_EQ(list.size(), 1u);
  EXPECT_FALSE(list[0].hasMask);
  EXPECT_EQ(std::string(Symbol<const char* (*)()>(keep, path, "TestContentIniName")()),
            platform::Utf16ToUtf8(platform::JoinPath(platform::PerUserFolder(), u"wdx.ini")));
  EXPECT_EQ(Symbol<uint32_t (*)()>(keep, path, "TestContentVersion")(), 210u);

  Analysed song, shortSong, untitled, thrown;
  ASSERT_EQ(AnalyseFile(list, folder.Path("song.xyz"), song.info), 1);
  EXPECT_EQ(song.info.format, records::kFormatPlugin);
  EXPECT_EQ(song.info.GetText(records::kTextTitle), u"Real Title");  // first "Title*" field wins
  EXPECT_EQ(song.info.GetText(records::kTextArtist), u"Band");
  EXPECT_EQ(song.info.duration, 3723u);
  EXPECT_EQ(song.info.year, 0);      // below 1900
  EXPECT_EQ(song.info.bitrate, 0);   // all ones: no value

  ASSERT_EQ(AnalyseFile(list, folder.Path("short.mp3"), shortSong.info), 1);
  EXPECT_EQ(shortSong.info.duration, 245u);
  EXPECT_EQ(shortSong.info.year, 2001);
  // Without a title the plug-in supplies nothing; a throwing fetch is no value.
  EXPECT_EQ(AnalyseFile(list, folder.Path("untitled.ogg"), untitled.info), 0);
  EXPECT_EQ(AnalyseFile(list, folder.Path("broken.flac"), thrown.info), 0);

  UnloadProviderList(list);
  EXPECT_EQ(unloading(), unloadsBefore + 1);
}

INSTANTIATE_TEST_SUITE_P(WideAndAnsi, ContentPlugins,
                         ::testing::Values(&kContentPlugin, &kContentPluginAnsi));

TEST(ContentFieldMapping, SlotsByNamePrefix) {
  EXPECT_EQ(ContentSlotForName("Title"), kSlotTitle);
  EXPECT_EQ(ContentSlotForName("title (sort)"), kSlotTitle);
  EXPECT_EQ(ContentSlotForName("Sample rate"), kSlotSampleRate);
  EXPECT_EQ(ContentSlotForName("SAMPLERATE"), kSlotSampleRate);
  EXPECT_EQ(ContentSlotForName("Duration"), kSlotDuration);
  EXPECT_EQ(ContentSlotForName("Length (ms)"), kSlotDuration);
  EXPECT_EQ(ContentSlotForName("Tag version"), kSlotTag);
  EXPECT_EQ(ContentSlotForName("Composer"), kSlotCount);
  EXPECT_FALSE(IsMappableFieldType(4));  // date
  EXPECT_TRUE(IsMappableFieldType(content::kStringW));
}

TEST(ContentFieldMapping, DurationTexts) {
  EXPECT_EQ(ParseDurationText(u"1:02:03"), 3723u);
  EXPECT_EQ(ParseDurationText(u"4:05"), 245u);
  EXPECT_EQ(ParseDurationText(u"185"), 185u);
  EXPECT_EQ(ParseDurationText(u""), 0u);
  EXPECT_EQ(ParseDurationText(u"99999999999:00"), UINT32_MAX);
}

TEST(ContentAdapter, GuardsAgainstMissingState) {
  EXPECT_EQ(ContentAdapterMessage(kMessageExtract, 0, nullptr), -1);
  ContentPlugin plugin;  // no field map: extraction fails
  records::AudioInfo info;
  ExtractRequest request{u"/x.mp3", &info};
  EXPECT_EQ(ContentAdapterMessage(kMessageExtract, reinterpret_cast<intptr_t>(&plugin), &request), 0);
  EXPECT_EQ(ContentAdapterMessage(99, reinterpret_cast<intptr_t>(&plugin), nullptr), -1);
}

TEST(PluginProbe, WhatTheDialogShows) {
  const PluginProbe media = ProbePlugin(kMediaPlugin, u"");
  EXPECT_TRUE(media.loaded);
  EXPECT_EQ(media.condition, u"*.TST");
  EXPECT_EQ(media.displayName, u"Test Media Info");
  EXPECT_TRUE(media.hasSettingsDialog);
  EXPECT_EQ(ProbePlugin(kMediaPlugin, u"named").displayName, u"Named Test");

  const PluginProbe contentProbe = ProbePlugin(kContentPlugin, u"");
  EXPECT_TRUE(contentProbe.loaded);
  EXPECT_EQ(contentProbe.condition, u"EXT=\"TST\"");
  EXPECT_EQ(contentProbe.displayName, platform::StemOf(kContentPlugin));
  EXPECT_FALSE(contentProbe.hasSettingsDialog);

  EXPECT_EQ(ShowPluginSettings(kMediaPlugin, u"level=1", nullptr), u"level=1+set");
  EXPECT_EQ(ShowPluginSettings(kContentPlugin, u"x", nullptr), std::nullopt);  // no dialog

  EXPECT_FALSE(ProbePlugin(kNoExports, u"").loaded);
  EXPECT_FALSE(ProbePlugin(u"/nonexistent.so", u"").loaded);
}

}  // namespace
}  // namespace tarnq::analysis
