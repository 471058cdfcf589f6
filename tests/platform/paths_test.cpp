// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/paths.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "saved_environment.h"

namespace tarnq::platform {
namespace {


TEST(Paths, JoinAndSplit) {
  EXPECT_EQ(JoinPath(u"/music", u"a.mp3"), u"/music/a.mp3");
  EXPECT_EQ(JoinPath(u"/music/", u"a.mp3"), u"/music/a.mp3");
  EXPECT_EQ(JoinPath(u"/", u"a"), u"/a");
  EXPECT_EQ(FileNameOf(u"/music/Band - Song.mp3"), u"Band - Song.mp3");
  EXPECT_EQ(FolderOf(u"/music/a.mp3"), u"/music");
  EXPECT_EQ(FolderOf(u"/a.mp3"), u"/");
  EXPECT_EQ(FolderOf(u"a.mp3"), u"");
  EXPECT_EQ(ExtensionOf(u"/m/Song.Live.MP3"), u"MP3");
  EXPECT_EQ(ExtensionOf(u"/m.d/README"), u"");
  EXPECT_EQ(ExtensionOf(u"/m/.hidden"), u"");
  EXPECT_EQ(StemOf(u"/m/Song.Live.MP3"), u"Song.Live");
}

TEST(Paths, BackslashIsAnOrdinaryCharacter) {
  EXPECT_EQ(FileNameOf(u"/music/AC\\DC.mp3"), u"AC\\DC.mp3");
  EXPECT_EQ(FolderOf(u"/music/AC\\DC.mp3"), u"/music");
  EXPECT_FALSE(IsAbsolutePath(u"C:\\Music"));
  EXPECT_FALSE(IsAbsolutePath(u"\\\\server\\share"));
  EXPECT_TRUE(IsAbsolutePath(u"/home"));
}

TEST(Paths, FolderPrefixNeedsAWholeComponent) {
  EXPECT_TRUE(IsInFolder(u"/music/a/song.mp3", u"/music/a"));
  EXPECT_TRUE(IsInFolder(u"/music/a", u"/music/a/"));
  EXPECT_FALSE(IsInFolder(u"/music/ab/song.mp3", u"/music/a"));
  EXPECT_FALSE(IsInFolder(u"/music/a b", u"/music/a"));
  EXPECT_TRUE(IsInFolder(u"/x", u"/"));
  EXPECT_TRUE(SamePath(u"/music/", u"/music"));
  EXPECT_FALSE(SamePath(u"/Music", u"/music"));  // case-sensitive file systems
}

TEST(Paths, PlacesFollowTheEnvironment) {
  testing::SavedEnvironment saved{"XDG_CONFIG_HOME", "HOME", "TMPDIR"};
  setenv("XDG_CONFIG_HOME", "/tmp/cfg-test", 1);
  EXPECT_EQ(AppDataFolder(), u"/tmp/cfg-test");
  EXPECT_EQ(PerUserFolder(), u"/tmp/cfg-test/Quillworks");
  unsetenv("XDG_CONFIG_HOME");
  setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(PerUserFolder(), u"/home/someone/.config/Quillworks");
  setenv("TMPDIR", "/var/tmp/", 1);
  EXPECT_EQ(TempFolder(), u"/var/tmp");
  unsetenv("TMPDIR");
  EXPECT_EQ(TempFolder(), u"/tmp");
  std::u16string value;
  EXPECT_TRUE(GetEnvironment(u"HOME", value));
  EXPECT_EQ(value, u"/home/someone");
  EXPECT_FALSE(GetEnvironment(u"TARNQ_SURELY_UNSET_VARIABLE", value));
  EXPECT_TRUE(IsAbsolutePath(ProgramFolder()));
  EXPECT_TRUE(IsAbsolutePath(CurrentFolder()));
  // A program run from its build folder keeps everything beside itself (the installed layout is
  // checked on the extracted package).
  EXPECT_FALSE(IsInstalledProgram());
  EXPECT_EQ(ProgramLibraryFolder(), ProgramFolder());
  EXPECT_EQ(ProgramDataFolder(), ProgramFolder());
}

TEST(Paths, RuntimeFolderFallsBackToTheCacheFolder) {
  testing::SavedEnvironment saved{"HOME", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME"};
  setenv("HOME", "/home/someone", 1);
  setenv("XDG_RUNTIME_DIR", "/run/user/1000/", 1);
  setenv("XDG_CACHE_HOME", "/var/cache-test", 1);
  EXPECT_EQ(RuntimeFolder(), u"/run/user/1000");
  setenv("XDG_RUNTIME_DIR", "relative", 1);  // not a usable place
  EXPECT_EQ(RuntimeFolder(), u"/var/cache-test");
  unsetenv("XDG_RUNTIME_DIR");
  unsetenv("XDG_CACHE_HOME");
  EXPECT_EQ(RuntimeFolder(), u"/home/someone/.cache");
}

}  // namespace
}  // namespace tarnq::platform
