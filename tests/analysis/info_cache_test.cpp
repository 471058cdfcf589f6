// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/info_cache.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/errors.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/time.h"
#include "settings/settings_store.h"
#include "temp_folder.h"

namespace tarnq::analysis {
namespace {

using platform::FileTime;
using records::AudioInfo;
using testing::TempFolder;

// 2024-05-06 07:08:09 UTC.
const FileTime kWritten = platform::UnixToFileTime(1714979289);

// An AudioInfo as the analysis builds it; released by the caller.
AudioInfo MakeInfo(std::u16string_view title, std::u16string_view artist, uint16_t bpm = 0) {
  records::AudioSource source;
  source.format = records::kFormatMpeg;
  source.channels = 3;
  source.track = 7;
  source.bpm = bpm;
  source.year = 1999;
  source.duration = 245;
  source.sampleRate = 44100;
  source.bitrate = -192;
  source.formatName = u"MP3";
  source.genre = u"Rock";
  source.title = title;
  source.artist = artist;
  source.album = u"Album";
  source.comment = u"Comment";
  AudioInfo info;
  info.Build(source);
  return info;
}

struct Owned {
  AudioInfo info;
  ~Owned() { info.Release(); }
};

class InfoCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cache.SetPath(folder.Path("MP3Cache"));
    cache.SetRetryWait([this](std::chrono::milliseconds) { ++waits; });
  }

  void AddEntry(std::u16string_view path, uint64_t size, FileTime time, std::u16string_view title,
                uint16_t bpm = 0) {
    Owned o{MakeInfo(title, u"Artist", bpm)};
    ASSERT_TRUE(cache.Add(size, time, path, o.info));
  }
  // Looks up in a fresh cache loaded from the file.
  bool Reloaded(uint64_t size, FileTime time, std::u16string_view path, Owned& out) {
    InfoCache fresh;
    fresh.SetPath(folder.Path("MP3Cache"));
    EXPECT_EQ(fresh.Load(), 0u);
    return fresh.Lookup(size, time, path, out.info);
  }

  TempFolder folder;
  InfoCache cache;
  int waits = 0;
};

// While it lives, no file can be opened (too many open files), also for root.
class NoFreeHandles {
 public:
  NoFreeHandles() {
    getrlimit(RLIMIT_NOFILE, &m_old);
    rlimit none = m_old;
    none.rlim_cur = 0;
    setrlimit(RLIMIT_NOFILE, &none);
  }
  ~NoFreeHandles() { End(); }
  void End() { setrlimit(RLIMIT_NOFILE, &m_old); }

 private:
  rlimit m_old{};
};

TEST_F(InfoCacheTest, SaveAndLoadKeepEveryField) {
  AddEntry(u"/music/a.mp3", 1234, kWritten, u"Title; with \"semicolon\"", 128);
  Owned plain{MakeInfo(u"Grüße ♪ 𝄞", u"Artist")};
  plain.info.format = records::kFormatFlac;
  ASSERT_TRUE(cache.Add(99, kWritten, u"/music/ünï.flac", plain.info));
  ASSERT_EQ(cache.Save(), 0u);

  Owned a, b;
  ASSERT_TRUE(Reloaded(1234, kWritten, u"/music/a.mp3", a));
  EXPECT_EQ(a.info.GetText(records::kTextTitle), u"Title; with \"semicolon\"");
  EXPECT_EQ(a.info.GetText(records::kTextArtist), u"Artist");
  EXPECT_EQ(a.info.GetText(records::kTextAlbum), u"Album");
  EXPECT_EQ(a.info.GetText(records::kTextGenre), u"Rock");
  EXPECT_EQ(a.info.GetText(records::kTextComment), u"Comment");
  // Rate and channel word appear once, not twice.
  EXPECT_EQ(a.info.GetText(records::kTextType), u"MP3, 44100Hz, Joint Stereo");
  EXPECT_EQ(a.info.bpm, 128);
  EXPECT_EQ(a.info.bitrate, -192);
  EXPECT_EQ(a.info.duration, 245u);
  EXPECT_EQ(a.info.track, 7);
  EXPECT_EQ(a.info.year, 1999);
  EXPECT_EQ(a.info.channels, 3);
  EXPECT_EQ(a.info.sampleRate, 44100u);

  ASSERT_TRUE(Reloaded(99, kWritten, u"/music/ünï.flac", b));
  EXPECT_EQ(b.info.format, records::kFormatFlac);
  EXPECT_EQ(b.info.GetText(records::kTextTitle), u"Grüße ♪ 𝄞");
}

