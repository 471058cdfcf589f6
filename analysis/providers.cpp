// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/providers.h"

#include "analysis/flac_reader.h"
#include "analysis/mp4_reader.h"
#include "analysis/mpeg_reader.h"
#include "analysis/name_rules.h"
#include "analysis/ogg_reader.h"
#include "analysis/wma_reader.h"
#include "platform/text.h"
#include "platform/per_thread.h"

namespace tarnq::analysis {
namespace {

uint32_t ReadMpeg(std::u16string_view path, TagRecord& tag) { return ReadMpegFile(path, tag); }

template <size_t Index>
intptr_t BuiltinMessage(uint32_t message, intptr_t handle, void* data);

}  // namespace

const std::array<BuiltinProvider, 5> kBuiltinProviders = {{
    {u"MP3 Audio Files", u"*.MP3;*.MP1;*.MP2;*.MPP", records::kFormatMpeg, ReadMpeg, false,
     BuiltinMessage<0>},
    {u"iTunes Files", u"*.M4A;*.M4V", records::kFormatMp4, ReadMp4File, false, BuiltinMessage<1>},
    {u"Ogg Multimedia Files", u"*.OGG;*.OGM", records::kFormatOgg, ReadOggFile, true,
     BuiltinMessage<2>},
    {u"WMA Audio Files", u"*.WMA", records::kFormatWma, ReadWmaFile, false, BuiltinMessage<3>},
    {u"FLAC Audio Files", u"*.FLAC", records::kFormatFlac, ReadFlacFile, false, BuiltinMessage<4>},
}};

namespace {

void CopyText(std::u16string_view text, const TextRequest& request) {
  if (!request.buffer || request.capacity == 0) return;
  std::u16string_view cut = platform::CutUtf16(text, request.capacity - 1);
  cut.copy(request.buffer, cut.size());
  request.buffer[cut.size()] = 0;
}

template <size_t Index>
intptr_t BuiltinMessage(uint32_t message, intptr_t /*handle*/, void* data) {
  const BuiltinProvider& provider = kBuiltinProviders[Index];
  switch (message) {
    case kMessageReportMask:
      if (data) CopyText(provider.mask, *static_cast<TextRequest*>(data));
      return 0;
    case kMessageExtract: {
      auto* request = static_cast<ExtractRequest*>(data);
      if (!request || !request->path || !request->info) return 0;
      try {
        thread_local TagRecord tag;
        std::u16string_view path(request->path);
        intptr_t result = ExtractTag(provider, path, tag, request->knownFileSize);
        if (result != 1) return result;
        return BuildAudioInfo(tag, provider.formatCode, *request->info) ? 1 : 0;
      } catch (...) {
        return kExtractException;
      }
    }
    default:
      return -1;
  }
}

}  // namespace

const BuiltinProvider* FindBuiltinProvider(std::u16string_view name) {
  for (const BuiltinProvider& provider : kBuiltinProviders) {
    if (platform::FoldCase(provider.name) == platform::FoldCase(name)) return &provider;
  }
  return nullptr;
}

ProviderList DefaultProviderList() {
  ProviderList list;
  for (const BuiltinProvider& provider : kBuiltinProviders) {
    MediaInfoProvider entry;
    entry.callback = provider.callback;
    entry.handle = provider.callback(kMessageOpen, 0, nullptr);
    entry.hasMask = true;
    entry.mask = provider.mask;
    list.push_back(std::move(entry));
  }
  return list;
}

intptr_t ExtractTag(const BuiltinProvider& provider, std::u16string_view path, TagRecord& tag,
                    uint64_t knownFileSize) {
  try {
    tag.Clear();
    tag.knownFileSize = knownFileSize;
    uint32_t result = provider.read(path, tag);
    if (provider.failsWithoutFormatName) {
      if (tag.formatName.Empty()) return 0;
      TrimTags(tag);
    } else if (result != 0) {
      return 0;
    }
    FillFromFileName(path, tag);
    return 1;
  } catch (...) {
    return kExtractException;
  }
}

bool BuildAudioInfo(const TagRecord& tag, uint32_t formatCode, records::AudioInfo& info) {
  records::AudioSource source;
  source.format = formatCode;
  source.codec = tag.codec;
  source.channels = tag.channels;
  source.track = tag.track;
  source.bpm = tag.bpm;
  source.year = tag.year;
  source.duration = tag.duration;
  source.sampleRate = tag.sampleRate;
  source.bitrate = tag.bitrate;
  source.formatName = tag.formatName.View();
  source.genre = tag.genre.View();
  source.title = tag.title.View();
  source.artist = tag.artist.View();
  source.album = tag.album.View();
  source.comment = tag.comment.View();
  return info.Build(source);
}

int AnalyseFile(const ProviderList& providers, std::u16string_view path, records::AudioInfo& info,
                uint64_t knownFileSize) {
  thread_local platform::PerThread<std::u16string> t_terminatedHolder;
  std::u16string& terminated = t_terminatedHolder.Get();
  terminated.assign(path);
  ExtractRequest request{terminated.c_str(), &info, knownFileSize};
  for (const MediaInfoProvider& provider : providers) {
    if (provider.hasMask && !MatchesMaskList(path, provider.mask)) continue;
    if (!provider.callback) continue;
    intptr_t result;
    try {
      result = provider.callback(kMessageExtract, provider.handle, &request);
    } catch (...) {
      result = 0;
    }
    // An escaped exception is a failure: the next provider gets the file.
    if (result != 0 && result != kExtractException) return 1;
  }
  return 0;
}

uint32_t ReadByExtension(std::u16string_view path, TagRecord& tag) {
  tag.Clear();
  try {
    if (MatchesMaskList(path, u"*.WMA")) return ReadWmaFile(path, tag) == 0 ? 0 : ~0u;
    if (MatchesMaskList(path, u"*.OGG;*.OGM")) {
      ReadOggFile(path, tag);
      if (tag.formatName.Empty()) return ~0u;
      TrimTags(tag);
      return 0;
    }
    if (MatchesMaskList(path, u"*.FLAC")) return ReadFlacFile(path, tag) == 0 ? 0 : ~0u;
    if (MatchesMaskList(path, u"*.M4A;*.M4V")) return ReadMp4File(path, tag) == 0 ? 0 : ~0u;
    return ReadMpegFile(path, tag) == 0 ? 0 : ~0u;
  } catch (...) {
    return ~0u;
  }
}

}  // namespace tarnq::analysis
