// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/id3_reader.h"

#include <cstring>
#include <string>

#include "platform/text.h"
#include "platform/per_thread.h"

namespace tarnq::analysis {

const std::array<std::u16string_view, kGenreCount> GenreNames = {
    u"Blues", u"Classic Rock", u"Country", u"Dance", u"Disco", u"Funk", u"Grunge", u"Hip-Hop",
    u"Jazz", u"Metal", u"New Age", u"Oldies", u"Other", u"Pop", u"R&B", u"Rap", u"Reggae", u"Rock",
    u"Techno", u"Industrial", u"Alternative", u"Ska", u"Death Metal", u"Pranks", u"Soundtrack",
    u"Euro-Techno", u"Ambient", u"Trip-Hop", u"Vocal", u"Jazz+Funk", u"Fusion", u"Trance",
    u"Classical", u"Instrumental", u"Acid", u"House", u"Game", u"Sound Clip", u"Gospel", u"Noise",
    u"AlternRock", u"Bass", u"Soul", u"Punk", u"Space", u"Meditative", u"Instrumental Pop",
    u"Instrumental Rock", u"Ethnic", u"Gothic", u"Darkwave", u"Techno-Industrial", u"Electronic",
    u"Pop-Folk", u"Eurodance", u"Dream", u"Southern Rock", u"Comedy", u"Cult", u"Gangsta",
    u"Top 40", u"Christian Rap", u"Pop/Funk", u"Jungle", u"Native American", u"Cabaret",
    u"New Wave", u"Psychadelic", u"Rave", u"Showtunes", u"Trailer", u"Lo-Fi", u"Tribal",
    u"Acid Punk", u"Acid Jazz", u"Polka", u"Retro", u"Musical", u"Rock & Roll", u"Hard Rock",
    u"Folk", u"Folk-Rock", u"National Folk", u"Swing", u"Fast Fusion", u"Bebob", u"Latin",
    u"Revival", u"Celtic", u"Bluegrass", u"Avantgarde", u"Gothic Rock", u"Progressive Rock",
    u"Psychedelic Rock", u"Symphonic Rock", u"Slow Rock", u"Big Band", u"Chorus",
    u"Easy Listening", u"Acoustic", u"Humour", u"Speech", u"Chanson", u"Opera", u"Chamber Music",
    u"Sonata", u"Symphony", u"Booty Bass", u"Primus", u"Porn Groove", u"Satire", u"Slow Jam",
    u"Club", u"Tango", u"Samba", u"Folklore", u"Ballad", u"Power Ballad", u"Rhythmic Soul",
    u"Freestyle", u"Duet", u"Punk Rock", u"Drum Solo", u"A capella", u"Euro-House", u"Dance Hall",
    u"Goa", u"Drum & Bass", u"Club-House", u"Hardcore", u"Terror", u"Indie", u"Britpop",
    u"Afro-Punk", u"Polsk Punk", u"Beat", u"Christian Gangsta Rap", u"Heavy Metal",
    u"Black Metal", u"Crossover", u"Contemporary Christian", u"Christian Rock", u"Merengue",
    u"Salsa", u"Trash Metal", u"Anime", u"JPop", u"Synthpop",
    // The later additions, as current taggers show them.
    u"Abstract", u"Art Rock", u"Baroque", u"Bhangra", u"Big Beat", u"Breakbeat", u"Chillout",
    u"Downtempo", u"Dub", u"EBM", u"Eclectic", u"Electro", u"Electroclash", u"Emo",
    u"Experimental", u"Garage", u"Global", u"IDM", u"Illbient", u"Industro-Goth", u"Jam Band",
    u"Krautrock", u"Leftfield", u"Lounge", u"Math Rock", u"New Romantic", u"Nu-Breakz",
    u"Post-Punk", u"Post-Rock", u"Psytrance", u"Shoegaze", u"Space Rock", u"Trop Rock",
    u"World Music", u"Neoclassical", u"Audiobook", u"Audio Theatre", u"Neue Deutsche Welle",
    u"Podcast", u"Indie Rock", u"G-Funk", u"Dubstep", u"Garage Rock", u"Psybient",
};

std::u16string_view GenreName(uint32_t number) {
  return number < kGenreCount ? GenreNames[number] : std::u16string_view{};
}

namespace {

enum class Target {
  None, Title, Subtitle, Artist, Album, Genre, Comment, Year, RecordingTime, Track, Bpm
};

struct FrameRule {
  char id4[5];
  char id3[4];
  Target target;
};

constexpr FrameRule kFrames[] = {
    {"TIT2", "TT2", Target::Title},  {"TIT3", "TT3", Target::Subtitle},
    {"TPE1", "TP1", Target::Artist}, {"TOPE", "TOA", Target::Artist},
    {"TPE4", "TP4", Target::Artist}, {"TALB", "TAL", Target::Album},
    {"TOAL", "TOT", Target::Album},  {"TCON", "TCO", Target::Genre},
    {"COMM", "COM", Target::Comment}, {"TYER", "TYE", Target::Year},
    {"TORY", "TOR", Target::Year},   {"TRCK", "TRK", Target::Track},
    {"TBPM", "TBP", Target::Bpm},    {"TDRC", "", Target::RecordingTime},
};

Target FindTarget(const uint8_t* id, int idLength) {
  for (const FrameRule& rule : kFrames) {
    const char* name = idLength == 4 ? rule.id4 : rule.id3;
    if (name[0] != 0 && std::memcmp(id, name, static_cast<size_t>(idLength)) == 0) return rule.target;
  }
  return Target::None;
}

bool IsFrameIdByte(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

// Decodes UTF-16 units up to a zero unit.
void AppendUtf16Units(std::span<const uint8_t> bytes, bool bigEndian, std::u16string& out) {
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char16_t unit = bigEndian ? static_cast<char16_t>(bytes[i] << 8 | bytes[i + 1])
                              : static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
    if (unit == 0) break;
    out.push_back(unit);
  }
}

std::span<const uint8_t> UpToZeroByte(std::span<const uint8_t> bytes) {
  if (bytes.empty()) return bytes;
  const void* zero = std::memchr(bytes.data(), 0, bytes.size());
  return zero ? bytes.first(static_cast<size_t>(static_cast<const uint8_t*>(zero) - bytes.data()))
              : bytes;
}

// Decodes an ID3v2 text by its encoding byte: 0 legacy code page, 1 UTF-16 with a byte-order mark
// (little-endian without one), 2 UTF-16 big-endian, 3 UTF-8.
void DecodeText(uint8_t encoding, std::span<const uint8_t> bytes, std::u16string& out) {
  out.clear();
  switch (encoding) {
    case 1:
    case 2: {
      bool bigEndian = encoding == 2;
      if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        bigEndian = false;
        bytes = bytes.subspan(2);
      } else if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
        bigEndian = true;
        bytes = bytes.subspan(2);
      }
      AppendUtf16Units(bytes, bigEndian, out);
      return;
    }
    case 3: {
      auto text = UpToZeroByte(bytes);
      std::string_view utf8(reinterpret_cast<const char*>(text.data()), text.size());
      if (utf8.starts_with(platform::kUtf8Marker)) utf8.remove_prefix(3);
      platform::AppendUtf8ToUtf16(utf8, out);
      return;
    }
    default: {
      auto text = UpToZeroByte(bytes);
      out = platform::DecodeCodePage(
          std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
      return;
    }
  }
}

// Splits a comment frame's data behind the encoding byte into its short description and its
// text (the 3-byte language code is dropped). False when there is no text.
bool SplitComment(uint8_t encoding, std::span<const uint8_t> bytes, std::span<const uint8_t>& description,
                  std::span<const uint8_t>& text) {
  if (bytes.size() <= 3) return false;
  bytes = bytes.subspan(3);
  if (encoding == 1 || encoding == 2) {
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
      if (bytes[i] == 0 && bytes[i + 1] == 0) {
        description = bytes.first(i);
        text = bytes.subspan(i + 2);
        return true;
      }
    }
    return false;
  }
  const void* zero = bytes.empty() ? nullptr : std::memchr(bytes.data(), 0, bytes.size());
  if (!zero) return false;
  size_t end = static_cast<size_t>(static_cast<const uint8_t*>(zero) - bytes.data());
  description = bytes.first(end);
  text = bytes.subspan(end + 1);
  return true;
}