TEST_F(InfoCacheTest, WritesTheFileFormatExactly) {
  AddEntry(u"/m/a;b.mp3", 1000, kWritten, u"T", 0);
  ASSERT_EQ(cache.Save(), 0u);
  const uint64_t packed = 2024ull << 26 | 5ull << 22 | 6ull << 17 | 7ull << 12 | 8ull << 6 | 9;
  EXPECT_EQ(folder.Read("MP3Cache"), "\"/m/a;b.mp3\";1000;" + std::to_string(packed) +
                                         ";;3;44100;-192;4;5;7;T;Artist;Album;1999;Rock;"
                                         "MP3, 44100Hz, Joint Stereo;Comment;\r\n");
}

TEST_F(InfoCacheTest, OlderSeventeenFieldLineLoadsWithBpmZero) {
  folder.Write("MP3Cache", "/m/old.mp3;10;;;2;;128;3;;;Old;Band;;;;MP3, Stereo;\r\n");
  Owned out;
  ASSERT_TRUE(Reloaded(10, 0, u"/m/old.mp3", out));
  EXPECT_EQ(out.info.bpm, 0);
  EXPECT_EQ(out.info.duration, 180u);
  EXPECT_EQ(out.info.GetText(records::kTextType), u"MP3, Stereo");  // rate 0: no rate part
}

// The codec has a field of its own after the BPM; the format field keeps the plain code.
TEST_F(InfoCacheTest, TheCodecTravelsInAFieldOfItsOwn) {
  Owned alac{MakeInfo(u"Lossless", u"Artist")};
  alac.info.format = records::WithCodec(records::kFormatMp4, records::Codec::kAlac);
  ASSERT_TRUE(cache.Add(50, 0, u"/m/a.m4a", alac.info));
  ASSERT_EQ(cache.Save(), 0u);
  const std::string line = folder.Read("MP3Cache");
  EXPECT_TRUE(line.starts_with("/m/a.m4a;50;;4;3;")) << line;
  EXPECT_TRUE(line.ends_with(";Comment;;3\r\n")) << line;
  Owned out;
  ASSERT_TRUE(Reloaded(50, 0, u"/m/a.m4a", out));
  EXPECT_EQ(out.info.FormatCode(), records::kFormatMp4);
  EXPECT_EQ(out.info.AudioCodec(), records::Codec::kAlac);
}

// An MP4 line from before codecs were read is analysed again rather than taken as lossy; other
// formats' lines stay as they were.
TEST_F(InfoCacheTest, AnMp4LineWithoutCodecIsLeftOut) {
  folder.Write("MP3Cache",
               "/m/old.m4a;10;;4;2;44100;128;3;;;Old;Band;;;;M4A, 44100Hz, Stereo;;\r\n"
               "/m/old.mp3;10;;;2;44100;128;3;;;Old;Band;;;;MP3, 44100Hz, Stereo;;\r\n"
               "/m/bad.m4a;10;;4;2;44100;128;3;;;Old;Band;;;;M4A, 44100Hz, Stereo;;;9\r\n");
  Owned m4a, mp3, bad;
  EXPECT_FALSE(Reloaded(10, 0, u"/m/old.m4a", m4a));
  EXPECT_FALSE(Reloaded(10, 0, u"/m/bad.m4a", bad)) << "no such codec";
  ASSERT_TRUE(Reloaded(10, 0, u"/m/old.mp3", mp3));
  EXPECT_EQ(mp3.info.AudioCodec(), records::Codec::kUnknown);
}

