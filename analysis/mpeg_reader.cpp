// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/mpeg_reader.h"

#include <algorithm>
#include <cstring>

#include "analysis/id3_reader.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace tarnq::analysis {
namespace {

// kbit/s by [MPEG-1 ? 0 : 1][layer bits 1..3 -> III, II, I][index].
constexpr uint16_t kBitrates[2][3][16] = {
    {
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},      // Layer III
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},     // Layer II
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},  // Layer I
    },
    {
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
    },
};

// Hz by version bits (0 = MPEG-2.5, 2 = MPEG-2, 3 = MPEG-1) and index.
constexpr uint32_t kSampleRates[4][3] = {
    {11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};

// A decoded four-byte frame header.
struct FrameHeader {
  uint32_t version = 0;
  uint32_t layer = 0;
  uint32_t bitrateIndex = 0;
  uint32_t bitrate = 0;  // bit/s
  uint32_t rateIndex = 0;
  uint32_t sampleRate = 0;
  uint32_t padding = 0;
  uint32_t mode = 0;
};

bool ParseHeader(const uint8_t* b, FrameHeader& h) {
  if (b[0] != 0xFF || b[1] < 0xE0) return false;
  h.version = (b[1] >> 3) & 3;
  h.layer = (b[1] >> 1) & 3;
  if (h.version == 1 || h.layer == 0) return false;
  h.bitrateIndex = b[2] >> 4;
  if (h.bitrateIndex == 15) return false;
  h.rateIndex = (b[2] >> 2) & 3;
  if (h.rateIndex == 3) return false;
  h.bitrate = uint32_t{kBitrates[h.version == 3 ? 0 : 1][h.layer - 1][h.bitrateIndex]} * 1000;
  h.sampleRate = kSampleRates[h.version][h.rateIndex];
  h.padding = (b[2] >> 1) & 1;
  h.mode = b[3] >> 6;
  return true;
}

bool IsHalfRateLayer3(const FrameHeader& h) { return h.layer == 1 && h.version != 3; }

// Frame bytes without padding; 0 for free format.
uint32_t FrameBytes(const FrameHeader& h) {
  if (h.bitrate == 0 || h.sampleRate == 0) return 0;
  if (h.layer == 3) return 12 * h.bitrate / h.sampleRate * 4;
  return (IsHalfRateLayer3(h) ? 72 : 144) * h.bitrate / h.sampleRate;
}

uint32_t PaddingBytes(const FrameHeader& h) { return h.layer == 3 ? h.padding * 4 : h.padding; }

uint32_t SamplesPerFrame(const FrameHeader& h) {
  if (h.layer == 3) return 384;
  return IsHalfRateLayer3(h) ? 576 : 1152;
}

// The VBRI header sits 32 bytes behind the frame header whatever the version and channel mode:
// "VBRI", version, delay, quality (2 bytes each), then the byte and the frame count.
constexpr size_t kVbriOffset = 36;
constexpr size_t kVbriLength = 26;  // up to the seek table, which is not used

uint64_t RoundHalfUp(double value) {
  if (!(value > 0)) return 0;
  if (value >= 4294967295.0) return 4294967295u;
  auto whole = static_cast<uint64_t>(value);
  return value - static_cast<double>(whole) >= 0.5 ? whole + 1 : whole;
}

bool IsSync(const uint8_t* p) { return p[0] == 0xFF && (p[1] & 0xE0) == 0xE0; }

// The next FF byte followed by a byte with the high bits E or F, from `pos` on, before `limit`.
uint64_t NextSync(FileWindow& file, uint64_t pos, uint64_t limit) {
  while (pos + 1 < limit) {
    auto bytes = file.Get(pos, static_cast<size_t>(std::min<uint64_t>(limit - pos, 4096)));
    if (bytes.size() < 2) return limit;
    for (size_t i = 0; i + 1 < bytes.size(); ++i) {
      if (bytes[i] == 0xFF && (bytes[i + 1] & 0xE0) == 0xE0) return pos + i;
    }
    pos += bytes.size() - 1;
  }
  return limit;
}

}  // namespace

bool ParseMpegFrameHeader(const uint8_t* bytes, MpegFrameHeader& header) {
  FrameHeader h;
  if (!ParseHeader(bytes, h)) return false;
  header.layer = h.layer;
  header.version = h.version;
  header.sampleRate = h.sampleRate;
  header.channels = h.mode == 3 ? 1 : 2;
  header.samplesPerFrame = SamplesPerFrame(h);
  header.bitrate = h.bitrate;
  const uint32_t bytesWithout = FrameBytes(h);
  header.frameBytes = bytesWithout == 0 ? 0 : bytesWithout + PaddingBytes(h);
  return true;
}

