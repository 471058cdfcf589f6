// SPDX-License-Identifier: GPL-3.0-or-later
// The adapter that lets a content plug-in (the published interface with ContentGetSupportedField
// and ContentGetValue[W]) serve as an information provider: it maps the plug-in's fields onto the
// properties of an AudioInfo and speaks the provider message protocol.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "analysis/providers.h"

namespace tarnq::platform {
class DynamicLibrary;
}

namespace tarnq::analysis {

// Field types of the content-plug-in interface that the adapter maps.
namespace content {
inline constexpr int kNoMoreFields = 0;
inline constexpr int kNumeric32 = 1;
inline constexpr int kNumeric64 = 2;
inline constexpr int kMultipleChoice = 7;
inline constexpr int kString = 8;
inline constexpr int kStringW = 11;

inline constexpr int kMaxFields = 1000;      // indexes 0 ... 999 are asked
inline constexpr int kFieldNameBytes = 80;
inline constexpr int kValueCapacity = 1023;  // the maxlen handed to ContentGetValue[W]

// ContentSetDefaultParams' record: 272 bytes, interface version 2.10.
struct DefaultParams {
  int32_t size;
  uint32_t versionLow;
  uint32_t versionHigh;
  char iniName[260];  // zero-terminated file name bytes
};
static_assert(sizeof(DefaultParams) == 272);
inline constexpr uint32_t kVersionLow = 10;
inline constexpr uint32_t kVersionHigh = 2;
inline constexpr std::u16string_view kIniFileName = u"wdx.ini";

// UTF-16 strings cross as 16-bit units (the interface's WCHAR).
using SetDefaultParamsFn = void (*)(DefaultParams* params);
using GetDetectStringFn = int (*)(char* detect, int maxLength);
using GetSupportedFieldFn = int (*)(int index, char* name, char* units, int maxLength);
using GetValueFn = int (*)(char* path, int field, int unit, void* value, int maxLength, int flags);
using GetValueWFn = int (*)(char16_t* path, int field, int unit, void* value, int maxLength, int flags);
using PluginUnloadingFn = void (*)();
}  // namespace content

// Where each plug-in field goes: slot i holds the type (0 = empty) and index of the plug-in field
// that fills property i.
enum ContentSlot : size_t {
  kSlotTag = 0,         // "Tag": format description
  kSlotGenre = 1,       // "Genre"
  kSlotTitle = 2,       // "Title"
  kSlotArtist = 3,      // "Artist"
  kSlotAlbum = 4,       // "Album"
  kSlotComment = 5,     // "Comment"
  kSlotYear = 6,        // "Year": below 1900 gives 0
  kSlotSampleRate = 7,  // "Samplerate", "Sample rate"
  kSlotBitrate = 8,     // "Bitrate"
  kSlotTrack = 9,       // "Track": n or n/m
  kSlotBpm = 10,        // "BPM"
  kSlotDuration = 11,   // "Length", "Duration": h:m:s, m:s or seconds
  kSlotCount = 12,
};

struct ContentFieldMap {
  struct Slot {
    uint16_t type = 0;
    uint16_t index = 0;
  };
  std::array<Slot, kSlotCount> slots{};
};

// The slot whose name `fieldName` begins with (ignoring ASCII case), or kSlotCount.
size_t ContentSlotForName(std::string_view fieldName);
// A field type the adapter can convert to text.
bool IsMappableFieldType(int type);
// Seconds of "h:m:s", "m:s" or "s" ("1:02:03" is 3723). Saturates at 2^32 - 1.
uint32_t ParseDurationText(std::u16string_view text);

// Adapter state for one loaded content plug-in; the library outlives it.
struct ContentPlugin {
  content::SetDefaultParamsFn setDefaultParams = nullptr;
  content::GetDetectStringFn getDetectString = nullptr;
  content::GetSupportedFieldFn getSupportedField = nullptr;
  content::GetValueWFn getValueW = nullptr;
  content::GetValueFn getValue = nullptr;
  content::PluginUnloadingFn pluginUnloading = nullptr;
  ContentFieldMap map;
  bool hasMap = false;  // kept only when both title and artist found a field
};

// Finds the entry points. False when the library lacks ContentGetSupportedField or both
// ContentGetValueW and ContentGetValue.
bool BindContentPlugin(const platform::DynamicLibrary& library, ContentPlugin& plugin);
// Hands the plug-in its defaults (the ini file in the per-user folder), when it asks for them.
void SetContentDefaultParams(ContentPlugin& plugin);
// Asks the plug-in for its fields and fills the map; keeps it only with title and artist.
void BuildContentFieldMap(ContentPlugin& plugin);

// The adapter's provider message function; the handle is the ContentPlugin. Messages 1 (open: builds
// the field map, returns the handle), 2 (close), 3 (detect string), 5 (extract: format code 5),
// 10 (no settings dialog: 0). Others return -1; an escaped exception returns -2.
intptr_t ContentAdapterMessage(uint32_t message, intptr_t handle, void* data);

}  // namespace tarnq::analysis
