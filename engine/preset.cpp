// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/preset.h"

#include <charconv>

#include "platform/errors.h"
#include "platform/text.h"
#include "settings/field_line.h"
#include "settings/path_macros.h"
#include "settings/settings_store.h"

namespace tarnq::engine {
namespace {

using settings::SettingsStore;
constexpr std::string_view kSection = SettingsStore::kMainSection;
constexpr std::string_view kFolderSection = "Folder";
constexpr size_t kValueCapacity = 4096;
constexpr size_t kFolderCapacity = 1024;

// "Time" conditions keep only the time of day; the date part is fixed to this day.
platform::FileTime WithTimeDate(platform::FileTime fileTime) {
  platform::CalendarTime t = platform::FileTimeToCalendarUtc(fileTime);
  t.year = 1980;
  t.month = 1;
  t.day = 2;
  return platform::CalendarUtcToFileTime(t).value_or(0);
}

void AppendNumber(std::u16string& out, uint64_t value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  for (const char* p = digits; p != end; ++p) out.push_back(static_cast<char16_t>(*p));
}

void AppendNumber(std::string& out, int64_t value) { settings::AppendNumber(out, value); }

// Items are joined with ";" and quoted as field lines are.
void AddItem(std::u16string& out, std::u16string_view item) {
  if (!out.empty()) out.push_back(u';');
  settings::AppendQuotedField<char16_t>(out, item);
}

void AddDateItem(std::u16string& out, const FilterBound& bound) {
  if (bound.dateUnit == 0) return;
  std::u16string item = u"d";
  item.push_back(static_cast<char16_t>(bound.dateUnit));
  if (bound.dateUnit == 'D') AppendNumber(item, settings::PackDateTime(bound.dateValue));
  else if (bound.dateUnit == 'T') AppendNumber(item, settings::PackDateTime(WithTimeDate(bound.dateValue)));
  else AppendNumber(item, bound.dateValue);
  AddItem(out, item);
}

void AddSizeItem(std::u16string& out, const FilterBound& bound) {
  if (bound.sizeUnit == 0) return;
  std::u16string item = u"l";
  item.push_back(static_cast<char16_t>(bound.sizeUnit));
  AppendNumber(item, bound.sizeValue);
  AddItem(out, item);
}

// A mask cut to its capacity; line breaks would break the stored value.
std::u16string SingleLine(std::u16string_view text) {
  std::u16string out(platform::CutUtf16(text, kMaskCapacity - 1));
  for (char16_t& c : out)
    if (c == u'\r' || c == u'\n' || c == u'\0') c = u' ';
  return out;
}

bool IsUnit(std::string_view units, char16_t c) {
  return c != 0 && c < 0x80 && units.find(static_cast<char>(c)) != std::string_view::npos;
}

}  // namespace

void SearchPreset::SetFolderList(std::vector<std::u16string> list) {
  folderList = std::move(list);
  folders.clear();
  excludedFolders.clear();
  for (const std::u16string& entry : folderList) {
    if (entry.empty()) continue;
    auto& target = entry.front() == u'-' ? excludedFolders : folders;
    target.emplace_back(entry.substr(1));
  }
}

std::u16string FormatFilter(const FileFilter& filter) {
  std::u16string out;
  if (filter.dateKind == 1) AddItem(out, u"c");
  else if (filter.dateKind == 2) AddItem(out, u"r");
  if (filter.lower.attributes != 0 || filter.upper.attributes != 0) {
    std::u16string item = u"a";
    for (size_t i = 0; i < kAttributeLetters.size(); ++i) {
      const char letter = kAttributeLetters[i];
      if (filter.lower.attributes & kAttributeBits[i]) item.push_back(static_cast<char16_t>(letter));
      else if (filter.upper.attributes & kAttributeBits[i]) item.push_back(static_cast<char16_t>(letter + ('a' - 'A')));
    }
    AddItem(out, item);
  }
  AddItem(out, u"+" + SingleLine(filter.lower.mask));
  AddDateItem(out, filter.lower);
  AddSizeItem(out, filter.lower);
  AddItem(out, u"-" + SingleLine(filter.upper.mask));
  AddDateItem(out, filter.upper);
  AddSizeItem(out, filter.upper);
  return out;
}

FileFilter ParseFilter(std::u16string_view value) {
  FileFilter filter;
  FilterBound* current = &filter.lower;
  settings::FieldReader16 reader(value);
  std::u16string_view item;
  while (reader.Next(item)) {
    if (item.empty()) continue;
    const std::u16string_view rest = item.substr(1);
    switch (item.front()) {
      case u'+':
        current->mask = platform::CutUtf16(rest, kMaskCapacity - 1);
        break;
      case u'-':
        filter.upper.mask = platform::CutUtf16(rest, kMaskCapacity - 1);
        current = &filter.upper;
        break;
      case u'd':
        if (!rest.empty() && IsUnit(kDateUnits, rest.front())) {
          current->dateUnit = static_cast<char>(rest.front());
          const uint64_t number = settings::ParseUnsigned(rest.substr(1));
          current->dateValue =
              current->dateUnit == 'D' || current->dateUnit == 'T' ? settings::UnpackDateTime(number) : number;
        }
        break;
      case u'l':
        if (!rest.empty() && IsUnit(kSizeUnits, rest.front())) {
          current->sizeUnit = static_cast<char>(rest.front());
          current->sizeValue = settings::ParseUnsigned(rest.substr(1));
        }
        break;
      case u'a':
        for (char16_t c : rest) {
          for (size_t i = 0; i < kAttributeLetters.size(); ++i) {
            if (c == static_cast<char16_t>(kAttributeLetters[i])) filter.lower.attributes |= kAttributeBits[i];
            else if (c == static_cast<char16_t>(kAttributeLetters[i] + ('a' - 'A')))
              filter.upper.attributes |= kAttributeBits[i];
          }
        }
        break;
      case u'c':
        filter.dateKind = 1;
        break;
      case u'r':
        filter.dateKind = 2;
        break;
      case u'w':
        filter.dateKind = 0;
        break;
      default:
        break;  // unknown items are ignored
    }
  }
  return filter;
}

std::u16string FirstBadFilterItem(std::u16string_view value) {
  auto digits = [](std::u16string_view text) {
    if (text.empty() || text.size() > 19) return false;
    for (const char16_t c : text)
      if (c < u'0' || c > u'9') return false;
    return true;
  };
  settings::FieldReader16 reader(value);
  std::u16string_view item;
  while (reader.Next(item)) {
    if (item.empty()) continue;
    const std::u16string_view rest = item.substr(1);
    bool ok = false;
    switch (item.front()) {
      case u'+':
      case u'-': ok = true; break;
      case u'd': ok = !rest.empty() && IsUnit(kDateUnits, rest.front()) && digits(rest.substr(1)); break;
      case u'l': ok = !rest.empty() && IsUnit(kSizeUnits, rest.front()) && digits(rest.substr(1)); break;
      case u'a':
        ok = !rest.empty();
        for (const char16_t c : rest) {
          bool known = false;
          for (const char letter : kAttributeLetters)
            known = known || c == static_cast<char16_t>(letter) || c == static_cast<char16_t>(letter + ('a' - 'A'));
          ok = ok && known;
        }
        break;
      case u'c':
      case u'r':
      case u'w': ok = rest.empty(); break;
      default: break;
    }
    if (!ok) return std::u16string(item);
  }
  return {};
}

void SearchPreset::Load(SettingsStore& store) {
  filterEnabled = 0;
  noRecursion = 0;
  moreLimitations = 0;
  useSimilarity = 0;
  artistThreshold = 0;
  titleThreshold = 0;
  durationTolerance = -1;

  const std::string option = store.ReadString(kSection, "Option", {}, kValueCapacity);
  if (!option.empty()) {
    settings::FieldReader reader(option);
    std::string_view items[6];
    for (std::string_view& item : items) item = reader.NextOrEmpty();
    filterEnabled = static_cast<int32_t>(settings::ParseSigned32(items[0]));
    const uint32_t recursionAndLimits = settings::ParseUnsigned32(items[1]);
    noRecursion = static_cast<int32_t>(recursionAndLimits & 1);
    moreLimitations = recursionAndLimits >> 1;
    useSimilarity = settings::ParseSigned32(items[2]);
    artistThreshold = settings::ParseUnsigned32(items[3]);
    titleThreshold = settings::ParseUnsigned32(items[4]);
    if (!items[5].empty()) durationTolerance = settings::ParseSigned32(items[5]);
  }

  // Folder keys run from "1" up to the first empty one.
  std::vector<std::u16string> list;
  for (uint32_t key = 1;; ++key) {
    std::string name;
    AppendNumber(name, key);
    std::u16string entry;
    if (!store.ReadPath(kFolderSection, name, entry, kFolderCapacity) || entry.empty()) break;
    list.push_back(std::move(entry));
  }
  if (!list.empty()) SetFolderList(std::move(list));

  filter = ParseFilter(store.ReadText(kSection, "Filter", {}, kValueCapacity));
}

void SearchPreset::Save(SettingsStore& store) const {
  std::string option;
  AppendNumber(option, filterEnabled);
  option.push_back(';');
  AppendNumber(option, static_cast<uint32_t>(noRecursion + 2 * moreLimitations));
  option.push_back(';');
  AppendNumber(option, useSimilarity);
  option.push_back(';');
  AppendNumber(option, artistThreshold);
  option.push_back(';');
  AppendNumber(option, titleThreshold);
  option.push_back(';');
  if (durationTolerance >= 0) AppendNumber(option, durationTolerance);
  store.WriteString(kSection, "Option", option);
  store.WriteText(kSection, "Filter", FormatFilter(filter));
  store.DeleteSection(kFolderSection);
  for (size_t i = 0; i < folderList.size(); ++i) {
    std::string name;
    AppendNumber(name, static_cast<int64_t>(i + 1));
    store.WritePath(kFolderSection, name, folderList[i]);
  }
}

uint32_t SearchPreset::LoadCurrent(std::u16string_view presetBoxText, SettingsStore& mainSettings) {
  if (presetBoxText != presetFile) presetFile = presetBoxText;
  if (presetFile.empty()) {
    Load(mainSettings);
    return 0;
  }
  SettingsStore store(settings::ExpandPathMacros(presetFile), SettingsStore::kExplicitFile);
  if (const uint32_t code = store.Load(); code != 0) return code;
  Load(store);
  return 0;
}


uint32_t SearchPreset::SaveCurrent(SettingsStore& mainSettings) const {
  if (presetFile.empty()) {
    Save(mainSettings);
    return mainSettings.Flush();
  }
  SettingsStore store(settings::ExpandPathMacros(presetFile), SettingsStore::kExplicitFile);
  // An existing file that cannot be read must not be replaced by a text that lacks its content.
  if (const uint32_t code = store.Load();
      code != 0 && code != platform::err::kFileNotFound && code != platform::err::kPathNotFound)
    return code;
  Save(store);
  return store.Flush();
}



}  // namespace tarnq::engine
