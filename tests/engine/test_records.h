// SPDX-License-Identifier: GPL-3.0-or-later
// Builds found files for the matching tests in a store that frees their texts.
#pragma once

#include <string>
#include <vector>

#include "records/found_file.h"
#include "records/packed_store.h"

namespace tarnq::engine::testing {

struct Track {
  std::u16string artist;
  std::u16string title;
  uint32_t duration = 200;
  int32_t bitrate = 128;
  uint32_t format = records::kFormatMpeg;
  uint16_t track = 0;
  uint16_t bpm = 0;
  std::u16string album = {};
  std::u16string genre = {};
};

class Files {
 public:
  records::FoundFile Add(const Track& t) {
    records::AudioInfo info;
    info.duration = t.duration;
    info.bitrate = t.bitrate;
    info.format = t.format;
    info.track = t.track;
    info.bpm = t.bpm;
    info.SetTexts({u"MP3", t.genre, t.title, t.artist, t.album, u""});
    records::EncodeFoundFile({}, info, u"file.mp3", m_buffer);
    m_store.Append(m_buffer.data(), m_buffer.size());
    const records::FoundFile file(m_store.At(m_store.Count() - 1));
    m_files.push_back(file);
    return file;
  }
  std::vector<records::FoundFile>& All() { return m_files; }
  records::FoundFileStore& Store() { return m_store; }
  void ResetGroups() {
    for (const records::FoundFile file : m_files) file.SetGroup(0);
  }

 private:
  records::FoundFileStore m_store;
  std::vector<records::FoundFile> m_files;
  std::vector<std::byte> m_buffer;
};

}  // namespace tarnq::engine::testing
