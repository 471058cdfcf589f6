// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for one format reader (chosen by TARNQ_FUZZ_READER at compile time). The
// readers take paths, so each input is written to a file in memory-backed /dev/shm first.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "analysis/flac_reader.h"
#include "analysis/mp4_reader.h"
#include "analysis/mpeg_reader.h"
#include "analysis/ogg_reader.h"
#include "analysis/providers.h"
#include "analysis/wma_reader.h"
#include "platform/text.h"

namespace {

const std::string& InputPath() {
  static const std::string path = "/dev/shm/tarnq-fuzz-" + std::to_string(getpid()) + "." TARNQ_FUZZ_EXTENSION;
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = InputPath();
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  tarnq::analysis::TagRecord tag;
  const std::u16string wide = tarnq::platform::NameBytesToUtf16(path);
  TARNQ_FUZZ_READER(wide, tag);
  // The whole path a search takes, the file-name rule and the text block included.
  tarnq::records::AudioInfo info;
  static const auto providers = tarnq::analysis::DefaultProviderList();
  if (tarnq::analysis::AnalyseFile(providers, wide, info)) info.Release();
  return 0;
}
