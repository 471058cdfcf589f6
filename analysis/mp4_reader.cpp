// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/mp4_reader.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "analysis/byte_cursor.h"
#include "analysis/file_window.h"
#include "analysis/id3_reader.h"
#include "platform/files.h"

namespace tarnq::analysis {
namespace {

constexpr int kMaxDepth = 32;
constexpr size_t kMaxItemValue = 511;

constexpr uint32_t FourCc(const char (&s)[5]) {
  return uint32_t(uint8_t(s[0])) << 24 | uint32_t(uint8_t(s[1])) << 16 |
         uint32_t(uint8_t(s[2])) << 8 | uint32_t(uint8_t(s[3]));
}
// Item names that begin with the copyright sign (A9).
constexpr uint32_t Item(const char (&s)[4]) {
  return 0xA9u << 24 | uint32_t(uint8_t(s[0])) << 16 | uint32_t(uint8_t(s[1])) << 8 |
         uint32_t(uint8_t(s[2]));
}

struct BoxHeader {
  uint32_t type = 0;
  uint64_t start = 0;
  uint64_t bodyStart = 0;
  uint64_t end = 0;
};

// Reads the header of the box at `pos` inside a parent ending at `parentEnd`. False ends the walk
// of that level: a broken header, a size of 0 or smaller than the header, or a box reaching past
// its parent.
bool ReadBoxHeader(FileWindow& file, uint64_t pos, uint64_t parentEnd, BoxHeader& box) {
  ByteCursor cursor(file, pos, parentEnd);
  uint64_t size = cursor.Be32();
  box.type = cursor.Be32();
  uint64_t headerLength = 8;
  if (size == 1) {
    size = cursor.Be64();
    headerLength = 16;
  }
  if (!cursor.Ok() || size < headerLength || size > parentEnd - pos) return false;
  box.start = pos;
  box.bodyStart = pos + headerLength;
  box.end = pos + size;
  return true;
}

// Reads bits most significant first; reading past the end leaves it failed (and reads zeros).
class BitReader {
 public:
  explicit BitReader(std::span<const uint8_t> bytes) : m_bytes(bytes) {}
  bool Ok() const { return m_ok; }
  size_t Left() const { return m_bytes.size() * 8 - m_position; }
  uint32_t Read(int count) {
    uint32_t value = 0;
    for (int i = 0; i < count; ++i) {
      if (m_position >= m_bytes.size() * 8) {
        m_ok = false;
        return 0;
      }
      value = value << 1 | ((m_bytes[m_position / 8] >> (7 - m_position % 8)) & 1u);
      ++m_position;
    }
    return value;
  }

 private:
  std::span<const uint8_t> m_bytes;
  size_t m_position = 0;
  bool m_ok = true;
};

class Mp4Walk {
 public:
  Mp4Walk(FileWindow& file, TagRecord& tag) : m_file(file), m_tag(tag) {}

  void Run() {
    Walk(0, m_file.Size(), 0, true);
    if (m_tag.bitrate == 0 && m_timeScale != 0 && m_durationUnits != 0) {
      // The media data; the whole file when no mdat box was found.
      uint64_t bytes = m_mediaBytes != 0 ? m_mediaBytes : m_file.Size();
      double kbps = (static_cast<double>(bytes) * m_timeScale * 8.0 / m_durationUnits + 500.0) / 1000.0;
      m_tag.bitrate = static_cast<int32_t>(std::min(kbps, 2147483647.0));
    }
    if (m_tag.formatName.Empty()) m_tag.formatName.Assign(u"M4A");
    // Looked for and not recognised: the cache tells this apart from a record made before codecs
    // were read.
    if (m_tag.codec == records::Codec::kUnknown) m_tag.codec = records::Codec::kOther;
    TrimTags(m_tag);
  }

