// SPDX-License-Identifier: GPL-3.0-or-later
// Benchmark driver: walks a folder tree and analyses every file exactly as a search does (the
// provider list and AnalyseFile), without the cache. Prints the counts, so runs can be compared
// with the reference programs of the shared benchmark folder under hyperfine.
#include <cstdio>
#include <string>
#include <vector>

#include "analysis/providers.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace {

struct Counts {
  uint64_t files = 0;
  uint64_t accepted = 0;
  uint64_t withTitle = 0;
};

void Walk(const std::u16string& folder, const tarnq::analysis::ProviderList& providers, Counts& counts) {
  std::vector<std::u16string> subfolders;
  std::vector<std::pair<std::u16string, uint64_t>> files;
  tarnq::platform::ListDirectory(folder, [&](const tarnq::platform::DirEntry& entry) {
    if (entry.name == u"." || entry.name == u"..") return true;
    if (entry.attributes & tarnq::platform::attr::kDirectory) {
      if (!(entry.attributes & tarnq::platform::attr::kReparsePoint)) subfolders.emplace_back(entry.name);
    } else {
      files.emplace_back(entry.name, entry.size);
    }
    return true;
  });
  std::u16string path;
  for (const auto& [name, size] : files) {
    path = tarnq::platform::JoinPath(folder, name);
    tarnq::records::AudioInfo info;
    ++counts.files;
    if (tarnq::analysis::AnalyseFile(providers, path, info, size)) {
      ++counts.accepted;
      if (info.HasText(tarnq::records::kTextTitle)) ++counts.withTitle;
      info.Release();
    }
  }
  for (const auto& name : subfolders) Walk(tarnq::platform::JoinPath(folder, name), providers, counts);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "Usage: analyse_tree FOLDER...\n");
    return 2;
  }
  const auto providers = tarnq::analysis::DefaultProviderList();
  Counts counts;
  for (int i = 1; i < argc; ++i) Walk(tarnq::platform::NameBytesToUtf16(argv[i]), providers, counts);
  std::printf("files %llu, analysed %llu, with title %llu\n",
              static_cast<unsigned long long>(counts.files),
              static_cast<unsigned long long>(counts.accepted),
              static_cast<unsigned long long>(counts.withTitle));
  return 0;
}
