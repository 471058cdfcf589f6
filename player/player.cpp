// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/player.h"

#include <algorithm>
#include <system_error>

#include "platform/audio_device.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "player/output_feeder.h"
#include "player/plugin_slot.h"
#include "player/wave_output.h"

namespace tarnq::player {

struct LoadAnswer {
  std::mutex mutex;
  std::condition_variable done;
  bool answered = false;
  LoadResult result;

  void Give(LoadResult value) {
    {
      std::lock_guard lock(mutex);
      if (answered) return;
      answered = true;
      result = std::move(value);
    }
    done.notify_all();
  }
};

namespace {

constexpr auto kTickInterval = std::chrono::milliseconds(100);
// While playing, the thread tops up the output at least this often even without the device's
// event (the 16 buffers hold far more than this).
constexpr auto kRefillInterval = std::chrono::milliseconds(100);
constexpr auto kIdleWait = std::chrono::minutes(10);

LoadResult Failure(uint32_t error, std::string message) {
  LoadResult result;
  result.error = error;
  result.message = std::move(message);
  return result;
}

PlayerNotification Note(PlayerNotification::Kind kind, int64_t value, bool seekable = false,
                        std::shared_ptr<const InfoRecord> info = nullptr) {
  PlayerNotification n;
  n.kind = kind;
  n.value = value;
  n.seekable = seekable;
  n.info = std::move(info);
  return n;
}

PlayerNotification Stopped(StopCause cause, std::string detail = {}) {
  PlayerNotification n = Note(PlayerNotification::Kind::kState, static_cast<int64_t>(PlayState::kStopped));
  n.cause = cause;
  n.detail = std::move(detail);
  return n;
}

Message Simple(MessageType type, int64_t a = 0, int64_t b = 0) {
  Message m;
  m.type = type;
  m.a = a;
  m.b = b;
  return m;
}

}  // namespace

struct Player::Thread {
  explicit Thread(SlotTable table) : slots(std::move(table)) {}

  SlotTable slots;
  MessageQueue queue;
  std::thread worker;
  std::thread ticker;

  // Posting stops when the thread ends; a load posted after that is answered at once.
  std::mutex postMutex;
  bool accepting = false;

  // The player thread's own state.
  int current = -1;
  DecoderSlot* active = nullptr;
  // The decoder that delivered its last data while the output still plays the rest: kept open,
  // so that a seek into those last seconds still lands.
  DecoderSlot* finished = nullptr;
  InfoRecord info;
  std::u16string path;
  StreamFormat format;
  OutputFeeder feeder;
  bool playing = false;
  bool started = false;
  bool seekable = false;
  int volume = kDefaultVolume;
  platform::SavedThreadPriority priority;  // raised while the output is open

  // Read by the ticker too.
  std::mutex clockMutex;
  std::condition_variable clockChanged;
  bool quit = false;
  bool tickEnabled = false;
  uint64_t baseFrame = 0;   // the decoder's frame when the clock was last set
  uint64_t outputBase = 0;  // the output's position then
  uint32_t rate = 0;
  uint32_t lengthSeconds = 0;
  uint64_t lengthFrames = 0;  // exact when the decoder knows it; then the end is not a whole second
  int64_t scale = 0;
  int64_t lastPosition = -1;
  int64_t lastSeekBar = -1;

  std::mutex ownerMutex;
  std::shared_ptr<PlayerOwner> owner;

  void Notify(PlayerNotification n) {
    std::shared_ptr<PlayerOwner> target;
    {
      std::lock_guard lock(ownerMutex);
      target = owner;
    }
    NotifyOwner(target, std::move(n));
  }
  static void NotifyOwner(const std::shared_ptr<PlayerOwner>& target, PlayerNotification n) {
    if (target == nullptr || target->dispatcher == nullptr || !target->handler) return;
    target->dispatcher->Post([target, n = std::move(n)] { target->handler(n); });
  }
  void NotifyState(PlayState state) {
    Notify(Note(PlayerNotification::Kind::kState, static_cast<int64_t>(state)));
  }
  void NotifyStopped(StopCause cause, std::string detail) { Notify(Stopped(cause, std::move(detail))); }
  std::string OutputError() const {
    std::string error = slots.output != nullptr ? slots.output->LastError() : std::string();
    return error.empty() ? std::string("no sound output") : error;
  }
  void NotifyInfo() {
    Notify(Note(PlayerNotification::Kind::kInfo, 0, seekable, std::make_shared<const InfoRecord>(info)));
  }

