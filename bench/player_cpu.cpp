// SPDX-License-Identifier: GPL-3.0-or-later
// What playing costs: a generated 30-s 44.1 kHz stereo WAV plays through the player thread into a
// capture output paced by the real-time clock (a device without a device's own cost). Reports
// the process's CPU time over the wall time, as a share of one core, and how long after a seek
// the output gets the first frame from the new place.
//
//   player_cpu [SECONDS] [SEEKS]
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/text.h"
#include "platform/threads.h"
#include "player/capture_output.h"
#include "player/player.h"

namespace {

using namespace tarnq;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kRate = 44100;

void PutLe(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// Every frame carries its own number: the left sample the low 16 bits, the right the high ones.
std::string CountingWav(uint32_t frames) {
  std::string out = "RIFF";
  PutLe(out, 36 + frames * 4, 4);
  out += "WAVEfmt ";
  PutLe(out, 16, 4);
  PutLe(out, 1, 2);
  PutLe(out, 2, 2);
  PutLe(out, kRate, 4);
  PutLe(out, kRate * 4, 4);
  PutLe(out, 4, 2);
  PutLe(out, 16, 2);
  out += "data";
  PutLe(out, frames * 4, 4);
  out.reserve(out.size() + size_t{frames} * 4);
  for (uint32_t i = 0; i < frames; ++i) PutLe(out, i, 4);
  return out;
}

uint32_t FrameAt(const std::vector<uint8_t>& pcm, size_t frame) {
  const uint8_t* p = pcm.data() + frame * 4;
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

struct States {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<player::PlayState> heard;

  std::shared_ptr<player::PlayerOwner> Owner(platform::UiDispatcher& dispatcher) {
    auto owner = std::make_shared<player::PlayerOwner>();
    owner->dispatcher = &dispatcher;
    owner->handler = [this](const player::PlayerNotification& n) {
      if (n.kind != player::PlayerNotification::Kind::kState) return;
      {
        std::lock_guard lock(mutex);
        heard.push_back(static_cast<player::PlayState>(n.value));
      }
      changed.notify_all();
    };
    return owner;
  }
  bool WaitFor(player::PlayState state, std::chrono::seconds limit) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, limit, [&] { return std::count(heard.begin(), heard.end(), state) > 0; });
  }
};

// A player on a real-time capture output, at unity volume, with the file loaded.
struct Session {
  player::CaptureOutput output{player::CaptureOutput::Clock::kRealTime};
  platform::DirectDispatcher dispatcher;
  States states;
  std::unique_ptr<player::Player> player;

  bool Load(const std::u16string& path) {
    player::SlotTable slots = player::MakeBuiltInSlots();
    slots.output = &output;
    player = std::make_unique<player::Player>(std::move(slots));
    player->SetOwner(states.Owner(dispatcher));
    player->SetVolume(player::kUnityVolume);
    return player->LoadFile(path).error == 0;
  }
};

}  // namespace

int main(int argc, char** argv) {
  const uint32_t seconds = argc > 1 ? static_cast<uint32_t>(std::atoi(argv[1])) : 30;
  const int seeks = argc > 2 ? std::atoi(argv[2]) : 20;
  const uint32_t frames = seconds * kRate;
  const auto folder = std::filesystem::temp_directory_path() / ("tarnq-player-cpu-" + std::to_string(::clock()));
  std::filesystem::create_directories(folder);
  const auto file = folder / "counting.wav";
  std::ofstream(file, std::ios::binary) << CountingWav(frames);
  const std::u16string path = platform::Utf8ToUtf16(file.string());

  // 1. Play the whole file in real time.
  double cpuShare = 0;
  {
    Session session;
    if (!session.Load(path)) {
      std::fprintf(stderr, "player_cpu: cannot load %s\n", file.c_str());
      return 1;
    }
    const std::clock_t cpu0 = std::clock();
    const auto wall0 = Clock::now();
    session.player->Play();
    if (!session.states.WaitFor(player::PlayState::kStopped, std::chrono::seconds(seconds + 30))) {
      std::fprintf(stderr, "player_cpu: the file did not play to its end\n");
      return 1;
    }
    const double cpu = static_cast<double>(std::clock() - cpu0) / CLOCKS_PER_SEC;
    const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
    cpuShare = 100.0 * cpu / wall;
    const bool whole = session.output.Captured().size() == size_t{frames} * 4;
    std::printf("played %u s of 44.1 kHz stereo in %.2f s wall, %.3f s CPU: %.2f %% of one core%s\n", seconds,
                wall, cpu, cpuShare, whole ? "" : " (INCOMPLETE)");
  }

  // 2. Seeks while playing: from the Seek call to the first frame of the new place in the output.
  std::vector<double> latencies;
  {
    Session session;
    if (!session.Load(path)) return 1;
    session.player->Play();
    session.states.WaitFor(player::PlayState::kPlaying, std::chrono::seconds(5));
    for (int i = 0; i < seeks; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(150 + 37 * (i % 5)));
      // Places at least 5 s before the end: a decoder that has delivered its last data (16 buffers
      // hold 3 s) takes no more seeks.
      const uint32_t places = std::max<uint32_t>((frames - std::min(frames, 5 * kRate)) / 4096, 1);
      const uint32_t target = (static_cast<uint32_t>(i * 7919) % places) * 4096;
      session.output.Clear();
      const auto t0 = Clock::now();
      session.player->Seek(target, frames);
      size_t seen = 0;
      bool found = false;
      while (!found && Clock::now() - t0 < std::chrono::seconds(5)) {
        session.output.WaitForCaptured(seen * 4 + 4, std::chrono::milliseconds(1));
        const std::vector<uint8_t> pcm = session.output.Captured();
        for (; !found && seen < pcm.size() / 4; ++seen) found = FrameAt(pcm, seen) == target;
      }
      if (!found) {
        const std::vector<uint8_t> pcm = session.output.Captured();
        std::fprintf(stderr, "player_cpu: seek %d to frame %u never arrived (%zu frames, first %u)\n", i, target,
                     pcm.size() / 4, pcm.empty() ? 0 : FrameAt(pcm, 0));
        return 1;
      }
      latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    session.player->Stop();
  }
  std::sort(latencies.begin(), latencies.end());
  if (!latencies.empty()) {
    std::printf("seek to first new frame (%zu seeks): median %.1f ms, max %.1f ms\n", latencies.size(),
                latencies[latencies.size() / 2], latencies.back());
  }
  std::filesystem::remove_all(folder);
  return 0;
}
