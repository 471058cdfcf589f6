// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/ogg_reader.h"

#include <ogg/ogg.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "analysis/vorbis_comment.h"
#include "analysis/vorbis_headers.h"
#include "platform/files.h"

namespace tarnq::analysis {
namespace {

constexpr size_t kReadPiece = 8192;
// Streams beyond this many are read through without effect (a file cannot make us allocate
// state for thousands of serial numbers).
constexpr size_t kMaxStreams = 16;
// Headers (with cover art in the comments) larger than this are not waited for.
constexpr uint64_t kMaxHeaderBytes = 16 * 1024 * 1024;
// Garbage read before the first page that makes us give up on the file.
constexpr uint64_t kMaxJunkBytes = 256 * 1024;
// The largest Ogg page: 27-byte header, 255 lacing values, 255 * 255 bytes of body.
constexpr uint64_t kMaxPageSize = 27 + 255 + 255 * 255;

// A Vorbis setup header: packet type 5, "vorbis", and at least a codebook count.
bool IsSetupHeader(const ogg_packet& packet) {
  return packet.bytes > 7 && packet.packet[0] == 5 && std::memcmp(packet.packet + 1, "vorbis", 6) == 0;
}

struct LogicalStream {
  int serial = 0;
  bool decided = false;
  bool vorbis = false;
  bool broken = false;
  int headers = 0;
  uint32_t rate = 0;
  int64_t lastGranule = 0;
  ogg_stream_state state{};
  VorbisIdentification identification;
  std::string comments;  // the comment header packet, checked, until the setup header is seen

  explicit LogicalStream(int s) : serial(s) { ogg_stream_init(&state, s); }
  ~LogicalStream() { ogg_stream_clear(&state); }
  LogicalStream(const LogicalStream&) = delete;
  LogicalStream& operator=(const LogicalStream&) = delete;
  bool HeadersDone() const { return !vorbis || broken || headers >= 3; }
};

struct SyncState {
  ogg_sync_state sync{};
  SyncState() { ogg_sync_init(&sync); }
  ~SyncState() { ogg_sync_clear(&sync); }
};

class OggScan {
 public:
  OggScan(platform::InputFile& file, TagRecord& tag) : m_file(file), m_tag(tag) {
    m_size = file.Size();
    if (m_size == platform::kUnknownSize) m_size = 0;
  }

  // Reads pages from the current position: until every stream's headers are in and the block
  // of first pages is over (`toEnd` false), or to the end of the file.
  void ReadForward(bool toEnd) {
    ogg_page page;
    while (true) {
      int result = ogg_sync_pageout(&m_sync.sync, &page);
      if (result == 1) {
        HandlePage(page);
        if (!toEnd && !ogg_page_bos(&page) && AllHeadersDone()) {
          DrainBufferedPages();
          return;
        }
        if (!toEnd && m_position > kMaxHeaderBytes) return;
        continue;
      }
      if (result < 0) {
        // Not an Ogg file, or a long run of garbage: stop looking for a first page at some point.
        if (!toEnd && m_streams.empty() && m_position > kMaxJunkBytes) return;
        continue;
      }
      if (m_position >= m_size) return;
      char* buffer = ogg_sync_buffer(&m_sync.sync, kReadPiece);
      if (!buffer) return;
      size_t want = static_cast<size_t>(std::min<uint64_t>(kReadPiece, m_size - m_position));
      size_t done = 0;
      if (m_file.ReadAt(m_position, buffer, want, done) != 0 || done == 0) return;
      m_position += done;
      ogg_sync_wrote(&m_sync.sync, static_cast<long>(done));
    }
  }

  // Handles the pages already in the sync buffer and notes where the unread part begins.
  void DrainBufferedPages() {
    ogg_page page;
    while (true) {
      int result = ogg_sync_pageout(&m_sync.sync, &page);
      if (result == 0) break;
      if (result == 1) HandlePage(page);  // -1: bytes skipped, no page
    }
  }

  // Where the bytes that no page was taken from begin (a page may straddle the read position).
  uint64_t UnreadStart() const {
    uint64_t buffered = static_cast<uint64_t>(std::max(0, m_sync.sync.fill - m_sync.sync.returned));
    return m_position > buffered ? m_position - buffered : 0;
  }

  // Finds the last page of a known Vorbis stream by reading backwards from the end. Returns false
  // when the tail holds a stream that was not seen yet (a chained file), so the caller has to
  // read forward instead.
  bool FindLastGranule() {
    const uint64_t from = UnreadStart();
    if (from >= m_size) return true;
    uint64_t end = m_size;
    uint64_t chunk = 16 * 1024;
    std::vector<char> bytes;
    while (end > from) {
      uint64_t begin = end - from > chunk ? end - chunk : from;
      size_t length = static_cast<size_t>(end - begin);
      bytes.resize(length);
      size_t done = 0;
      if (m_file.ReadAt(begin, bytes.data(), length, done) != 0 || done != length) return true;
      // Try the pages from the last one backwards: only a page that starts at a capture pattern
      // is handed to libogg, which checks its CRC. The first one with a granule position decides.
      for (size_t pos = length >= 4 ? length - 4 + 1 : 0; pos-- > 0;) {
        if (std::memcmp(bytes.data() + pos, "OggS", 4) != 0) continue;
        SyncState sync;
        const size_t tail = length - pos;
        char* buffer = ogg_sync_buffer(&sync.sync, static_cast<long>(tail));
        if (!buffer) return true;
        std::memcpy(buffer, bytes.data() + pos, tail);
        ogg_sync_wrote(&sync.sync, static_cast<long>(tail));
        ogg_page page;
        if (ogg_sync_pageseek(&sync.sync, &page) <= 0) continue;  // cut off or not a page
        const int64_t granule = ogg_page_granulepos(&page);
        if (granule <= 0) continue;
        LogicalStream* stream = Find(ogg_page_serialno(&page));
        if (!stream) return false;
        if (stream->vorbis && !stream->broken && stream->headers >= 3) {
          stream->lastGranule = granule;
          m_lastVorbis = stream;
          return true;
        }
      }
      if (begin == from) return true;
      // Step back, overlapping by one page so that a page across the boundary is seen whole.
      end = begin + std::min<uint64_t>(kMaxPageSize, (end - begin) / 2);
      chunk = 128 * 1024;
    }
    return true;
  }

