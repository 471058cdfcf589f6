// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/content_plugin.h"

#include <cstring>

#include "analysis/name_rules.h"
#include "analysis/tag_record.h"
#include "platform/dynlib.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/per_thread.h"

namespace tarnq::analysis {
namespace {

struct SlotName {
  std::string_view name;
  size_t slot;
};
// In slot order; a field goes to the first name its own name begins with.
constexpr SlotName kSlotNames[] = {
    {"Tag", kSlotTag},         {"Genre", kSlotGenre},         {"Title", kSlotTitle},
    {"Artist", kSlotArtist},   {"Album", kSlotAlbum},         {"Comment", kSlotComment},
    {"Year", kSlotYear},       {"Samplerate", kSlotSampleRate}, {"Sample rate", kSlotSampleRate},
    {"Bitrate", kSlotBitrate}, {"Track", kSlotTrack},         {"BPM", kSlotBpm},
    {"Length", kSlotDuration}, {"Duration", kSlotDuration},
};

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (LowerAscii(text[i]) != LowerAscii(prefix[i])) return false;
  return true;
}

template <class T>
T Resolve(const platform::DynamicLibrary& library, const char* name) {
  void* address = nullptr;
  if (library.FindSymbol(name, address) != 0) return nullptr;
  return reinterpret_cast<T>(address);
}

// Room for any value: 1023 units of UTF-16 plus a terminator we add ourselves, 8-aligned for
// the numbers.
union ValueBuffer {
  int32_t number32;
  int64_t number64;
  char bytes[2 * (content::kValueCapacity + 1)];
  char16_t units[content::kValueCapacity + 1];
};

// 8-bit strings from a plug-in: UTF-8 when they are valid UTF-8 (what plug-ins on this system
// write), else the legacy code page.
void DecodeAnsiValue(std::string_view bytes, std::u16string& out) {
  out = platform::Utf8ToUtf16(bytes);
  if (out.find(u'\uFFFD') != std::u16string::npos &&
      bytes.find("\xEF\xBF\xBD") == std::string_view::npos)
    out = platform::DecodeCodePage(bytes, 0);
}

// Asks for one value and turns it into text (at most 255 units); empty when there is none.
void FetchValue(ContentPlugin& plugin, const char16_t* path, const std::string& nativePath,
                const ContentFieldMap::Slot& slot, std::u16string& text) {
  text.clear();
  ValueBuffer value;
  std::memset(&value, 0, sizeof value);
  int type;
  try {
    if (plugin.getValueW != nullptr) {
      type = plugin.getValueW(const_cast<char16_t*>(path), slot.index, 0, &value,
                              content::kValueCapacity, 0);
    } else {
      type = plugin.getValue(const_cast<char*>(nativePath.c_str()), slot.index, 0, &value,
                             content::kValueCapacity, 0);
    }
  } catch (...) {
    return;  // counts as no value
  }
  if (type <= 0) return;
  // The buffer holds what the plug-in says it returned, which may differ from the declared type.
  switch (type) {
    case content::kNumeric32:
      if (static_cast<uint32_t>(value.number32) != 0xFFFFFFFFu)
        text = platform::Utf8ToUtf16(std::to_string(value.number32));
      break;
    case content::kNumeric64:
      text = platform::Utf8ToUtf16(std::to_string(value.number64));
      break;
    case content::kMultipleChoice:
    case content::kString:
      value.bytes[content::kValueCapacity] = 0;
      DecodeAnsiValue(std::string_view(value.bytes), text);
      break;
    case content::kStringW:
      value.units[content::kValueCapacity] = 0;
      text = value.units;
      break;
    default:
      return;
  }
  text.resize(platform::CutUtf16(text, 255).size());
}

uint32_t ParseNumber(std::u16string_view text, uint32_t max) {
  const int64_t value = ParseDecimal(text);
  if (value < 0) return 0;
  return static_cast<uint64_t>(value) > max ? max : static_cast<uint32_t>(value);
}

void StoreSlot(size_t slot, std::u16string_view text, TagRecord& tag) {
  switch (slot) {
    case kSlotTag: tag.formatName.Assign(text); break;
    case kSlotGenre: tag.genre.Assign(text); break;
    case kSlotTitle: tag.title.Assign(text); break;
    case kSlotArtist: tag.artist.Assign(text); break;
    case kSlotAlbum: tag.album.Assign(text); break;
    case kSlotComment: tag.comment.Assign(text); break;
    case kSlotYear: tag.year = YearOrZero(ParseDecimal(text)); break;
    case kSlotSampleRate: tag.sampleRate = ParseNumber(text, UINT32_MAX); break;
    case kSlotBitrate: tag.bitrate = static_cast<int32_t>(ParseDecimal(text)); break;
    case kSlotTrack: ParseTrackText(text, tag.track, tag.trackTotal); break;
    case kSlotBpm: tag.bpm = static_cast<uint16_t>(ParseNumber(text, UINT16_MAX)); break;
    case kSlotDuration: tag.duration = ParseDurationText(text); break;
    default: break;
  }
}

intptr_t Extract(ContentPlugin& plugin, const ExtractRequest& request) {
  if (!plugin.hasMap || request.path == nullptr || request.info == nullptr) return 0;
  const std::u16string_view path(request.path);
  std::string nativePath;
  if (plugin.getValueW == nullptr && !platform::Utf16ToNameBytes(path, nativePath)) return 0;

  thread_local TagRecord tag;
  thread_local platform::PerThread<std::u16string> t_textHolder;
  std::u16string& text = t_textHolder.Get();
  tag.Clear();
  for (size_t slot = 0; slot < kSlotCount; ++slot) {
    if (plugin.map.slots[slot].type == 0) continue;
    FetchValue(plugin, request.path, nativePath, plugin.map.slots[slot], text);
    if (!text.empty()) StoreSlot(slot, text, tag);
  }
  if (tag.title.Empty() || tag.artist.Empty()) return 0;
  FillFromFileName(path, tag);
  return BuildAudioInfo(tag, records::kFormatPlugin, *request.info) ? 1 : 0;
}

intptr_t DetectString(ContentPlugin& plugin, const TextRequest* request) {
  if (request == nullptr || request->buffer == nullptr || request->capacity == 0) return -1;
  request->buffer[0] = 0;
  if (plugin.getDetectString == nullptr) return 0;
  char detect[2048] = {};
  plugin.getDetectString(detect, sizeof detect - 1);
  detect[sizeof detect - 1] = 0;
  std::u16string text;
  DecodeAnsiValue(detect, text);
  const std::u16string_view cut = platform::CutUtf16(text, request->capacity - 1);
  cut.copy(request->buffer, cut.size());
  request->buffer[cut.size()] = 0;
  return 0;
}

}  // namespace

