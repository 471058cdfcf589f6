// SPDX-License-Identifier: GPL-3.0-or-later
// tarnq-cli similarity: the similarity percentage of two texts, as the matching computes it.
#include <cstdio>
#include <string_view>

#include "cli/commands.h"
#include "engine/similarity.h"
#include "platform/text.h"

namespace tarnq::cli {

int RunSimilarity(std::span<char*> args) {
  if (args.size() == 1 && (std::string_view(args[0]) == "--help" || std::string_view(args[0]) == "-h")) {
    std::fputs("Usage: tarnq-cli similarity TEXT1 TEXT2\n"
               "\n"
               "Prints the similarity of the two texts in percent (0-100), both upper-cased first,\n"
               "as a search with \"Use similarity\" compares Artist and Title.\n",
               stdout);
    return 0;
  }
  if (args.size() != 2) {
    std::fputs("tarnq-cli similarity: expected two texts\nUsage: tarnq-cli similarity TEXT1 TEXT2\n", stderr);
    return 2;
  }
  // The dialog takes at most 255 characters per text, as many as a comparison sees of a tag.
  auto prepare = [](const char* arg) {
    const std::u16string text = platform::Utf8ToUtf16(arg);
    return platform::UpperUnits(platform::CutUtf16(text, 255));
  };
  const std::u16string a = prepare(args[0]);
  const std::u16string b = prepare(args[1]);
  std::printf("%u\n", engine::SimilarityPercent(a, b));
  return 0;
}

}  // namespace tarnq::cli
