// SPDX-License-Identifier: GPL-3.0-or-later
// The provider list as configured: the entries of settings section "pgnMediaInfo", the default
// entries, and loading and unloading the list (built-ins, media-information plug-ins exporting
// pgnMediaInfo, content plug-ins through their adapter) for each search run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/providers.h"

namespace tarnq::settings {
class SettingsStore;
}

namespace tarnq::analysis {

inline constexpr std::string_view kProviderSection = "pgnMediaInfo";
inline constexpr size_t kProviderNameUnits = 63;        // what is read of the name
inline constexpr size_t kProviderPathUnits = 1023;
inline constexpr size_t kProviderConditionUnits = 511;
inline constexpr size_t kProviderParameterUnits = 511;

// One value of the section: "name;[+|-]path;condition;parameters" in the field-line syntax.
struct ProviderEntry {
  std::u16string name;       // for a built-in, the key to the built-in table
  bool enabled = true;       // "-" before the path disables the entry
  std::u16string path;       // plug-in library, with path macros; empty for a built-in
  std::u16string condition;  // mask list; empty = ask the provider
  std::u16string parameters;
  friend bool operator==(const ProviderEntry&, const ProviderEntry&) = default;
};

ProviderEntry ParseProviderEntry(std::string_view value);
std::string FormatProviderEntry(const ProviderEntry& entry);

// The entries in the section's order (key and value of each).
struct StoredProviderEntry {
  std::string key;
  ProviderEntry entry;
};
std::vector<StoredProviderEntry> ReadProviderEntries(settings::SettingsStore& settings);

// True when the section holds an enabled entry: a value with a name or a path and no "-" sign
// (an empty value is no entry at all).
bool HoldsEnabledProviderEntry(settings::SettingsStore& settings);

// The start-up step of a host that shows the provider list (command 145, once after the main
// window is created): when the section holds no enabled entry, writes one entry per built-in
// provider, enabled, with the provider's mask as condition: under keys "1" to "5" when the section
// is empty, otherwise under free keys after the highest numbered one. Existing values are never
// replaced. Returns the number of entries written. Hosts that show no list (tarnq-cli) do not
// call it: their searches use the built-in providers while no entry is enabled.
size_t WriteDefaultProviderEntries(settings::SettingsStore& settings);

// Opens every enabled entry in order (search start). Entries whose library cannot be loaded or
// offers neither interface, or whose built-in name is unknown, are skipped.
ProviderList LoadProviderList(settings::SettingsStore& settings);
ProviderList LoadProviderList(const std::vector<ProviderEntry>& entries);
// Sends each provider its close message and unloads its library, in list order (search end).
// Destroying a list without it does the same for the plug-ins.
void UnloadProviderList(ProviderList& providers);

// What the plug-in dialog learns when the user picks a library.
struct PluginProbe {
  bool loaded = false;          // false: "The plugin could not be loaded."
  std::u16string condition;     // message 3
  std::u16string displayName;   // message 4, else the library's file name without extension
  bool hasSettingsDialog = false;  // message 10 returned more than 0
};
PluginProbe ProbePlugin(std::u16string_view path, std::u16string_view parameters);

// Data of the settings-dialog message (11): the provider may rewrite the parameters in place.
struct SettingsDialogRequest {
  void* parentWindow;
  char16_t* buffer;
  uint32_t capacity;  // units, terminator included
};
inline constexpr uint32_t kSettingsDialogCapacity = 512;
// Opens the plug-in with `parameters`, and when it has a settings dialog (message 10) shows it
// (message 11) and returns the parameters it leaves; nothing when it has none or cannot be loaded.
std::optional<std::u16string> ShowPluginSettings(std::u16string_view path, std::u16string_view parameters,
                                                void* parentWindow);

}  // namespace tarnq::analysis