bool DecodeFirstFrame(const uint8_t* buffer, size_t length, uint64_t streamLength,
                      MpegFrameInfo& info, XingInfo* xing) {
  info = MpegFrameInfo{};
  FrameHeader h;
  if (length < 4 || !ParseHeader(buffer, h)) return false;
  info.layer = h.layer;
  info.version = h.version;
  info.bitrate = h.bitrate;
  info.mode = h.mode;
  info.sampleRate = h.sampleRate;
  uint32_t frameBytes = FrameBytes(h);
  // Layer I pads with a 4-byte slot; the length formula keeps the padding inside the product.
  info.frameLength = frameBytes == 0 ? 0
                     : h.layer == 3  ? (12 * h.bitrate / h.sampleRate + h.padding) * 4
                                     : frameBytes + h.padding;

  const bool mono = h.mode == 3;
  const size_t offset = h.version == 3 ? (mono ? 21 : 36) : (mono ? 13 : 21);
  uint32_t frames = 0;
  uint32_t bytes = 0;
  if (streamLength >= offset + 8) {
    if (offset + 8 >= length) return false;
    const bool isXing = std::memcmp(buffer + offset, "Xing", 4) == 0;
    if (isXing || std::memcmp(buffer + offset, "Info", 4) == 0) {
      info.header = isXing ? MpegEncoderHeader::Xing : MpegEncoderHeader::Info;
      uint32_t flags = buffer[offset + 7];
      size_t p = offset + 8;
      if (flags & 1) {
        if (p + 4 > length) return false;
        frames = Be32(buffer + p);
        p += 4;
      }
      if (flags & 2) {
        if (p + 4 > length) return false;
        bytes = Be32(buffer + p);
        p += 4;
      }
      if (flags & 4) {
        if (p + 100 > length) return false;
        if (xing) {
          std::memcpy(xing->toc, buffer + p, 100);
          xing->hasToc = true;
        }
        p += 100;
      }
      if ((flags & 8) && p + 4 > length) return false;
    }
  }
  if (info.header == MpegEncoderHeader::None && streamLength >= kVbriOffset + kVbriLength &&
      length >= kVbriOffset + kVbriLength && std::memcmp(buffer + kVbriOffset, "VBRI", 4) == 0) {
    info.header = MpegEncoderHeader::Vbri;
    bytes = Be32(buffer + kVbriOffset + 10);
    frames = Be32(buffer + kVbriOffset + 14);
  }
  if (xing && info.header != MpegEncoderHeader::None) {
    if (xing->frames == 0) xing->frames = frames;
    if (xing->bytes == 0) xing->bytes = bytes;
  }

  if (info.header == MpegEncoderHeader::Info) {
    // A constant rate: the audio frames' own, from the header of the frame after this one.
    FrameHeader next;
    if (info.frameLength != 0 && info.frameLength <= length - 4 &&
        ParseHeader(buffer + info.frameLength, next) && next.version == h.version &&
        next.layer == h.layer && next.rateIndex == h.rateIndex && next.bitrate != 0) {
      info.bitrate = next.bitrate;
    }
  } else if (frames != 0) {
    uint64_t total = bytes != 0 ? bytes : streamLength;
    uint64_t perFrame = total / frames;
    uint64_t rate = perFrame * h.sampleRate / (IsHalfRateLayer3(h) ? 72 : 144);
    rate -= rate % 1000;
    info.xingBitrate = rate > 0xFFFFFFFFu ? 0xFFFFFFFFu - 0xFFFFFFFFu % 1000 : static_cast<uint32_t>(rate);
  }

  if (frames != 0) {
    // The exact playing time; the rounded average above is only for display.
    info.frameCount = frames;
    info.headerFrameCount = true;
    info.duration = static_cast<uint32_t>(
        RoundHalfUp(static_cast<double>(frames) * SamplesPerFrame(h) / h.sampleRate));
  } else if (info.frameLength != 0 && streamLength >= info.frameLength) {
    info.frameCount = static_cast<uint32_t>(
        RoundHalfUp(static_cast<double>(streamLength) / info.frameLength));
    uint32_t bitsPerSecond = info.xingBitrate != 0 ? info.xingBitrate : info.bitrate;
    uint32_t bytesPerSecond = bitsPerSecond / 8;
    info.duration = bytesPerSecond == 0
                        ? 0
                        : static_cast<uint32_t>(RoundHalfUp(static_cast<float>(streamLength) /
                                                            static_cast<float>(bytesPerSecond)));
  }
  return true;
}