  void SetTicking(bool on) {
    std::lock_guard lock(clockMutex);
    tickEnabled = on;
  }
  // Sets the clock to the decoder's position now; the output's played frames count from here.
  void RestartClock() {
    std::lock_guard lock(clockMutex);
    baseFrame = active != nullptr ? active->Position() : 0;
    outputBase = slots.output != nullptr ? slots.output->Position() : 0;
    rate = format.sampleRate;
    lengthSeconds = format.lengthSeconds;
    lengthFrames = format.lengthFrames;
    lastPosition = -1;
    lastSeekBar = -1;
  }

  void CloseActive() {
    if (active != nullptr) active->Close();
    if (finished != nullptr) finished->Close();
    active = nullptr;
    finished = nullptr;
  }
  void CloseOutput() {
    if (playing && slots.output != nullptr) {
      slots.output->Close();
      platform::RestoreThreadPriority(priority);
      priority = {};
    }
    playing = false;
    SetTicking(false);
  }

  void Run();
  void Handle(Message& m);
  void Load(Message& m);
  void Play(int64_t numerator, int64_t denominator);
  void SeekTo(int64_t numerator, int64_t denominator);
  void Tick();
};

void Player::Thread::Load(Message& m) {
  int slot = static_cast<int>(std::clamp<int64_t>(m.a, -2, kDecoderSlotCount));
  if (slot == -1) {
    slot = slots.ChooseSlot(m.path);
    // A file the slot of its name cannot play is opened there anyway, to learn why.
    if (slot < 0) slot = slots.SlotByName(m.path);
  }
  if (slot < 0 || slot >= kDecoderSlotCount || slots.decoders[slot] == nullptr) {
    LoadResult none = Failure(platform::err::kNotSupported, "no decoder takes this file");
    none.noDecoder = true;
    m.answer->Give(std::move(none));
    return;
  }
  // A new file never plays through an output opened for the old one's format.
  CloseActive();
  if (playing) {
    CloseOutput();
    NotifyState(PlayState::kStopped);
  }
  info = InfoRecord{};
  path = m.path;
  OpenedStream stream;
  std::string error;
  DecoderSlot* decoder = slots.decoders[slot].get();
  if (const uint32_t code = decoder->Open(path, stream, error); code != 0) {
    path.clear();
    m.answer->Give(Failure(code, error));
    return;
  }
  current = slot;
  active = decoder;
  format = stream.format;
  seekable = decoder->CanSeek();
  info.tag = stream.tag;
  info.path = path;
  info.lengthFrames = format.lengthFrames;
  info.frameRate = format.sampleRate;
  RestartClock();
  m.answer->Give({});
}

void Player::Thread::SeekTo(int64_t numerator, int64_t denominator) {
  if (numerator < 0 || denominator <= 0) return;
  active->Seek(static_cast<uint64_t>(numerator), static_cast<uint64_t>(denominator));
  if (slots.output != nullptr) slots.output->Reset();
  RestartClock();
  started = true;
}

void Player::Thread::Play(int64_t numerator, int64_t denominator) {
  {
    std::lock_guard lock(clockMutex);
    lastPosition = -1;
    lastSeekBar = -1;
  }
  // The decoder delivered its last data and the output still plays it: resuming goes on with
  // that (a seek takes the decoder up again); only a stopped file is opened again.
  const bool playingOut = playing && active == nullptr && finished != nullptr;
  if (playingOut && denominator != 0 && seekable) std::swap(active, finished);
  if (active == nullptr && !playingOut && !path.empty() && current >= 0) {
    if (finished != nullptr) {
      finished->Close();
      finished = nullptr;
    }
    OpenedStream stream;
    std::string error;
    if (slots.decoders[current]->Open(path, stream, error) != 0) {
      path.clear();
      NotifyStopped(StopCause::kCannotReopen, std::move(error));
      return;
    }
    active = slots.decoders[current].get();
    format = stream.format;
    RestartClock();
  }
  if (active == nullptr && !playingOut) return;
  if (!playing) {
    feeder.Start(format);
    WaveOutput* output = slots.output;
    MessageQueue* events = &queue;
    if (output == nullptr || !output->Open(feeder.Format(), [events] { events->SignalEvent(); })) {
      // No device: nothing would ever be played, so the file is stopped at once.
      CloseActive();
      NotifyStopped(StopCause::kNoDevice, OutputError());
      return;
    }
    playing = true;
    // Feeding the device must not wait behind ordinary work (best effort).
    priority = platform::RaiseThreadPriorityForAudio();
    RestartClock();
    Notify(Note(PlayerNotification::Kind::kVolume, volume));
    started = true;
  }
  if (denominator != 0 && seekable) {
    SeekTo(numerator, denominator);
    NotifyInfo();
  }
  slots.output->Pause(false);
  NotifyState(PlayState::kPlaying);
  SetTicking(true);
}

void Player::Thread::Handle(Message& m) {
  switch (m.type) {
    case MessageType::kQuit: {
      std::lock_guard lock(clockMutex);
      quit = true;
      tickEnabled = false;
      break;
    }
    case MessageType::kSetOwner: {
      auto candidate = std::static_pointer_cast<PlayerOwner>(m.owner);
      std::shared_ptr<PlayerOwner> refused;
      {
        std::lock_guard lock(ownerMutex);
        if (candidate == nullptr || owner == nullptr || owner == candidate) {
          owner = candidate;
        } else {
          refused = candidate;
        }
      }
      if (refused != nullptr) {
        NotifyOwner(refused, Stopped(StopCause::kRefused));
      }
      break;
    }
    case MessageType::kSeekScale: {
      std::lock_guard lock(clockMutex);
      scale = std::max<int64_t>(m.a, 0);
      break;
    }
    case MessageType::kVolume:
      volume = static_cast<int>(std::clamp<int64_t>(m.a, 0, kUnityVolume));
      break;
    case MessageType::kLoad:
      Load(m);
      break;
    case MessageType::kGetInfo:
      NotifyInfo();
      break;
    case MessageType::kNothing:
      break;
    case MessageType::kSeek:
      // Only the newest of several queued seeks is carried out.
      if (!playing || !seekable || queue.HasQueued(MessageType::kSeek)) break;
      if (active == nullptr && finished != nullptr) {
        // A seek while the last seconds play: the file plays on from there.
        std::swap(active, finished);
        SeekTo(m.a, m.b);
        NotifyState(PlayState::kPlaying);
        SetTicking(true);
        break;
      }
      if (active != nullptr) SeekTo(m.a, m.b);
      break;
    case MessageType::kPlay:
      Play(m.a, m.b);
      break;
    case MessageType::kStop:
      SetTicking(false);
      CloseActive();
      CloseOutput();
      NotifyState(PlayState::kStopped);
      RestartClock();
      break;
    case MessageType::kPause:
      SetTicking(false);
      if (playing) slots.output->Pause(true);
      NotifyState(PlayState::kPaused);
      break;
  }
}

void Player::Thread::Run() {
  if (!slots.pluginFolder.empty()) {
    try {
      AddInputPlugins(slots, slots.pluginFolder);
    } catch (...) {
      // Without memory for them, the built-in decoders still play.
    }
  }
  for (;;) {
    while (auto message = queue.Take()) {
      try {
        Handle(*message);
      } catch (...) {
        // A failed operation (memory) leaves the thread running; a waiting load learns of it.
        if (message->answer) message->answer->Give(Failure(platform::err::kNotEnoughMemory, "out of memory"));
      }
      std::lock_guard lock(clockMutex);
      if (quit) break;
    }
    {
      std::lock_guard lock(clockMutex);
      if (quit) break;
    }
    if (!playing) {
      queue.Wait(kIdleWait);
      continue;
    }
    if (!started) queue.Wait(kRefillInterval);
    started = false;
    try {
      if (!slots.output->IsOpen()) {
        // The device went away: nothing more will be played, so the file is stopped.
        const std::string why = OutputError();
        CloseActive();
        CloseOutput();
        NotifyStopped(StopCause::kDeviceLost, why);
      } else if (active != nullptr) {
        if (!feeder.Pump(*active, *slots.output, volume)) {
          std::swap(active, finished);
          NotifyState(PlayState::kEnded);
        }
      } else if (slots.output->IsDrained()) {
        CloseActive();
        CloseOutput();
        NotifyState(PlayState::kStopped);
      }
    } catch (...) {
      CloseActive();
    }
  }
  CloseActive();
  CloseOutput();
  {
    std::lock_guard lock(postMutex);
    accepting = false;
  }
  for (Message& left : queue.TakeAll()) {
    if (left.answer) left.answer->Give(Failure(platform::err::kCancelled, "the player has stopped"));
  }
}

void Player::Thread::Tick() {
  std::unique_lock lock(clockMutex);
  while (!quit) {
    clockChanged.wait_for(lock, kTickInterval, [&] { return quit; });
    if (quit || !tickEnabled || rate == 0) continue;
    const uint64_t played = slots.output != nullptr ? slots.output->Position() : 0;
    const uint64_t frame = baseFrame + (played > outputBase ? played - outputBase : 0);
    int64_t seconds = static_cast<int64_t>(frame / rate);
    // A file of 1.5 s still plays at 1 s: its end is its last frame where that is known.
    const bool atEnd = lengthFrames > 0 ? frame >= lengthFrames : lengthSeconds > 0 && seconds >= lengthSeconds;
    if (atEnd) {
      tickEnabled = false;
      seconds = 0;
    }
    std::vector<PlayerNotification> out;
    if (seconds != lastPosition) {
      lastPosition = seconds;
      out.push_back(Note(PlayerNotification::Kind::kPosition, seconds));
    }
    if (scale > 0 && (lengthFrames > 0 || lengthSeconds > 0)) {
      const auto bar = static_cast<int64_t>(
          atEnd || lengthFrames == 0
              ? static_cast<double>(scale) * static_cast<double>(seconds) / std::max<uint32_t>(lengthSeconds, 1)
              : static_cast<double>(scale) * static_cast<double>(frame) / static_cast<double>(lengthFrames));
      if (bar != lastSeekBar) {
        lastSeekBar = bar;
        out.push_back(Note(PlayerNotification::Kind::kSeekBar, bar));
      }
    }
    lock.unlock();
    for (auto& n : out) Notify(std::move(n));
    lock.lock();
  }
}

Player::Player(SlotTable slots) : m_thread(std::make_unique<Thread>(std::move(slots))) {}

Player::~Player() {
  Quit();
  {
    std::lock_guard lock(m_thread->clockMutex);
    m_thread->quit = true;
  }
  m_thread->clockChanged.notify_all();
  if (m_thread->worker.joinable()) m_thread->worker.join();
  if (m_thread->ticker.joinable()) m_thread->ticker.join();
}

bool Player::Start() {
  std::lock_guard lock(m_thread->postMutex);
  return StartLocked();
}

bool Player::StartLocked() {
  Thread& t = *m_thread;
  if (t.worker.joinable()) return t.accepting;
  try {
    t.accepting = true;
    t.worker = std::thread([&t] { t.Run(); });
    t.ticker = std::thread([&t] { t.Tick(); });
  } catch (const std::system_error&) {
    // Without a ticker the player still plays; without a worker it cannot.
    if (!t.worker.joinable()) t.accepting = false;
  }
  return t.accepting;
}

bool Player::IsRunning() const {
  std::lock_guard lock(m_thread->postMutex);
  return m_thread->accepting;
}

void Player::Post(Message message) {
  Thread& t = *m_thread;
  std::lock_guard lock(t.postMutex);
  // The first message starts the thread; once it has ended, nothing starts it again.
  if (!t.worker.joinable()) StartLocked();
  if (!t.accepting) {
    if (message.answer) message.answer->Give(Failure(platform::err::kCancelled, "the player is not running"));
    return;
  }
  t.queue.Post(std::move(message));
}

LoadResult Player::LoadFile(std::u16string_view path, int slot) {
  if (!platform::FileExists(path)) return Failure(platform::err::kFileNotFound, platform::ErrorMessage(platform::err::kFileNotFound));
  if (!Start()) return Failure(platform::err::kNotEnoughMemory, "the player thread cannot start");
  auto answer = std::make_shared<LoadAnswer>();
  Message m;
  m.type = MessageType::kLoad;
  m.a = slot;
  m.path = std::u16string(path);
  m.answer = answer;
  Post(std::move(m));
  // The thread answers every load, also when it ends first, so this wait needs no cut-off.
  std::unique_lock lock(answer->mutex);
  answer->done.wait(lock, [&] { return answer->answered; });
  return answer->result;
}

void Player::SetOwner(std::shared_ptr<PlayerOwner> owner) {
  Message m;
  m.type = MessageType::kSetOwner;
  m.owner = std::move(owner);
  Post(std::move(m));
}
void Player::SetSeekScale(int scale) { Post(Simple(MessageType::kSeekScale, scale)); }
void Player::SetVolume(int volume) { Post(Simple(MessageType::kVolume, volume)); }
void Player::RequestInfo() { Post(Simple(MessageType::kGetInfo)); }
void Player::Seek(int64_t numerator, int64_t denominator) { Post(Simple(MessageType::kSeek, numerator, denominator)); }
void Player::Play(int64_t numerator, int64_t denominator) { Post(Simple(MessageType::kPlay, numerator, denominator)); }
void Player::Stop() { Post(Simple(MessageType::kStop)); }
void Player::Pause() { Post(Simple(MessageType::kPause)); }
void Player::Quit() { Post(Simple(MessageType::kQuit)); }

std::unique_ptr<Player> MakeProgramPlayer(WaveOutput& output) {
  SlotTable slots = MakeBuiltInSlots();
  slots.output = &output;
  return std::make_unique<Player>(std::move(slots));
}

}  // namespace tarnq::player
