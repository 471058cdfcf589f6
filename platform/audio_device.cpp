// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/audio_device.h"

#include <alsa/asoundlib.h>
#include <dlfcn.h>
#include <portaudio.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>

namespace tarnq::platform {
namespace {

// Starting and ending the sound library is not thread-safe; every device does it under this lock.
std::mutex& LibraryMutex() {
  static std::mutex mutex;
  return mutex;
}

void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}
void QuietJack(const char*) {}

// The sound libraries report every device they probe and cannot open on the standard error
// stream (ALSA's card lists, JACK's missing server). The program says in its own words what
// went wrong, so their lines are turned off. JACK is reached only when the sound library
// brought it in.
void SilenceSoundLibraries() {
  static std::once_flag once;
  std::call_once(once, [] {
    snd_lib_error_set_handler(QuietAlsa);
    using SetHandler = void (*)(void (*)(const char*));
    for (const char* name : {"jack_set_error_function", "jack_set_info_function"}) {
      if (void* symbol = ::dlsym(RTLD_DEFAULT, name)) reinterpret_cast<SetHandler>(symbol)(QuietJack);
    }
  });
}

// With nothing asked of the source for this long while running, the device is taken as gone.
constexpr auto kStallLimit = std::chrono::seconds(3);

}  // namespace

struct AudioDevice::Impl {
  PaStream* stream = nullptr;
  AudioSource source;
  std::function<void()> stopped;
  std::atomic<uint64_t>* frames = nullptr;
  size_t blockAlign = 0;
  uint8_t silence = 0;
  bool started = false;
  std::atomic<bool> closing{false};
  std::atomic<bool> ended{false};
  std::atomic<uint64_t> calls{0};
  // Stall watch, on the owner's thread.
  uint64_t lastCalls = 0;
  std::chrono::steady_clock::time_point lastChange;

  static int Callback(const void*, void* output, unsigned long frameCount, const PaStreamCallbackTimeInfo*,
                      PaStreamCallbackFlags, void* user) {
    Impl& d = *static_cast<Impl*>(user);
    d.calls.fetch_add(1, std::memory_order_relaxed);
    auto* out = static_cast<uint8_t*>(output);
    const size_t bytes = frameCount * d.blockAlign;
    size_t got = d.source ? std::min(d.source(std::span(out, bytes)), bytes) : 0;
    got -= got % d.blockAlign;
    d.frames->fetch_add(got / d.blockAlign, std::memory_order_relaxed);
    if (got < bytes) std::memset(out + got, d.silence, bytes - got);
    return paContinue;
  }
  static void Finished(void* user) {
    Impl& d = *static_cast<Impl*>(user);
    if (d.closing.load()) return;
    d.ended.store(true);
    if (d.stopped) d.stopped();
  }
};

AudioDevice::AudioDevice() = default;

AudioDevice::~AudioDevice() { Close(false); }

bool AudioDevice::Open(const AudioFormat& format, AudioSource source, std::function<void()> stopped,
                       std::string& message) {
  Close(false);
  m_frames.store(0);
  if ((format.channels != 1 && format.channels != 2) || (format.bitsPerSample != 8 && format.bitsPerSample != 16) ||
      format.sampleRate == 0) {
    message = "the sound device cannot take this format";
    return false;
  }
  auto impl = std::make_unique<Impl>();
  impl->source = std::move(source);
  impl->stopped = std::move(stopped);
  impl->frames = &m_frames;
  impl->blockAlign = size_t{format.channels} * (format.bitsPerSample / 8u);
  impl->silence = format.bitsPerSample == 8 ? 0x80 : 0;

  std::lock_guard lock(LibraryMutex());
  SilenceSoundLibraries();
  // Each Open starts the library afresh, so that a device plugged in since is found.
  if (const PaError error = Pa_Initialize(); error != paNoError) {
    message = std::string("the sound system cannot start: ") + Pa_GetErrorText(error);
    return false;
  }
  const PaDeviceIndex device = Pa_GetDefaultOutputDevice();
  const PaDeviceInfo* info = device == paNoDevice ? nullptr : Pa_GetDeviceInfo(device);
  if (info == nullptr || info->maxOutputChannels < 1) {
    Pa_Terminate();
    message = "no sound output device";
    return false;
  }
  PaStreamParameters out{};
  out.device = device;
  out.channelCount = format.channels;
  out.sampleFormat = format.bitsPerSample == 8 ? paUInt8 : paInt16;
  // Low latency keeps a seek quick to hear; the player's own 16 buffers carry the music across
  // its pauses, so the device needs no large reserve of its own.
  out.suggestedLatency = std::max(info->defaultLowOutputLatency, 0.04);
  PaError error = Pa_OpenStream(&impl->stream, nullptr, &out, format.sampleRate, paFramesPerBufferUnspecified,
                                paPrimeOutputBuffersUsingStreamCallback, &Impl::Callback, impl.get());
  if (error == paNoError) error = Pa_SetStreamFinishedCallback(impl->stream, &Impl::Finished);
  if (error != paNoError) {
    if (impl->stream != nullptr) Pa_CloseStream(impl->stream);
    Pa_Terminate();
    message = std::string("the sound device cannot be opened for ") + std::to_string(format.sampleRate) + " Hz, " +
              std::to_string(format.channels) + (format.channels == 1 ? " channel, " : " channels, ") +
              std::to_string(format.bitsPerSample) + "-bit: " + Pa_GetErrorText(error);
    return false;
  }
  m_impl = std::move(impl);
  return true;
}

