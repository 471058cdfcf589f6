// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/found_file.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tarnq::records {
namespace {

template <class T>
T At(const std::vector<std::byte>& bytes, size_t offset) {
  T value;
  std::memcpy(&value, bytes.data() + offset, sizeof(T));
  return value;
}

TEST(FoundFileLayout, FieldsSitAtTheirOffsetsLittleEndian) {
  FoundFileFields fields;
  fields.group = 0x01020304;
  fields.folder = 0x0A0B0C0D;
  fields.attributes = 0xFFFF;  // masked to 0x4C37
  fields.size = 0x1122334455667788;
  fields.created = 0x0101010101010101;
  fields.accessed = 0x0202020202020202;
  fields.modified = 0x0303030303030303;
  AudioInfo info;
  info.format = kFormatOgg;
  info.channels = 2;
  info.track = 0x0B0A;
  info.bpm = 128;
  info.year = 2001;
  info.duration = 0xDEADBEEF;
  info.sampleRate = 44100;
  info.bitrate = -128;
  info.texts = reinterpret_cast<char*>(uintptr_t{0x123456789ABC});  // never dereferenced
  std::vector<std::byte> bytes;
  ASSERT_TRUE(EncodeFoundFile(fields, info, u"ab.mp3", bytes));

  ASSERT_EQ(bytes.size(), 76u + 2 * 7);
  const auto byte = [&](size_t i) { return static_cast<unsigned>(bytes[i]); };
  EXPECT_EQ(byte(0), 90u);  // length 90, low byte first
  EXPECT_EQ(byte(1), 0u);
  EXPECT_EQ(byte(2), 0x04u);  // group
  EXPECT_EQ(byte(5), 0x01u);
  EXPECT_EQ(byte(6), 0x0Du);  // folder
  EXPECT_EQ(At<uint16_t>(bytes, 10), 0x4C37);
  EXPECT_EQ(byte(12), 0x88u);  // size
  EXPECT_EQ(byte(19), 0x11u);
  EXPECT_EQ(At<uint64_t>(bytes, 20), fields.created);
  EXPECT_EQ(At<uint64_t>(bytes, 28), fields.accessed);
  EXPECT_EQ(At<uint64_t>(bytes, 36), fields.modified);
  EXPECT_EQ(At<uint32_t>(bytes, 44), uint32_t{kFormatOgg});
  EXPECT_EQ(At<uint16_t>(bytes, 48), 2);
  EXPECT_EQ(byte(50), 0x0Au);  // track
  EXPECT_EQ(At<uint16_t>(bytes, 52), 128);
  EXPECT_EQ(At<uint16_t>(bytes, 54), 2001);
  EXPECT_EQ(At<uint32_t>(bytes, 56), 0xDEADBEEFu);
  EXPECT_EQ(At<uint32_t>(bytes, 60), 44100u);
  EXPECT_EQ(At<int32_t>(bytes, 64), -128);
  EXPECT_EQ(At<uint64_t>(bytes, 68), uint64_t{0x123456789ABC});
  EXPECT_EQ(byte(76), static_cast<unsigned>('a'));
  EXPECT_EQ(byte(77), 0u);
  EXPECT_EQ(byte(78), static_cast<unsigned>('b'));
  EXPECT_EQ(At<uint16_t>(bytes, 88), 0);  // terminator

  const FoundFile file(bytes.data());
  EXPECT_EQ(file.Length(), 90);
  EXPECT_EQ(file.Group(), fields.group);
  EXPECT_EQ(file.Folder(), fields.folder);
  EXPECT_EQ(file.Attributes(), 0x4C37);
  EXPECT_EQ(file.Size(), fields.size);
  EXPECT_EQ(file.Duration(), 0xDEADBEEFu);
  EXPECT_EQ(file.Bitrate(), -128);
  EXPECT_EQ(file.Track(), 0x0B0A);
  EXPECT_EQ(file.Format(), uint32_t{kFormatOgg});
  EXPECT_EQ(file.Name(), u"ab.mp3");
  file.SetGroup(42);
  EXPECT_EQ(At<uint32_t>(bytes, 2), 42u);
  EXPECT_EQ(file.Info().texts, info.texts);  // a view of the block, at offset 68
}

TEST(FoundFileLayout, NameLimitsAndMalformedLength) {
  std::vector<std::byte> bytes;
  const std::u16string longest(found_file::kMaxNameUnits, u'n');
  ASSERT_TRUE(EncodeFoundFile({}, {}, longest, bytes));
  EXPECT_LE(bytes.size(), 2127u);
  EXPECT_EQ(FoundFile(bytes.data()).NameLength(), longest.size());
  EXPECT_FALSE(EncodeFoundFile({}, {}, longest + u"n", bytes));
  EXPECT_TRUE(bytes.empty());

  // A name without its terminator is bounded by the record's length.
  ASSERT_TRUE(EncodeFoundFile({}, {}, u"abc", bytes));
  std::memset(bytes.data() + 76 + 6, 0x41, 2);
  EXPECT_EQ(FoundFile(bytes.data()).NameLength(), 4u);
  const uint16_t tooShort = 70;
  std::memcpy(bytes.data(), &tooShort, 2);
  EXPECT_EQ(FoundFile(bytes.data()).Name(), u"");
}

TEST(FoundFileTexts, ReleaseLeavesANullPointerAndHandOverKeepsTheBlock) {
  FoundFileStore store;
  std::vector<std::byte> bytes;
  for (const char16_t* artist : {u"A", u"B"}) {
    AudioInfo info;
    ASSERT_TRUE(info.SetTexts({u"MP3", u"", u"T", artist, u"", u""}));
    ASSERT_TRUE(EncodeFoundFile({}, info, u"t.mp3", bytes));
    ASSERT_EQ(store.Append(bytes.data(), bytes.size()), 0u);
  }
  const FoundFile file(store.At(0));
  EXPECT_EQ(file.Info().GetText(kTextArtist), u"A");
  store.ReleaseTexts(file);
  EXPECT_EQ(file.Info().texts, nullptr);
  store.ReleaseTexts(file);  // a second release is harmless
  // A block handed over belongs to whoever took it: the store no longer frees it.
  const FoundFile other(store.At(1));
  AudioInfo taken = other.Info();
  store.HandOver(other);
  EXPECT_EQ(other.Info().texts, nullptr);
  EXPECT_EQ(store.TextBlocks(), 0u);
  store.Clear();
  EXPECT_EQ(taken.GetText(kTextArtist), u"B");
  taken.Release();
}

}  // namespace
}  // namespace tarnq::records
