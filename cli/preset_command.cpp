// SPDX-License-Identifier: GPL-3.0-or-later
// tarnq-cli preset show: what a preset file holds, as a search reads it.
#include <cstdio>
#include <string>
#include <string_view>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "engine/preset.h"
#include "platform/files.h"
#include "platform/time.h"
#include "settings/settings_store.h"

namespace tarnq::cli {
namespace {

constexpr const char* kPresetUsage =
    "Usage: tarnq-cli preset show FILE.tnq\n"
    "\n"
    "Prints the folders, exclusions, recursion, comparison criteria and file filter of a preset\n"
    "file as a search reads them.\n";

std::string Utc(platform::FileTime time) {
  const platform::CalendarTime t = platform::FileTimeToCalendarUtc(time);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d UTC", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

std::string DateCondition(const engine::FilterBound& b) {
  static const char* kUnitNames[] = {"", "", "seconds", "minutes", "hours", "days", "weeks", "months", "years"};
  const size_t unit = engine::kDateUnits.find(b.dateUnit);
  if (b.dateUnit == 'D') return Utc(b.dateValue);
  if (b.dateUnit == 'T') {
    const platform::CalendarTime t = platform::FileTimeToCalendarLocal(b.dateValue);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d (time of day, local)", t.hour, t.minute, t.second);
    return text;
  }
  if (unit == std::string_view::npos) return "unknown unit";
  return std::to_string(b.dateValue) + " " + kUnitNames[unit] + " ago";
}

std::string SizeCondition(const engine::FilterBound& b) {
  std::string unit = b.sizeUnit == 'K' ? "KB" : b.sizeUnit == 'M' ? "MB" : b.sizeUnit == 'G' ? "GB" : "bytes";
  return std::to_string(b.sizeValue) + " " + unit;
}

std::string Attributes(uint16_t word) {
  std::string letters;
  for (size_t i = 0; i < engine::kAttributeLetters.size(); ++i)
    if (word & engine::kAttributeBits[i]) letters += engine::kAttributeLetters[i];
  return letters.empty() ? "-" : letters;
}

void PrintPreset(const engine::SearchPreset& p, std::u16string_view path) {
  std::printf("Preset file: %s\n", ToTerminal(path).c_str());
  std::printf("Folders:\n");
  if (p.folderList.empty()) std::printf("  (none)\n");
  for (const auto& entry : p.folderList) {
    const bool excluded = !entry.empty() && entry[0] == u'-';
    std::printf("  %s %s\n", excluded ? "exclude" : "search ", ToTerminal(std::u16string_view(entry).substr(entry.empty() ? 0 : 1)).c_str());
  }
  std::printf("Recurse folders: %s\n", p.noRecursion ? "no" : "yes");
  if (p.useSimilarity) {
    auto threshold = [](uint32_t t) { return t >= 110 ? std::string("not compared") : std::to_string(t) + " %"; };
    std::printf("Use similarity: yes (Artist %s, Title %s)\n", threshold(p.artistThreshold).c_str(),
                threshold(p.titleThreshold).c_str());
  } else {
    std::printf("Use similarity: no (Artist and Title equal, ignoring case)\n");
  }
  if (p.durationTolerance < 0) std::printf("Deviation title length max.: off\n");
  else std::printf("Deviation title length max.: %d seconds\n", p.durationTolerance);
  static const std::pair<uint32_t, const char*> kLimits[] = {{0x2, "Track"}, {0x8, "Bitrate"}, {0x10, "BPM"},
                                                             {0x20, "Type"},  {0x1, "Album"},   {0x4, "Genre"}};
  std::string limits;
  for (const auto& [bit, name] : kLimits)
    if (p.moreLimitations & bit) limits += (limits.empty() ? "" : ", ") + std::string(name);
  std::printf("More limitations: %s\n", limits.empty() ? "none" : limits.c_str());
  std::printf("With filter: %s\n", p.filterEnabled ? "yes" : "no");
  const engine::FileFilter& f = p.filter;
  std::printf("Filter: %s\n", ToTerminal(engine::FormatFilter(f)).c_str());
  static const char* kKinds[] = {"Modified", "Created", "Last access"};
  std::printf("  Date/Time: %s\n", kKinds[f.dateKind < 3 ? f.dateKind : 0]);
  std::printf("  File mask: %s\n", f.lower.mask.empty() ? "(any)" : ToTerminal(f.lower.mask).c_str());
  std::printf("  Exclude: %s\n", f.upper.mask.empty() ? "(none)" : ToTerminal(f.upper.mask).c_str());
  if (f.lower.dateUnit) std::printf("  Date >= %s\n", DateCondition(f.lower).c_str());
  if (f.upper.dateUnit) std::printf("  Date <= %s\n", DateCondition(f.upper).c_str());
  if (f.lower.sizeUnit) std::printf("  Length >= %s\n", SizeCondition(f.lower).c_str());
  if (f.upper.sizeUnit) std::printf("  Length <= %s\n", SizeCondition(f.upper).c_str());
  std::printf("  Attributes set: %s, clear: %s\n", Attributes(f.lower.attributes).c_str(),
              Attributes(f.upper.attributes).c_str());
}

}  // namespace

int RunPreset(std::span<char*> args) {
  if (args.size() == 1 && (std::string_view(args[0]) == "--help" || std::string_view(args[0]) == "-h")) {
    std::fputs(kPresetUsage, stdout);
    return 0;
  }
  if (args.size() != 2 || std::string_view(args[0]) != "show") {
    std::fputs("tarnq-cli preset: expected 'show FILE.tnq'\nTry 'tarnq-cli preset --help'.\n", stderr);
    return 2;
  }
  const std::u16string path = AbsolutePath(args[1]);
  platform::FileStatus status;
  if (const uint32_t code = platform::GetFileStatus(path, status, true)) {
    PrintError(path, code);
    return 1;
  }
  if (!status.isRegular) {
    PrintError(path, 5);
    return 1;
  }
  settings::SettingsStore store(path, settings::SettingsStore::kExplicitFile);
  if (const uint32_t code = store.Load()) {
    PrintError(path, code);
    return 1;
  }
  engine::SearchPreset preset;
  preset.Load(store);
  PrintPreset(preset, path);
  return 0;
}

}  // namespace tarnq::cli
