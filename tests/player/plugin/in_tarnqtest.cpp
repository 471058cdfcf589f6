// SPDX-License-Identifier: GPL-3.0-or-later
// An input plug-in as a third party writes one, built only for the tests: it plays "*.tone"
// files (see tone.h) by generating their sine on its own thread and handing it to the output
// module, waiting while the output has no room, and seeks by flushing the output.
//
// Misbehaviour on request. For the whole module, the environment variable TARNQ_TEST_PLUGIN:
//   null-module     winampGetInModule2 returns null
//   throw-module    winampGetInModule2 throws
//   no-output-plug  the module does not use the output module
//   no-extensions   the module names no file extensions
//   no-play         the module has no Play
//   throw-init      Init throws
// For one file, its "fault=" line:
//   play-fails      Play answers 1
//   throw-play      Play throws
//   never-open      Play never opens the output (and writes nothing)
//   open-24bit      opens the output for 24-bit samples and writes them anyway
//   huge-write      writes blocks of 256 KiB, larger than the output's ring, without asking
//   straggle        Stop returns at once; the thread writes on for a while (Quit waits for it)
//   no-drain        never asks IsPlaying at the end: it just stops writing
//   throw-info      GetFileInfo throws
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "player/plugin_module.h"
#include "tone.h"

namespace {

using tarnq::player::InModule;
using tarnq::player::kTitleBytes;
using tarnq::testing::Tone;
using namespace std::chrono_literals;

char g_extensions[] = "tone;TNE\0Test tones (*.tone)\0";
char g_noExtensions[] = "\0";
char g_description[] = "Tarnq test tones 1.0";

InModule g_module;
Tone g_tone;
std::string g_path;
std::thread g_thread;
std::atomic<bool> g_kill{false};
std::atomic<int> g_seekMs{-1};

bool ReadTone(const char* path, Tone& tone) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return tarnq::testing::ParseTone(text, tone);
}

void Decode(Tone tone) {
  const int frameBytes = tone.FrameBytes();
  const uint64_t total = tone.Frames();
  const bool huge = tone.fault == "huge-write";
  const uint64_t chunk = huge ? 256 * 1024 / static_cast<uint64_t>(frameBytes) : 576;
  uint64_t position = 0;
  int straggled = 0;
  std::string block;
  for (;;) {
    if (g_kill) {
      if (tone.fault != "straggle" || straggled >= 20) return;
      ++straggled;
      block.assign(static_cast<size_t>(frameBytes) * 64, '\x55');
      g_module.outMod->Write(block.data(), static_cast<int>(block.size()));
      std::this_thread::sleep_for(1ms);
      continue;
    }
    if (const int seek = g_seekMs.exchange(-1); seek >= 0) {
      position = static_cast<uint64_t>(seek) * static_cast<uint64_t>(tone.rate) / 1000;
      g_module.outMod->Flush(seek);
    }
    if (position >= total) {
      if (tone.fault == "no-drain") return;
      if (!g_module.outMod->IsPlaying()) return;
      std::this_thread::sleep_for(10ms);
      continue;
    }
    const uint64_t frames = std::min(chunk, total - position);
    const int bytes = static_cast<int>(frames * static_cast<uint64_t>(frameBytes));
    if (!huge && g_module.outMod->CanWrite() < bytes) {
      std::this_thread::sleep_for(2ms);
      continue;
    }
    block = tarnq::testing::ToneBytes(tone, position, frames);
    if (g_module.outMod->Write(block.data(), bytes) != 0) {
      std::this_thread::sleep_for(2ms);
      continue;
    }
    position += frames;
  }
}

void Join() {
  if (g_thread.joinable()) g_thread.join();
}

void Init() {
  const char* mode = std::getenv("TARNQ_TEST_PLUGIN");
  if (mode != nullptr && std::string(mode) == "throw-init") throw std::runtime_error("cannot start");
}
void Quit() { Join(); }

void GetFileInfo(const char* file, char* title, int* lengthMs) {
  Tone tone;
  if (file == nullptr) {
    tone = g_tone;
  } else if (!ReadTone(file, tone)) {
    title[0] = 0;
    *lengthMs = 0;
    return;
  }
  if (tone.fault == "throw-info") throw std::runtime_error("cannot read");
  const size_t n = std::min(tone.title.size(), kTitleBytes - 1);
  tone.title.copy(title, n);
  title[n] = 0;
  *lengthMs = tone.infoMs != -2 ? tone.infoMs : tone.ms;
}

int Play(const char* file) {
  Join();
  if (!ReadTone(file, g_tone)) return 1;
  g_path = file;
  if (g_tone.fault == "play-fails") return 1;
  if (g_tone.fault == "throw-play") throw std::runtime_error("cannot play");
  if (g_tone.fault == "never-open") return 0;
  const int bits = g_tone.fault == "open-24bit" ? 24 : g_tone.bits;
  g_module.outMod->Open(g_tone.rate, g_tone.channels, bits, -1, -1);
  if (bits == 24) g_tone.bits = 24;
  g_kill = false;
  g_seekMs = -1;
  g_thread = std::thread(Decode, g_tone);
  return 0;
}

void Stop() {
  g_kill = true;
  if (g_tone.fault != "straggle") Join();
  g_module.outMod->Close();
}

int GetLength() { return g_tone.ms; }
int GetOutputTime() { return 0; }
void SetOutputTime(int timeMs) { g_seekMs = timeMs; }
void Nothing() {}
void NothingWith(int) {}
int Zero() { return 0; }

}  // namespace

extern "C" __attribute__((visibility("default"))) InModule* winampGetInModule2() {
  const char* env = std::getenv("TARNQ_TEST_PLUGIN");
  const std::string mode = env != nullptr ? env : "";
  if (mode == "null-module") return nullptr;
  if (mode == "throw-module") throw std::runtime_error("no module");
  g_module = InModule{};
  g_module.version = 0x100;
  g_module.description = g_description;
  g_module.FileExtensions = mode == "no-extensions" ? g_noExtensions : g_extensions;
  g_module.is_seekable = 1;
  g_module.UsesOutputPlug = mode == "no-output-plug" ? 0 : 1;
  g_module.Init = Init;
  g_module.Quit = Quit;
  g_module.GetFileInfo = GetFileInfo;
  g_module.Play = mode == "no-play" ? nullptr : Play;
  g_module.Pause = Nothing;
  g_module.UnPause = Nothing;
  g_module.IsPaused = Zero;
  g_module.Stop = Stop;
  g_module.GetLength = GetLength;
  g_module.GetOutputTime = GetOutputTime;
  g_module.SetOutputTime = SetOutputTime;
  g_module.SetVolume = NothingWith;
  g_module.SetPan = NothingWith;
  return &g_module;
}