 private:
  void Walk(uint64_t pos, uint64_t end, int depth, bool topLevel) {
    if (depth > kMaxDepth) return;
    BoxHeader box;
    while (pos < end && ReadBoxHeader(m_file, pos, end, box)) {
      if (topLevel && box.type == FourCc("mdat")) m_mediaBytes += box.end - box.start;
      switch (box.type) {
        case FourCc("moov"):
        case FourCc("trak"):
        case FourCc("mdia"):
        case FourCc("minf"):
        case FourCc("stbl"):
        case FourCc("edts"):
        case FourCc("udta"):
          Walk(box.bodyStart, box.end, depth + 1, false);
          break;
        case FourCc("ftyp"):
          if (topLevel) ReadBrand(box);
          break;
        default:
          if (!topLevel) ReadInner(box, depth);
          break;
      }
      pos = box.end;
    }
  }

  void ReadInner(const BoxHeader& box, int depth) {
    switch (box.type) {
      case FourCc("ilst"): Walk(box.bodyStart, box.end, depth + 1, false); return;
      case FourCc("meta"):
        if (box.end - box.bodyStart >= 4) Walk(box.bodyStart + 4, box.end, depth + 1, false);
        return;
      case FourCc("mdhd"): ReadMdhd(box); return;
      case FourCc("stsd"): ReadStsd(box); return;
      default: ReadItem(box); return;
    }
  }

