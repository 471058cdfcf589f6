// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/av_slot.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/log.h>
#include <libavutil/mathematics.h>
}

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "analysis/providers.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace tarnq::player {
namespace {

constexpr int kIoBufferBytes = 64 * 1024;
// Decoder steps (one packet read or one frame taken) a single Read may spend, and the steps in a
// row without a single sample after which a damaged file is given up.
constexpr int kStepsPerRead = 1024;
constexpr int kMaxBarrenSteps = 64 * 1024;

constexpr AVCodecID kWmaCodecs[] = {AV_CODEC_ID_WMAV1, AV_CODEC_ID_WMAV2, AV_CODEC_ID_WMAPRO,
                                    AV_CODEC_ID_WMALOSSLESS, AV_CODEC_ID_WMAVOICE};
constexpr AVCodecID kMp4Codecs[] = {AV_CODEC_ID_AAC, AV_CODEC_ID_ALAC};

void QuietLibraryLog() {
  // The library would otherwise print its complaints about damaged files into our output.
  static const bool quiet = (av_log_set_level(AV_LOG_QUIET), true);
  (void)quiet;
}

}  // namespace

struct AvSlot::Decoder {
  platform::InputFile file;
  uint64_t offset = 0;     // where the library reads next
  uint32_t ioError = 0;    // the last error of our file access, to report it as it is
  AVIOContext* io = nullptr;
  AVFormatContext* format = nullptr;
  AVCodecContext* codec = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* frame = nullptr;
  int streamIndex = -1;
  AVRational timeBase{1, 1};
  int64_t startPts = 0;
  AVSampleFormat sampleFormat = AV_SAMPLE_FMT_NONE;
  StreamFormat out;
  bool trimToLength = false;  // the container's length is exact (MP4 edit lists): stop there

  std::vector<uint8_t> pending;  // interleaved samples decoded but not delivered yet
  size_t pendingAt = 0;
  uint64_t pendingEnd = 0;       // the frame just after the last one in `pending`
  bool seeking = false;          // drop samples before seekTarget from the next frames
  uint64_t seekTarget = 0;
  bool draining = false;         // the file ended; the decoder hands out what it holds
  bool ended = false;
  int barrenSteps = 0;
  bool formatKnown = false;      // set from the first decoded frame

  ~Decoder() {
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
    if (io != nullptr) av_freep(&io->buffer);
    avio_context_free(&io);
  }

  uint64_t PendingFrames() const { return (pending.size() - pendingAt) / out.BytesPerFrame(); }
};

namespace {

using Decoder = AvSlot::Decoder;

int ReadPacket(void* opaque, uint8_t* buffer, int size) {
  Decoder& d = *static_cast<Decoder*>(opaque);
  if (size <= 0) return AVERROR(EINVAL);
  size_t done = 0;
  if (const uint32_t code = d.file.ReadAt(d.offset, buffer, static_cast<size_t>(size), done); code != 0) {
    d.ioError = code;
    return AVERROR(EIO);
  }
  if (done == 0) return AVERROR_EOF;
  d.offset += done;
  return static_cast<int>(done);
}

int64_t SeekPacket(void* opaque, int64_t offset, int whence) {
  Decoder& d = *static_cast<Decoder*>(opaque);
  const int64_t size = static_cast<int64_t>(d.file.Size());
  whence &= ~AVSEEK_FORCE;
  if (whence == AVSEEK_SIZE) return size;
  int64_t base = 0;
  if (whence == SEEK_CUR) {
    base = static_cast<int64_t>(d.offset);
  } else if (whence == SEEK_END) {
    base = size;
  } else if (whence != SEEK_SET) {
    return AVERROR(EINVAL);
  }
  // Offsets come from the file's own fields: never let them overflow.
  if ((offset > 0 && base > std::numeric_limits<int64_t>::max() - offset) || base + offset < 0) {
    return AVERROR(EINVAL);
  }
  d.offset = static_cast<uint64_t>(base + offset);
  return base + offset;
}

// The library opens nothing else on its own (references to other files, playlists).
int RefuseOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) { return AVERROR(EPERM); }

uint32_t Fail(std::string& error, uint32_t code, std::string why) {
  error = std::move(why);
  return code;
}