// Descriptions under which players keep their own data in comment frames (loudness, gapless
// playback, disc identifiers, custom fields), not a comment the user wrote.
bool IsMachineKey(std::u16string_view description) {
  static constexpr std::u16string_view kPrefixes[] = {u"itun", u"songs-db", u"musicmatch_"};
  for (std::u16string_view prefix : kPrefixes) {
    if (description.size() < prefix.size()) continue;
    bool same = true;
    for (size_t i = 0; i < prefix.size() && same; ++i) {
      char16_t c = description[i];
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
      same = c == prefix[i];
    }
    if (same) return true;
  }
  return false;
}

template <size_t N>
void SetIfEmpty(FixedText<N>& field, std::u16string_view text) {
  if (field.Empty()) field.Assign(text);
}

uint32_t Synchsafe28(const uint8_t* p) {
  return uint32_t{p[0] & 0x7Fu} << 21 | uint32_t{p[1] & 0x7Fu} << 14 | uint32_t{p[2] & 0x7Fu} << 7 |
         (p[3] & 0x7Fu);
}

bool IsSynchsafe(const uint8_t* p) { return ((p[0] | p[1] | p[2] | p[3]) & 0x80) == 0; }

// A frame ends well when the next thing is a frame header, padding or the end of the tag.
bool EndsWell(FileWindow& file, uint64_t next, uint64_t end) {
  if (next == end) return true;
  if (next > end) return false;
  auto bytes = file.Get(next, 4);
  if (bytes.empty()) return false;
  if (bytes[0] == 0) return true;
  if (bytes.size() < 4) return false;
  for (uint8_t c : bytes) {
    if (!IsFrameIdByte(c)) return false;
  }
  return true;
}