bool AudioDevice::Start() {
  if (m_impl == nullptr) return false;
  if (m_impl->started) return true;
  m_impl->lastCalls = 0;
  m_impl->lastChange = std::chrono::steady_clock::now();
  if (Pa_StartStream(m_impl->stream) != paNoError) {
    m_impl->ended.store(true);
    return false;
  }
  m_impl->started = true;
  return true;
}

void AudioDevice::Close(bool drain) {
  if (m_impl == nullptr) return;
  m_impl->closing.store(true);
  if (m_impl->started) {
    if (drain && !m_impl->ended.load()) {
      Pa_StopStream(m_impl->stream);
    } else {
      Pa_AbortStream(m_impl->stream);
    }
  }
  std::lock_guard lock(LibraryMutex());
  Pa_CloseStream(m_impl->stream);
  Pa_Terminate();
  m_impl.reset();
}

bool AudioDevice::HasFailed() {
  if (m_impl == nullptr) return false;
  if (m_impl->ended.load()) return true;
  if (!m_impl->started) return false;
  if (Pa_IsStreamActive(m_impl->stream) != 1) {
    m_impl->ended.store(true);
    return true;
  }
  const uint64_t calls = m_impl->calls.load(std::memory_order_relaxed);
  const auto now = std::chrono::steady_clock::now();
  if (calls != m_impl->lastCalls) {
    m_impl->lastCalls = calls;
    m_impl->lastChange = now;
  } else if (now - m_impl->lastChange > kStallLimit) {
    m_impl->ended.store(true);
  }
  return m_impl->ended.load();
}

SavedThreadPriority RaiseThreadPriorityForAudio() {
  SavedThreadPriority saved;
  const pthread_t self = ::pthread_self();
  sched_param param{};
  if (::pthread_getschedparam(self, &saved.policy, &param) != 0) return saved;
  saved.priority = param.sched_priority;
  // A middling real-time priority: above every ordinary thread, below the system's own.
  sched_param raised{};
  raised.sched_priority = std::min(::sched_get_priority_min(SCHED_RR) + 9, ::sched_get_priority_max(SCHED_RR));
  if (::pthread_setschedparam(self, SCHED_RR, &raised) == 0) {
    saved.policyChanged = true;
    return saved;
  }
  // Without the right to real-time scheduling, a lower nice value, as far as the limit allows.
  const pid_t thread = ::gettid();
  errno = 0;
  const int niceness = ::getpriority(PRIO_PROCESS, static_cast<id_t>(thread));
  if (errno != 0) return saved;
  saved.niceness = niceness;
  for (int target = std::max(niceness - 10, -20); target < niceness; target += 5) {
    if (::setpriority(PRIO_PROCESS, static_cast<id_t>(thread), target) == 0) {
      saved.nicenessChanged = true;
      break;
    }
  }
  return saved;
}

void RestoreThreadPriority(const SavedThreadPriority& saved) {
  if (saved.policyChanged) {
    sched_param param{};
    param.sched_priority = saved.priority;
    (void)::pthread_setschedparam(::pthread_self(), saved.policy, &param);
  }
  if (saved.nicenessChanged) (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), saved.niceness);
}

}  // namespace tarnq::platform
