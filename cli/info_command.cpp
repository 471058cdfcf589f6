// SPDX-License-Identifier: GPL-3.0-or-later
// tarnq-cli info: analyses each file exactly as a search does and prints what it found.
#include <cstdio>
#include <string>
#include <string_view>

#include "analysis/providers.h"
#include "cli/commands.h"
#include "cli/cli_support.h"
#include "platform/text.h"
#include "records/audio_info.h"

namespace tarnq::cli {
namespace {

constexpr const char* kInfoUsage =
    "Usage: tarnq-cli info [--json] FILE...\n"
    "\n"
    "Analyses each file as a search does (the built-in readers, picked by the file's type) and\n"
    "prints its properties and tag texts. With --json, one JSON object per line.\n"
    "Exit status: 0 when every file was analysed, 1 when any was rejected, 2 on a usage error.\n";

void PrintJson(std::string_view path, bool ok, const records::AudioInfo& info) {
  std::string line = "{\"path\":";
  AppendJsonString(line, std::u16string_view(platform::NameBytesToUtf16(path)));
  line += ",\"ok\":";
  line += ok ? "true" : "false";
  AppendAudioInfoJson(line, info);
  line += info.HasAudio() ? ",\"audio\":true}\n" : ",\"audio\":false}\n";
  std::fputs(line.c_str(), stdout);
}

void PrintText(std::string_view path, bool ok, const records::AudioInfo& info) {
  std::printf("%.*s\n", static_cast<int>(path.size()), path.data());
  if (!ok) {
    std::printf("  not an audio file of a known type\n");
    return;
  }
  auto text = [&](const char* label, size_t index) {
    std::string_view value = info.TextUtf8(index);
    if (!value.empty()) std::printf("  %-9s%.*s\n", label, static_cast<int>(value.size()), value.data());
  };
  text("Type", records::kTextType);
  if (const std::string_view codec = records::CodecName(info.AudioCodec()); !codec.empty())
    std::printf("  %-9s%.*s\n", "Codec", static_cast<int>(codec.size()), codec.data());
  text("Title", records::kTextTitle);
  text("Artist", records::kTextArtist);
  text("Album", records::kTextAlbum);
  text("Genre", records::kTextGenre);
  text("Comment", records::kTextComment);
  if (!info.HasAudio()) {
    // Recognised by its type or tags, but no frames to play: zeros would read as a real result.
    std::printf("  no audio found\n");
    return;
  }
  std::printf("  %-9s%u:%02u\n", "Length", info.duration / 60, info.duration % 60);
  if (info.bitrate < 0) {
    std::printf("  %-9s%d kbit/s (variable)\n", "Bitrate", -info.bitrate);
  } else if (info.bitrate > 0) {
    std::printf("  %-9s%d kbit/s\n", "Bitrate", info.bitrate);
  }
  if (info.track) std::printf("  %-9s%u\n", "Track", info.track);
  if (info.year) std::printf("  %-9s%u\n", "Year", info.year);
  if (info.bpm) std::printf("  %-9s%u\n", "BPM", info.bpm);
}

}  // namespace

int RunInfo(std::span<char*> args) {
  bool json = false;
  size_t first = 0;
  for (; first < args.size(); ++first) {
    std::string_view arg = args[first];
    if (arg == "--json") {
      json = true;
    } else if (arg == "--help" || arg == "-h") {
      std::fputs(kInfoUsage, stdout);
      return 0;
    } else if (arg == "--") {
      ++first;
      break;
    } else if (arg.starts_with("-") && arg.size() > 1) {
      std::fprintf(stderr, "tarnq-cli info: unknown option '%s'\nTry 'tarnq-cli info --help'.\n",
                   EscapedBytes(args[first]).c_str());
      return 2;
    } else {
      break;
    }
  }
  if (first >= args.size()) {
    std::fputs("tarnq-cli info: no file given\nTry 'tarnq-cli info --help'.\n", stderr);
    return 2;
  }
  const analysis::ProviderList providers = analysis::DefaultProviderList();
  int status = 0;
  for (size_t i = first; i < args.size(); ++i) {
    std::string_view path = args[i];
    records::AudioInfo info;
    const bool ok = analysis::AnalyseFile(providers, platform::NameBytesToUtf16(path), info) != 0;
    if (!ok) {
      info.Release();
      info = records::AudioInfo{};
      status = 1;
    }
    if (json) {
      PrintJson(path, ok, info);
    } else {
      PrintText(path, ok, info);
    }
    info.Release();
  }
  return status;
}

}  // namespace tarnq::cli