  void Finish() {
    // Duration of the Vorbis stream that ended last, at its own sampling rate.
    if (m_lastVorbis && m_lastVorbis->rate != 0 && m_lastVorbis->lastGranule > 0) {
      m_tag.duration = static_cast<uint32_t>(
          std::min<uint64_t>(static_cast<uint64_t>(m_lastVorbis->lastGranule) / m_lastVorbis->rate,
                             0xFFFFFFFFu));
    }
  }

 private:
  LogicalStream* Find(int serial) {
    for (auto& s : m_streams) {
      if (s->serial == serial) return s.get();
    }
    return nullptr;
  }

  bool AllHeadersDone() const {
    for (const auto& s : m_streams) {
      if (!s->decided || !s->HeadersDone()) return false;
    }
    return true;
  }

  void HandlePage(ogg_page& page) {
    int serial = ogg_page_serialno(&page);
    LogicalStream* stream = Find(serial);
    if (!stream) {
      if (m_streams.size() >= kMaxStreams) return;
      m_streams.push_back(std::make_unique<LogicalStream>(serial));
      stream = m_streams.back().get();
    }
    if (stream->decided && (!stream->vorbis || stream->broken)) return;
    if (stream->decided && stream->headers >= 3) {
      int64_t granule = ogg_page_granulepos(&page);
      if (granule > 0) {
        stream->lastGranule = granule;
        m_lastVorbis = stream;
      }
      return;
    }
    if (ogg_stream_pagein(&stream->state, &page) != 0) return;
    ogg_packet packet;
    while (!stream->HeadersDone() || !stream->decided) {
      int got = ogg_stream_packetout(&stream->state, &packet);
      if (got == 0) break;
      if (got < 0) continue;
      if (!stream->decided) {
        stream->decided = true;
        stream->vorbis = packet.bytes > 6 && packet.packet[0] == 1 &&
                         std::memcmp(packet.packet + 1, "vorbis", 6) == 0;
        if (!stream->vorbis) return;
        if (m_tag.formatName.Empty()) m_tag.formatName.Assign(u"Ogg Vorbis");
      }
      // The identification header opens the stream, the comment header follows; both are read
      // here. The setup header only has to be one: unpacking its codebooks costs more than the
      // rest of the file's analysis together and tells nothing the search uses.
      const std::span<const unsigned char> bytes(packet.packet, static_cast<size_t>(std::max<long>(packet.bytes, 0)));
      bool ok;
      if (stream->headers == 0) {
        ok = packet.b_o_s != 0 && ParseVorbisIdentification(bytes, stream->identification);
      } else if (stream->headers == 1) {
        ok = IsVorbisCommentHeader(bytes);
        if (ok) stream->comments.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
      } else {
        ok = IsSetupHeader(packet);
      }
      if (!ok) {
        stream->broken = true;
        return;
      }
      if (++stream->headers == 3) ApplyHeaders(*stream);
    }
    if (stream->headers >= 3) {
      int64_t granule = ogg_page_granulepos(&page);
      if (granule > 0) {
        stream->lastGranule = granule;
        m_lastVorbis = stream;
      }
    }
  }

  void ApplyHeaders(LogicalStream& stream) {
    const VorbisIdentification& id = stream.identification;
    m_tag.channels = id.channels;
    stream.rate = id.rate;
    m_tag.sampleRate = stream.rate;
    if (id.bitrateNominal > 0) m_tag.bitrate = id.bitrateNominal / 1000;
    VorbisCommentKeysSeen seen;
    const std::span<const unsigned char> packet(reinterpret_cast<const unsigned char*>(stream.comments.data()),
                                                stream.comments.size());
    ForEachVorbisComment(packet, [&](std::string_view comment) { ApplyVorbisComment(comment, m_tag, true, seen); });
    std::string().swap(stream.comments);
  }

  platform::InputFile& m_file;
  TagRecord& m_tag;
  uint64_t m_size = 0;
  uint64_t m_position = 0;
  SyncState m_sync;
  std::vector<std::unique_ptr<LogicalStream>> m_streams;
  LogicalStream* m_lastVorbis = nullptr;
};

}  // namespace

uint32_t ReadOggFile(std::u16string_view path, TagRecord& tag) {
  platform::InputFile file;
  if (uint32_t error = file.Open(path, tag.knownFileSize)) return error;
  OggScan scan(file, tag);
  scan.ReadForward(false);
  if (!tag.formatName.Empty() && !scan.FindLastGranule()) scan.ReadForward(true);
  scan.Finish();
  return 0;
}

}  // namespace tarnq::analysis