size_t ContentSlotForName(std::string_view fieldName) {
  for (const SlotName& entry : kSlotNames)
    if (StartsWithIgnoringCase(fieldName, entry.name)) return entry.slot;
  return kSlotCount;
}

bool IsMappableFieldType(int type) {
  return type == content::kNumeric32 || type == content::kNumeric64 ||
         type == content::kMultipleChoice || type == content::kString || type == content::kStringW;
}

uint32_t ParseDurationText(std::u16string_view text) {
  uint64_t total = 0;
  uint64_t part = 0;
  for (char16_t c : text) {
    if (c >= u'0' && c <= u'9') {
      part = part * 10 + static_cast<uint64_t>(c - u'0');
      if (part > UINT32_MAX) part = UINT32_MAX;
    } else if (c == u':') {
      total = (total + part) * 60;
      part = 0;
    } else if (c == u' ' && total == 0 && part == 0) {
      continue;
    } else {
      break;
    }
    if (total > UINT32_MAX) total = UINT32_MAX;
  }
  total += part;
  return total > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(total);
}

bool BindContentPlugin(const platform::DynamicLibrary& library, ContentPlugin& plugin) {
  plugin = ContentPlugin{};
  plugin.getSupportedField = Resolve<content::GetSupportedFieldFn>(library, "ContentGetSupportedField");
  plugin.getValueW = Resolve<content::GetValueWFn>(library, "ContentGetValueW");
  plugin.getValue = Resolve<content::GetValueFn>(library, "ContentGetValue");
  if (plugin.getSupportedField == nullptr || (plugin.getValueW == nullptr && plugin.getValue == nullptr))
    return false;
  plugin.setDefaultParams = Resolve<content::SetDefaultParamsFn>(library, "ContentSetDefaultParams");
  plugin.getDetectString = Resolve<content::GetDetectStringFn>(library, "ContentGetDetectString");
  plugin.pluginUnloading = Resolve<content::PluginUnloadingFn>(library, "ContentPluginUnloading");
  return true;
}

void SetContentDefaultParams(ContentPlugin& plugin) {
  if (plugin.setDefaultParams == nullptr) return;
  content::DefaultParams params{};
  params.size = sizeof params;
  params.versionLow = content::kVersionLow;
  params.versionHigh = content::kVersionHigh;
  // The plug-in opens the file itself, so it gets the name's bytes; a name that does not fit is
  // left empty rather than cut into another file's name.
  std::string bytes;
  const std::u16string ini = platform::JoinPath(platform::PerUserFolder(), content::kIniFileName);
  if (platform::Utf16ToNameBytes(ini, bytes) && bytes.size() < sizeof params.iniName)
    std::memcpy(params.iniName, bytes.c_str(), bytes.size() + 1);
  try {
    plugin.setDefaultParams(&params);
  } catch (...) {
  }
}

void BuildContentFieldMap(ContentPlugin& plugin) {
  ContentFieldMap map;
  for (int index = 0; index < content::kMaxFields; ++index) {
    char name[content::kFieldNameBytes + 1] = {};
    char units[content::kFieldNameBytes + 1] = {};
    const int type = plugin.getSupportedField(index, name, units, content::kFieldNameBytes);
    name[content::kFieldNameBytes] = 0;
    if (type == content::kNoMoreFields || name[0] == 0) break;
    if (!IsMappableFieldType(type)) continue;
    const size_t slot = ContentSlotForName(name);
    if (slot == kSlotCount || map.slots[slot].type != 0) continue;
    map.slots[slot] = {static_cast<uint16_t>(type), static_cast<uint16_t>(index)};
  }
  if (map.slots[kSlotTitle].type != 0 && map.slots[kSlotArtist].type != 0) {
    plugin.map = map;
    plugin.hasMap = true;
  }
}

intptr_t ContentAdapterMessage(uint32_t message, intptr_t handle, void* data) {
  auto* plugin = reinterpret_cast<ContentPlugin*>(handle);
  if (plugin == nullptr) return -1;
  try {
    switch (message) {
      case kMessageOpen:
        if (!plugin->hasMap) BuildContentFieldMap(*plugin);
        return handle;
      case kMessageClose:
        if (plugin->pluginUnloading != nullptr) plugin->pluginUnloading();
        return 0;
      case kMessageReportMask:
        return DetectString(*plugin, static_cast<const TextRequest*>(data));
      case kMessageExtract:
        if (data == nullptr) return 0;
        return Extract(*plugin, *static_cast<const ExtractRequest*>(data));
      case kMessageHasSettingsDialog:
        return 0;
      default:
        return -1;
    }
  } catch (...) {
    return kExtractException;
  }
}

}  // namespace tarnq::analysis
