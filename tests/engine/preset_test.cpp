// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/preset.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/errors.h"
#include "platform/text.h"
#include "settings/settings_store.h"
#include "temp_folder.h"

namespace tarnq::engine {
namespace {

using settings::SettingsStore;
using testing::TempFolder;

struct PresetFile {
  TempFolder folder;
  std::unique_ptr<SettingsStore> store;
  explicit PresetFile(const std::string& content) {
    folder.Write("p.tnq", content);
    store = std::make_unique<SettingsStore>(folder.Path("p.tnq"), SettingsStore::kExplicitFile);
  }
};

platform::FileTime Utc(int year, int month, int day, int hour, int minute, int second) {
  platform::CalendarTime t;
  t.year = year;
  t.month = month;
  t.day = day;
  t.hour = hour;
  t.minute = minute;
  t.second = second;
  return *platform::CalendarUtcToFileTime(t);
}

TEST(PresetOption, ItemsOfTheOptionValue) {
  PresetFile f("[TARNQ]\r\nOption=1;7;1;80;90;\r\n");
  SearchPreset preset;
  preset.Load(*f.store);
  EXPECT_EQ(preset.filterEnabled, 1);
  EXPECT_EQ(preset.noRecursion, 1);
  EXPECT_EQ(preset.moreLimitations, SearchPreset::kLimitAlbum | SearchPreset::kLimitTrack);
  EXPECT_EQ(preset.useSimilarity, 1);
  EXPECT_EQ(preset.artistThreshold, 80u);
  EXPECT_EQ(preset.titleThreshold, 90u);
  EXPECT_EQ(preset.durationTolerance, -1);
}

TEST(PresetOption, ToleranceEmptyMeansOff) {
  PresetFile f("");
  SearchPreset preset;
  preset.durationTolerance = -1;
  preset.Save(*f.store);
  EXPECT_EQ(f.store->ReadString("TARNQ", "Option"), "0;0;0;0;0;");
  preset.durationTolerance = 0;  // a new preset: durations must be equal
  preset.Save(*f.store);
  EXPECT_EQ(f.store->ReadString("TARNQ", "Option"), "0;0;0;0;0;0");
  SearchPreset loaded;
  loaded.Load(*f.store);
  EXPECT_EQ(loaded.durationTolerance, 0);
}

TEST(PresetOption, MalformedAndShortValues) {
  PresetFile f("[TARNQ]\r\nOption=x;\"3\";;abc\r\n");
  SearchPreset preset;
  preset.durationTolerance = 5;
  preset.Load(*f.store);
  EXPECT_EQ(preset.filterEnabled, 0);
  EXPECT_EQ(preset.noRecursion, 1);
  EXPECT_EQ(preset.moreLimitations, 1u);
  EXPECT_EQ(preset.artistThreshold, 0u);
  EXPECT_EQ(preset.durationTolerance, -1);
}

TEST(PresetFolders, ReadUntilFirstMissingKey) {
  PresetFile f("[Folder]\r\n1=+/music\r\n2=-/music/live\r\n4=+/never\r\n");
  SearchPreset preset;
  preset.Load(*f.store);
  EXPECT_EQ(preset.folderList, (std::vector<std::u16string>{u"+/music", u"-/music/live"}));
  EXPECT_EQ(preset.folders, (std::vector<std::u16string>{u"/music"}));
  EXPECT_EQ(preset.excludedFolders, (std::vector<std::u16string>{u"/music/live"}));
}

TEST(PresetFolders, NoFolderSectionKeepsTheList) {
  PresetFile f("[TARNQ]\r\nOption=0;0;0;0;0;3\r\n");
  SearchPreset preset;
  preset.SetFolderList({u"+/a", u"-/a/b", u"+/c"});
  preset.Load(*f.store);
  EXPECT_EQ(preset.folders, (std::vector<std::u16string>{u"/a", u"/c"}));
  EXPECT_EQ(preset.excludedFolders, (std::vector<std::u16string>{u"/a/b"}));
  EXPECT_EQ(preset.durationTolerance, 3);
}

TEST(PresetFolders, SaveReplacesTheSection) {
  PresetFile f("[Folder]\r\n1=+/old1\r\n2=+/old2\r\n3=+/old3\r\n");
  SearchPreset preset;
  preset.SetFolderList({u"+/new", u"-/new/Größe"});
  preset.Save(*f.store);
  SearchPreset loaded;
  loaded.Load(*f.store);
  EXPECT_EQ(loaded.folderList, preset.folderList);
  EXPECT_EQ(f.store->ReadString("Folder", "3"), "");
}

TEST(PresetFilter, FormatsEveryItemInOrder) {
  FileFilter filter;
  filter.dateKind = 1;
  filter.lower.attributes = 0x20;        // archive must be set
  filter.upper.attributes = 0x2 | 0x1;   // hidden and read-only must be clear
  filter.lower.mask = u"*.mp3;*.ogg";
  filter.lower.dateUnit = 'Z';
  filter.lower.dateValue = 7;
  filter.lower.sizeUnit = 'M';
  filter.lower.sizeValue = 5;
  filter.upper.mask = u"*live*";
  filter.upper.dateUnit = 'D';
  filter.upper.dateValue = Utc(2024, 2, 29, 23, 59, 58);
  filter.upper.sizeUnit = 'G';
  filter.upper.sizeValue = 2;
  const uint64_t packed = (2024ull << 26) | (2ull << 22) | (29ull << 17) | (23ull << 12) | (59ull << 6) | 58ull;
  EXPECT_EQ(FormatFilter(filter),
            u"c;aArh;\"+*.mp3;*.ogg\";dZ7;lM5;-*live*;dD" + [&] {
              std::string digits = std::to_string(packed);
              return std::u16string(digits.begin(), digits.end());
            }() + u";lG2");
  EXPECT_EQ(ParseFilter(FormatFilter(filter)), filter);
  EXPECT_EQ(FormatFilter(FileFilter()), u"+;-");
}

TEST(PresetFilter, TimeConditionKeepsOnlyTheTimeOfDay) {
  FileFilter filter;
  filter.lower.dateUnit = 'T';
  filter.lower.dateValue = Utc(2023, 7, 14, 6, 30, 0);
  const FileFilter back = ParseFilter(FormatFilter(filter));
  EXPECT_EQ(back.lower.dateUnit, 'T');
  EXPECT_EQ(back.lower.dateValue, Utc(1980, 1, 2, 6, 30, 0));
}

TEST(PresetFilter, ParsesLeniently) {
  FileFilter filter = ParseFilter(u"r;w;zzz;dQ5;l;+*.flac;lK9;-;aDh?;dY2;x");
  EXPECT_EQ(filter.dateKind, 0);  // "w" after "r"
  EXPECT_EQ(filter.lower.mask, u"*.flac");
  EXPECT_EQ(filter.lower.dateUnit, 0);  // unknown unit ignored
  EXPECT_EQ(filter.lower.sizeUnit, 'K');
  EXPECT_EQ(filter.lower.sizeValue, 9u);
  EXPECT_EQ(filter.lower.attributes, 0x10);
  EXPECT_EQ(filter.upper.attributes, 0x2);
  EXPECT_EQ(filter.upper.dateUnit, 'Y');  // after "-", items go to the upper bound
  EXPECT_EQ(filter.upper.dateValue, 2u);
  EXPECT_EQ(ParseFilter(u""), FileFilter());
  const FileFilter cut = ParseFilter(u"+" + std::u16string(5000, u'a'));
  EXPECT_EQ(cut.lower.mask.size(), kMaskCapacity - 1);
}

TEST(PresetStore, FullRoundTripThroughAFile) {
  TempFolder folder;
  SettingsStore main(folder.Path("TARNQ.INI"), SettingsStore::kExplicitFile);
  SearchPreset preset;
  preset.filterEnabled = 1;
  preset.noRecursion = 1;
  preset.moreLimitations = 0x3F;
  preset.useSimilarity = 1;
  preset.artistThreshold = 85;
  preset.titleThreshold = 100;
  preset.durationTolerance = 4;
  preset.filter.lower.mask = u"*.mp3;\"odd\";*.m4a";
  preset.filter.upper.mask = u"*Ünïcödé*";
  preset.filter.lower.dateUnit = 'L';
  preset.filter.lower.dateValue = 3;
  preset.SetFolderList({u"+/music", u"-/music/tmp"});
  preset.presetFile = folder.Path("presets/rock.tnq");
  ASSERT_EQ(preset.SaveCurrent(main), 0u);
  EXPECT_TRUE(folder.Exists("presets/rock.tnq"));
  EXPECT_EQ(main.Text(), "");  // nothing went into the main settings

  SearchPreset loaded;
  ASSERT_EQ(loaded.LoadCurrent(preset.presetFile, main), 0u);
  EXPECT_EQ(loaded, preset);
}

TEST(PresetStore, EmptyPresetFileMeansMainSettings) {
  TempFolder folder;
  SettingsStore main(folder.Path("TARNQ.INI"), SettingsStore::kExplicitFile);
  main.WriteInt("TARNQ", "Opt", 64);
  SearchPreset preset;
  preset.artistThreshold = 70;
  preset.SetFolderList({u"+/m"});
  ASSERT_EQ(preset.SaveCurrent(main), 0u);
  EXPECT_EQ(folder.Read("TARNQ.INI"),
            "[TARNQ]\r\nOpt=64\r\nOption=0;0;0;70;0;0\r\nFilter=+;-\r\n\r\n[Folder]\r\n1=+/m\r\n");
  SearchPreset loaded;
  ASSERT_EQ(loaded.LoadCurrent(u"", main), 0u);
  EXPECT_EQ(loaded, preset);
}

TEST(PresetStore, MissingPresetFileIsAnError) {
  TempFolder folder;
  SettingsStore main(folder.Path("TARNQ.INI"), SettingsStore::kExplicitFile);
  SearchPreset preset;
  preset.SetFolderList({u"+/previous"});
  preset.artistThreshold = 50;
  const SearchPreset before = preset;
  EXPECT_EQ(preset.LoadCurrent(folder.Path("gone.tnq"), main), platform::err::kFileNotFound);
  EXPECT_EQ(preset.presetFile, folder.Path("gone.tnq"));
  EXPECT_EQ(preset.folders, before.folders);
  EXPECT_EQ(preset.artistThreshold, 50u);
}

TEST(PresetStore, PresetFileWithMacro) {
  TempFolder folder;
  SettingsStore main(folder.Path("TARNQ.INI"), SettingsStore::kExplicitFile);
  ::setenv("TWINSONG_PRESET_TEST", platform::Utf16ToUtf8(folder.Path()).c_str(), 1);
  SearchPreset preset;
  preset.titleThreshold = 60;
  preset.presetFile = u"%TWINSONG_PRESET_TEST%/./m.tnq";
  ASSERT_EQ(preset.SaveCurrent(main), 0u);
  EXPECT_TRUE(folder.Exists("m.tnq"));
  SearchPreset loaded;
  ASSERT_EQ(loaded.LoadCurrent(preset.presetFile, main), 0u);
  EXPECT_EQ(loaded.titleThreshold, 60u);
  ::unsetenv("TWINSONG_PRESET_TEST");
}

TEST(PresetStore, GarbagePresetFileLoadsDefaults) {
  std::string garbage = "[TARNQ]\r\nOption=\"\"\"';;;\r\nFilter=\"";
  for (int i = 0; i < 3000; ++i) garbage.push_back(static_cast<char>((i * 131) % 256));
  PresetFile f(garbage);
  SearchPreset preset;
  preset.Load(*f.store);
  EXPECT_EQ(preset.durationTolerance, -1);
  EXPECT_TRUE(preset.folders.empty());
}

TEST(FilterValidation, NamesTheFirstItemThatDoesNotParse) {
  const std::pair<std::u16string_view, std::u16string_view> cases[] = {
      {u"+*.mp3;-*live*", u""},  {u"c;aAh;+*.mp3;dL1;lK9999", u""}, {u"", u""},
      {u"x*.mp3", u"x*.mp3"},    {u"+*.mp3;dQ1", u"dQ1"},            {u"dL", u"dL"},
      {u"lKabc", u"lKabc"},      {u"l5", u"l5"},                     {u"aAz", u"aAz"},
      {u"cx", u"cx"},
  };
  for (const auto& [value, bad] : cases) EXPECT_EQ(FirstBadFilterItem(value), bad) << platform::Utf16ToUtf8(value);
}

}  // namespace
}  // namespace tarnq::engine