  void ReadBrand(const BoxHeader& box) {
    ByteCursor cursor(m_file, box.bodyStart, box.end);
    auto brand = cursor.Take(4);
    if (!cursor.Ok()) return;
    char upper[4];
    for (int i = 0; i < 4; ++i) {
      char c = static_cast<char>(brand[size_t(i)]);
      upper[i] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    if (upper[0] == 'M' && upper[1] == '4' && upper[3] == ' ') {
      char16_t name[3] = {u'M', u'4', static_cast<char16_t>(static_cast<unsigned char>(upper[2]))};
      m_tag.formatName.Assign(std::u16string_view(name, 3));
    } else if (std::memcmp(upper, "MP4", 3) == 0) {
      m_tag.formatName.Assign(u"MP4");
    }
  }

  void ReadMdhd(const BoxHeader& box) {
    ByteCursor cursor(m_file, box.bodyStart, box.end);
    uint8_t version = cursor.U8();
    cursor.Skip(3);
    uint32_t timeScale = 0;
    uint64_t duration = 0;
    if (version == 1) {
      cursor.Skip(16);
      timeScale = cursor.Be32();
      duration = cursor.Be64();
    } else {
      cursor.Skip(8);
      timeScale = cursor.Be32();
      duration = cursor.Be32();
      if (duration == 0xFFFFFFFFu) duration = 0;
    }
    if (!cursor.Ok()) return;
    m_timeScale = timeScale;
    m_durationUnits = duration;
    if (timeScale != 0) m_tag.duration = static_cast<uint32_t>(std::min<uint64_t>(duration / timeScale, 0xFFFFFFFFu));
  }

  void ReadStsd(const BoxHeader& box) {
    ByteCursor cursor(m_file, box.bodyStart, box.end);
    cursor.Skip(4);
    uint32_t count = cursor.Be32();
    if (!cursor.Ok()) return;
    uint64_t pos = cursor.Position();
    BoxHeader entry;
    for (uint32_t i = 0; i < count && ReadBoxHeader(m_file, pos, box.end, entry); ++i) {
      if (entry.type == FourCc("mp4a")) ReadMp4a(entry);
      if (entry.type == FourCc("alac")) ReadAlac(entry);
      pos = entry.end;
    }
  }

  // The sample entry's four-character code names the codec: 'mp4a' is MPEG-4 audio (AAC unless
  // its decoder configuration says otherwise), 'alac' Apple Lossless.
  void ReadMp4a(const BoxHeader& entry) {
    m_tag.codec = records::Codec::kOther;
    ByteCursor cursor(m_file, entry.bodyStart, entry.end);
    cursor.Skip(8);  // reserved, data reference index
    uint16_t version = cursor.Be16();
    cursor.Skip(6);  // revision, vendor
    uint16_t channels = cursor.Be16();
    cursor.Skip(6);  // sample size, compression id, packet size
    uint16_t rate = cursor.Be16();
    cursor.Skip(2);
    if (!cursor.Ok()) return;
    m_tag.channels = channels;
    m_tag.sampleRate = rate;
    // QuickTime sound descriptions of version 1 and 2 carry 16 and 36 more bytes.
    if (version == 1) cursor.Skip(16);
    else if (version != 0) cursor.Skip(36);
    BoxHeader esds;
    if (!cursor.Ok() || !ReadBoxHeader(m_file, cursor.Position(), entry.end, esds) ||
        esds.type != FourCc("esds")) {
      return;
    }
    ReadEsds(esds);
  }

  // An expandable descriptor length: up to four bytes of seven bits.
  static uint32_t DescriptorLength(ByteCursor& cursor) {
    uint32_t length = 0;
    for (int i = 0; i < 4; ++i) {
      uint8_t b = cursor.U8();
      length = length << 7 | (b & 0x7F);
      if (!(b & 0x80)) break;
    }
    return length;
  }

  void ReadEsds(const BoxHeader& esds) {
    ByteCursor cursor(m_file, esds.bodyStart, esds.end);
    cursor.Skip(4);  // version and flags
    if (cursor.U8() != 3 || DescriptorLength(cursor) < 20) return;
    cursor.Skip(2);  // ES id
    uint8_t flags = cursor.U8();
    if (flags & 0x80) cursor.Skip(2);
    if (flags & 0x40) cursor.Skip(cursor.U8());
    if (flags & 0x20) cursor.Skip(2);
    if (cursor.U8() != 4 || DescriptorLength(cursor) < 13) return;
    uint8_t objectType = cursor.U8();
    cursor.Skip(1 + 3 + 4);  // stream type, buffer size, maximum bit rate
    uint32_t average = cursor.Be32();
    if (!cursor.Ok()) return;
    // MPEG-4 audio, or one of the three AAC profiles of MPEG-2.
    constexpr uint8_t kMpeg4Audio = 0x40;
    if (objectType == kMpeg4Audio || (objectType >= 0x66 && objectType <= 0x68))
      m_tag.codec = records::Codec::kAac;
    if (average != 0) m_tag.bitrate = static_cast<int32_t>((uint64_t{average} + 500) / 1000);
    // The decoder-specific information of MPEG-4 audio: an AAC configuration that may signal SBR.
    if (objectType != kMpeg4Audio || cursor.U8() != 5) return;
    uint32_t length = std::min<uint32_t>(DescriptorLength(cursor), 64);
    auto config = cursor.Take(length);
    if (!cursor.Ok()) return;
    if (uint32_t rate = SbrOutputRate(config)) m_tag.sampleRate = rate;
  }

  // Reads an AudioSpecificConfig (ISO/IEC 14496-3) far enough to learn whether it signals SBR
  // (HE-AAC), whose output rate is twice the core rate. Returns the output rate, or 0 when SBR is
  // not signalled (then the sample entry's rate stands).
  static uint32_t SbrOutputRate(std::span<const uint8_t> config) {
    static constexpr uint32_t kRates[13] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                            22050, 16000, 12000, 11025, 8000,  7350};
    BitReader bits(config);
    auto objectType = [&] {
      uint32_t type = bits.Read(5);
      return type == 31 ? 32 + bits.Read(6) : type;
    };
    auto rate = [&]() -> uint32_t {
      uint32_t index = bits.Read(4);
      if (index == 15) return bits.Read(24);
      return index < 13 ? kRates[index] : 0;
    };
    uint32_t type = objectType();
    rate();  // the core rate, which the sample entry already gives
    uint32_t channelConfiguration = bits.Read(4);
    if (!bits.Ok()) return 0;
    constexpr uint32_t kSbr = 5;
    constexpr uint32_t kParametricStereo = 29;
    if (type == kSbr || type == kParametricStereo) {
      // Explicit hierarchical signalling: the output rate, then the core's object type.
      uint32_t output = rate();
      return bits.Ok() ? output : 0;
    }
    // Backward-compatible signalling follows the GA configuration of an AAC core: the sync word
    // 0x2B7, the extension object type SBR and its present flag.
    constexpr uint32_t kAacMain = 1, kAacLtp = 4;
    if (type < kAacMain || type > kAacLtp || channelConfiguration == 0) return 0;
    bits.Read(1);                    // frame length flag
    if (bits.Read(1)) bits.Read(14);  // depends on core coder: core coder delay
    bits.Read(1);                    // extension flag (0 for these object types)
    if (!bits.Ok() || bits.Left() < 16 || bits.Read(11) != 0x2B7) return 0;
    if (objectType() != kSbr || bits.Read(1) != 1) return 0;
    uint32_t output = rate();
    return bits.Ok() ? output : 0;
  }