TEST_F(InfoCacheTest, TouchedFileMissesAndIsSavedOnce) {
  AddEntry(u"/m/a.mp3", 10, kWritten, u"Old");
  ASSERT_EQ(cache.Save(), 0u);
  ASSERT_EQ(cache.Load(), 0u);

  const FileTime touched = kWritten + 3600 * platform::kTicksPerSecond;
  Owned miss;
  EXPECT_FALSE(cache.Lookup(10, touched, u"/m/a.mp3", miss.info));
  AddEntry(u"/m/a.mp3", 10, touched, u"New");
  AddEntry(u"/m/b.mp3", 11, kWritten, u"Other");
  ASSERT_EQ(cache.Save(), 0u);

  const std::string text = folder.Read("MP3Cache");
  EXPECT_EQ(text.find("/m/a.mp3"), text.rfind("/m/a.mp3"));  // one line for the path
  Owned hit, stale;
  ASSERT_TRUE(Reloaded(10, touched, u"/m/a.mp3", hit));
  EXPECT_EQ(hit.info.GetText(records::kTextTitle), u"New");
  EXPECT_FALSE(Reloaded(10, kWritten, u"/m/a.mp3", stale));
}

TEST_F(InfoCacheTest, MatchRules) {
  AddEntry(u"/m/a.mp3", 10, kWritten, u"First");
  AddEntry(u"/m/a.mp3", 10, kWritten + platform::kTicksPerSecond, u"Second");
  AddEntry(u"/m/b.mp3", 10, kWritten, u"B");
  Owned out;
  // The first entry in store order wins, within 2 s either way.
  ASSERT_TRUE(cache.Lookup(10, kWritten + 2 * platform::kTicksPerSecond, u"/m/a.mp3", out.info));
  EXPECT_EQ(out.info.GetText(records::kTextTitle), u"First");
  out.info.Release();
  ASSERT_TRUE(cache.Lookup(10, kWritten + 3 * platform::kTicksPerSecond, u"/m/a.mp3", out.info));
  EXPECT_EQ(out.info.GetText(records::kTextTitle), u"Second");
  out.info.Release();
  EXPECT_FALSE(cache.Lookup(10, kWritten + 4 * platform::kTicksPerSecond, u"/m/a.mp3", out.info));
  EXPECT_FALSE(cache.Lookup(11, kWritten, u"/m/a.mp3", out.info));
  EXPECT_FALSE(cache.Lookup(10, kWritten, u"/m/A.mp3", out.info));  // file names are case-sensitive
  EXPECT_FALSE(cache.Lookup(10, kWritten, u"/m/c.mp3", out.info));
}

TEST_F(InfoCacheTest, EntryInLocalTimeMatches) {
  const char* oldTz = std::getenv("TZ");
  const std::string saved = oldTz ? oldTz : "";
  setenv("TZ", "XST-5", 1);  // five hours east of UTC
  tzset();
  const FileTime local = kWritten + 5 * 3600 * platform::kTicksPerSecond;
  AddEntry(u"/m/a.mp3", 10, local, u"Local");
  Owned out;
  const bool hit = cache.Lookup(10, kWritten, u"/m/a.mp3", out.info);
  if (oldTz) setenv("TZ", saved.c_str(), 1);
  else unsetenv("TZ");
  tzset();
  EXPECT_TRUE(hit);
}

TEST_F(InfoCacheTest, TimeZeroMatchesFilesFromBefore1980) {
  const FileTime old = platform::UnixToFileTime(100000000);  // 1973
  AddEntry(u"/m/old.mp3", 10, old, u"Old");
  ASSERT_EQ(cache.Save(), 0u);
  EXPECT_NE(folder.Read("MP3Cache").find("/m/old.mp3;10;;"), std::string::npos);
  Owned hit, miss;
  EXPECT_TRUE(Reloaded(10, old, u"/m/old.mp3", hit));
  EXPECT_FALSE(Reloaded(10, kWritten, u"/m/old.mp3", miss));
}

