// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/flac_reader.h"

#include <FLAC/metadata.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "analysis/file_window.h"
#include "analysis/vorbis_comment.h"
#include "platform/files.h"

namespace tarnq::analysis {
namespace {

// libFLAC reads through these callbacks; the window turns its many small reads into few preads.
struct FlacSource {
  FileWindow* window = nullptr;
  uint64_t position = 0;
};

size_t ReadCallback(void* ptr, size_t size, size_t count, FLAC__IOHandle handle) {
  auto* source = static_cast<FlacSource*>(handle);
  if (size == 0 || count == 0) return 0;
  if (count > SIZE_MAX / size) return 0;
  size_t wanted = size * count;
  size_t copied = 0;
  auto* out = static_cast<uint8_t*>(ptr);
  while (copied < wanted) {
    auto bytes = source->window->Get(source->position, wanted - copied);
    if (bytes.empty()) break;
    std::memcpy(out + copied, bytes.data(), bytes.size());
    copied += bytes.size();
    source->position += bytes.size();
  }
  return copied / size;
}

int SeekCallback(FLAC__IOHandle handle, FLAC__int64 offset, int whence) {
  auto* source = static_cast<FlacSource*>(handle);
  int64_t base = whence == SEEK_SET   ? 0
                 : whence == SEEK_CUR ? static_cast<int64_t>(source->position)
                 : whence == SEEK_END ? static_cast<int64_t>(source->window->Size())
                                      : -1;
  if (base < 0) return -1;
  int64_t target = base + offset;
  if (target < 0) return -1;
  source->position = static_cast<uint64_t>(target);
  return 0;
}

FLAC__int64 TellCallback(FLAC__IOHandle handle) {
  return static_cast<FLAC__int64>(static_cast<FlacSource*>(handle)->position);
}

int EofCallback(FLAC__IOHandle handle) {
  auto* source = static_cast<FlacSource*>(handle);
  return source->position >= source->window->Size() ? 1 : 0;
}

struct ChainDeleter {
  void operator()(FLAC__Metadata_Chain* c) const { FLAC__metadata_chain_delete(c); }
};
struct IteratorDeleter {
  void operator()(FLAC__Metadata_Iterator* i) const { FLAC__metadata_iterator_delete(i); }
};

}  // namespace

uint32_t ReadFlacFile(std::u16string_view path, TagRecord& tag) {
  platform::InputFile file;
  if (uint32_t error = file.Open(path, tag.knownFileSize)) {
    tag.Clear();
    return error;
  }
  FileWindow window(file, 4096);
  FlacSource source{&window, 0};
  const uint64_t fileLength = window.Size();

  std::unique_ptr<FLAC__Metadata_Chain, ChainDeleter> chain(FLAC__metadata_chain_new());
  std::unique_ptr<FLAC__Metadata_Iterator, IteratorDeleter> it(FLAC__metadata_iterator_new());
  FLAC__IOCallbacks callbacks{ReadCallback, nullptr, SeekCallback, TellCallback, EofCallback, nullptr};
  if (!chain || !it || !FLAC__metadata_chain_read_with_callbacks(chain.get(), &source, callbacks)) {
    tag.Clear();
    return ~0u;
  }
  FLAC__metadata_iterator_init(it.get(), chain.get());
  do {
    const FLAC__StreamMetadata* block = FLAC__metadata_iterator_get_block(it.get());
    if (!block) break;
    if (block->type == FLAC__METADATA_TYPE_STREAMINFO) {
      const auto& info = block->data.stream_info;
      tag.sampleRate = info.sample_rate;
      tag.channels = static_cast<uint16_t>(info.channels);
      if (info.sample_rate != 0) {
        double ms = static_cast<double>(info.total_samples) * 1000.0 / info.sample_rate;
        tag.duration = static_cast<uint32_t>(std::min((ms + 500.0) / 1000.0, 4294967295.0));
        if (fileLength > 0 && ms > 0) {
          double kbps = static_cast<double>(fileLength) * 8.0 / ms + 0.5;
          tag.bitrate = static_cast<int32_t>(std::min(kbps, 2147483647.0));
        }
      }
    } else if (block->type == FLAC__METADATA_TYPE_VORBIS_COMMENT) {
      const auto& vc = block->data.vorbis_comment;
      VorbisCommentKeysSeen seen;
      for (FLAC__uint32 i = 0; i < vc.num_comments; ++i) {
        const auto& entry = vc.comments[i];
        if (!entry.entry) continue;
        ApplyVorbisComment(
            std::string_view(reinterpret_cast<const char*>(entry.entry), entry.length), tag, false,
            seen);
      }
    }
  } while (FLAC__metadata_iterator_next(it.get()));
  tag.formatName.Assign(u"FLAC");
  TrimTags(tag);
  return 0;
}

}  // namespace tarnq::analysis
