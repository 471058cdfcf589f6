// SPDX-License-Identifier: GPL-3.0-or-later
// The information providers a search consults in order, the five built-in ones, and the two
// entry points: AnalyseFile (search) and ReadByExtension (player).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/tag_record.h"
#include "records/audio_info.h"

namespace tarnq::analysis {

// Messages of the provider protocol (built-ins and plug-ins speak the same one).
inline constexpr uint32_t kMessageOpen = 1;
inline constexpr uint32_t kMessageClose = 2;
inline constexpr uint32_t kMessageReportMask = 3;
inline constexpr uint32_t kMessageDisplayName = 4;
inline constexpr uint32_t kMessageExtract = 5;
inline constexpr uint32_t kMessageHasSettingsDialog = 10;
inline constexpr uint32_t kMessageSettingsDialog = 11;

// Result of kMessageExtract when an exception escaped the reader.
inline constexpr intptr_t kExtractException = -2;

using ProviderCallback = intptr_t (*)(uint32_t message, intptr_t handle, void* data);

// Data of kMessageReportMask and kMessageDisplayName.
struct TextRequest {
  char16_t* buffer;
  uint32_t capacity;  // units, terminator included
};
// Data of kMessageExtract.
struct ExtractRequest {
  const char16_t* path;  // zero-terminated
  records::AudioInfo* info;
  // Read by the built-in providers only (plug-ins see the two fields above): the file's size from
  // the folder listing, or all ones.
  uint64_t knownFileSize = ~uint64_t{0};
};

// One loaded entry of the provider list.
struct MediaInfoProvider {
  // Keeps a plug-in's library loaded (with its adapter state); when the last copy of the
  // provider goes, the provider gets its close message and the library is unloaded. Null for a
  // built-in.
  std::shared_ptr<void> module;
  ProviderCallback callback = nullptr;
  intptr_t handle = 0;     // what the open message returned
  bool hasMask = false;    // false: the provider is offered every file
  std::u16string mask;
};

using ProviderList = std::vector<MediaInfoProvider>;

using FormatReader = uint32_t (*)(std::u16string_view path, TagRecord& tag);

struct BuiltinProvider {
  std::u16string_view name;  // the key in the settings
  std::u16string_view mask;
  uint32_t formatCode;
  FormatReader read;
  // The Ogg reader reports success by filling formatName and leaves its texts untrimmed.
  bool failsWithoutFormatName;
  ProviderCallback callback;
};

// In the order in which they are written to the settings on first use.
extern const std::array<BuiltinProvider, 5> kBuiltinProviders;

// The built-in provider of that name (compared ignoring case), or null.
const BuiltinProvider* FindBuiltinProvider(std::u16string_view name);

// The built-ins in their order, each with its mask: the list a search uses before provider
// settings exist.
ProviderList DefaultProviderList();

// Steps of a built-in extraction up to the record: zero it, run the reader, trim, fill from the
// file name. Returns 1 when the reader accepted the file, 0 when it failed, kExtractException
// when the reader threw.
intptr_t ExtractTag(const BuiltinProvider& provider, std::u16string_view path, TagRecord& tag,
                    uint64_t knownFileSize = ~uint64_t{0});

// Converts a reader's record into `info` (numbers, Type text, the five texts) with `formatCode`.
// The old text block of `info` is not freed. False when the text block cannot be allocated.
bool BuildAudioInfo(const TagRecord& tag, uint32_t formatCode, records::AudioInfo& info);

// Offers the file to each provider whose mask matches its name, in list order, until one fills
// `info`. Returns 1 on success, 0 when no provider accepted the file. A provider whose reader
// threw counts as declining, so the next one gets the file.
// `knownFileSize`: the size from the folder listing, when the caller has it.
int AnalyseFile(const ProviderList& providers, std::u16string_view path, records::AudioInfo& info,
                uint64_t knownFileSize = ~uint64_t{0});

// For the player: picks a reader by the file's mask (anything unknown goes to the MPEG reader)
// and returns its raw record, without the file-name rule. 0 on success, all ones on failure.
uint32_t ReadByExtension(std::u16string_view path, TagRecord& tag);

}  // namespace tarnq::analysis
