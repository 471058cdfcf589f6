// SPDX-License-Identifier: GPL-3.0-or-later
// tarnq-cli play: a file on the default sound device through the player, or rendered through the
// same decoder slots and output path into a WAV file.
#include <atomic>
#include <charconv>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/terminal.h"
#include "platform/threads.h"
#include "player/device_output.h"
#include "player/output_feeder.h"
#include "player/player.h"
#include "player/wav_file_output.h"
#include "player/plugin_slot.h"

namespace tarnq::cli {
namespace {

constexpr const char* kUsage =
    "Usage: tarnq-cli play FILE [--start SEC] [--seconds N] [--volume PCT] [--output FILE.wav]\n";

void PrintHelp() {
  std::fputs(kUsage, stdout);
  std::fputs("\n"
             "Plays FILE on the default sound device, showing the position on standard error\n"
             "when that is a terminal. With --output, writes what the sound device would get into\n"
             "FILE.wav instead (16-bit PCM at the stream's rate; more than two channels are mixed\n"
             "down to two), as fast as it decodes.\n"
             "Files: MP3/MP2/MP1, Ogg Vorbis, FLAC, WMA, M4A/M4V (AAC, ALAC), WAV (PCM and float),\n"
             "and the files of the input plug-ins (in_*.so) in the program's folder (installed:\n"
             "its lib/twinsong folder), or in the folder that TARNQ_INPUT_PLUGINS names.\n"
             "\n"
             "Options:\n"
             "  --start SEC    begin SEC seconds into the file (decimals allowed)\n"
             "  --seconds N    play or render at most N seconds (decimals allowed)\n"
             "  --volume PCT   0-100, where 100 is unity gain (the default)\n"
             "  --output FILE  the WAV file to write (replaced when it exists)\n"
             "\n"
             "Exit status: 0 played; 1 the file cannot be opened or decoded, there is no sound\n"
             "device, or the output cannot be written; 2 usage error; 130 after Ctrl-C (which\n"
             "stops playing; with --output nothing is written).\n",
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

// Renders the opened slot into `target` through the player's feeder, as fast as it decodes,
// streaming into the file: the file takes its place only when complete.
int Render(const std::u16string& path, player::DecoderSlot& slot, const player::StreamFormat& format, uint64_t limit,
           int volume, const std::u16string& target) {
  player::OutputFeeder feeder;
  feeder.Start(format);
  player::WavFileOutput file(target, limit);
  if (!file.Open(feeder.Format(), nullptr)) {
    slot.Close();
    if (file.Error() == platform::err::kNotSupported) {
      std::fprintf(stderr, "tarnq-cli: %s: the stream's format cannot be written\n", ToTerminal(path).c_str());
    } else {
      PrintError(target, file.Error());
    }
    return 1;
  }
  std::atomic<int32_t> interrupts{0};
  platform::InterruptGuard guard(interrupts);
  while (file.Position() < limit && file.Error() == 0 && interrupts.load() == 0 && feeder.Pump(slot, file, volume)) {
  }
  slot.Close();
  if (interrupts.load() != 0) return 130;  // the unfinished file is removed, an old one kept
  if (const uint32_t code = file.Finish(); code != 0) {
    PrintError(target, code);
    return 1;
  }
  return 0;
}

std::string Clock(int64_t seconds) {
  char text[32];
  if (seconds >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
  }
  return text;
}

// What the player has told the command line so far.
struct Heard {
  std::mutex mutex;
  std::condition_variable changed;
  bool playing = false;  // it has started
  bool ended = false;    // the decoder delivered its last data
  bool stopped = false;
  int64_t position = -1;
};

// Plays the file on the default device through the player thread until its end, `limit` frames,
// Ctrl-C or a failure of the device.
int PlayOnDevice(const std::u16string& path, int slot, const player::StreamFormat& format, uint64_t startFrame,
                 uint64_t limit, int volume) {
  Heard heard;
  platform::DirectDispatcher dispatcher;
  auto owner = std::make_shared<player::PlayerOwner>();
  owner->dispatcher = &dispatcher;
  owner->handler = [&heard](const player::PlayerNotification& n) {
    {
      std::lock_guard lock(heard.mutex);
      if (n.kind == player::PlayerNotification::Kind::kPosition) heard.position = n.value;
      if (n.kind != player::PlayerNotification::Kind::kState) return;
      switch (static_cast<player::PlayState>(n.value)) {
        case player::PlayState::kPlaying: heard.playing = true; break;
        case player::PlayState::kEnded: heard.ended = true; break;
        case player::PlayState::kStopped: heard.stopped = true; break;
        case player::PlayState::kPaused: break;
      }
    }
    heard.changed.notify_all();
  };
  player::DeviceOutput device;
  const std::unique_ptr<player::Player> made = player::MakeProgramPlayer(device);
  player::Player& player = *made;
  player.SetOwner(owner);
  player.SetVolume(volume);
  if (const player::LoadResult loaded = player.LoadFile(path, slot); loaded.error != 0) {
    std::fprintf(stderr, "tarnq-cli: %s: %s\n", ToTerminal(path).c_str(), loaded.message.c_str());
    return 1;
  }
  std::atomic<int32_t> interrupts{0};
  platform::InterruptGuard guard(interrupts);
  if (startFrame > 0) {
    player.Play(static_cast<int64_t>(startFrame), static_cast<int64_t>(format.lengthFrames));
  } else {
    player.Play();
  }
  const bool showPosition = platform::StandardErrorIsTerminal();
  const std::string length = Clock(format.lengthSeconds);
  int64_t shown = -1;
  int status = 0;
  std::unique_lock lock(heard.mutex);
  for (;;) {
    heard.changed.wait_for(lock, std::chrono::milliseconds(50));
    if (interrupts.load() != 0) {
      status = 130;
      break;
    }
    if (heard.stopped) {
      // Stopped without an end, or the device failed before it had played the end.
      const std::string reason = device.LastError();
      if (!heard.ended || !reason.empty()) {
        // Never started: the device could not be opened; started: it went away while playing.
        const char* newline = shown < 0 ? "" : "\n";
        if (!heard.playing && reason == "no sound output device") {
          std::fprintf(stderr, "%starnq-cli: no sound output device\n", newline);
        } else {
          std::fprintf(stderr, "%starnq-cli: %s: %s\n", newline, ToTerminal(path).c_str(),
                       reason.empty() ? "playing stopped" : reason.c_str());
        }
        return 1;
      }
      break;
    }
    if (device.Position() >= limit) break;
    if (showPosition && heard.playing && heard.position >= 0 && heard.position != shown &&
        !(heard.ended && heard.position == 0)) {  // the ticker says 0 once the end is reached
      shown = heard.position;
      std::fprintf(stderr, "\r  %s / %s", Clock(shown).c_str(), length.c_str());
      std::fflush(stderr);
    }
  }
  lock.unlock();
  player.Stop();
  if (shown >= 0) std::fputc('\n', stderr);
  return status;
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

  const std::u16string path = AbsolutePath(file);
  player::SlotTable slots = player::MakeBuiltInSlots();
  player::AddInputPlugins(slots, slots.pluginFolder);
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
  if (!output.empty()) return Render(path, slot, format, limit, volume, AbsolutePath(output));
  slot.Close();
  return PlayOnDevice(path, index, format, startFrame, limit, volume);
}

}  // namespace tarnq::cli