TEST_F(InfoCacheTest, BadLinesAreSkippedAndGoodOnesLoad) {
  const std::string good = "/m/good.mp3;10;;;2;44100;128;3;;;Good;Band;;;;MP3;;\r\n";
  std::string file = "\x01\xFF garbage without separators\r\n";
  file += "/m/few.mp3;10;;;2\r\n";                                           // too few fields
  file += std::string(10 << 20, 'x') + ";1;;;;;;;;;;;;;;;;\r\n";             // 10 MB path
  file += "/m/over.mp3;99999999999999999999;;;;;;;;;;;;;;;;\r\n";            // size overflows
  file += "/m/chan.mp3;10;;;70000;;;;;;;;;;;;;\r\n";                         // channels > 16 bits
  file += "/m/nonnum.mp3;1x;;;;;;;;;;;;;;;;\r\n";                            // not a number
  file += "/m/time.mp3;10;12345;;;;;;;;;;;;;;;\r\n";                         // time not a date
  file += ";10;;;;;;;;;;;;;;;;\r\n";                                         // empty path
  file += good;
  file += "/m/cut.mp3;10;;;2;441";                                          // cut mid-line
  folder.Write("MP3Cache", file);
  ASSERT_EQ(cache.Load(), 0u);
  EXPECT_EQ(cache.Count(), 1u);
  Owned out;
  ASSERT_TRUE(cache.Lookup(10, 0, u"/m/good.mp3", out.info));
  EXPECT_EQ(out.info.GetText(records::kTextTitle), u"Good");
}

// Entries keep the lines as the file has them: a rewrite after an addition copies them byte for
// byte (older layouts and 8-bit texts included) and decodes them only for a lookup.
TEST_F(InfoCacheTest, LoadedLinesAreWrittenBackAsTheyWere) {
  const int oldCodePage = platform::LegacyCodePage();
  platform::SetLegacyCodePage(1252);
  const std::string old17 = "/m/old.mp3;10;;;2;;128;3;;;Gr\xFC\xDF" "e;Band;;;;MP3, Stereo;\r\n";
  const std::string quoted = "\"/m/a;b.mp3\";20;;;2;44100;128;3;;;Semi;Colon;;;;MP3;;7\r\n";
  folder.Write("MP3Cache", old17 + quoted);
  ASSERT_EQ(cache.Load(), 0u);
  Owned a, b;
  ASSERT_TRUE(cache.Lookup(10, 0, u"/m/old.mp3", a.info));
  EXPECT_EQ(a.info.GetText(records::kTextTitle), u"Grüße");
  ASSERT_TRUE(cache.Lookup(20, 0, u"/m/a;b.mp3", b.info));
  EXPECT_EQ(b.info.bpm, 7);
  EXPECT_EQ(b.info.GetText(records::kTextArtist), u"Colon");
  AddEntry(u"/m/new.mp3", 30, kWritten, u"New");
  ASSERT_EQ(cache.Save(), 0u);
  const std::string text = folder.Read("MP3Cache");
  EXPECT_EQ(text.substr(0, old17.size() + quoted.size()), old17 + quoted);
  EXPECT_NE(text.find("/m/new.mp3;30;"), std::string::npos);
  platform::SetLegacyCodePage(oldCodePage);
}

TEST_F(InfoCacheTest, ALineLongerThanAnEntryHoldsIsKeptShortened) {
  const std::string comment(100000, 'c');
  folder.Write("MP3Cache", "/m/long.mp3;10;;;2;44100;128;3;;;Title;Band;;;;MP3;" + comment + ";\r\n");
  ASSERT_EQ(cache.Load(), 0u);
  ASSERT_EQ(cache.Count(), 1u);
  Owned out;
  ASSERT_TRUE(cache.Lookup(10, 0, u"/m/long.mp3", out.info));
  EXPECT_EQ(out.info.GetText(records::kTextTitle), u"Title");
  const std::u16string cut = out.info.GetText(records::kTextComment);
  EXPECT_FALSE(cut.empty());
  EXPECT_EQ(cut, std::u16string(cut.size(), u'c'));  // the record's own limit
  ASSERT_EQ(cache.Save(), 0u);  // rewritten: the file no longer holds what memory does
  const std::string text = folder.Read("MP3Cache");
  EXPECT_LT(text.size(), 2000u);
  Owned again;
  ASSERT_TRUE(Reloaded(10, 0, u"/m/long.mp3", again));
  EXPECT_EQ(again.info.GetText(records::kTextComment), out.info.GetText(records::kTextComment));
}

