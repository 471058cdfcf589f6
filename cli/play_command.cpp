// SPDX-License-Identifier: GPL-3.0-or-later
// tarnq-cli play: a file through the player's decoder slots and output path, rendered into a WAV
// file. Playing on the sound device comes with the device output.
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/terminal.h"
#include "player/capture_output.h"
#include "player/output_feeder.h"

namespace tarnq::cli {
namespace {

constexpr const char* kUsage = "Usage: tarnq-cli play FILE [--start SEC] [--seconds N] [--volume PCT] --output FILE.wav\n";

void PrintHelp() {
  std::fputs(kUsage, stdout);
  std::fputs("\n"
             "Decodes FILE through the player and writes what the sound device would get into\n"
             "FILE.wav (16-bit PCM at the stream's rate; more than two channels are mixed down to\n"
             "two), as fast as it decodes. Files so far: WAV (uncompressed PCM and float).\n"
             "Playing on the sound device is not built yet, so --output is required.\n"
             "\n"
             "Options:\n"
             "  --start SEC    begin SEC seconds into the file (decimals allowed)\n"
             "  --seconds N    render at most N seconds (decimals allowed)\n"
             "  --volume PCT   0-100, where 100 is unity gain (the default)\n"
             "  --output FILE  the WAV file to write (replaced when it exists)\n"
             "\n"
             "Exit status: 0 played; 1 the file cannot be opened or decoded, or the output\n"
             "cannot be written; 2 usage error; 130 after Ctrl-C (nothing is written).\n",
             stdout);
}

int Usage(const std::string& message) {
  std::fprintf(stderr, "tarnq-cli play: %s\n%sTry 'tarnq-cli play --help'.\n", message.c_str(), kUsage);
  return 2;
}

// A non-negative decimal number of at most `high`.
bool ParseSeconds(std::string_view text, double high, double& value) {
  if (text.empty() || text.front() == '-' || text.front() == '+') return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && std::isfinite(value) && value >= 0 &&
         value <= high;
}

}  // namespace

int RunPlay(std::span<char*> args) {
  std::string file, output;
  double start = 0, seconds = -1, volumePercent = 100;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    auto value = [&](std::string_view& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    std::string_view v;
    if (arg == "--help" || arg == "-h") {
      PrintHelp();
      return 0;
    } else if (arg == "--start") {
      if (!value(v) || !ParseSeconds(v, 1e9, start)) return Usage("--start takes seconds, such as 12.5");
    } else if (arg == "--seconds") {
      if (!value(v) || !ParseSeconds(v, 1e9, seconds)) return Usage("--seconds takes seconds, such as 30");
    } else if (arg == "--volume") {
      if (!value(v) || !ParseSeconds(v, 100, volumePercent)) return Usage("--volume takes a percentage 0-100");
    } else if (arg == "--output") {
      if (!value(v) || v.empty()) return Usage("--output takes a file name");
      output = v;
    } else if (arg == "--") {
      if (i + 1 < args.size() && file.empty()) file = args[++i];
      if (i + 1 < args.size()) return Usage("only one file can be played");
    } else if (arg.starts_with("-") && arg.size() > 1) {
      return Usage("unknown option '" + EscapedBytes(arg) + "'");
    } else if (file.empty()) {
      file = arg;
    } else {
      return Usage("only one file can be played");
    }
  }
  if (file.empty()) return Usage("no file to play");
  if (output.empty()) return Usage("--output is required: playing on the sound device is not built yet");

  const std::u16string path = AbsolutePath(file);
  const std::u16string target = AbsolutePath(output);
  player::SlotTable slots = player::MakeBuiltInSlots();
  if (!platform::FileExists(path)) {
    PrintError(path, platform::err::kFileNotFound);
    return 1;
  }
  int index = slots.ChooseSlot(path);
  if (index < 0) index = slots.SlotByName(path);  // its Open says why it cannot play the file
  if (index < 0) {
    std::fprintf(stderr, "tarnq-cli: %s: no decoder takes this file\n", ToTerminal(path).c_str());
    return 1;
  }
  player::DecoderSlot& slot = *slots.decoders[index];
  player::OpenedStream stream;
  std::string error;
  if (slot.Open(path, stream, error) != 0) {
    std::fprintf(stderr, "tarnq-cli: %s: %s\n", ToTerminal(path).c_str(), error.c_str());
    return 1;
  }
  const player::StreamFormat& format = stream.format;
  const uint64_t startFrame = static_cast<uint64_t>(std::llround(start * format.sampleRate));
  if (startFrame > 0 && !slot.CanSeek()) {
    std::fprintf(stderr, "tarnq-cli: %s: cannot start at %.3f s: files of this kind play only from the start\n",
                 ToTerminal(path).c_str(), start);
    slot.Close();
    return 1;
  }
  if (startFrame > 0) {
    if (startFrame >= format.lengthFrames || !slot.Seek(startFrame, format.lengthFrames)) {
      std::fprintf(stderr, "tarnq-cli: %s: cannot start at %.3f s (the file is %.3f s long)\n",
                   ToTerminal(path).c_str(), start,
                   format.sampleRate ? static_cast<double>(format.lengthFrames) / format.sampleRate : 0.0);
      slot.Close();
      return 1;
    }
  }
  const uint64_t limit = seconds < 0 ? UINT64_MAX : static_cast<uint64_t>(std::llround(seconds * format.sampleRate));
  const int volume = static_cast<int>(std::lround(volumePercent * player::kUnityVolume / 100));

  player::OutputFeeder feeder;
  feeder.Start(format);
  player::CaptureOutput capture(player::CaptureOutput::Clock::kInstant);
  capture.Open(feeder.Format(), nullptr);
  std::atomic<int32_t> interrupts{0};
  platform::InterruptGuard guard(interrupts);
  while (capture.Position() < limit && interrupts.load() == 0 && feeder.Pump(slot, capture, volume)) {
  }
  slot.Close();
  if (interrupts.load() != 0) return 130;
  std::vector<uint8_t> pcm = capture.Captured();
  const uint64_t block = feeder.Format().BlockAlign();
  if (limit != UINT64_MAX && pcm.size() / block > limit) pcm.resize(static_cast<size_t>(limit * block));
  if (const uint32_t code = player::WriteWavFile(target, feeder.Format(), pcm); code != 0) {
    PrintError(target, code);
    return 1;
  }
  return 0;
}

}  // namespace tarnq::cli
