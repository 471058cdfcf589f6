// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/provider_list.h"

#include <memory>

#include "analysis/content_plugin.h"
#include "platform/dynlib.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "settings/field_line.h"
#include "settings/path_macros.h"
#include "settings/settings_store.h"

namespace tarnq::analysis {
namespace {

constexpr uint32_t kConditionCapacity = 512;
constexpr uint32_t kNameCapacity = 128;

std::u16string Cut(std::u16string text, size_t units) {
  text.resize(platform::CutUtf16(text, units).size());
  return text;
}

// Inside a settings file that is UTF-8 as a whole, values are plain UTF-8.
std::u16string DecodeField(std::string_view bytes, bool utf8File, bool isPath) {
  if (utf8File) {
    if (bytes.starts_with(platform::kUtf8Marker)) bytes.remove_prefix(platform::kUtf8Marker.size());
    return isPath ? platform::NameBytesToUtf16(bytes) : platform::Utf8ToUtf16(bytes);
  }
  return isPath ? settings::DecodePathField(bytes) : settings::DecodeTextField(bytes);
}

ProviderEntry ParseEntry(std::string_view value, bool utf8File) {
  settings::FieldReader reader(value);
  ProviderEntry entry;
  entry.name = Cut(DecodeField(reader.NextOrEmpty(), utf8File, false), kProviderNameUnits);
  std::u16string path = DecodeField(reader.NextOrEmpty(), utf8File, true);
  if (!path.empty() && (path.front() == u'+' || path.front() == u'-')) {
    entry.enabled = path.front() == u'+';
    path.erase(0, 1);
  }
  entry.path = Cut(std::move(path), kProviderPathUnits);
  entry.condition = Cut(DecodeField(reader.NextOrEmpty(), utf8File, false), kProviderConditionUnits);
  entry.parameters = Cut(DecodeField(reader.NextOrEmpty(), utf8File, false), kProviderParameterUnits);
  return entry;
}

// Keeps a plug-in's library loaded while any copy of its provider lives; the last one sends the
// close message, then the library is unloaded (the member is destroyed after the body).
struct PluginHold {
  platform::DynamicLibrary library;
  ContentPlugin content;
  ProviderCallback callback = nullptr;
  intptr_t handle = 0;
  bool opened = false;

