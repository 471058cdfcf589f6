// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the information cache file: load whatever the file holds, look up every
// path it names, add an entry, save, and load the result again. A file the cache wrote must load
// back cleanly, one entry per line.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "analysis/info_cache.h"
#include "platform/text.h"
#include "settings/field_line.h"

namespace {

std::string ShmPath(const char* suffix) {
  return "/dev/shm/tarnq-fuzz-cache-" + std::to_string(getpid()) + suffix;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarnq;
  static const std::string input = ShmPath(".in");
  static const std::string output = ShmPath(".out");
  FILE* f = std::fopen(input.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);

  analysis::InfoCache cache;
  cache.SetPath(platform::NameBytesToUtf16(input));
  cache.Load();
  // Every line's path and size, looked up at its own time and at time 0.
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  settings::LineSplitter lines(text);
  std::string_view line;
  while (lines.Next(line)) {
    analysis::CacheLine parsed;
    if (!analysis::ParseCacheLine(line, parsed)) continue;
    parsed.info.Release();
    records::AudioInfo out;
    if (cache.Lookup(parsed.size, parsed.modified, parsed.path, out)) out.Release();
    if (cache.Lookup(parsed.size, 0, parsed.path, out)) out.Release();
  }
  records::AudioInfo info;
  info.SetTexts({u"MP3", u"Rock", u"Title", u"Artist", u"Album", u"Comment"});
  cache.Add(1, 0, u"/fuzz/new.mp3", info);
  info.Release();

  cache.SetPath(platform::NameBytesToUtf16(output));
  if (cache.Save() == 0) {
    analysis::InfoCache again;
    again.SetPath(platform::NameBytesToUtf16(output));
    if (again.Load() != 0 || again.Count() == 0 || again.Count() > cache.Count()) std::abort();
    // A file the cache wrote is exactly what it would write again.
    if (!again.ReleaseIfUnchanged()) std::abort();
  }
  return 0;
}