// The sample layout the converter gets for a decoder's sample format; false when there is none.
bool SampleLayoutFor(AVSampleFormat format, StreamFormat& out) {
  switch (av_get_packed_sample_fmt(format)) {
    case AV_SAMPLE_FMT_U8: out.bitsPerSample = 8; out.sampleType = SampleType::kInteger; return true;
    case AV_SAMPLE_FMT_S16: out.bitsPerSample = 16; out.sampleType = SampleType::kInteger; return true;
    case AV_SAMPLE_FMT_S32: out.bitsPerSample = 32; out.sampleType = SampleType::kInteger; return true;
    case AV_SAMPLE_FMT_FLT:
    case AV_SAMPLE_FMT_DBL: out.bitsPerSample = 32; out.sampleType = SampleType::kFloat; return true;
    default: return false;
  }
}

uint32_t OpenDecoder(Decoder& d, AvSlot::Kind kind, std::u16string_view path, std::string& error) {
  if (const uint32_t code = d.file.Open(path); code != 0) return Fail(error, code, platform::ErrorMessage(code));
  uint8_t* ioBuffer = static_cast<uint8_t*>(av_malloc(kIoBufferBytes));
  if (ioBuffer != nullptr) d.io = avio_alloc_context(ioBuffer, kIoBufferBytes, 0, &d, ReadPacket, nullptr, SeekPacket);
  if (d.io == nullptr) av_free(ioBuffer);
  d.format = avformat_alloc_context();
  if (d.io == nullptr || d.format == nullptr) {
    return Fail(error, platform::err::kNotEnoughMemory, platform::ErrorMessage(platform::err::kNotEnoughMemory));
  }
  d.format->pb = d.io;
  d.format->flags |= AVFMT_FLAG_CUSTOM_IO;
  d.format->io_open = RefuseOpen;
  const bool wma = kind == AvSlot::Kind::kWma;
  const AVInputFormat* container = av_find_input_format(wma ? "asf" : "mov");
  if (container == nullptr) return Fail(error, platform::err::kNotSupported, "the installed libavformat cannot read this container");
  if (avformat_open_input(&d.format, "", container, nullptr) < 0) {
    if (d.ioError != 0) return Fail(error, d.ioError, platform::ErrorMessage(d.ioError));
    return Fail(error, platform::err::kNotSupported,
                wma ? "not a WMA file (no readable ASF header)" : "not an MP4 audio file (no readable movie header)");
  }

  const AVCodec* codec = nullptr;
  d.streamIndex = av_find_best_stream(d.format, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
  if (d.streamIndex == AVERROR_STREAM_NOT_FOUND) return Fail(error, platform::err::kNotSupported, "the file has no audio stream");
  if (d.streamIndex < 0 || codec == nullptr) {
    return Fail(error, platform::err::kNotSupported, "no decoder for the file's audio stream");
  }
  AVStream* stream = d.format->streams[d.streamIndex];
  for (unsigned i = 0; i < d.format->nb_streams; ++i) {
    if (static_cast<int>(i) != d.streamIndex) d.format->streams[i]->discard = AVDISCARD_ALL;
  }
  const std::span<const AVCodecID> allowed = wma ? std::span<const AVCodecID>(kWmaCodecs) : std::span<const AVCodecID>(kMp4Codecs);
  if (std::find(allowed.begin(), allowed.end(), stream->codecpar->codec_id) == allowed.end()) {
    return Fail(error, platform::err::kNotSupported,
                std::string("the audio is ") + avcodec_get_name(stream->codecpar->codec_id) +
                    (wma ? ", not Windows Media Audio" : ", neither AAC nor ALAC"));
  }

  d.codec = avcodec_alloc_context3(codec);
  d.packet = av_packet_alloc();
  d.frame = av_frame_alloc();
  if (d.codec == nullptr || d.packet == nullptr || d.frame == nullptr) {
    return Fail(error, platform::err::kNotEnoughMemory, platform::ErrorMessage(platform::err::kNotEnoughMemory));
  }
  d.codec->thread_count = 1;
  d.codec->pkt_timebase = stream->time_base;
  if (avcodec_parameters_to_context(d.codec, stream->codecpar) < 0 || avcodec_open2(d.codec, codec, nullptr) < 0) {
    return Fail(error, platform::err::kNotSupported, "the audio stream's decoder settings are damaged");
  }

  d.timeBase = stream->time_base;
  if (d.timeBase.num <= 0 || d.timeBase.den <= 0) d.timeBase = AVRational{1, std::max(d.codec->sample_rate, 1)};
  d.startPts = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
  return 0;
}

template <typename In, typename Out>
void Interleave(const AVFrame& frame, bool planar, int channels, size_t first, size_t count, uint8_t* out) {
  Out* to = reinterpret_cast<Out*>(out);
  if (!planar) {
    const In* from = reinterpret_cast<const In*>(frame.extended_data[0]) + first * channels;
    for (size_t i = 0; i < count * channels; ++i) to[i] = static_cast<Out>(from[i]);
    return;
  }
  for (int c = 0; c < channels; ++c) {
    const In* from = reinterpret_cast<const In*>(frame.extended_data[c]) + first;
    for (size_t i = 0; i < count; ++i) to[i * channels + c] = static_cast<Out>(from[i]);
  }
}

// Appends the frame's samples from `first` on, `count` of them, interleaved, to `pending`.
void AppendFrame(Decoder& d, const AVFrame& frame, size_t first, size_t count) {
  const size_t at = d.pending.size();
  d.pending.resize(at + count * d.out.BytesPerFrame());
  uint8_t* out = d.pending.data() + at;
  const bool planar = av_sample_fmt_is_planar(d.sampleFormat) != 0;
  const int channels = d.out.channels;
  switch (av_get_packed_sample_fmt(d.sampleFormat)) {
    case AV_SAMPLE_FMT_U8: Interleave<uint8_t, uint8_t>(frame, planar, channels, first, count, out); break;
    case AV_SAMPLE_FMT_S16: Interleave<int16_t, int16_t>(frame, planar, channels, first, count, out); break;
    case AV_SAMPLE_FMT_S32: Interleave<int32_t, int32_t>(frame, planar, channels, first, count, out); break;
    case AV_SAMPLE_FMT_FLT: Interleave<float, float>(frame, planar, channels, first, count, out); break;
    case AV_SAMPLE_FMT_DBL: Interleave<double, float>(frame, planar, channels, first, count, out); break;
    default: d.pending.resize(at); break;
  }
}

// Takes a decoded frame's samples: the part before a seek's target and past the length is dropped.
void TakeFrame(Decoder& d, const AVFrame& frame) {
  if (!d.formatKnown) {
    // The first frame tells the true format: AAC with spectral band replication or parametric
    // stereo decodes at twice the rate, or with two channels, of what its header says.
    d.sampleFormat = static_cast<AVSampleFormat>(frame.format);
    d.out.sampleRate = frame.sample_rate > 0 ? static_cast<uint32_t>(frame.sample_rate) : 0;
    d.out.channels = static_cast<uint16_t>(std::clamp(frame.ch_layout.nb_channels, 0, 0xFFFF));
    d.formatKnown = true;
    if (!SampleLayoutFor(d.sampleFormat, d.out) || !IsPlayableFormat(d.out)) return;
  }
  if (frame.format != d.sampleFormat || frame.ch_layout.nb_channels != d.out.channels ||
      frame.sample_rate != static_cast<int>(d.out.sampleRate) || frame.nb_samples <= 0) {
    return;  // a stream that changes its format midway: those frames are not played
  }
  const uint64_t count = static_cast<uint64_t>(frame.nb_samples);
  uint64_t first = 0;
  if (d.seeking) {
    const int64_t pts = frame.best_effort_timestamp != AV_NOPTS_VALUE ? frame.best_effort_timestamp : frame.pts;
    // Where the frame starts, in frames from the stream's start; negative for the encoder's
    // priming samples when the library did not drop them after the jump.
    constexpr int64_t kFar = int64_t{1} << 62;
    int64_t at = static_cast<int64_t>(d.seekTarget);
    int64_t sinceStart = 0;
    if (pts != AV_NOPTS_VALUE && !__builtin_sub_overflow(pts, d.startPts, &sinceStart)) {
      at = std::clamp(av_rescale_q(sinceStart, d.timeBase, AVRational{1, static_cast<int>(d.out.sampleRate)}), -kFar, kFar);
    }
    const int64_t target = static_cast<int64_t>(d.seekTarget);
    if (at + static_cast<int64_t>(count) <= target) return;
    first = target > at ? static_cast<uint64_t>(target - at) : 0;
    d.pendingEnd = static_cast<uint64_t>(std::max(at, target));
    d.seeking = false;
  }
  uint64_t keep = count - first;
  if (d.trimToLength) keep = std::min(keep, d.out.lengthFrames > d.pendingEnd ? d.out.lengthFrames - d.pendingEnd : 0);
  if (keep == 0) return;
  if (d.pendingAt == d.pending.size()) {
    d.pending.clear();
    d.pendingAt = 0;
  }
  AppendFrame(d, frame, static_cast<size_t>(first), static_cast<size_t>(keep));
  d.pendingEnd += keep;
}

// One step of decoding: takes a frame the decoder has ready, or feeds it the next packet.
void DecodeStep(Decoder& d) {
  const int received = avcodec_receive_frame(d.codec, d.frame);
  if (received == 0) {
    TakeFrame(d, *d.frame);
    av_frame_unref(d.frame);
    return;
  }
  if (received == AVERROR_EOF || d.draining) {
    d.ended = true;  // after the last packet the decoder has nothing more to say
    return;
  }
  // Anything else than "wants more" is a damaged frame: the stream goes on with the next packet.
  if (av_read_frame(d.format, d.packet) < 0) {
    // The end of the file or a read error: what the decoder holds is still played.
    d.draining = true;
    avcodec_send_packet(d.codec, nullptr);
    return;
  }
  if (d.packet->stream_index == d.streamIndex) avcodec_send_packet(d.codec, d.packet);  // bad packets are skipped
  av_packet_unref(d.packet);
}

// Decodes up to the first frame (kept for the first Read) for the stream's true format, then
// works out the length in frames of that format.
uint32_t LearnFormat(Decoder& d, bool wma, std::string& error) {
  for (int steps = 0; !d.formatKnown && !d.ended && steps < 4 * kStepsPerRead; ++steps) DecodeStep(d);
  StreamFormat& f = d.out;
  if (!d.formatKnown) {
    // Nothing decodes (a file cut after its header): the header's format, and no samples.
    d.sampleFormat = d.codec->sample_fmt;
    f.sampleRate = d.codec->sample_rate > 0 ? static_cast<uint32_t>(d.codec->sample_rate) : 0;
    f.channels = static_cast<uint16_t>(std::clamp(d.codec->ch_layout.nb_channels, 0, 0xFFFF));
    d.formatKnown = true;
  }
  if (!SampleLayoutFor(d.sampleFormat, f) || !IsPlayableFormat(f)) {
    return Fail(error, platform::err::kNotSupported, "unsupported sample rate, channel count or sample format");
  }
  const AVStream* stream = d.format->streams[d.streamIndex];
  int64_t frames = 0;
  if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0) {
    frames = av_rescale_q(stream->duration, d.timeBase, AVRational{1, static_cast<int>(f.sampleRate)});
  } else if (d.format->duration != AV_NOPTS_VALUE && d.format->duration > 0) {
    frames = av_rescale(d.format->duration, f.sampleRate, AV_TIME_BASE);
  }
  f.lengthFrames = frames > 0 ? static_cast<uint64_t>(frames) : 0;
  f.lengthSeconds = static_cast<uint32_t>(std::min<uint64_t>(f.lengthFrames / f.sampleRate, UINT32_MAX));
  const int64_t bitRate = stream->codecpar->bit_rate > 0 ? stream->codecpar->bit_rate : d.format->bit_rate;
  f.bitrate = bitRate > 0 ? static_cast<uint32_t>(std::min<int64_t>(bitRate / 1000, UINT32_MAX)) : 0;
  // The ASF header's play duration is not the decoded length; MP4 edit lists give it exactly.
  d.trimToLength = !wma && f.lengthFrames > 0;
  if (d.trimToLength && d.pendingEnd > f.lengthFrames) {
    // A stream shorter than its first frame.
    d.pending.resize(static_cast<size_t>(f.lengthFrames) * f.BytesPerFrame());
    d.pendingEnd = f.lengthFrames;
  }
  return 0;
}

}  // namespace