// A run that only looked files up leaves the file alone; anything the file does not hold as it
// would be written (a new entry, a skipped line, a second line for one path) rewrites it.
TEST_F(InfoCacheTest, SaveRewritesOnlyWhatChanged) {
  AddEntry(u"/m/a.mp3", 10, kWritten, u"A");
  ASSERT_EQ(cache.Save(), 0u);
  const std::string written = folder.Read("MP3Cache");
  folder.Write("MP3Cache", written + "\r\n");  // a mark that a rewrite would remove
  ASSERT_EQ(cache.Load(), 0u);
  Owned hit;
  ASSERT_TRUE(cache.Lookup(10, kWritten, u"/m/a.mp3", hit.info));
  ASSERT_EQ(cache.Save(), 0u);
  EXPECT_EQ(folder.Read("MP3Cache"), written + "\r\n");

  AddEntry(u"/m/b.mp3", 20, kWritten, u"B");
  ASSERT_EQ(cache.Save(), 0u);
  EXPECT_NE(folder.Read("MP3Cache").find("/m/b.mp3"), std::string::npos);

  for (const std::string& extra : {std::string("garbage\r\n"), written}) {
    folder.Write("MP3Cache", written + extra);
    ASSERT_EQ(cache.Load(), 0u);
    ASSERT_EQ(cache.Save(), 0u);
    EXPECT_EQ(folder.Read("MP3Cache"), written) << extra;
  }
}

TEST_F(InfoCacheTest, AnUnchangedCacheCanBeReleasedBeforeTheSave) {
  AddEntry(u"/m/a.mp3", 10, kWritten, u"A");
  EXPECT_FALSE(cache.ReleaseIfUnchanged());  // the new entry is not in the file yet
  ASSERT_EQ(cache.Save(), 0u);
  const std::string written = folder.Read("MP3Cache");
  ASSERT_EQ(cache.Load(), 0u);
  EXPECT_TRUE(cache.ReleaseIfUnchanged());
  EXPECT_EQ(cache.Count(), 0u);
  ASSERT_EQ(cache.Save(), 0u);
  EXPECT_EQ(folder.Read("MP3Cache"), written);
}

TEST_F(InfoCacheTest, PathBytesThatAreNotUtf8SurviveTheFile) {
  const std::u16string path = platform::NameBytesToUtf16("/m/\xE9t\xE9.mp3");
  AddEntry(path, 10, kWritten, u"Latin-1 name");
  ASSERT_EQ(cache.Save(), 0u);
  Owned out;
  EXPECT_TRUE(Reloaded(10, kWritten, path, out));
}

TEST_F(InfoCacheTest, SwitchedOffTouchesNoFile) {
  AddEntry(u"/m/a.mp3", 10, kWritten, u"A");
  ASSERT_EQ(cache.Save(), 0u);
  const std::string before = folder.Read("MP3Cache");
  InfoCache off;
  off.SetPath(folder.Path("MP3Cache"));
  off.ApplyOptions(64 | kOptionNoCache);
  EXPECT_EQ(off.Load(), 0u);
  EXPECT_EQ(off.Count(), 0u);
  Owned o{MakeInfo(u"B", u"B")};
  EXPECT_FALSE(off.Add(5, kWritten, u"/m/b.mp3", o.info));
  EXPECT_EQ(off.Save(), 0u);
  EXPECT_EQ(folder.Read("MP3Cache"), before);

  // Switched off after loading: lookups miss although the entry is there.
  cache.SetSwitchedOff(true);
  Owned out;
  EXPECT_FALSE(cache.Lookup(10, kWritten, u"/m/a.mp3", out.info));
}

TEST_F(InfoCacheTest, SaveCreatesAMissingFolder) {
  cache.SetPath(folder.Path("sub/dir/MP3Cache"));
  AddEntry(u"/m/a.mp3", 10, kWritten, u"A");
  EXPECT_EQ(cache.Save(), 0u);
  EXPECT_TRUE(folder.Exists("sub/dir/MP3Cache"));
  EXPECT_EQ(waits, 0);  // a missing folder is created, not waited for
}