// What the walk keeps aside until all frames are seen.
struct FrameWalk {
  FixedText<256> subtitle;
  FixedText<256> plainComment;  // the first comment with an empty description
  FixedText<256> otherComment;  // the first comment under a description that is not a machine key
  bool yearFrame = false;       // a TYER or TORY frame was seen
  uint16_t recordingYear = 0;   // from TDRC
};

void ApplyFrame(Target target, std::span<const uint8_t> data, TagRecord& tag, FrameWalk& walk) {
  if (data.empty()) return;
  thread_local platform::PerThread<std::u16string> t_textHolder;
  std::u16string& text = t_textHolder.Get();
  uint8_t encoding = data[0];
  std::span<const uint8_t> body = data.subspan(1);
  if (target == Target::Comment) {
    std::span<const uint8_t> description;
    if (!SplitComment(encoding, body, description, body)) return;
    DecodeText(encoding, body, text);
    if (text.empty()) return;
    thread_local platform::PerThread<std::u16string> t_keyHolder;
    std::u16string& key = t_keyHolder.Get();
    DecodeText(encoding, description, key);
    if (key.empty()) {
      SetIfEmpty(walk.plainComment, text);
    } else if (!IsMachineKey(key)) {
      SetIfEmpty(walk.otherComment, text);
    }
    return;
  }
  DecodeText(encoding, body, text);
  switch (target) {
    case Target::Title: SetIfEmpty(tag.title, text); break;
    case Target::Subtitle: SetIfEmpty(walk.subtitle, text); break;
    case Target::Artist: SetIfEmpty(tag.artist, text); break;
    case Target::Album: SetIfEmpty(tag.album, text); break;
    case Target::Genre: SetIfEmpty(tag.genre, text); break;
    case Target::Year:
      tag.year = YearOrZero(ParseDecimal(std::u16string_view(text).substr(0, 4)));
      walk.yearFrame = true;
      break;
    case Target::RecordingTime:
      // "yyyy-MM-ddTHH:mm:ss" or a part of it: the year is the first four characters.
      walk.recordingYear = YearOrZero(ParseDecimal(std::u16string_view(text).substr(0, 4)));
      break;
    case Target::Track: ParseTrackText(text, tag.track, tag.trackTotal); break;
    case Target::Bpm: {
      int64_t bpm = ParseDecimal(text);
      tag.bpm = bpm < 0 ? 0 : bpm > 65535 ? 65535 : static_cast<uint16_t>(bpm);
      break;
    }
    case Target::Comment:
    case Target::None: break;
  }
}

