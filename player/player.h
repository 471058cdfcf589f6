// SPDX-License-Identifier: GPL-3.0-or-later
// The player: one file at a time on its own thread, driven by messages, reporting to one owner.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "analysis/tag_record.h"
#include "platform/threads.h"
#include "player/decoder_slot.h"
#include "player/message_queue.h"

namespace tarnq::player {

// The state codes of a kState notification.
enum class PlayState : int { kEnded = 1, kPaused = 2, kPlaying = 3, kStopped = 4 };

// What the owner shows about the file: its properties and tags, and its path.
struct InfoRecord {
  analysis::TagRecord tag;
  std::u16string path;
  // The stream's exact length (0 when the decoder cannot tell), so that an owner can start
  // another file at the same second: Play(seconds × frameRate, lengthFrames).
  uint64_t lengthFrames = 0;
  uint32_t frameRate = 0;
};

// Why the owner hears kStopped.
enum class StopCause : uint8_t {
  kOrdinary,      // Stop, another file loaded, or the end played out
  kRefused,       // another owner holds the player
  kCannotReopen,  // Play could not open the file again (changed or gone since it was loaded)
  kNoDevice,      // the output could not be opened
  kDeviceLost,    // the output stopped playing
};

struct PlayerNotification {
  enum class Kind {
    kState,     // value: a PlayState
    kInfo,      // info: a copy of the info record; seekable
    kPosition,  // value: seconds (0 after the end)
    kSeekBar,   // value: position × scale ÷ length
    kVolume,    // value: the volume 0-255, after the output was opened
  };
  Kind kind = Kind::kState;
  int64_t value = 0;
  bool seekable = false;
  std::shared_ptr<const InfoRecord> info;
  // kState with kStopped: why, and for a person the decoder's or the output's words (English).
  StopCause cause = StopCause::kOrdinary;
  std::string detail;
};

// The one who hears from the player. Notifications are handed to `dispatcher->Post`, so
// `handler` runs on the owner's thread.
struct PlayerOwner {
  platform::UiDispatcher* dispatcher = nullptr;
  std::function<void(const PlayerNotification&)> handler;
};

struct LoadResult {
  uint32_t error = 0;   // 0: loaded
  std::string message;  // why not, for a person
  bool noDecoder = false;  // no decoder is there for files of this kind (not: this file is bad)
};

class Player {
 public:
  // The table's output must outlive the player.
  explicit Player(SlotTable slots);
  ~Player();  // quits and joins the threads; never waits on a stuck owner
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  // Starts the threads (once; the first message starts them too); true when they run.
  bool Start();
  bool IsRunning() const;

  // Loads a file into slot `slot` (-1: the slot chosen by its name). Starts the thread when it
  // is not running. Waits for the thread's answer.
  LoadResult LoadFile(std::u16string_view path, int slot = -1);

  // The owner: a second owner is refused (it hears kStopped) while one is set; null clears it.
  void SetOwner(std::shared_ptr<PlayerOwner> owner);
  void SetSeekScale(int scale);
  void SetVolume(int volume);  // 0-255
  void RequestInfo();
  // numerator / denominator of the length; coalesced: of several queued seeks only the last runs.
  void Seek(int64_t numerator, int64_t denominator);
  // Plays or resumes, with a seek when denominator is not 0.
  void Play(int64_t numerator = 0, int64_t denominator = 0);
  void Stop();
  void Pause();
  void Quit();

 private:
  struct Thread;
  void Post(Message message);
  bool StartLocked();

  std::unique_ptr<Thread> m_thread;
};

// The program's player: the built-in decoders, the input plug-ins of InputPluginFolder() (listed
// when its thread starts) and `output`, which must outlive the player.
std::unique_ptr<Player> MakeProgramPlayer(WaveOutput& output);

}  // namespace tarnq::player