TEST_F(InfoCacheTest, SaveWaitsOnceAndRetriesWhenTheFileCannotBeCreated) {
  AddEntry(u"/m/a.mp3", 10, kWritten, u"A");
  NoFreeHandles noHandles;
  cache.SetRetryWait([&](std::chrono::milliseconds wait) {
    ++waits;
    EXPECT_EQ(wait, kCacheRetryWait);
    noHandles.End();  // the moment passes
  });
  EXPECT_EQ(cache.Save(), 0u);
  EXPECT_EQ(waits, 1);
  Owned out;
  EXPECT_TRUE(Reloaded(10, kWritten, u"/m/a.mp3", out));
}

TEST_F(InfoCacheTest, SaveReportsTheErrorWhenTheRetryFailsToo) {
  AddEntry(u"/m/a.mp3", 10, kWritten, u"A");
  ASSERT_EQ(cache.Save(), 0u);
  const std::string before = folder.Read("MP3Cache");
  AddEntry(u"/m/b.mp3", 10, kWritten, u"B");
  uint32_t code;
  {
    NoFreeHandles noHandles;
    code = cache.Save();
  }
  EXPECT_EQ(code, platform::err::kTooManyOpenFiles);
  EXPECT_EQ(waits, 1);
  EXPECT_EQ(folder.Read("MP3Cache"), before);
}

TEST_F(InfoCacheTest, FailedSaveKeepsTheOldFile) {
  AddEntry(u"/m/a.mp3", 10, kWritten, u"A");
  ASSERT_EQ(cache.Save(), 0u);
  const std::string before = folder.Read("MP3Cache");
  for (int i = 0; i < 200; ++i) AddEntry(u"/m/more" + platform::Utf8ToUtf16(std::to_string(i)), 10, kWritten, u"X");

  // A file-size limit makes the write fail like a full disk, also for root.
  signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 4096;
  setrlimit(RLIMIT_FSIZE, &small);
  const uint32_t code = cache.Save();
  setrlimit(RLIMIT_FSIZE, &old);

  EXPECT_NE(code, 0u);
  EXPECT_EQ(folder.Read("MP3Cache"), before);
}

TEST_F(InfoCacheTest, DeleteNowEmptiesAndRemovesButNotDuringARun) {
  AddEntry(u"/m/a.mp3", 10, kWritten, u"A");
  ASSERT_EQ(cache.Save(), 0u);
  {
    InfoCacheRun run(cache);
    EXPECT_EQ(run.LoadResult(), 0u);
    EXPECT_EQ(cache.Count(), 1u);
    EXPECT_EQ(cache.DeleteNow(), 170u);
    EXPECT_TRUE(folder.Exists("MP3Cache"));
    AddEntry(u"/m/b.mp3", 11, kWritten, u"B");
  }  // the run saves on its way out
  EXPECT_NE(folder.Read("MP3Cache").find("/m/b.mp3"), std::string::npos);
  EXPECT_EQ(cache.DeleteNow(), 0u);
  EXPECT_EQ(cache.Count(), 0u);
  EXPECT_FALSE(folder.Exists("MP3Cache"));
  EXPECT_EQ(cache.DeleteNow(), 0u);  // nothing left to delete
}

TEST_F(InfoCacheTest, RunSavesWhenLeftByAnException) {
  try {
    InfoCacheRun run(cache);
    AddEntry(u"/m/a.mp3", 10, kWritten, u"A");
    throw std::runtime_error("scan failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_TRUE(folder.Exists("MP3Cache"));
  EXPECT_FALSE(cache.RunActive());
}

TEST(InfoCachePath, ExpandsTheSettingOrUsesThePerUserFolder) {
  TempFolder folder;
  settings::SettingsStore store(folder.Path("TARNQ.INI"), settings::SettingsStore::kExplicitFile);
  setenv("TARNQ_CACHE_TEST", "/data/cache", 1);
  EXPECT_EQ(ResolveInfoCachePath(store), platform::PerUserFolder() + u"/MP3Cache");
  store.WritePath("TARNQ", "MP3Cache", u"%TARNQ_CACHE_TEST%/my.cache");
  EXPECT_EQ(ResolveInfoCachePath(store), u"/data/cache/my.cache");
}

}  // namespace
}  // namespace tarnq::analysis
