// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "platform/files.h"
#include "platform/text.h"
#include "settings/settings_backup.h"
#include "settings/colors.h"
#include "settings/placement.h"
#include "settings_test_support.h"
#include "temp_folder.h"

namespace tarnq::settings {
namespace {

using testing::TempFolder;

TEST(SettingsKeys, KeyMustBeFollowedByEqualsOrSpace) {
  Fixture f("[TARNQ]\r\nIconTB=5\r\nIcon = 3\r\nName=  two words  \r\n");
  EXPECT_EQ(f.store->ReadInt("TARNQ", "Icon", 9), 3u);
  EXPECT_EQ(f.store->ReadInt("TARNQ", "IconTB", 9), 5u);
  EXPECT_EQ(f.store->ReadInt("TARNQ", "IconMn", 9), 9u);
  // Leading spaces of a value are skipped, trailing ones kept.
  EXPECT_EQ(f.store->ReadString("TARNQ", "Name"), "two words  ");
  EXPECT_EQ(f.store->ReadInt("Other", "Icon", 4), 4u);
  EXPECT_EQ(f.store->ReadInt("TARN", "Icon", 4), 4u);  // section names match whole
  EXPECT_EQ(f.store->ReadInt("tarnq", "Icon", 4), 4u);  // and by case
}

TEST(SettingsKeys, NullSectionDoesNothing) {
  Fixture f("[TARNQ]\r\nOpt=1\r\n");
  EXPECT_EQ(f.store->ReadInt(std::string_view{}, "Opt", 7), 7u);
  EXPECT_FALSE(f.store->WriteString(std::string_view{}, "Opt", "2"));
  EXPECT_FALSE(f.store->IsDirty());
}

TEST(SettingsKeys, EmptyValueYieldsDefault) {
  Fixture f("[S]\r\nA=\r\nB=   \r\n");
  EXPECT_EQ(f.store->ReadInt("S", "A", 64), 64u);
  std::string out;
  EXPECT_FALSE(f.store->ReadString("S", "A", "dflt", out));
  EXPECT_EQ(out, "dflt");
  EXPECT_FALSE(f.store->ReadString("S", "B", "dflt", out));  // spaces before a value are skipped
}

TEST(SettingsKeys, IntegersAreUnsigned32) {
  Fixture f("[S]\r\nBig=99999999999\r\nJunk=abc\r\nLead=12abc\r\n");
  f.store->WriteInt("S", "Minus", -1);
  EXPECT_NE(f.store->Text().find("Minus=4294967295\r\n"), std::string::npos);
  EXPECT_EQ(f.store->ReadInt("S", "Minus", 0), 0xFFFFFFFFu);
  EXPECT_EQ(f.store->ReadInt("S", "Big", 0), 0xFFFFFFFFu);
  EXPECT_EQ(f.store->ReadInt("S", "Junk", 5), 0u);
  EXPECT_EQ(f.store->ReadInt("S", "Lead", 5), 12u);
  EXPECT_EQ(f.store->ReadOption("S", 64), 64u);
  f.store->WriteOption("S", 0x20040);
  EXPECT_EQ(f.store->ReadOption("S", 64), 0x20040u);
}

TEST(SettingsEdits, NewKeyGoesBeforeTheBlankLine) {
  Fixture f("[A]\r\na=1\r\n\r\n[B]\r\nb=2\r\n");
  f.store->WriteString("A", "c", "3");
  EXPECT_EQ(f.store->Text(), "[A]\r\na=1\r\nc=3\r\n\r\n[B]\r\nb=2\r\n");
  f.store->WriteString("B", "d", "4");
  EXPECT_EQ(f.store->Text(), "[A]\r\na=1\r\nc=3\r\n\r\n[B]\r\nb=2\r\nd=4\r\n");
  f.store->WriteString("C", "e", "5");
  EXPECT_EQ(f.store->Text(), "[A]\r\na=1\r\nc=3\r\n\r\n[B]\r\nb=2\r\nd=4\r\n\r\n[C]\r\ne=5\r\n");
}

TEST(SettingsEdits, ValuesGrowAndShrinkInPlace) {
  Fixture f("[A]\r\nk=short\r\nz=1\r\n");
  f.store->WriteString("A", "k", "a much longer value");
  EXPECT_EQ(f.store->Text(), "[A]\r\nk=a much longer value\r\nz=1\r\n");
  f.store->WriteString("A", "k", "x");
  EXPECT_EQ(f.store->Text(), "[A]\r\nk=x\r\nz=1\r\n");
  f.store->WriteString("A", "k", "");
  EXPECT_EQ(f.store->Text(), "[A]\r\nk=\r\nz=1\r\n");
}

TEST(SettingsEdits, HeaderWithoutLineEndGetsOne) {
  Fixture f("[A]");
  f.store->WriteString("A", "k", "v");
  EXPECT_EQ(f.store->ReadString("A", "k"), "v");
  EXPECT_EQ(f.store->Text(), "[A]\r\nk=v\r\n");
  Fixture g("[A]\r\nx=1");  // last value without a line end
  g.store->WriteString("A", "k", "v");
  EXPECT_EQ(g.store->Text(), "[A]\r\nx=1\r\nk=v\r\n");
  g.store->WriteString("A", "x", "22");
  EXPECT_EQ(g.store->ReadString("A", "x"), "22");
}

TEST(SettingsEdits, DeleteKeyAndSection) {
  Fixture f("[A]\r\na=1\r\nb=2\r\n\r\n[B]\r\nc=3\r\n\r\n[C]\r\nd=4\r\n");
  EXPECT_TRUE(f.store->DeleteKey("A", "a"));
  EXPECT_FALSE(f.store->DeleteKey("A", "missing"));
  EXPECT_TRUE(f.store->DeleteSection("B"));
  EXPECT_EQ(f.store->Text(), "[A]\r\nb=2\r\n\r\n[C]\r\nd=4\r\n");
  EXPECT_TRUE(f.store->DeleteSection("C"));
  EXPECT_EQ(f.store->Text(), "[A]\r\nb=2\r\n\r\n");
  EXPECT_TRUE(f.store->IsDirty());
}

TEST(SettingsEdits, CommentsAndUnknownLinesSurvive) {
  Fixture f("; a comment\r\n[A]\r\n# note\r\nk=1\r\njunk line\r\n");
  f.store->WriteString("A", "k", "2");
  f.store->WriteString("A", "n", "3");
  EXPECT_EQ(f.store->Text(), "; a comment\r\n[A]\r\n# note\r\nk=2\r\njunk line\r\nn=3\r\n");
}

TEST(SettingsEdits, RefusesValuesThatWouldAddLines) {
  Fixture f("[A]\r\nk=1\r\n");
  EXPECT_FALSE(f.store->WriteString("A", "k", "2\r\n[Evil]\r\nx=1"));
  EXPECT_FALSE(f.store->WriteText("A", "k", u"2\nx=1"));
  EXPECT_FALSE(f.store->WriteString("A", "a=b", "1"));
  EXPECT_FALSE(f.store->WriteString("A]", "k", "1"));
  EXPECT_FALSE(f.store->WriteString("A", "", "1"));
  EXPECT_EQ(f.store->Text(), "[A]\r\nk=1\r\n");
  EXPECT_FALSE(f.store->IsDirty());
}

// A sequence of edits from nothing gives exactly these bytes on disk.
TEST(SettingsEdits, GoldenFileFromEdits) {
  TempFolder folder;
  SettingsStore store(folder.Path("sub/TARNQ.INI"), SettingsStore::kExplicitFile);
  store.WriteInt("TARNQ", "Opt", 64);
  store.WriteText("TARNQ", "Language", u"DE");
  WritePlacement(store, "TARNQ", {10, -20, 900, 650, 3});
  store.WriteText("Copy", "1", u"/music/Björk");
  store.WriteString("Keys", "112", "Help");
  store.WriteInt("TARNQ", "Sort", 0x10003);
  WriteCustomColors(store, "TARNQ", {0xFF, 0x1234, 0xFFFFFF, 0xABCDEF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
                                    0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
                                    0xFFFFFF, 0xFFFFFF, 0xFFFFFF});
  store.DeleteKey("TARNQ", "Language");
  store.WriteString("Keys", "112", "Find");
  ASSERT_EQ(store.Flush(), 0u);
  EXPECT_EQ(folder.Read("sub/TARNQ.INI"),
            "[TARNQ]\r\nOpt=64\r\nPos=10,-20,900,650,3\r\nSort=65539\r\nCC=#ff,1234,ffffff,abcdef\r\n"
            "\r\n[Copy]\r\n1=\xEF\xBB\xBF/music/Bj\xC3\xB6rk\r\n"
            "\r\n[Keys]\r\n112=Find\r\n");
  EXPECT_FALSE(store.IsDirty());
}

TEST(SettingsFlush, SameValueKeepsStoreClean) {
  Fixture f("[A]\r\nk=1\r\n");
  EXPECT_TRUE(f.store->WriteString("A", "k", "1"));
  EXPECT_FALSE(f.store->IsDirty());
}

TEST(SettingsFlush, UnchangedTextLeavesTheFileAlone) {
  Fixture f("[A]\r\nk=1\r\n");
  std::filesystem::last_write_time(f.folder.Native("TARNQ.INI"),
                                   std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 400));
  // As the file system keeps it (some keep whole seconds only).
  const auto old = std::filesystem::last_write_time(f.folder.Native("TARNQ.INI"));
  f.store->WriteString("A", "k", "2");
  f.store->WriteString("A", "k", "1");
  ASSERT_TRUE(f.store->IsDirty());
  EXPECT_EQ(f.store->Flush(), 0u);
  EXPECT_FALSE(f.store->IsDirty());
  EXPECT_EQ(std::filesystem::last_write_time(f.folder.Native("TARNQ.INI")), old);
  f.store->WriteString("A", "k", "3");
  EXPECT_EQ(f.store->Flush(), 0u);
  EXPECT_NE(std::filesystem::last_write_time(f.folder.Native("TARNQ.INI")), old);
  EXPECT_EQ(f.folder.Read("TARNQ.INI"), "[A]\r\nk=3\r\n");
}

TEST(SettingsFlush, MainFileWritesVersion) {
  TempFolder folder;
  SettingsStore store(folder.Path("TARNQ.INI"), SettingsStore::kMainFile | SettingsStore::kExplicitFile);
  store.WriteInt("TARNQ", "Opt", 1);
  ASSERT_EQ(store.Flush(), 0u);
  EXPECT_EQ(folder.Read("TARNQ.INI"), "[TARNQ]\r\nOpt=1\r\nVersion=26.01\r\n");
}

TEST(SettingsFlush, FailedFlushKeepsDirty) {
  TempFolder folder;
  folder.Write("file", "x");  // a file where the folder should be
  SettingsStore store(folder.Path("file/TARNQ.INI"), SettingsStore::kExplicitFile);
  store.WriteInt("A", "k", 1);
  EXPECT_NE(store.Flush(), 0u);
  EXPECT_TRUE(store.IsDirty());
  EXPECT_EQ(store.GetPath(), folder.Path("file/TARNQ.INI"));
}

TEST(SettingsFlush, UnwritableProgramFolderFallsBackToPerUserFile) {
  TempFolder folder;
  folder.Write("readonly", "x");
  SettingsLocations places;
  places.perUserPath = folder.Path("user/Quillworks/TARNQ.INI");
  places.programFolderPath = folder.Path("readonly/TARNQ.INI");
  {
    SettingsStore store(0, places);
    EXPECT_EQ(store.GetPath(), places.programFolderPath);
    store.WriteInt("TARNQ", "Opt", 5);
    EXPECT_EQ(store.Flush(), 0u);
    EXPECT_EQ(store.GetPath(), places.perUserPath);
    EXPECT_FALSE(store.IsDirty());
  }
  const std::string written = folder.Read("user/Quillworks/TARNQ.INI");
  EXPECT_NE(written.find("[UseThis]\r\nOpt=" + platform::Utf16ToUtf8(places.perUserPath) + "\r\n"),
            std::string::npos);
  // The next start finds the per-user file.
  SettingsStore again(0, places);
  EXPECT_EQ(again.GetPath(), places.perUserPath);
  EXPECT_EQ(again.ReadInt("TARNQ", "Opt", 0), 5u);
}

TEST(SettingsLocation, ProgramFolderFileWinsWithoutMarker) {
  TempFolder folder;
  folder.Write("user/TARNQ.INI", "[TARNQ]\r\nOpt=1\r\n");
  folder.Write("prog/TARNQ.INI", "[TARNQ]\r\nOpt=2\r\n\r\n[UseThis]\r\nOpt=/stale\r\n");
  SettingsLocations places{folder.Path("user/TARNQ.INI"), folder.Path("prog/TARNQ.INI"), {}};
  SettingsStore store(0, places);
  EXPECT_EQ(store.GetPath(), places.programFolderPath);
  EXPECT_EQ(store.ReadInt("TARNQ", "Opt", 0), 2u);
  // A marker in the program-folder file itself means nothing there and is removed.
  EXPECT_EQ(store.ReadString("UseThis", "Opt"), "");
}

TEST(SettingsLocation, MarkerInPerUserFileKeepsIt) {
  TempFolder folder;
  folder.Write("user/TARNQ.INI", "[TARNQ]\r\nOpt=1\r\n\r\n[UseThis]\r\nOpt=/x\r\n");
  folder.Write("prog/TARNQ.INI", "[TARNQ]\r\nOpt=2\r\n");
  SettingsLocations places{folder.Path("user/TARNQ.INI"), folder.Path("prog/TARNQ.INI"), {}};
  SettingsStore store(0, places);
  EXPECT_EQ(store.GetPath(), places.perUserPath);
  EXPECT_EQ(store.ReadInt("TARNQ", "Opt", 0), 1u);
}

TEST(SettingsLocation, NeitherFileGivesProgramFolderPath) {
  TempFolder folder;
  SettingsLocations places{folder.Path("user/TARNQ.INI"), folder.Path("prog/TARNQ.INI"), {}};
  SettingsStore store(0, places);
  EXPECT_EQ(store.GetPath(), places.programFolderPath);
  EXPECT_EQ(store.ReadInt("TARNQ", "Opt", 64), 64u);
  // An override names exactly one file.
  places.overridePath = folder.Path("override.ini");
  SettingsStore overridden(SettingsStore::kMainFile, places);
  EXPECT_EQ(overridden.GetPath(), places.overridePath);
  EXPECT_TRUE(overridden.Flags() & SettingsStore::kExplicitFile);
}

TEST(SettingsLocation, InstalledProgramUsesOnlyThePerUserFile) {
  // An installed program has no program-folder file: the per-user file is created on the first
  // flush even when a TARNQ.INI lies in the program's folder.
  TempFolder folder;
  folder.Write("bin/TARNQ.INI", "[TARNQ]\r\nOpt=2\r\n");
  SettingsLocations places{folder.Path("user/Quillworks/TARNQ.INI"), {}, {}};
  {
    SettingsStore store(SettingsStore::kMainFile, places);
    EXPECT_EQ(store.GetPath(), places.perUserPath);
    EXPECT_EQ(store.ReadInt("TARNQ", "Opt", 0), 0u);
    store.WriteInt("TARNQ", "Opt", 7);
  }
  EXPECT_NE(folder.Read("user/Quillworks/TARNQ.INI").find("Opt=7"), std::string::npos);
  EXPECT_EQ(folder.Read("bin/TARNQ.INI"), "[TARNQ]\r\nOpt=2\r\n");
}

TEST(SettingsLocation, SetPathModes) {
  TempFolder folder;
  SettingsStore store(u"", SettingsStore::kExplicitFile);
  EXPECT_EQ(store.SetPath(folder.Path("a.ini"), SettingsStore::kAcceptMissing), 0);
  EXPECT_EQ(store.SetPath(folder.Path("a.ini"), SettingsStore::kAcceptMissing), SettingsStore::kSamePath);
  EXPECT_EQ(store.SetPath(folder.Path("b.ini"), SettingsStore::kMustOpen), 2);
  EXPECT_EQ(store.GetPath(), folder.Path("a.ini"));
  folder.Write("b.ini", "");
  EXPECT_EQ(store.SetPath(folder.Path("b.ini"), SettingsStore::kMustOpen), 0);
}

TEST(SettingsText, MarkerOnlyForNonAscii) {
  Fixture f("");
  f.store->WriteText("S", "ascii", u"Plain text");
  f.store->WriteText("S", "latin", u"Björk");
  f.store->WriteText("S", "cjk", u"東京事変");
  f.store->WriteText("S", "emoji", u"a\U0001F3B5b");
  const std::string text = f.store->Text();
  EXPECT_NE(text.find("ascii=Plain text\r\n"), std::string::npos);
  EXPECT_NE(text.find("latin=\xEF\xBB\xBF" "Bj\xC3\xB6rk\r\n"), std::string::npos);
  for (auto [key, value] : {std::pair{"ascii", u"Plain text"}, std::pair{"latin", u"Björk"},
                            std::pair{"cjk", u"東京事変"}, std::pair{"emoji", u"a\U0001F3B5b"}})
    EXPECT_EQ(f.store->ReadText("S", key), value) << key;
  // A cut at the capacity never splits a surrogate pair.
  EXPECT_EQ(f.store->ReadText("S", "emoji", u"", 3), u"a");
  EXPECT_EQ(f.store->ReadText("S", "missing", u"dflt"), u"dflt");
}

TEST(SettingsText, UnmarkedBytesUseTheLegacyCodePage) {
  TempFolder folder;
  folder.Write("TARNQ.INI", "[TARNQ]\r\nCodePage=1251\r\nName=\xE9\r\n");
  {
    SettingsStore plain(folder.Path("TARNQ.INI"), SettingsStore::kExplicitFile);
    platform::SetLegacyCodePage(1252);
    EXPECT_EQ(plain.ReadText("TARNQ", "Name"), u"é");
  }
  {
    // The main file's CodePage setting applies as soon as it is loaded.
    SettingsStore main(folder.Path("TARNQ.INI"), SettingsStore::kMainFile | SettingsStore::kExplicitFile);
    EXPECT_EQ(main.ReadText("TARNQ", "Name"), u"й");
    EXPECT_EQ(platform::LegacyCodePage(), 1251);
  }
  platform::SetLegacyCodePage(0);
}

TEST(SettingsText, Utf8FileWithByteOrderMark) {
  Fixture f("\xEF\xBB\xBF[TARNQ]\r\nName=Bj\xC3\xB6rk\r\nMarked=\xEF\xBB\xBFZ\xC3\xBC\r\n");
  EXPECT_TRUE(f.store->IsUtf8File());
  EXPECT_EQ(f.store->ReadText("TARNQ", "Name"), u"Björk");  // the mark does not hide [TARNQ]
  EXPECT_EQ(f.store->ReadText("TARNQ", "Marked"), u"Zü");
  f.store->WriteInt("TARNQ", "Opt", 3);
  EXPECT_EQ(f.store->Text().rfind("[TARNQ]"), 3u);  // no second section
}

TEST(SettingsText, PathsKeepNonUtf8Bytes) {
  Fixture f("");
  const std::u16string odd = platform::NameBytesToUtf16("/music/caf\xE9/a.mp3");
  f.store->WritePath("Copy", "1", odd);
  EXPECT_NE(f.store->Text().find("1=\xEF\xBB\xBF/music/caf\xE9/a.mp3\r\n"), std::string::npos);
  EXPECT_EQ(f.store->ReadPath("Copy", "1"), odd);
}

TEST(SettingsDesktop, HeadlessLeavesRecordAlone) {
  Fixture f("[Desk]\r\n.=#400,300\r\n", SettingsStore::kMainFile | SettingsStore::kExplicitFile);
  EXPECT_FALSE(f.store->DesktopChanged());
  EXPECT_EQ(f.store->ReadString("Desk", "."), "#400,300");
  EXPECT_FALSE(f.store->IsDirty());
}

TEST(SettingsLists, NumberedListRoundTrip) {
  Fixture f("[Preset]\r\n1=/old\r\n7=/older\r\n");
  std::vector<std::u16string> items;
  for (int i = 0; i < 35; ++i) items.push_back(u"/presets/p" + std::u16string(1, u'a' + i % 26) + u".tnq");
  items[1] = u"/presets/Größe.tnq";
  f.store->WriteList("Preset", items, 30);
  const std::vector<ListEntry> read = f.store->ReadList("Preset");
  ASSERT_EQ(read.size(), 30u);
  for (size_t i = 0; i < read.size(); ++i) {
    EXPECT_EQ(read[i].key, i + 1);
    EXPECT_EQ(read[i].value, items[i]);
  }
}

TEST(SettingsLists, SectionLinesAndEnumeration) {
  Fixture f("[L]\r\nb = 2\r\n\r\nnot a pair\r\n=empty key\r\na=1\r\n\r\n[M]\r\nx=1\r\n");
  EXPECT_EQ(f.store->ReadSectionLines("L"),
            (std::vector<std::string>{"b = 2", "not a pair", "=empty key", "a=1"}));
  std::vector<std::string> seen;
  EXPECT_EQ(f.store->EnumSection("L", [&](std::string_view key, std::string_view value) {
    seen.push_back(std::string(key) + ":" + std::string(value));
    return false;
  }), 2u);
  EXPECT_EQ(seen, (std::vector<std::string>{"b:2", "a:1"}));
  EXPECT_EQ(f.store->EnumSection("L", [](std::string_view, std::string_view) { return true; }), 1u);
  EXPECT_TRUE(f.store->ReadSectionLines("None").empty());
}

TEST(SettingsLifecycle, FreezeSkipsWritesAndFlushes) {
  Fixture f("[A]\r\nk=1\r\n");
  f.store->Freeze();
  f.store->Freeze();
  EXPECT_FALSE(f.store->WriteString("A", "k", "2"));
  EXPECT_EQ(f.store->ReadString("A", "k"), "");  // not even loaded
  f.store->Thaw();
  EXPECT_EQ(f.store->ReadString("A", "k"), "1");
  f.store->WriteString("A", "k", "2");
  f.store->Freeze();
  EXPECT_EQ(f.store->Flush(), 0u);
  EXPECT_EQ(f.folder.Read("TARNQ.INI"), "[A]\r\nk=1\r\n");
  f.store->Thaw();
  EXPECT_EQ(f.store->Flush(), 0u);
  EXPECT_EQ(f.folder.Read("TARNQ.INI"), "[A]\r\nk=2\r\n");
}

TEST(SettingsLifecycle, SwitchFileDropsText) {
  Fixture f("[A]\r\nk=1\r\n");
  f.folder.Write("other.ini", "[A]\r\nk=2\r\n");
  EXPECT_EQ(f.store->ReadString("A", "k"), "1");
  f.store->WriteString("A", "k", "9");
  f.store->SwitchFile(f.folder.Path("other.ini"));
  EXPECT_FALSE(f.store->IsDirty());
  EXPECT_EQ(f.store->ReadString("A", "k"), "2");
}

TEST(SettingsConcurrency, TwoThreadsLoseNothing) {
  Fixture f("");
  auto writer = [&](const char* section) {
    for (int i = 0; i < 300; ++i) f.store->WriteInt(section, std::to_string(i), static_cast<uint32_t>(i * 7));
  };
  std::thread a(writer, "A");
  std::thread b(writer, "B");
  a.join();
  b.join();
  for (const char* section : {"A", "B"})
    for (int i = 0; i < 300; ++i)
      ASSERT_EQ(f.store->ReadInt(section, std::to_string(i), 1), static_cast<uint32_t>(i * 7)) << section << i;
}

TEST(SettingsBadInput, GarbageNeverCrashes) {
  std::string garbage;
  for (int i = 0; i < 5000; ++i) garbage.push_back(static_cast<char>((i * 7919) % 256));
  garbage += "\n[Broken\r\n[Ok]\nk=v";
  garbage += "\n[Long]\r\nv=" + std::string(10 << 20, 'x');
  Fixture f(garbage);
  EXPECT_EQ(f.store->ReadString("Ok", "k"), "v");
  EXPECT_EQ(f.store->ReadInt("Broken", "k", 3), 3u);
  EXPECT_EQ(f.store->ReadString("Long", "v", "", 16), std::string(15, 'x'));
  EXPECT_EQ(f.store->ReadText("Long", "v", u"", 4), u"xxx");
  WindowPlacement p = ReadPlacement(*f.store, "Long", 100, 100);
  EXPECT_EQ(p.x, kSystemChoosesPosition);
  EXPECT_EQ(f.store->EnumSection("Long", [](std::string_view, std::string_view) { return false; }), 1u);
  f.store->WriteString("Ok", "k", "w");
  EXPECT_EQ(f.store->ReadString("Ok", "k"), "w");
}

TEST(SettingsBackup, BackupRestoreReset) {
  TempFolder folder;
  folder.Write("TARNQ.INI", "[TARNQ]\r\nOpt=1\r\n");
  SettingsStore store(folder.Path("TARNQ.INI"), SettingsStore::kExplicitFile);
  store.WriteInt("TARNQ", "Opt", 2);

  SettingsCommandResult result = BackupSettings(store, folder.Path("backup.ini"));
  EXPECT_EQ(result.error, 0u);
  EXPECT_EQ(folder.Read("backup.ini"), "[TARNQ]\r\nOpt=2\r\n");
  // An existing backup is kept; the new copy gets a numbered name.
  store.WriteInt("TARNQ", "Opt", 3);
  result = BackupSettings(store, folder.Path("backup.ini"));
  EXPECT_EQ(result.writtenPath, folder.Path("backup (2).ini"));
  EXPECT_EQ(folder.Read("backup.ini"), "[TARNQ]\r\nOpt=2\r\n");
  EXPECT_EQ(folder.Read("backup (2).ini"), "[TARNQ]\r\nOpt=3\r\n");
  EXPECT_FALSE(BackupSettings(store, store.GetPath()).restartRequested);

  EXPECT_FALSE(RestoreSettings(store, store.GetPath()).restartRequested);
  result = RestoreSettings(store, folder.Path("backup.ini"));
  EXPECT_EQ(result.error, 0u);
  EXPECT_TRUE(result.restartRequested);
  // Frozen: the running instance cannot overwrite the restored file.
  store.WriteInt("TARNQ", "Opt", 9);
  EXPECT_EQ(store.Flush(), 0u);
  EXPECT_EQ(folder.Read("TARNQ.INI"), "[TARNQ]\r\nOpt=2\r\n");
  store.Thaw();
  EXPECT_EQ(store.ReadInt("TARNQ", "Opt", 0), 2u);

  result = ResetSettings(store);
  EXPECT_TRUE(result.restartRequested);
  EXPECT_EQ(folder.Read("TARNQ.INI"), "");
  store.Thaw();
  EXPECT_EQ(store.ReadInt("TARNQ", "Opt", 64), 64u);
  EXPECT_EQ(RestoreSettings(store, folder.Path("missing.ini")).error, 2u);
}

}  // namespace
}  // namespace tarnq::settings
