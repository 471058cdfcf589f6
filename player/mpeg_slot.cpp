// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/mpeg_slot.h"

#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "analysis/file_window.h"
#include "analysis/id3_reader.h"
#include "platform/errors.h"

namespace tarnq::player {
namespace {

constexpr size_t kFeedBytes = 16384;        // one read of the file handed to the decoder
constexpr uint64_t kFrameSearch = 262144;   // how far behind the tags the first frame may start
constexpr size_t kFreeFormatSearch = 8192;  // the longest free-format frame we look for

uint32_t Refuse(std::string& error, const char* why) {
  error = why;
  return platform::err::kNotSupported;
}

bool SameStream(const analysis::MpegFrameHeader& a, const analysis::MpegFrameHeader& b) {
  return a.layer == b.layer && a.version == b.version && a.sampleRate == b.sampleRate;
}

// The length of the frame at `at`: from its header, or for free format the distance to the next
// header of the same stream. 0 when it cannot be told.
uint32_t FrameLengthAt(analysis::FileWindow& window, uint64_t at, uint64_t end,
                       const analysis::MpegFrameHeader& header) {
  if (header.frameBytes != 0) return header.frameBytes;
  auto bytes = window.Get(at, static_cast<size_t>(std::min<uint64_t>(end - at, kFreeFormatSearch)));
  for (size_t i = 4; i + 4 <= bytes.size(); ++i) {
    analysis::MpegFrameHeader next;
    if (bytes[i] == 0xFF && bytes[i + 1] == bytes[1] && analysis::ParseMpegFrameHeader(bytes.data() + i, next) &&
        next.frameBytes == 0 && SameStream(header, next)) {
      return static_cast<uint32_t>(i);
    }
  }
  return 0;
}

// Whether a frame of `header` at `at` is followed by another frame of the same stream (or ends
// the stream), which tells a frame from an FF byte inside other data.
bool IsFrameAt(analysis::FileWindow& window, uint64_t at, uint64_t end, analysis::MpegFrameHeader& header) {
  auto head = window.GetExact(at, 4);
  if (head.empty() || !analysis::ParseMpegFrameHeader(head.data(), header)) return false;
  const uint32_t length = FrameLengthAt(window, at, end, header);
  if (length == 0) return false;
  if (at + length >= end) return at + length == end;
  auto next = window.GetExact(at + length, 4);
  analysis::MpegFrameHeader following;
  return !next.empty() && analysis::ParseMpegFrameHeader(next.data(), following) && SameStream(header, following);
}

// The frame nearest to `around` within [from, to): where a seek starts decoding.
uint64_t NearestFrame(analysis::FileWindow& window, uint64_t around, uint64_t from, uint64_t to) {
  const uint64_t low = std::max(from, around > 2048 ? around - 2048 : 0);
  const uint64_t high = std::min(to, around + 4096);
  uint64_t best = around;
  uint64_t bestDistance = UINT64_MAX;
  for (uint64_t at = low; at + 4 <= high; ++at) {
    auto b = window.GetExact(at, 2);
    if (b.empty()) break;
    if (b[0] != 0xFF || (b[1] & 0xE0) != 0xE0) continue;
    analysis::MpegFrameHeader header;
    const uint64_t distance = at > around ? at - around : around - at;
    if (distance < bestDistance && IsFrameAt(window, at, to, header)) {
      best = at;
      bestDistance = distance;
    }
    if (at > around && at - around >= bestDistance) break;  // nothing further on is nearer
  }
  return std::clamp(best, from, to);
}

}  // namespace

uint32_t ReadMpegLayout(platform::InputFile& file, std::u16string_view path, MpegLayout& layout,
                        analysis::TagRecord& tag, std::string& error) {
  layout = MpegLayout{};
  tag.Clear();
  if (const uint32_t code = analysis::ReadMpegFile(path, tag, &layout.xing); code != 0) {
    error = platform::ErrorMessage(code);
    return code;
  }
  if (tag.formatName.Empty()) return Refuse(error, "not an MPEG audio file");

  analysis::FileWindow window(file, 16384);
  const uint64_t size = window.Size();
  uint64_t end = size;
  if (size > 128) {
    auto tail = window.GetExact(size - 128, 128);
    if (!tail.empty() && analysis::IsId3v1(tail)) end -= 128;
  }
  const uint64_t start = analysis::FindAudioStart(window, end);
  const uint64_t searchEnd = std::min(end, start + kFrameSearch);
  uint64_t first = start;
  analysis::MpegFrameHeader header;
  while (first < searchEnd && !IsFrameAt(window, first, end, header)) ++first;
  if (first >= searchEnd) return Refuse(error, "not an MPEG audio file: no frames found");
  if (window.Error() != 0) {
    error = platform::ErrorMessage(window.Error());
    return window.Error();
  }
  layout.header = header;
  layout.firstFrame = first;
  layout.audioStart = first;
  layout.streamEnd = end;
  const uint32_t firstLength = FrameLengthAt(window, first, end, header);

  // An encoder header (Xing, Info, VBRI) fills the first frame and counts the frames after it.
  auto block = window.Get(first, static_cast<size_t>(std::min<uint64_t>(end - first, analysis::kMpegBlockSize)));
  analysis::MpegFrameInfo info;
  if (analysis::DecodeFirstFrame(block.data(), block.size(), end - first, info) &&
      info.header != analysis::MpegEncoderHeader::None) {
    layout.audioStart = first + firstLength;
    if (info.headerFrameCount && info.frameCount > 0) {
      layout.frames = info.frameCount;
      layout.exactFrames = true;
    }
  }
  if (layout.frames == 0) {
    // Mean frame length of the first frame's bit rate (Layer I slots of 4 bytes included).
    const double mean = header.bitrate != 0
                            ? static_cast<double>(header.samplesPerFrame) / 8 * header.bitrate / header.sampleRate
                            : firstLength;
    const double frames = mean > 0 ? std::round(static_cast<double>(end - layout.audioStart) / mean) : 0;
    layout.frames = static_cast<uint32_t>(std::clamp(frames, 0.0, 4294967295.0));
  }
  if (layout.frames == 0) return Refuse(error, "not an MPEG audio file: no frames found");
  return 0;
}

bool MpegSeekTarget(const MpegLayout& layout, uint64_t streamBytes, uint64_t numerator, uint64_t denominator,
                    MpegSeekPoint& point) {
  const uint64_t perFrame = layout.header.samplesPerFrame;
  if (denominator == 0 || layout.frames == 0 || perFrame == 0) return false;
  const uint64_t total = uint64_t{layout.frames} * perFrame;
  if (layout.xing.hasToc && static_cast<unsigned __int128>(numerator) * 100 / denominator >= 100) return false;
  if (numerator >= denominator) {
    point.sample = total;
    point.byteOffset = layout.streamEnd - layout.firstFrame;
    return true;
  }
  point.sample = static_cast<uint64_t>(static_cast<unsigned __int128>(numerator) * total / denominator);
  const uint64_t frame = point.sample / perFrame;
  if (layout.xing.hasToc) {
    // The table maps each percent of the playing time to a 256th of the stream's bytes; between
    // two entries the offset is interpolated.
    const double percent = static_cast<double>(frame) * 100 / layout.frames;
    const int entry = std::clamp(static_cast<int>(percent), 0, 99);
    const double low = layout.xing.toc[entry];
    const double high = entry < 99 ? layout.xing.toc[entry + 1] : 256.0;
    const double fraction = low + (std::max(high, low) - low) * (percent - entry);
    const uint64_t bytes = layout.xing.bytes != 0 ? layout.xing.bytes : layout.streamEnd - layout.firstFrame;
    point.byteOffset = std::min(static_cast<uint64_t>(fraction * static_cast<double>(bytes) / 256), streamBytes);
  } else {
    const uint64_t audioBytes = layout.streamEnd - layout.audioStart;
    point.byteOffset = layout.audioStart - layout.firstFrame +
                       static_cast<uint64_t>(static_cast<unsigned __int128>(frame) * audioBytes / layout.frames);
  }
  return true;
}

MpegSlot::MpegSlot() {
  int code = 0;
  m_decoder = mpg123_new(nullptr, &code);
  if (m_decoder != nullptr) {
    // Decoding never prints anything. The decoder drops the encoder's delay and padding named by
    // the encoder header (gapless decoding) when it decodes from the start; a seek, which starts
    // it elsewhere, accounts for them itself.
    mpg123_param(m_decoder, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0);
  }
}

MpegSlot::~MpegSlot() {
  Close();
  if (m_decoder != nullptr) mpg123_delete(m_decoder);
}

uint32_t MpegSlot::FileLength(std::u16string_view path) {
  analysis::TagRecord tag;
  // A stream shorter than half a second has a duration of 0 and still plays.
  if (analysis::ReadMpegFile(path, tag) != 0 || tag.formatName.Empty()) return 0;
  return tag.duration + 1;
}

uint32_t MpegSlot::Open(std::u16string_view path, OpenedStream& stream, std::string& error) {
  Close();
  if (m_decoder == nullptr) {
    error = "the MPEG audio decoder could not be created";
    return platform::err::kNotEnoughMemory;
  }
  if (const uint32_t code = m_file.Open(path); code != 0) {
    error = platform::ErrorMessage(code);
    return code;
  }
  if (const uint32_t code = ReadMpegLayout(m_file, path, m_layout, stream.tag, error); code != 0) {
    m_file.Close();
    return code;
  }
  const analysis::MpegFrameHeader& h = m_layout.header;
  m_format = StreamFormat{};
  m_format.sampleRate = h.sampleRate;
  m_format.channels = static_cast<uint16_t>(h.channels);
  m_format.bitsPerSample = 16;
  m_format.lengthFrames = uint64_t{m_layout.frames} * h.samplesPerFrame;
  m_format.lengthSeconds = stream.tag.duration;
  m_format.bitrate = static_cast<uint32_t>(std::abs(stream.tag.bitrate));
  // Whatever the frames say later, the output stays in this format (the decoder converts).
  mpg123_format_none(m_decoder);
  if (mpg123_format(m_decoder, static_cast<long>(h.sampleRate), h.channels == 1 ? MPG123_MONO : MPG123_STEREO,
                    MPG123_ENC_SIGNED_16) != MPG123_OK) {
    error = std::string("the MPEG audio decoder refuses the format: ") + mpg123_strerror(m_decoder);
    Close();
    return platform::err::kNotSupported;
  }
  m_chunk.resize(kFeedBytes);
  m_index.clear();
  m_index.reserve(m_layout.frames / kIndexStep + 2);
  if (!Restart(m_layout.firstFrame, 0)) {
    error = std::string("the MPEG audio decoder cannot start: ") + mpg123_strerror(m_decoder);
    Close();
    return platform::err::kGenFailure;
  }
  // The encoder header is read with the first frame: it tells the delay before the first sample
  // and the padding after the last.
  m_skip = 0;
  for (int feeds = 0; feeds < 16; ++feeds) {
    size_t none = 0;
    const int result = mpg123_read(m_decoder, nullptr, 0, &none);
    if (result != MPG123_NEED_MORE || !Feed()) break;
  }
  long delay = -1, padding = -1;
  double unused = 0;
  if (m_layout.exactFrames && mpg123_getstate(m_decoder, MPG123_ENC_DELAY, &delay, &unused) == MPG123_OK &&
      mpg123_getstate(m_decoder, MPG123_ENC_PADDING, &padding, &unused) == MPG123_OK && delay >= 0 &&
      padding >= 0 && uint64_t(delay) + uint64_t(padding) < m_format.lengthFrames) {
    m_skip = static_cast<uint64_t>(delay) + kDecoderDelay;
    m_format.lengthFrames -= static_cast<uint64_t>(delay + padding);
  }
  m_position = 0;
  stream.format = m_format;
  return 0;
}

void MpegSlot::Close() {
  if (m_decoder != nullptr) mpg123_close(m_decoder);
  m_file.Close();
  m_layout = MpegLayout{};
  m_position = 0;
  m_discard = 0;
  m_ended = true;
}

bool MpegSlot::Restart(uint64_t offset, uint64_t discard) {
  if (mpg123_open_feed(m_decoder) != MPG123_OK) return false;
  m_feedAt = offset;
  m_discard = discard;
  m_errors = 0;
  m_ended = false;
  return true;
}

bool MpegSlot::Feed() {
  if (m_feedAt >= m_layout.streamEnd) return false;
  const size_t want = static_cast<size_t>(std::min<uint64_t>(m_chunk.size(), m_layout.streamEnd - m_feedAt));
  size_t done = 0;
  if (m_file.ReadAt(m_feedAt, m_chunk.data(), want, done) != 0 || done == 0) return false;
  m_feedAt += done;
  return mpg123_feed(m_decoder, m_chunk.data(), done) == MPG123_OK;
}

size_t MpegSlot::Read(std::span<uint8_t> buffer, bool& more) {
  more = false;
  if (m_ended || !m_file.IsOpen()) return 0;
  const size_t frameBytes = m_format.BytesPerFrame();
  size_t want = buffer.size() / frameBytes * frameBytes;
  if (m_layout.exactFrames) {
    // Nothing after the last counted frame (a trailing tag that passes for frames).
    const uint64_t left = m_format.lengthFrames > m_position ? m_format.lengthFrames - m_position : 0;
    want = static_cast<size_t>(std::min<uint64_t>(want, left * frameBytes));
    if (want == 0) m_ended = true;
  }
  size_t total = 0;
  while (total < want && !m_ended) {
    size_t done = 0;
    const int result = mpg123_read(m_decoder, buffer.data() + total, want - total, &done);
    done = done / frameBytes * frameBytes;
    if (m_discard > 0 && done > 0) {
      const size_t drop = static_cast<size_t>(std::min<uint64_t>(m_discard, done / frameBytes)) * frameBytes;
      std::memmove(buffer.data() + total, buffer.data() + total + drop, done - drop);
      done -= drop;
      m_discard -= drop / frameBytes;
    }
    total += done;
    if (result == MPG123_OK || result == MPG123_NEW_FORMAT) {
      m_errors = 0;
    } else if (result == MPG123_NEED_MORE) {
      if (!Feed()) m_ended = true;
    } else if (result == MPG123_DONE) {
      m_ended = true;
    } else if (++m_errors >= kMaxErrors) {
      // A frame that fails is skipped (the decoder finds the next one); a stream that keeps
      // failing has no more audio to give.
      m_ended = true;
    }
  }
  m_position += total / frameBytes;
  more = !m_ended;
  return total;
}

uint64_t MpegSlot::FrameOffset(uint64_t frame) {
  // Walks the frame headers on from the last frame the index knows; every kIndexStep-th frame's
  // offset is remembered, so seeking back costs nothing and seeking on reads only the new part.
  if (m_index.empty()) m_index.push_back(m_layout.audioStart);
  uint64_t known = (m_index.size() - 1) * kIndexStep;
  uint64_t at = m_index.back();
  if (frame < known) {
    known = frame / kIndexStep * kIndexStep;
    at = m_index[static_cast<size_t>(frame / kIndexStep)];
  }
  analysis::FileWindow window(m_file, analysis::FileWindow::kCapacity);
  const uint64_t end = m_layout.streamEnd;
  for (uint64_t n = known; n < frame; ++n) {
    analysis::MpegFrameHeader header;
    auto head = window.GetExact(at, 4);
    uint32_t length = 0;
    if (!head.empty() && analysis::ParseMpegFrameHeader(head.data(), header) && SameStream(header, m_layout.header)) {
      length = FrameLengthAt(window, at, end, header);
    }
    if (length == 0) {
      // Damage: the next frame that is followed by another one.
      uint64_t next = at + 1;
      while (next < end && !IsFrameAt(window, next, end, header)) ++next;
      if (next >= end || window.Error() != 0) return UINT64_MAX;
      at = next;
      continue;  // the damaged stretch counts as one frame
    }
    at += length;
    if (at >= end) return UINT64_MAX;
    if ((n + 1) % kIndexStep == 0 && (n + 1) / kIndexStep == m_index.size()) m_index.push_back(at);
  }
  return at;
}

bool MpegSlot::Seek(uint64_t numerator, uint64_t denominator) {
  if (!m_file.IsOpen()) return false;
  MpegSeekPoint point;
  if (!MpegSeekTarget(m_layout, m_layout.streamEnd - m_layout.firstFrame, numerator, denominator, point)) {
    return false;
  }
  // The table and the mean frame size speak of the whole stream; the sample is one of those
  // delivered (without the encoder's delay and padding).
  point.sample = numerator >= denominator
                     ? m_format.lengthFrames
                     : static_cast<uint64_t>(static_cast<unsigned __int128>(numerator) * m_format.lengthFrames /
                                             denominator);
  if (point.sample >= m_format.lengthFrames) {
    m_position = m_format.lengthFrames;
    m_ended = true;
    return true;
  }
  const uint32_t perFrame = m_layout.header.samplesPerFrame;
  // Counted in the decoder's output with nothing dropped.
  const uint64_t raw = point.sample + m_skip;
  const uint64_t frame = raw / perFrame;
  // A frame or two before the target fill the decoder's filter (and Layer III's bit reservoir);
  // their samples are dropped.
  const uint64_t preroll = std::min<uint64_t>(frame, m_layout.header.layer == 1 ? 10 : 1);
  // The frame's own offset from walking the headers; where that fails (a damaged stream), the
  // estimate from the seek table or the mean frame size, put on the nearest frame.
  uint64_t offset = FrameOffset(frame - preroll);
  if (offset == UINT64_MAX) {
    const uint64_t audioBytes = m_layout.streamEnd - m_layout.audioStart;
    const uint64_t back = std::min(preroll * audioBytes / m_layout.frames, point.byteOffset);
    analysis::FileWindow window(m_file, 8192);
    offset = NearestFrame(window, m_layout.firstFrame + point.byteOffset - back, m_layout.audioStart,
                          m_layout.streamEnd);
  }
  if (!Restart(offset, preroll * perFrame + raw - frame * perFrame)) {
    m_ended = true;
    return false;
  }
  m_position = point.sample;
  return true;
}

}  // namespace tarnq::player