uint64_t FindAudioStart(FileWindow& file, uint64_t limit) {
  uint64_t pos = 0;
  // Every tag in a row; each one moves the position forward by at least its 10-byte header.
  auto skipTags = [&] {
    while (pos < limit) {
      auto head = file.GetExact(pos, 10);
      if (head.empty()) return;
      auto header = ParseId3v2Header(head, pos);
      if (!header) return;
      pos = header->End();
    }
  };
  skipTags();
  auto skipZeros = [&] {
    while (pos < limit) {
      auto bytes = file.Get(pos, static_cast<size_t>(std::min<uint64_t>(limit - pos, 1024)));
      if (bytes.empty()) return;
      size_t i = 0;
      while (i < bytes.size() && bytes[i] == 0) ++i;
      pos += i;
      if (i < bytes.size()) return;
    }
  };
  if (pos < limit) {
    auto b = file.Get(pos, 1);
    if (!b.empty() && b[0] == 0) {
      skipZeros();
      skipTags();  // a further tag behind the padding of the first
    }
  }
  if (pos + 4 <= limit) {
    auto b = file.GetExact(pos, 4);
    if (!b.empty() && b[0] == 0xFF && b[1] == 0 && b[2] == 0 && b[3] == 0) {
      pos += 4;
      skipZeros();
    }
  }
  while (pos < limit) {
    auto bytes = file.Get(pos, static_cast<size_t>(std::min<uint64_t>(limit - pos, 4096)));
    if (bytes.empty()) return limit;
    const void* ff = std::memchr(bytes.data(), 0xFF, bytes.size());
    if (ff) return pos + static_cast<size_t>(static_cast<const uint8_t*>(ff) - bytes.data());
    pos += bytes.size();
  }
  return std::min(pos, limit);
}

uint32_t ScanForFrames(FileWindow& file, TagRecord& tag, XingInfo* xing) {
  constexpr uint64_t kMaxFileSize = uint64_t{1} << 31;
  constexpr int kMaxBlocks = 32;
  const uint64_t size = file.Size();
  if (size >= kMaxFileSize) return ~0u;
  uint64_t streamLength = size;
  if (size > 128) {
    auto tail = file.GetExact(size - 128, 128);
    if (IsId3v1(tail)) streamLength -= 128;
  }
  uint64_t pos = FindAudioStart(file, streamLength);
  uint32_t xingFrames = 0;
  int accepted = 0;
  FrameHeader last;
  uint32_t lastSize = 0;
  uint64_t firstFrame = 0;  // file offset of the first of the accepted frames
  uint8_t block[kMpegBlockSize];
  for (int round = 0; round < kMaxBlocks && accepted < 3; ++round) {
    const size_t blockLength = static_cast<size_t>(std::min<uint64_t>(streamLength, kMpegBlockSize));
    if (blockLength < 4) break;
    std::memset(block, 0, blockLength);
    auto bytes = file.Get(pos, blockLength);
    bool readFailed = bytes.empty() && file.Error() != 0;
    if (!bytes.empty()) std::memcpy(block, bytes.data(), bytes.size());
    MpegFrameInfo info;
    if (DecodeFirstFrame(block, blockLength, pos < streamLength ? streamLength - pos : 0, info, xing) &&
        info.headerFrameCount && xingFrames == 0) {
      // Only an encoder header carries a frame count worth keeping; a count estimated from the
      // stream length is recomputed below from the accepted frames.
      xingFrames = info.frameCount;
    }
    const uint64_t blockStart = pos;
    pos += blockLength;

    accepted = 0;
    size_t i = 0;
    while (i + 4 <= blockLength && accepted < 3) {
      size_t sync = i;
      while (sync + 4 <= blockLength && !IsSync(block + sync)) ++sync;
      if (sync + 4 > blockLength) break;
      FrameHeader h;
      if (!ParseHeader(block + sync, h)) {
        i = sync + 1;
        continue;
      }
      uint32_t frameSize = FrameBytes(h);
      if (frameSize == 0) {
        // Free format: the frame reaches to the next header of the same stream.
        size_t next = sync + 4;
        while (next + 4 <= blockLength &&
               !(block[next] == 0xFF && block[next + 1] == block[sync + 1] &&
                 (block[next + 2] & 0x0C) == (block[sync + 2] & 0x0C))) {
          ++next;
        }
        if (next + 4 > blockLength) break;
        frameSize = static_cast<uint32_t>(next - sync) - PaddingBytes(h);
      }
      bool consistent = accepted == 0 ||
                        (frameSize >= 1 && frameSize <= 1440 && (h.layer == 1 || h.layer == 2) &&
                         h.rateIndex == last.rateIndex && h.layer == last.layer &&
                         (h.version & 1) == (last.version & 1) && h.mode == last.mode);
      if (!consistent) {
        accepted = 0;  // start over with this frame as the first
      }
      if (accepted == 0) firstFrame = blockStart + sync;
      ++accepted;
      last = h;
      lastSize = frameSize;
      i = sync + frameSize + PaddingBytes(h);
    }
    if (accepted >= 3) break;
    if (readFailed) break;
    pos = NextSync(file, pos, streamLength);
    if (pos >= streamLength) break;
  }
  if (accepted < 3 || lastSize == 0) return ~0u;
  // Tags and junk before the stream are no frames.
  uint64_t frames = xingFrames != 0               ? xingFrames
                    : firstFrame < streamLength ? (streamLength - firstFrame) / lastSize
                                                : 0;
  if (frames == 0) return ~0u;
  static constexpr double kLayer1Ms[3] = {8.707483, 8, 12};
  static constexpr double kLayer23Ms[3] = {26.12245, 24, 36};
  double msPerFrame = last.layer == 3 ? kLayer1Ms[last.rateIndex] : kLayer23Ms[last.rateIndex];
  uint32_t bitrate = last.bitrate;
  if (bitrate == 0 && last.sampleRate != 0) {
    uint64_t bits = last.layer == 3 ? uint64_t{lastSize} / 4 * last.sampleRate / 12
                                    : uint64_t{lastSize} * last.sampleRate /
                                          (IsHalfRateLayer3(last) ? 72 : 144);
    bitrate = static_cast<uint32_t>(std::min<uint64_t>(bits, 0x7FFFFFFF));
  }
  tag.channels = last.mode == 3 ? 1 : 2;
  tag.sampleRate = last.sampleRate;
  tag.bitrate = static_cast<int32_t>(bitrate / 1000);
  tag.duration = static_cast<uint32_t>(RoundHalfUp(static_cast<double>(frames) * msPerFrame / 1000));
  return 0;
}

