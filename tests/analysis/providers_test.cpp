// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/providers.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "analysis/flac_reader.h"
#include "analysis/mp4_reader.h"
#include "analysis/mpeg_reader.h"
#include "analysis/ogg_reader.h"
#include "analysis/wma_reader.h"
#include "test_files.h"

namespace tarnq::analysis {
namespace {

using testing::Fixture;
using testing::TempFile;
using testing::Utf8;

struct Analysed {
  int ok = 0;
  records::AudioInfo info;
  ~Analysed() { info.Release(); }
};

void Analyse(const ProviderList& list, std::u16string_view path, Analysed& out) {
  out.ok = AnalyseFile(list, path, out.info);
}

TEST(BuiltinProviders, TableOrderNamesAndMasks) {
  ASSERT_EQ(kBuiltinProviders.size(), 5u);
  EXPECT_EQ(kBuiltinProviders[0].name, u"MP3 Audio Files");
  EXPECT_EQ(kBuiltinProviders[1].mask, u"*.M4A;*.M4V");
  EXPECT_EQ(kBuiltinProviders[2].formatCode, records::kFormatOgg);
  EXPECT_EQ(kBuiltinProviders[3].name, u"WMA Audio Files");
  EXPECT_EQ(kBuiltinProviders[4].formatCode, records::kFormatFlac);
  EXPECT_EQ(FindBuiltinProvider(u"flac audio files"), &kBuiltinProviders[4]);
  EXPECT_EQ(FindBuiltinProvider(u"Unknown"), nullptr);
}

TEST(BuiltinProviders, MessageProtocol) {
  const ProviderCallback callback = kBuiltinProviders[0].callback;
  char16_t buffer[64];
  TextRequest request{buffer, 64};
  EXPECT_EQ(callback(kMessageReportMask, 0, &request), 0);
  EXPECT_EQ(std::u16string_view(buffer), u"*.MP3;*.MP1;*.MP2;*.MPP");
  TextRequest tiny{buffer, 6};
  callback(kMessageReportMask, 0, &tiny);
  EXPECT_EQ(std::u16string_view(buffer), u"*.MP3");
  EXPECT_EQ(callback(kMessageOpen, 0, nullptr), -1);
  EXPECT_EQ(callback(kMessageDisplayName, 0, nullptr), -1);
  EXPECT_EQ(callback(kMessageExtract, 0, nullptr), 0);
}

TEST(AnalyseFile, EachFormatGetsItsCodeAndTypeText) {
  const ProviderList list = DefaultProviderList();
  struct Case {
    const char* file;
    uint32_t format;
    const char* type;
  };
  for (const Case& c : {Case{"cbr-stereo.mp3", 0, "MP3, 44100Hz, Stereo"},
                        Case{"mono.mp3", 0, "MP3, 44100Hz"},
                        Case{"vbr-joint.mp3", 0, "MP3, 44100Hz, Joint Stereo"},
                        Case{"tagged.ogg", 1, "Ogg Vorbis, 44100Hz, Stereo"},
                        Case{"tagged.wma", 2, "WMA, 44100Hz"},
                        Case{"tagged.flac", 3, "FLAC, 44100Hz"},
                        Case{"tagged.m4a", 4, "M4A, 44100Hz, Stereo"}}) {
    Analysed a;
    Analyse(list, Fixture(c.file), a);
    EXPECT_EQ(a.ok, 1) << c.file;
    EXPECT_EQ(a.info.FormatCode(), c.format) << c.file;
    EXPECT_EQ(a.info.TextUtf8(records::kTextType), c.type) << c.file;
  }
}

TEST(AnalyseFile, NameFillsMissingArtistAndTitle) {
  TempFile file("07 - Band_-_Song.mp3", std::string(3000, 'x'));
  Analysed a;
  Analyse(DefaultProviderList(), file.Path(), a);
  ASSERT_EQ(a.ok, 1);  // the MPEG reader accepts a file without frames
  EXPECT_EQ(a.info.TextUtf8(records::kTextType), "");
  EXPECT_EQ(a.info.TextUtf8(records::kTextTitle), "Song");
  EXPECT_EQ(a.info.TextUtf8(records::kTextArtist), "Band");
  EXPECT_EQ(a.info.track, 7);
}

TEST(AnalyseFile, UnknownTypesAndNonVorbisOggAreRejected) {
  const ProviderList list = DefaultProviderList();
  Analysed a;
  Analyse(list, Fixture("opus-only.ogg"), a);
  EXPECT_EQ(a.ok, 0);
  TempFile text("notes.txt", std::string(5000, '\xFF'));
  Analysed b;
  Analyse(list, text.Path(), b);
  EXPECT_EQ(b.ok, 0);
  Analysed c;
  Analyse(list, u"/nonexistent/x.flac", c);
  EXPECT_EQ(c.ok, 0);
  Analysed d;
  Analyse(list, u"/tmp", d);  // a folder named like no audio type
  EXPECT_EQ(d.ok, 0);
}

intptr_t Throwing(uint32_t, intptr_t, void*) { throw std::runtime_error("broken provider"); }
intptr_t ReportsException(uint32_t, intptr_t, void*) { return kExtractException; }
int g_calls = 0;
intptr_t Counting(uint32_t message, intptr_t, void* data) {
  if (message != kMessageExtract) return -1;
  ++g_calls;
  static_cast<ExtractRequest*>(data)->info->duration = 42;
  return 1;
}

TEST(AnalyseFile, FailingProvidersHandTheFileOn) {
  ProviderList list;
  list.push_back({nullptr, ReportsException, 0, false, {}});
  list.push_back({nullptr, Throwing, 0, false, {}});
  list.push_back({nullptr, Counting, 0, true, u"*.OTHER"});
  list.push_back({nullptr, Counting, 0, false, {}});
  g_calls = 0;
  Analysed a;
  Analyse(list, u"/m/x.mp3", a);
  EXPECT_EQ(a.ok, 1);
  EXPECT_EQ(g_calls, 1);  // the masked provider was skipped
  EXPECT_EQ(a.info.duration, 42u);
  Analysed b;
  Analyse(ProviderList{}, u"/m/x.mp3", b);
  EXPECT_EQ(b.ok, 0);
}

TEST(ReadByExtension, UnknownExtensionGoesToMpegReader) {
  std::string bytes;
  ASSERT_EQ(platform::ReadWholeFile(Fixture("cbr-stereo.mp3"), bytes), 0u);
  TempFile odd("song.xyz", bytes);
  TagRecord tag;
  ASSERT_EQ(ReadByExtension(odd.Path(), tag), 0u);
  EXPECT_EQ(Utf8(tag.formatName.View()), "MP3");
  TempFile plain("Band - Song.xyz", "");
  ASSERT_EQ(ReadByExtension(plain.Path(), tag), 0u);
  EXPECT_TRUE(tag.artist.Empty());  // no file-name rule for the player
  EXPECT_EQ(ReadByExtension(Fixture("opus-only.ogg"), tag), ~0u);
  EXPECT_EQ(ReadByExtension(Fixture("tagged.flac"), tag), 0u);
  EXPECT_EQ(Utf8(tag.formatName.View()), "FLAC");
}

}  // namespace
}  // namespace tarnq::analysis

namespace tarnq::analysis {
namespace {

// Inputs the fuzzers found (tests/data/fuzz): every reader and the whole analysis must survive them.
TEST(FuzzFindings, EveryReaderSurvivesThem) {
  std::vector<std::u16string> names;
  const std::u16string folder = Fixture("fuzz");
  platform::ListDirectory(folder, [&](const platform::DirEntry& entry) {
    if (!(entry.attributes & platform::attr::kDirectory)) names.emplace_back(entry.name);
    return true;
  });
  ASSERT_FALSE(names.empty()) << "tests/data/fuzz holds no findings to replay";
  const ProviderList list = DefaultProviderList();
  for (const auto& name : names) {
    std::u16string path = folder + u"/" + name;
    TagRecord tag;
    ReadMpegFile(path, tag);
    ReadOggFile(path, tag);
    ReadFlacFile(path, tag);
    ReadWmaFile(path, tag);
    ReadMp4File(path, tag);
    Analysed a;
    Analyse(list, path, a);
  }
}

}  // namespace
}  // namespace tarnq::analysis