AvSlot::AvSlot(Kind kind) : m_kind(kind) { QuietLibraryLog(); }

AvSlot::~AvSlot() = default;

std::u16string_view AvSlot::Masks() const { return m_kind == Kind::kWma ? u"*.WMA" : u"*.M4A;*.M4V"; }

uint32_t AvSlot::FileLength(std::u16string_view path) {
  Decoder probe;
  std::string error;
  if (OpenDecoder(probe, m_kind, path, error) != 0 || LearnFormat(probe, m_kind == Kind::kWma, error) != 0) return 0;
  // A stream shorter than a second, or of unknown length, still plays.
  return std::max<uint32_t>(probe.out.lengthSeconds, 1);
}

uint32_t AvSlot::Open(std::u16string_view path, OpenedStream& stream, std::string& error) {
  Close();
  auto decoder = std::make_unique<Decoder>();
  if (const uint32_t code = OpenDecoder(*decoder, m_kind, path, error); code != 0) return code;
  if (const uint32_t code = LearnFormat(*decoder, m_kind == Kind::kWma, error); code != 0) return code;
  m_decoder = std::move(decoder);
  const StreamFormat& f = m_decoder->out;
  stream.format = f;
  analysis::TagRecord& tag = stream.tag;
  if (analysis::ReadByExtension(path, tag) != 0) {
    // The container's own reader gave up on a file the library can play: show what is known.
    tag.Clear();
    tag.formatName.Assign(m_kind == Kind::kWma ? u"WMA" : u"M4A");
  }
  if (tag.sampleRate == 0) tag.sampleRate = f.sampleRate;
  if (tag.duration == 0) tag.duration = f.lengthSeconds;
  if (tag.bitrate == 0) tag.bitrate = static_cast<int32_t>(std::min<uint32_t>(f.bitrate, INT32_MAX));
  return 0;
}