uint32_t ReadMpegFile(std::u16string_view path, TagRecord& tag, XingInfo* xing) {
  platform::InputFile input;
  if (uint32_t error = input.Open(path, tag.knownFileSize)) return error;
  // One read brings the ID3v2 tag and the first frame of most files.
  FileWindow file(input, 8192);
  const uint64_t size = file.Size();
  if (size > 0) {
    auto head = file.Get(0, 8192);
    // A larger tag: read it together with the first block, so that the tag's frames, the
    // search for the audio start and the first frame all come from one window.
    if (auto header = ParseId3v2Header(head)) {
      uint64_t wanted = header->End() + kMpegBlockSize;
      if (wanted > head.size() && wanted <= FileWindow::kCapacity) file.Get(0, static_cast<size_t>(wanted));
    }
  }
  if (file.Error()) return file.Error();

  uint8_t tail[128];
  bool hasTail = false;
  if (size > 128) {
    if (file.Holds(size - 128, 128)) {
      std::memcpy(tail, file.Get(size - 128, 128).data(), 128);
    } else {
      size_t done = 0;
      if (uint32_t error = input.ReadAt(size - 128, tail, 128, done)) return error;
      if (done != 128) return platform::err::kHandleEof;
    }
    hasTail = true;
  }
  uint64_t streamEnd = size;
  if (hasTail && IsId3v1(tail)) streamEnd -= 128;

  const uint64_t start = FindAudioStart(file, streamEnd);
  const size_t blockLength = static_cast<size_t>(std::min<uint64_t>(streamEnd, kMpegBlockSize));
  auto block = file.GetExact(start, blockLength);
  if (!block.empty()) {
    MpegFrameInfo info;
    if (DecodeFirstFrame(block.data(), block.size(), streamEnd > start ? streamEnd - start : 0, info,
                         xing)) {
      tag.channels = info.mode == 0 ? 2 : info.mode == 1 ? 3 : 0;
      tag.sampleRate = info.sampleRate;
      tag.bitrate = info.xingBitrate != 0 ? -static_cast<int32_t>(info.xingBitrate / 1000)
                                          : static_cast<int32_t>(info.bitrate / 1000);
      tag.duration = info.duration;
      tag.formatName.Assign(u"MP3");
    } else if (ScanForFrames(file, tag, xing) == 0) {
      tag.formatName.Assign(u"MP3");
    }
  }
  // The texts are read even when the stream is too short for a full first block.
  ReadId3v2Frames(file, tag);
  if (hasTail) ReadId3v1(std::span<const uint8_t>(tail, 128), tag);
  TrimTags(tag);
  return 0;
}

}  // namespace tarnq::analysis