  void ReadAlac(const BoxHeader& entry) {
    m_tag.codec = records::Codec::kAlac;
    ByteCursor cursor(m_file, entry.bodyStart, entry.end);
    cursor.Skip(16);
    uint16_t channels = cursor.Be16();
    cursor.Skip(6);
    uint16_t rate = cursor.Be16();
    if (!cursor.Ok()) return;
    m_tag.channels = channels;
    m_tag.sampleRate = rate;
  }

  void ReadItem(const BoxHeader& box) {
    uint32_t type = box.type;
    bool known = type == Item("nam") || type == Item("ART") || type == FourCc("aART") ||
                 type == Item("alb") || type == Item("gen") || type == Item("cmt") ||
                 type == Item("day") || type == FourCc("gnre") || type == FourCc("trkn") ||
                 type == FourCc("tmpo");
    if (!known) return;
    BoxHeader data;
    if (!ReadBoxHeader(m_file, box.bodyStart, box.end, data) || data.type != FourCc("data")) return;
    if (data.end - data.bodyStart < 8) return;
    uint64_t valueStart = data.bodyStart + 8;
    size_t length = static_cast<size_t>(std::min<uint64_t>(data.end - valueStart, kMaxItemValue));
    auto value = m_file.GetExact(valueStart, length);
    if (value.size() != length) return;
    std::string_view text(reinterpret_cast<const char*>(value.data()), value.size());
    if (type == Item("nam")) {
      m_tag.title.AssignUtf8(text);
    } else if (type == Item("ART")) {
      m_tag.artist.AssignUtf8(text);
    } else if (type == FourCc("aART")) {
      if (m_tag.artist.Empty()) m_tag.artist.AssignUtf8(text);
    } else if (type == Item("alb")) {
      m_tag.album.AssignUtf8(text);
    } else if (type == Item("gen")) {
      m_tag.genre.AssignUtf8(text);
    } else if (type == Item("cmt")) {
      m_tag.comment.AssignUtf8(text);
    } else if (type == Item("day")) {
      FixedText<8> year;
      year.AssignUtf8(text.substr(0, 4));
      m_tag.year = YearOrZero(ParseDecimal(year.View()));
    } else if (type == FourCc("gnre")) {
      if (value.size() >= 2) {
        uint16_t n = Be16(value.data());
        if (n >= 1 && n <= kGenreCount && m_tag.genre.Empty()) m_tag.genre.Assign(GenreName(n - 1u));
      }
    } else if (type == FourCc("trkn")) {
      if (value.size() >= 6) {
        uint16_t a = Be16(value.data());
        uint16_t b = Be16(value.data() + 2);
        uint16_t c = Be16(value.data() + 4);
        if (b != 0 && m_tag.track == 0) {
          m_tag.track = b;
          m_tag.trackTotal = value.size() > 7 && a == 0 ? c : a;
        }
      }
    } else if (type == FourCc("tmpo")) {
      if (value.size() >= 2) {
        uint16_t bpm = Be16(value.data());
        if (bpm != 0 && m_tag.bpm == 0) m_tag.bpm = bpm;
      }
    }
  }

  FileWindow& m_file;
  TagRecord& m_tag;
  uint64_t m_mediaBytes = 0;  // sizes of the top-level mdat boxes
  uint32_t m_timeScale = 0;
  uint64_t m_durationUnits = 0;
};

}  // namespace

uint32_t ReadMp4File(std::u16string_view path, TagRecord& tag) {
  platform::InputFile input;
  if (uint32_t error = input.Open(path, tag.knownFileSize)) {
    tag.Clear();
    return error;
  }
  FileWindow file(input, 4096);
  if (file.Size() <= 126) {
    tag.Clear();
    return ~0u;
  }
  Mp4Walk(file, tag).Run();
  if (file.Error() != 0) {
    tag.Clear();
    return file.Error();
  }
  return 0;
}

}  // namespace tarnq::analysis
