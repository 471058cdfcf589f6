// SPDX-License-Identifier: GPL-3.0-or-later
// The records an input plug-in and the player exchange: the plug-in's module (InModule, returned
// by its exported winampGetInModule2) and the output module the player hands it (OutModule).
// Both are packed on 4-byte boundaries, so pointers after an int sit at offsets that are not
// multiples of 8; plug-ins are built against exactly these offsets. Self-contained on purpose:
// a plug-in includes this header and nothing else of ours.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarnq::player {

// A window handle: the native window id, or 0.
using WindowHandle = intptr_t;

inline constexpr int kOutModuleVersion = 0x10;

#pragma pack(push, 4)

struct OutModule {
  int version;
  char* description;
  intptr_t id;
  WindowHandle hMainWindow;
  intptr_t hDllInstance;
  void (*Config)(WindowHandle parent);
  void (*About)(WindowHandle parent);
  void (*Init)();
  void (*Quit)();
  // Returns the latency in ms (>= 0) when the format is taken, -1 when not.
  int (*Open)(int sampleRate, int channels, int bitsPerSample, int bufferMs, int prebufferMs);
  void (*Close)();
  // 0: taken; 1: no room now, the plug-in tries again.
  int (*Write)(char* data, int length);
  int (*CanWrite)();
  int (*IsPlaying)();
  int (*Pause)(int pause);
  void (*SetVolume)(int volume);
  void (*SetPan)(int pan);
  void (*Flush)(int timeMs);
  int (*GetOutputTime)();
  int (*GetWrittenTime)();
};

struct InModule {
  int version;
  char* description;
  WindowHandle hMainWindow;
  intptr_t hDllInstance;
  // Zero-terminated strings one after the other: "ext1;ext2", "description", ... then an empty one.
  char* FileExtensions;
  int is_seekable;
  int UsesOutputPlug;
  void (*Config)(WindowHandle parent);
  void (*About)(WindowHandle parent);
  void (*Init)();
  void (*Quit)();
  // file null: the file playing now. title holds at least kTitleBytes bytes.
  void (*GetFileInfo)(const char* file, char* title, int* lengthMs);
  int (*InfoBox)(const char* file, WindowHandle parent);
  int (*IsOurFile)(const char* file);
  // 0: playing; anything else: the file cannot be played.
  int (*Play)(const char* file);
  void (*Pause)();
  void (*UnPause)();
  int (*IsPaused)();
  void (*Stop)();
  int (*GetLength)();  // ms, -1 when unknown
  int (*GetOutputTime)();
  void (*SetOutputTime)(int timeMs);
  void (*SetVolume)(int volume);
  void (*SetPan)(int pan);
  // Visualisation and DSP: the player offers neither; these answer "nothing active".
  void (*SAVSAInit)(int maxLatencyMs, int sampleRate);
  void (*SAVSADeInit)();
  void (*SAAddPCMData)(void* pcm, int channels, int bitsPerSample, int timestamp);
  int (*SAGetMode)();
  int (*SAAdd)(void* data, int timestamp, int mode);
  void (*VSAAddPCMData)(void* pcm, int channels, int bitsPerSample, int timestamp);
  int (*VSAGetMode)(int* spectrumChannels, int* waveChannels);
  int (*VSAAdd)(void* data, int timestamp);
  void (*VSASetInfo)(int sampleRate, int channels);
  int (*dsp_isactive)();
  int (*dsp_dosamples)(short* samples, int frames, int bitsPerSample, int channels, int sampleRate);
  void (*EQSet)(int on, char bands[10], int preamp);
  void (*SetInfo)(int bitrate, int sampleRate, int stereo, int synched);
  OutModule* outMod;
};

#pragma pack(pop)

// The title buffer GetFileInfo writes into.
inline constexpr size_t kTitleBytes = 2048;

using GetInModuleFunction = InModule* (*)();
inline constexpr const char* kGetInModuleName = "winampGetInModule2";

static_assert(offsetof(InModule, hMainWindow) == 12);
static_assert(offsetof(InModule, hDllInstance) == 20);
static_assert(offsetof(InModule, FileExtensions) == 28);
static_assert(offsetof(InModule, is_seekable) == 36);
static_assert(offsetof(InModule, UsesOutputPlug) == 40);
static_assert(offsetof(InModule, Init) == 60);
static_assert(offsetof(InModule, Quit) == 68);
static_assert(offsetof(InModule, GetFileInfo) == 76);
static_assert(offsetof(InModule, Play) == 100);
static_assert(offsetof(InModule, Stop) == 132);
static_assert(offsetof(InModule, GetLength) == 140);
static_assert(offsetof(InModule, SetOutputTime) == 156);
static_assert(offsetof(InModule, SAVSAInit) == 180);
static_assert(offsetof(InModule, dsp_dosamples) == 260);
static_assert(offsetof(InModule, SetInfo) == 276);
static_assert(offsetof(InModule, outMod) == 284);
static_assert(sizeof(InModule) == 292);

static_assert(offsetof(OutModule, description) == 4);
static_assert(offsetof(OutModule, hMainWindow) == 20);
static_assert(offsetof(OutModule, Open) == 68);
static_assert(offsetof(OutModule, Write) == 84);
static_assert(offsetof(OutModule, CanWrite) == 92);
static_assert(offsetof(OutModule, Flush) == 132);
static_assert(offsetof(OutModule, GetWrittenTime) == 148);
static_assert(sizeof(OutModule) == 156);

}  // namespace tarnq::player
