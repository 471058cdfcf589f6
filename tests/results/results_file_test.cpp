// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/results_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/errors.h"
#include "platform/text.h"
#include "results_test_support.h"
#include "settings/settings_store.h"

namespace tarnq::results {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kExampleLine =
    "/music/a.mp3;1;4194304;32;133018848000000000;133018848000000000;133018848000000000;;3;44100;128;262;5;"
    "Song;Band;Album;1999;Rock;MP3, 44100Hz, Joint Stereo;;120\r\n";

struct FullRow {
  std::u16string folder = u"/music/\u97f3\u697d";
  std::u16string name = u"a;b.mp3";
  RowFields fields;
  records::AudioInfo info;
  std::array<std::u16string, 6> texts;
};

void AddFull(ResultList& list, FullRow& r) {
  r.fields.folder = list.FindFolder(r.folder);
  r.info.SetTexts({r.texts[0], r.texts[1], r.texts[2], r.texts[3], r.texts[4], r.texts[5]});
  std::vector<std::byte> bytes;
  ASSERT_TRUE(EncodeRow(r.fields, r.info, r.name, bytes));
  ASSERT_GE(list.AddRow(bytes), 0);
}

TEST(ResultsFile, ExampleLineReadsAndWritesBackByteForByte) {
  ResultList list;
  LoadReport report;
  LoadResultsFromBytes(list, kExampleLine, &report);
  ASSERT_EQ(report.rows, 1u);
  const ResultRow row = list.RowAt(0);
  EXPECT_EQ(list.FullPath(row), u"/music/a.mp3");
  EXPECT_EQ(row.Group(), 1u);
  EXPECT_EQ(row.Size(), 4194304u);
  EXPECT_EQ(row.Attributes(), 32u);
  EXPECT_EQ(row.Modified(), 133018848000000000u);
  const records::AudioInfo info = row.Info();
  EXPECT_EQ(info.format, 0u);
  EXPECT_EQ(info.channels, 3u);
  EXPECT_EQ(info.sampleRate, 44100u);
  EXPECT_EQ(info.bitrate, 128);
  EXPECT_EQ(info.duration, 262u);
  EXPECT_EQ(info.track, 5u);
  EXPECT_EQ(info.year, 1999u);
  EXPECT_EQ(info.bpm, 120u);
  EXPECT_EQ(info.GetText(records::kTextTitle), u"Song");
  EXPECT_EQ(info.GetText(records::kTextType), u"MP3, 44100Hz, Joint Stereo");
  EXPECT_EQ(ComposeResultsFile(list), kExampleLine);
}

TEST(ResultsFile, SaveThenLoadKeepsEveryField) {
  ResultList list;
  FullRow a;
  a.fields = {0, 7, 0, 0x21, kUnknownSize, 1, 2, 3};
  a.info.format = 5;
  a.info.channels = 2;
  a.info.track = 65535;
  a.info.bpm = 99;
  a.info.year = 2024;
  a.info.duration = 4000000;
  a.info.sampleRate = 96000;
  a.info.bitrate = -192;
  a.texts = {u"FLAC, 96000Hz, Stereo and a long description", u"J-Pop",
             u"\u3042\u308a\u304c\u3068\u3046; \"quoted\"", u"'Apostrophe", u"Caf\u00e9", u"line\nbreak"};
  AddFull(list, a);
  FullRow b;
  b.folder = u"/music";
  b.name = u"plain.mp3";
  b.fields.group = 8;
  b.fields.size = 0;
  AddFull(list, b);
  FullRow c;  // a file name that is not UTF-8 and holds a backslash
  c.folder = u"/music/sub";
  c.name = platform::NameBytesToUtf16("bad\xff\\-x.mp3");
  c.fields.group = 8;
  AddFull(list, c);

  const std::string saved = ComposeResultsFile(list);
  ResultList back;
  LoadResultsFromBytes(back, saved);
  ASSERT_EQ(back.RowCount(), 3u);
  EXPECT_EQ(ComposeResultsFile(back), saved);
  const ResultRow r = back.RowAt(0);
  EXPECT_EQ(back.FullPath(r), u"/music/\u97f3\u697d/a;b.mp3");
  EXPECT_EQ(r.Size(), kUnknownSize);
  EXPECT_EQ(r.Attributes(), 0x21u);
  EXPECT_EQ(r.Created(), 1u);
  EXPECT_EQ(r.Accessed(), 2u);
  EXPECT_EQ(r.Modified(), 3u);
  const records::AudioInfo info = r.Info();
  EXPECT_EQ(info.bitrate, -192);
  EXPECT_EQ(info.track, 65535u);
  EXPECT_EQ(info.format, 5u);
  EXPECT_EQ(info.GetText(records::kTextTitle), a.texts[2]);
  EXPECT_EQ(info.GetText(records::kTextArtist), u"'Apostrophe");
  EXPECT_EQ(info.GetText(records::kTextComment), u"line break");  // a line break cannot survive
  EXPECT_EQ(info.GetText(records::kTextType, 1024), a.texts[0]);
  EXPECT_EQ(back.FullPathAt(2), u"/music/sub/" + c.name);
  // Folders come back with parents: /music/sub is stored as "sub" under /music.
  const uint32_t sub = back.RowAt(2).Folder();
  EXPECT_EQ(back.Folders().NameOf(sub), u"sub");
  EXPECT_EQ(back.Folders().Path(back.Folders().ParentOf(sub)), u"/music");
  // Non-ASCII texts carry the UTF-8 marker inside their field; the path field never does.
  EXPECT_NE(saved.find("\xEF\xBB\xBF" "Caf\xC3\xA9"), std::string::npos);
  EXPECT_TRUE(saved.starts_with("\"/music/\xE9\x9F\xB3\xE6\xA5\xBD/a;b.mp3\";7;18446744073709551615;33;3;2;1;5;"));
}

// The codec is the analysis' own knowledge: the file keeps the plain format code, and the codec
// bits of a stray format value do not come back.
TEST(ResultsFile, TheCodecIsNeitherWrittenNorRead) {
  ResultList list;
  FullRow a;
  a.folder = u"/music";
  a.name = u"a.m4a";
  a.fields.size = 0;
  a.info.format = records::WithCodec(records::kFormatMp4, records::Codec::kAlac);
  AddFull(list, a);
  const std::string saved = ComposeResultsFile(list);
  EXPECT_TRUE(saved.starts_with("/music/a.m4a;;;;;;;4;")) << saved;
  ResultList back;
  LoadResultsFromBytes(back,
                       saved + "/music/b.m4a;;;;;;;" +
                           std::to_string(records::WithCodec(records::kFormatMp4, records::Codec::kAlac)) +
                           ";;;;;;;;;;;;;\r\n");
  ASSERT_EQ(back.RowCount(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(back.RowAt(i).Info().format, records::kFormatMp4) << i;
    EXPECT_EQ(back.RowAt(i).Info().AudioCodec(), records::Codec::kUnknown) << i;
  }
}

TEST(ResultsFile, LinesThatAreNotTrusted) {
  ResultList list;
  std::string bytes = "/only/path.mp3\r\n";                   // everything else 0 or empty
  bytes += "relative/x.mp3;1\n";                               // not absolute: skipped
  bytes += "C:\\Music\\a.mp3;1\r";                             // a Windows path is not absolute here
  bytes += "/a/b/../c/./d.mp3;2\n";                            // resolved
  bytes += "/a/..;2\n";                                        // names no file
  bytes += "\n\r\n";                                           // empty lines
  bytes += "/nul/x";
  bytes += std::string(1, '\0');
  bytes += ".mp3;3\n";
  bytes += "/long/x.mp3;4;;;;;;;;;;;;" + std::string(40000, 'T') + ";/etc/passwd;9\n";
  bytes += "/last.mp3;5";
  LoadReport report;
  LoadResultsFromBytes(list, bytes, &report);
  EXPECT_EQ(report.rows, 5u);
  EXPECT_EQ(report.badPaths, 3u);
  EXPECT_EQ(report.overlongLines, 1u);
  ASSERT_EQ(list.RowCount(), 5u);
  EXPECT_EQ(list.FullPathAt(0), u"/only/path.mp3");
  EXPECT_EQ(list.RowAt(0).Group(), 0u);
  EXPECT_EQ(list.RowAt(0).Size(), 0u);
  EXPECT_EQ(list.FullPathAt(1), u"/a/c/d.mp3");
  EXPECT_EQ(list.FullPathAt(2), u"/nul/x.mp3");
  // The over-long line is one row; its tail is not read as a row of /etc/passwd.
  EXPECT_EQ(list.FullPathAt(3), u"/long/x.mp3");
  EXPECT_EQ(list.FullPathAt(4), u"/last.mp3");
  EXPECT_EQ(list.RowAt(4).Group(), 5u);
}

TEST(ResultsFile, TitlesAreTrimmedAndCutToTheirLimits) {
  ResultList list;
  const std::string line = "/a.mp3;;;;;;;;;;;;;  " + std::string(300, 'x') + "  ;;;;" + std::string(40, 'g') + "\r\n";
  LoadResultsFromBytes(list, line);
  const records::AudioInfo info = list.RowAt(0).Info();
  EXPECT_EQ(info.GetText(records::kTextTitle), std::u16string(255, u'x'));
  EXPECT_EQ(info.GetText(records::kTextGenre), std::u16string(31, u'g'));
}

class ResultsFileOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    m_root = fs::temp_directory_path() /
             ("tarnq-results-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(m_root);
    fs::create_directories(m_root);
  }
  void TearDown() override { fs::remove_all(m_root); }
  std::u16string P(const std::string& name) const { return platform::Utf8ToUtf16((m_root / name).string()); }
  fs::path m_root;
};

TEST_F(ResultsFileOnDisk, SaveLoadAndTheRememberedFolder) {
  ResultList list;
  LoadResultsFromBytes(list, kExampleLine);
  size_t written = 0;
  EXPECT_EQ(SaveResults(list, P("new/folder/list.tarnq"), &written), 0u);
  EXPECT_EQ(written, 1u);
  ResultList back;
  testing::Add(back, {});
  EXPECT_EQ(LoadResults(back, P("missing.tarnq")), platform::err::kFileNotFound);
  EXPECT_EQ(back.RowCount(), 1u);  // an unreadable file leaves the list as it was
  EXPECT_EQ(LoadResults(back, P("new/folder/list.tarnq")), 0u);
  EXPECT_EQ(ComposeResultsFile(back), kExampleLine);

  ResultList empty;
  EXPECT_EQ(SaveResults(empty, P("empty.tarnq"), &written), 0u);
  EXPECT_EQ(written, 0u);
  EXPECT_FALSE(fs::exists(m_root / "empty.tarnq"));

  settings::SettingsStore store(P("s.ini"), settings::SettingsStore::kExplicitFile);
  RememberSaveFolder(store, P("new/folder/list.tarnq"));
  EXPECT_EQ(ReadSaveFolder(store), P("new/folder"));
}

}  // namespace
}  // namespace tarnq::results

namespace tarnq::results {
namespace {

// A path with a line break cannot be stored in a line: the row is left out and counted, never
// written with the break changed (that would name another file).
TEST(ResultsFile, RowsWhosePathHoldsALineBreakAreLeftOutAndCounted) {
  testing::InstallEnglish();
  ResultList list;
  const uint32_t folder = list.FindFolder(u"/music");
  for (const char16_t* name : {u"good.mp3", u"two\nlines.mp3", u"carriage\rreturn.mp3", u"fine.mp3"})
    testing::Add(list, {.name = name, .folder = folder});
  size_t unstorable = 0;
  const std::string bytes = ComposeResultsFile(list, &unstorable);
  EXPECT_EQ(unstorable, 2u);
  ResultList back;
  LoadResultsFromBytes(back, bytes);
  EXPECT_EQ(testing::Names(back), (std::vector<std::u16string>{u"good.mp3", u"fine.mp3"}));
}

}  // namespace
}  // namespace tarnq::results