void AvSlot::Close() { m_decoder.reset(); }

size_t AvSlot::Read(std::span<uint8_t> buffer, bool& more) {
  more = false;
  if (m_decoder == nullptr) return 0;
  Decoder& d = *m_decoder;
  const size_t frameBytes = d.out.BytesPerFrame();
  const size_t capacity = buffer.size() / frameBytes * frameBytes;
  size_t done = 0;
  for (int steps = 0; done < capacity;) {
    if (d.pendingAt < d.pending.size()) {
      const size_t n = std::min(capacity - done, d.pending.size() - d.pendingAt);
      std::memcpy(buffer.data() + done, d.pending.data() + d.pendingAt, n);
      d.pendingAt += n;
      done += n;
      d.barrenSteps = 0;
      continue;
    }
    if (d.ended || steps++ >= kStepsPerRead) break;
    if (++d.barrenSteps > kMaxBarrenSteps) {
      d.ended = true;  // a damaged file that yields nothing however long it is decoded
      break;
    }
    DecodeStep(d);
  }
  more = !d.ended || d.pendingAt < d.pending.size();
  return done;
}

bool AvSlot::Seek(uint64_t numerator, uint64_t denominator) {
  if (m_kind != Kind::kMp4 || m_decoder == nullptr || denominator == 0) return false;
  Decoder& d = *m_decoder;
  const uint64_t length = d.out.lengthFrames;
  if (length == 0) return false;
  const uint64_t target = numerator >= denominator
                              ? length
                              : static_cast<uint64_t>(static_cast<unsigned __int128>(numerator) * length / denominator);
  // A lossy decoder needs the blocks before the target to build up its overlap: decoding starts
  // two blocks early, and TakeFrame drops them.
  // Near the start that is before the first packet, so the encoder's priming packet is decoded too.
  const int64_t preroll = d.codec->codec_id == AV_CODEC_ID_AAC ? 2 * std::max(d.codec->frame_size, 1024) : 0;
  const int64_t start = static_cast<int64_t>(target) - preroll;
  int64_t ts = 0;
  const int64_t offset = av_rescale_q(start, AVRational{1, static_cast<int>(d.out.sampleRate)}, d.timeBase);
  if (offset == INT64_MIN || __builtin_add_overflow(d.startPts, offset, &ts)) return false;  // times beyond any real file
  if (avformat_seek_file(d.format, d.streamIndex, std::numeric_limits<int64_t>::min(), ts, ts, 0) < 0 &&
      av_seek_frame(d.format, d.streamIndex, ts, AVSEEK_FLAG_BACKWARD) < 0) {
    return false;
  }
  avcodec_flush_buffers(d.codec);
  d.pending.clear();
  d.pendingAt = 0;
  d.pendingEnd = target;
  d.seeking = true;
  d.seekTarget = target;
  d.draining = false;
  d.ended = false;
  d.barrenSteps = 0;
  return true;
}

uint64_t AvSlot::Position() const {
  if (m_decoder == nullptr) return 0;
  return m_decoder->pendingEnd - m_decoder->PendingFrames();
}

}  // namespace tarnq::player
