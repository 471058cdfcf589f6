// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/path_macros.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/paths.h"

namespace tarnq::settings {
namespace {

class EnvScope {
 public:
  EnvScope(const char* name, const char* value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old, m_had = true;
    ::setenv(name, value, 1);
  }
  ~EnvScope() {
    if (m_had) ::setenv(m_name, m_old.c_str(), 1);
    else ::unsetenv(m_name);
  }

 private:
  const char* m_name;
  std::string m_old;
  bool m_had = false;
};

TEST(NormalizePath, DotAndDotDotComponents) {
  EXPECT_EQ(NormalizePath(u"C:/A/./B/../C"), u"C:/A/C");
  EXPECT_EQ(NormalizePath(u"/music/./rock/../pop/a.mp3"), u"/music/pop/a.mp3");
  EXPECT_EQ(NormalizePath(u"/a/b/.."), u"/a/");
  EXPECT_EQ(NormalizePath(u"../x/y"), u"x/y");
  EXPECT_EQ(NormalizePath(u"/../x"), u"/x");
  // Dots that belong to names stay.
  EXPECT_EQ(NormalizePath(u"/music/Vol./a..b/.../x"), u"/music/Vol./a..b/.../x");
  EXPECT_EQ(NormalizePath(u"/music/.hidden/a"), u"/music/.hidden/a");
  EXPECT_EQ(NormalizePath(u""), u"");
  EXPECT_EQ(NormalizePath(u"/"), u"/");
}

TEST(PathMacros, ExpandKnownMacros) {
  const std::u16string program = platform::ProgramFolder();
  EXPECT_EQ(ExpandPathMacros(u"%MY_PATH%/presets/a.tnq"), program + u"/presets/a.tnq");
  EXPECT_EQ(ExpandPathMacros(u"%my_path%/x"), program + u"/x");
  EXPECT_EQ(ExpandPathMacros(u"%COMMANDER_PATH%/x"), program + u"/x");
  EXPECT_EQ(ExpandPathMacros(u"../data/x"), NormalizePath(program + u"/../data/x"));
  {
    EnvScope config("XDG_CONFIG_HOME", "/cfg/home");
    EXPECT_EQ(ExpandPathMacros(u"%APPDATA%/Quillworks/MP3Cache"), u"/cfg/home/Quillworks/MP3Cache");
    EXPECT_EQ(PerUserSettingsPath(), u"/cfg/home/Quillworks/TARNQ.INI");
  }
  {
    EnvScope temp("TMPDIR", "/scratch/");
    EXPECT_EQ(ExpandPathMacros(u"%TEMP%/a"), u"/scratch/a");
  }
  EnvScope music("TWINSONG_MUSIC", "/srv/music");
  EXPECT_EQ(ExpandPathMacros(u"%TWINSONG_MUSIC%/rock"), u"/srv/music/rock");
  EXPECT_EQ(ExpandPathMacros(u"%NO_SUCH_VARIABLE_HERE%/rock"), u"%NO_SUCH_VARIABLE_HERE%/rock");
  EXPECT_EQ(ExpandPathMacros(u"%only one percent"), u"%only one percent");
  EXPECT_EQ(ExpandPathMacros(u"/music/100%/x"), u"/music/100%/x");
  EXPECT_EQ(ProgramFolderSettingsPath(), program + u"/TARNQ.INI");
}

TEST(PathMacros, PortablePathRoundTrip) {
  const std::u16string program = platform::ProgramFolder();
  EXPECT_EQ(MakePortablePath(program + u"/presets/a.tnq"), u"%MY_PATH%/presets/a.tnq");
  EXPECT_EQ(ExpandPathMacros(MakePortablePath(program + u"/presets/a.tnq")), program + u"/presets/a.tnq");
  EXPECT_EQ(MakePortablePath(u"%APPDATA%/x"), u"%APPDATA%/x");
  EnvScope config("XDG_CONFIG_HOME", "/cfg/home");
  EXPECT_EQ(MakePortablePath(u"/cfg/home/Quillworks/x"), u"%APPDATA%/Quillworks/x");
  EnvScope temp("TMPDIR", "/scratch");
  EXPECT_EQ(MakePortablePath(u"/scratch/a/./b"), u"%TEMP%/a/b");
  EnvScope music("TWINSONG_MUSIC_ROOT", "/srv/music");
  EXPECT_EQ(MakePortablePath(u"/srv/music/rock"), u"%TWINSONG_MUSIC_ROOT%/rock");
  // A folder is a prefix only up to a separator.
  EXPECT_EQ(MakePortablePath(u"/srv/musical/rock"), u"/srv/musical/rock");
  // Values that are no absolute paths, or too short, are never used.
  EnvScope shortValue("TWINSONG_SHORT", "/sr");
  EnvScope colon("TWINSONG_COLON", "/srv/music:/x");
  EXPECT_EQ(MakePortablePath(u"/sr/x"), u"/sr/x");
}

}  // namespace
}  // namespace tarnq::settings
