// SPDX-License-Identifier: GPL-3.0-or-later
// A content plug-in with the published interface. Values come from a side file "<path>.tags"
// with lines "Name=value". Fields: Title, Title (sort), Artist, Duration, Year, Bitrate (always
// the all-ones "no value" number), Tags (a date field the adapter must not map). Built twice:
// with ContentGetValueW (Artist as a UTF-16 string) and, with TEST_ANSI_ONLY, with the 8-bit
// ContentGetValue only. A file whose name contains "throw" makes every value fetch throw.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct DefaultParams {
  int32_t size;
  uint32_t versionLow, versionHigh;
  char iniName[260];
};

struct Field {
  const char* name;
  int type;
  const char* key;
};
const Field kFields[] = {
    {"Title", 8, "Title"}, {"Title (sort)", 8, "Sort"}, {"Tags", 4, "Tags"},
#ifdef TEST_ANSI_ONLY
    {"Artist", 8, "Artist"},
#else
    {"Artist", 11, "Artist"},
#endif
    {"Duration", 8, "Duration"}, {"Year", 1, "Year"}, {"Bitrate", 1, "Bitrate"},
};

std::string g_iniName;
uint32_t g_version = 0;
int g_unloading = 0;

std::string Lookup(const std::string& path, const std::string& key) {
  std::ifstream in(path + ".tags");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
  return {};
}

int Value(const std::string& path, int index, void* value, int maxLength) {
  if (path.find("broken") != std::string::npos) throw std::runtime_error("broken file");
  if (index < 0 || index >= static_cast<int>(sizeof kFields / sizeof kFields[0])) return -1;
  const Field& field = kFields[index];
  if (field.type == 1 && std::string(field.key) == "Bitrate") {
    const int32_t none = -1;
    std::memcpy(value, &none, 4);
    return 1;
  }
  const std::string text = Lookup(path, field.key);
  if (text.empty()) return -3;  // field empty
  if (field.type == 1) {
    const int32_t number = std::stoi(text);
    std::memcpy(value, &number, 4);
  } else if (field.type == 11) {
    auto* out = static_cast<char16_t*>(value);
    size_t i = 0;
    for (; i < text.size() && static_cast<int>(2 * i + 2) < maxLength; ++i) out[i] = static_cast<unsigned char>(text[i]);
    out[i] = 0;
  } else {
    std::snprintf(static_cast<char*>(value), static_cast<size_t>(maxLength), "%s", text.c_str());
  }
  return field.type;
}

}  // namespace

EXPORT int ContentGetSupportedField(int index, char* name, char* units, int maxLength) {
  units[0] = 0;
  if (index < 0 || index >= static_cast<int>(sizeof kFields / sizeof kFields[0])) return 0;
  std::snprintf(name, static_cast<size_t>(maxLength), "%s", kFields[index].name);
  return kFields[index].type;
}

#ifdef TEST_ANSI_ONLY
EXPORT int ContentGetValue(char* path, int index, int, void* value, int maxLength, int) {
  return Value(path, index, value, maxLength);
}
#else
EXPORT int ContentGetValueW(char16_t* path, int index, int, void* value, int maxLength, int) {
  std::string narrow;
  for (; *path; ++path) narrow.push_back(static_cast<char>(*path));
  return Value(narrow, index, value, maxLength);
}
#endif

EXPORT void ContentSetDefaultParams(DefaultParams* params) {
  if (params->size != static_cast<int32_t>(sizeof(DefaultParams))) return;
  g_iniName = params->iniName;
  g_version = params->versionHigh * 100 + params->versionLow;
}

EXPORT int ContentGetDetectString(char* detect, int maxLength) {
  std::snprintf(detect, static_cast<size_t>(maxLength), "%s", "EXT=\"TST\"");
  return 0;
}

EXPORT void ContentPluginUnloading() { ++g_unloading; }

// For the tests.
EXPORT const char* TestContentIniName() { return g_iniName.c_str(); }
EXPORT uint32_t TestContentVersion() { return g_version; }
EXPORT int TestContentUnloading() { return g_unloading; }