// Undoes unsynchronisation: every FF 00 becomes FF.
size_t Resynchronise(std::span<const uint8_t> in, uint8_t* out, size_t capacity) {
  size_t n = 0;
  for (size_t i = 0; i < in.size() && n < capacity; ++i) {
    out[n++] = in[i];
    if (in[i] == 0xFF && i + 1 < in.size() && in[i + 1] == 0) ++i;
  }
  return n;
}

constexpr size_t kMaxFrameText = 513;

// The first bytes of a frame's text (at most kMaxFrameText) as the frame flags say to read them:
// a grouping byte and a data-length indicator are skipped, unsynchronisation is undone; a
// compressed or encrypted frame gives nothing. `format` is the second flag byte.
std::span<const uint8_t> FrameData(FileWindow& file, const Id3v2Header& header, uint8_t format,
                                   uint64_t dataPos, uint64_t size) {
  uint64_t skip = 0;
  bool unsynchronised = false;
  if (header.versionIndex == 3) {
    if (format & 0x0C) return {};  // compressed or encrypted
    skip = ((format & 0x40) ? 1 : 0) + ((format & 0x01) ? 4 : 0);
    unsynchronised = (format & 0x02) || (header.flags & 0x80);
  } else if (header.versionIndex == 2) {
    if (format & 0xC0) return {};  // compressed or encrypted
    skip = (format & 0x20) ? 1 : 0;
  }
  if (size <= skip) return {};
  dataPos += skip;
  size -= skip;
  if (!unsynchronised) {
    return file.Get(dataPos, static_cast<size_t>(size < kMaxFrameText ? size : kMaxFrameText));
  }
  // Each FF 00 pair gives one byte, so twice the text's bytes are always enough.
  auto raw = file.Get(dataPos, static_cast<size_t>(size < 2 * kMaxFrameText ? size : 2 * kMaxFrameText));
  thread_local uint8_t plain[kMaxFrameText];
  return {plain, Resynchronise(raw, plain, kMaxFrameText)};
}

}  // namespace

std::optional<Id3v2Header> ParseId3v2Header(std::span<const uint8_t> b, uint64_t start) {
  if (b.size() < 10 || b[0] != 'I' || b[1] != 'D' || b[2] != '3') return std::nullopt;
  Id3v2Header h;
  if (b[3] == 2 && b[4] == 0) {
    h.versionIndex = 0;
  } else if (b[3] == 2 && b[4] == 1) {
    h.versionIndex = 1;
  } else if (b[3] == 3 && b[4] == 0) {
    h.versionIndex = 2;
  } else if (b[3] == 4 && b[4] == 0) {
    h.versionIndex = 3;
  } else {
    return std::nullopt;
  }
  bool v22 = h.versionIndex < 2;
  h.idLength = v22 ? 3 : 4;
  h.sizeLength = v22 ? 3 : 4;
  h.flagsLength = v22 ? 0 : 2;
  h.flags = b[5];
  h.position = start + 10;
  h.tagSize = Synchsafe28(&b[6]);
  return h;
}