  PluginHold() = default;
  PluginHold(const PluginHold&) = delete;
  PluginHold& operator=(const PluginHold&) = delete;
  ~PluginHold() {
    if (!opened || callback == nullptr) return;
    try {
      callback(kMessageClose, handle, nullptr);
    } catch (...) {
    }
  }
};

// A text message (3 or 4) to a provider; empty when it has none or throws.
std::u16string AskText(ProviderCallback callback, intptr_t handle, uint32_t message, uint32_t capacity) {
  std::u16string buffer(capacity, u'\0');
  TextRequest request{buffer.data(), capacity};
  try {
    callback(message, handle, &request);
  } catch (...) {
    return {};
  }
  buffer[capacity - 1] = 0;
  buffer.resize(std::char_traits<char16_t>::length(buffer.c_str()));
  return buffer;
}

struct Opened {
  MediaInfoProvider provider;
  bool isContent = false;
};

// Steps a-e of loading one entry; false when it is dropped.
bool OpenProvider(const ProviderEntry& entry, Opened& out) {
  ProviderCallback callback = nullptr;
  intptr_t initialHandle = 0;
  std::shared_ptr<PluginHold> hold;
  if (!entry.path.empty()) {
    hold = std::make_shared<PluginHold>();
    if (hold->library.Open(settings::ExpandPathMacros(entry.path)) != 0) return false;
    void* address = nullptr;
    if (hold->library.FindSymbol("pgnMediaInfo", address) == 0) {
      callback = reinterpret_cast<ProviderCallback>(address);
    } else if (BindContentPlugin(hold->library, hold->content)) {
      SetContentDefaultParams(hold->content);
      callback = &ContentAdapterMessage;
      initialHandle = reinterpret_cast<intptr_t>(&hold->content);
      out.isContent = true;
    } else {
      return false;  // the hold unloads the library
    }
  } else {
    const BuiltinProvider* builtin = FindBuiltinProvider(entry.name);
    if (builtin == nullptr) return false;
    callback = builtin->callback;
  }

  const std::u16string parameters = entry.parameters;  // zero-terminated for the provider
  intptr_t handle;
  try {
    handle = callback(kMessageOpen, initialHandle, const_cast<char16_t*>(parameters.c_str()));
  } catch (...) {
    return false;
  }
  if (hold) {
    hold->callback = callback;
    hold->handle = handle;
    hold->opened = true;
  }

  MediaInfoProvider& provider = out.provider;
  provider.module = std::move(hold);
  provider.callback = callback;
  provider.handle = handle;
  std::u16string condition = entry.condition;
  if (condition.empty()) condition = AskText(callback, handle, kMessageReportMask, kConditionCapacity);
  // A content plug-in's condition stays with the entry: it is offered every file.
  provider.hasMask = !out.isContent && !condition.empty();
  if (provider.hasMask) provider.mask = std::move(condition);
  return true;
}

}  // namespace

ProviderEntry ParseProviderEntry(std::string_view value) { return ParseEntry(value, false); }

std::string FormatProviderEntry(const ProviderEntry& entry) {
  std::string out;
  settings::FieldLineWriter writer(out);
  writer.Text(entry.name);
  writer.Path((entry.enabled ? u"+" : u"-") + entry.path);
  writer.Text(entry.condition);
  writer.Text(entry.parameters);
  writer.EndLine();
  out.resize(out.size() - 2);  // the CR LF: a settings value is one line
  return out;
}

std::vector<StoredProviderEntry> ReadProviderEntries(settings::SettingsStore& settings) {
  const bool utf8File = settings.IsUtf8File();
  std::vector<StoredProviderEntry> entries;
  settings.EnumSection(kProviderSection, [&](std::string_view key, std::string_view value) {
    entries.push_back({std::string(key), ParseEntry(value, utf8File)});
    return false;
  });
  return entries;
}

namespace {
// An empty value is no entry at all.
bool IsEnabledEntry(const ProviderEntry& entry) {
  return entry.enabled && (!entry.name.empty() || !entry.path.empty());
}
}  // namespace

bool HoldsEnabledProviderEntry(settings::SettingsStore& settings) {
  for (const StoredProviderEntry& stored : ReadProviderEntries(settings))
    if (IsEnabledEntry(stored.entry)) return true;
  return false;
}

size_t WriteDefaultProviderEntries(settings::SettingsStore& settings) {
  const std::vector<StoredProviderEntry> entries = ReadProviderEntries(settings);
  uint64_t nextKey = 1;
  for (const StoredProviderEntry& stored : entries) {
    if (IsEnabledEntry(stored.entry)) return 0;
    const uint64_t number = settings::ParseUnsigned64(stored.key);
    if (number >= nextKey && number < UINT32_MAX) nextKey = number + 1;
  }
  size_t written = 0;
  for (const BuiltinProvider& builtin : kBuiltinProviders) {
    ProviderEntry entry;
    entry.name = builtin.name;
    entry.condition = AskText(builtin.callback, 0, kMessageReportMask, kConditionCapacity);
    // Never over a value that is there (keys need not be numbers or in order).
    std::string key = std::to_string(nextKey);
    while (!settings.ReadString(kProviderSection, key).empty()) key = std::to_string(++nextKey);
    if (settings.WriteString(kProviderSection, key, FormatProviderEntry(entry))) {
      ++nextKey;
      ++written;
    }
  }
  return written;
}

ProviderList LoadProviderList(const std::vector<ProviderEntry>& entries) {
  ProviderList providers;
  for (const ProviderEntry& entry : entries) {
    if (!entry.enabled) continue;
    Opened opened;
    if (OpenProvider(entry, opened)) providers.push_back(std::move(opened.provider));
  }
  return providers;
}

ProviderList LoadProviderList(settings::SettingsStore& settings) {
  std::vector<ProviderEntry> entries;
  for (StoredProviderEntry& stored : ReadProviderEntries(settings)) entries.push_back(std::move(stored.entry));
  return LoadProviderList(entries);
}

void UnloadProviderList(ProviderList& providers) {
  for (MediaInfoProvider& provider : providers) {
    if (provider.module) {
      provider.module.reset();
    } else if (provider.callback != nullptr) {
      try {
        provider.callback(kMessageClose, provider.handle, nullptr);
      } catch (...) {
      }
    }
  }
  providers.clear();
}

PluginProbe ProbePlugin(std::u16string_view path, std::u16string_view parameters) {
  PluginProbe probe;
  if (path.empty()) return probe;
  ProviderEntry entry;
  entry.path = path;
  entry.parameters = parameters;
  Opened opened;
  if (!OpenProvider(entry, opened)) return probe;
  const MediaInfoProvider& provider = opened.provider;
  probe.loaded = true;
  probe.condition = AskText(provider.callback, provider.handle, kMessageReportMask, kConditionCapacity);
  probe.displayName = AskText(provider.callback, provider.handle, kMessageDisplayName, kNameCapacity);
  if (probe.displayName.empty()) probe.displayName = platform::StemOf(settings::ExpandPathMacros(path));
  try {
    probe.hasSettingsDialog = provider.callback(kMessageHasSettingsDialog, provider.handle, nullptr) > 0;
  } catch (...) {
  }
  ProviderList list;
  list.push_back(std::move(opened.provider));
  UnloadProviderList(list);
  return probe;
}

std::optional<std::u16string> ShowPluginSettings(std::u16string_view path, std::u16string_view parameters,
                                                void* parentWindow) {
  ProviderEntry entry;
  entry.path = path;
  entry.parameters = parameters;
  Opened opened;
  if (!OpenProvider(entry, opened)) return std::nullopt;
  const MediaInfoProvider& provider = opened.provider;
  std::u16string buffer(kSettingsDialogCapacity, u'\0');
  std::u16string_view(parameters).substr(0, kSettingsDialogCapacity - 1).copy(buffer.data(), kSettingsDialogCapacity - 1);
  SettingsDialogRequest request{parentWindow, buffer.data(), kSettingsDialogCapacity};
  bool shown = false;
  try {
    shown = provider.callback(kMessageHasSettingsDialog, provider.handle, nullptr) > 0;
    if (shown) provider.callback(kMessageSettingsDialog, provider.handle, &request);
  } catch (...) {
    shown = false;
  }
  ProviderList list;
  list.push_back(std::move(opened.provider));
  UnloadProviderList(list);
  if (!shown) return std::nullopt;
  buffer[kSettingsDialogCapacity - 1] = 0;
  buffer.resize(std::char_traits<char16_t>::length(buffer.c_str()));
  return buffer;
}

}  // namespace tarnq::analysis
