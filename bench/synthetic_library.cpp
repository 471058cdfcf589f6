// SPDX-License-Identifier: GPL-3.0-or-later
#include "synthetic_library.h"

#include <random>
#include <string>

namespace tarnq::bench {
namespace {

std::u16string Capitalised(std::u16string word) {
  if (!word.empty() && word[0] >= u'a' && word[0] <= u'z') word[0] = static_cast<char16_t>(word[0] - 32);
  return word;
}

class Generator {
 public:
  explicit Generator(uint32_t seed) : m_random(seed) {
    for (int i = 0; i < 6000; ++i) m_vocabulary.push_back(Capitalised(Word()));
  }

  std::u16string Word() {
    static const char16_t* const kSyllables[] = {
        u"la", u"mo", u"ri", u"ven", u"tor", u"sha", u"dow", u"ni", u"ght", u"lo", u"ve",
        u"ka", u"el", u"an", u"de", u"ber", u"sun", u"fal", u"ling", u"ro", u"se", u"blue",
        u"mé", u"tal", u"ö", u"stra", u"ße", u"y", u"on", u"ix"};
    std::u16string word;
    const int parts = 1 + static_cast<int>(m_random() % 3);
    for (int i = 0; i < parts; ++i) word += kSyllables[m_random() % std::size(kSyllables)];
    return word;
  }

  // Skewed pick in [0, n): a few entries are very common, most are rare.
  size_t Skewed(size_t n) {
    const double u = std::uniform_real_distribution<double>(0.0, 1.0)(m_random);
    return static_cast<size_t>(static_cast<double>(n) * u * u * u) % n;
  }

  std::u16string Title() {
    std::u16string title;
    const int words = 1 + static_cast<int>(m_random() % 4);
    for (int i = 0; i < words; ++i) {
      if (i != 0) title += u' ';
      title += m_vocabulary[Skewed(m_vocabulary.size())];
    }
    return title;
  }

  std::u16string Artist() {
    std::u16string artist = m_random() % 5 == 0 ? u"The " : u"";
    artist += Capitalised(Word());
    if (m_random() % 2 == 0) {
      artist += u' ';
      artist += Capitalised(Word());
    }
    return artist;
  }

  std::mt19937& Random() { return m_random; }

 private:
  std::mt19937 m_random;
  std::vector<std::u16string> m_vocabulary;
};

struct Track {
  std::u16string artist;
  std::u16string title;
  std::u16string album;
  uint32_t duration;
  int32_t bitrate;
  uint32_t format;
};

}  // namespace

SyntheticLibrary::SyntheticLibrary(size_t count, uint32_t seed) {
  Generator gen(seed);
  std::mt19937& random = gen.Random();
  std::vector<std::u16string> artists;
  for (size_t i = 0; i < count / 15 + 1; ++i) artists.push_back(gen.Artist());
  static const int32_t kBitrates[] = {128, 160, 192, 256, 320, -190, -245};

  std::vector<Track> originals;
  originals.reserve(count);
  std::vector<std::byte> bytes;
  m_files.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    Track t;
    const bool copy = !originals.empty() && random() % 5 == 0;
    if (copy) {
      ++m_copies;
      t = originals[random() % originals.size()];
      switch (random() % 6) {
        case 0:  // other letter case
          for (char16_t& c : t.title) {
            if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
          }
          break;
        case 1:  // a typo
          if (!t.title.empty()) t.title[random() % t.title.size()] = u'e';
          break;
        case 2:  // re-encoded: another length and rate
          t.duration += random() % 3;
          t.bitrate = kBitrates[random() % std::size(kBitrates)];
          t.format = random() % 4 == 0 ? records::kFormatFlac : records::kFormatMpeg;
          break;
        default:  // an exact copy
          break;
      }
    } else {
      t.artist = artists[gen.Skewed(artists.size())];
      t.title = gen.Title();
      t.album = gen.Title();
      t.duration = 90 + random() % 400;
      t.bitrate = kBitrates[random() % std::size(kBitrates)];
      t.format = records::kFormatMpeg;
      if (random() % 40 == 0) t.artist.clear(), t.title.clear();  // untagged
      originals.push_back(t);
    }
    records::AudioInfo info;
    info.format = t.format;
    info.duration = t.duration;
    info.bitrate = t.bitrate;
    info.sampleRate = 44100;
    info.channels = 3;
    info.SetTexts({u"MP3, 44100Hz, Joint Stereo", u"Rock", t.title, t.artist, t.album, u""});
    records::FoundFileFields fields;
    fields.size = 4000000 + random() % 6000000;
    fields.folder = 1 + static_cast<uint32_t>(i / 12);
    records::EncodeFoundFile(fields, info, u"01 - " + t.title + u".mp3", bytes);
    m_store.Append(bytes.data(), bytes.size());
    m_files.emplace_back(m_store.At(m_store.Count() - 1));
  }
}

}  // namespace tarnq::bench