uint32_t ReadId3v2Frames(FileWindow& file, TagRecord& tag) {
  auto headerBytes = file.GetExact(0, 10);
  if (headerBytes.empty()) return file.Error();
  auto header = ParseId3v2Header(headerBytes);
  if (!header) return 0;
  // Whole tags of a usual size come in with one read.
  if (header->tagSize + 10u <= FileWindow::kCapacity) file.Get(0, header->tagSize + 10u);

  uint64_t pos = header->position;
  uint64_t end = header->position + header->tagSize;
  // An extended header sits between the tag header and the first frame (2.3 and 2.4).
  if (header->versionIndex >= 2 && (header->flags & 0x40)) {
    auto ext = file.GetExact(pos, 4);
    if (ext.empty()) return file.Error();
    pos += header->versionIndex == 3 ? Synchsafe28(ext.data()) : uint64_t{Be32(ext.data())} + 4;
  }
  const size_t headerLength =
      static_cast<size_t>(header->idLength + header->sizeLength + header->flagsLength);
  FrameWalk walk;
  uint32_t result = 0;
  while (pos < end) {
    auto frame = file.GetExact(pos, headerLength);
    if (frame.empty()) {
      result = file.Error();
      break;
    }
    if (frame[0] == 0) break;  // padding
    uint8_t id[4];
    std::memcpy(id, frame.data(), static_cast<size_t>(header->idLength));
    // The second flag byte holds the format flags (the span is gone after the next read).
    const uint8_t format = header->flagsLength == 2 ? frame[headerLength - 1] : 0;
    const uint8_t* sizeBytes = frame.data() + header->idLength;
    uint64_t size = header->sizeLength == 3 ? Be24(sizeBytes) : Be32(sizeBytes);
    if (header->versionIndex == 3 && IsSynchsafe(sizeBytes)) {
      // 2.4 sizes are synchsafe, but some writers store plain sizes: take the plain one only
      // when it alone lands on a frame, padding or the tag's end.
      uint64_t synchsafe = Synchsafe28(sizeBytes);
      if (synchsafe != size && !EndsWell(file, pos + headerLength + synchsafe, end) &&
          EndsWell(file, pos + headerLength + size, end)) {
        // keep the plain size
      } else {
        size = synchsafe;
      }
    }
    uint64_t dataPos = pos + headerLength;
    Target target = FindTarget(id, header->idLength);
    if (target != Target::None && size > 0) {
      if (auto data = FrameData(file, *header, format, dataPos, size); !data.empty()) {
        ApplyFrame(target, data, tag, walk);
      }
    }
    pos = dataPos + size;
  }
  if (tag.title.Empty() && !walk.subtitle.Empty()) tag.title.Assign(walk.subtitle.View());
  if (!walk.yearFrame && walk.recordingYear != 0) tag.year = walk.recordingYear;
  if (tag.comment.Empty()) {
    tag.comment.Assign(!walk.plainComment.Empty() ? walk.plainComment.View() : walk.otherComment.View());
  }
  NormalizeGenre(tag.genre);
  return result;
}

bool IsId3v1(std::span<const uint8_t> last128) {
  return last128.size() == 128 && last128[0] == 'T' && last128[1] == 'A' && last128[2] == 'G';
}

namespace {

std::u16string DecodeV1Field(std::span<const uint8_t> field) {
  auto text = UpToZeroByte(field);
  size_t n = text.size();
  while (n > 0 && text[n - 1] == ' ') --n;
  return platform::DecodeCodePage(std::string_view(reinterpret_cast<const char*>(text.data()), n));
}

}  // namespace

void ReadId3v1(std::span<const uint8_t> t, TagRecord& tag) {
  if (!IsId3v1(t)) return;
  if (tag.title.Empty()) tag.title.Assign(DecodeV1Field(t.subspan(3, 30)));
  if (tag.artist.Empty()) tag.artist.Assign(DecodeV1Field(t.subspan(33, 30)));
  if (tag.album.Empty()) tag.album.Assign(DecodeV1Field(t.subspan(63, 30)));
  if (tag.year == 0) {
    std::u16string year = DecodeV1Field(t.subspan(93, 4));
    tag.year = YearOrZero(ParseDecimal(year));
  }
  bool v11 = t[125] == 0;
  if (v11 && tag.track == 0) tag.track = t[126];
  if (tag.comment.Empty()) tag.comment.Assign(DecodeV1Field(t.subspan(97, v11 ? 28 : 30)));
  if (tag.genre.Empty() && t[127] < kGenreCount) tag.genre.Assign(GenreNames[t[127]]);
}

void NormalizeGenre(FixedText<32>& genre) {
  std::u16string_view g = genre.View();
  auto isDigit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
  if (!g.empty() && g[0] == u'(') {
    size_t end = 1;
    int64_t n = ParseDecimal(g.substr(1), &end);
    end += 1;
    bool hasDigits = end > 1 && isDigit(g[end - 1]);
    if (!hasDigits || n < 0 || end >= g.size() || g[end] != u')') return;
    if (end + 1 == g.size()) {
      genre.Assign(GenreName(static_cast<uint32_t>(n)));
    } else {
      char16_t rest[32];
      const size_t copied = g.substr(end + 1).copy(rest, std::size(rest));
      genre.Assign(std::u16string_view(rest, copied));
    }
    return;
  }
  if (!g.empty() && isDigit(g[0])) {
    size_t end = 0;
    int64_t n = ParseDecimal(g, &end);
    if (end != g.size()) return;
    if (g.size() > 1 && g[0] == u'0') return;  // "017" is not the writing of 17
    genre.Assign(GenreName(static_cast<uint32_t>(n)));
  }
}

}  // namespace tarnq::analysis
