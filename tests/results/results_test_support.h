// SPDX-License-Identifier: GPL-3.0-or-later
// Builds result lists for the tests: rows with texts, folders and groups.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lang/languages.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "results/result_list.h"

namespace tarnq::results::testing {

// The English catalogue of the real language library, installed once.
inline void InstallEnglish() {
  static lang::LanguageLibrary library;
  static const bool loaded = [] {
    if (library.Load(platform::ProgramFolder()) != 0) return false;
    lang::InstallLanguageRecord(library.Record());
    return true;
  }();
  ASSERT_TRUE(loaded);
}

struct Row {
  std::u16string name = u"song.mp3";
  uint32_t folder = 0;
  uint32_t group = 1;
  std::u16string artist = {};
  std::u16string title = {};
  uint32_t duration = 0;
  int32_t bitrate = 0;
  uint64_t size = 0;
  uint64_t modified = 0;
  uint16_t attributes = 0x20;
  uint16_t track = 0;
  uint32_t sampleRate = 0;
  uint32_t format = 0;
  std::u16string type = {};
};

inline int64_t Add(ResultList& list, const Row& r) {
  records::AudioInfo info;
  info.duration = r.duration;
  info.bitrate = r.bitrate;
  info.track = r.track;
  info.sampleRate = r.sampleRate;
  info.format = r.format;
  info.SetTexts({r.type, u"", r.title, r.artist, u"", u""});
  RowFields fields;
  fields.group = r.group;
  fields.folder = r.folder;
  fields.size = r.size;
  fields.modified = r.modified;
  fields.attributes = r.attributes;
  std::vector<std::byte> bytes;
  EncodeRow(fields, info, r.name, bytes);
  const int64_t index = list.AddRow(bytes);
  if (index < 0) info.Release();
  return index;
}

inline std::vector<std::u16string> Names(const ResultList& list) {
  std::vector<std::u16string> names;
  for (size_t i = 0; i < list.RowCount(); ++i) names.push_back(list.RowAt(i).Name());
  return names;
}

inline std::vector<uint32_t> Groups(const ResultList& list) {
  std::vector<uint32_t> groups;
  for (size_t i = 0; i < list.RowCount(); ++i) groups.push_back(list.RowAt(i).Group());
  return groups;
}

}  // namespace tarnq::results::testing
