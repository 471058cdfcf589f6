// SPDX-License-Identifier: GPL-3.0-or-later
// The player thread's message queue: messages posted from any thread, and the output's event.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace tarnq::player {

enum class MessageType : uint8_t {
  kQuit,
  kSetOwner,
  kSeekScale,
  kVolume,
  kLoad,
  kGetInfo,
  kNothing,
  kSeek,
  kPlay,
  kStop,
  kPause,
};

struct LoadAnswer;  // the waiting caller's side of a load

struct Message {
  MessageType type = MessageType::kNothing;
  int64_t a = 0;  // slot, numerator, volume, scale
  int64_t b = 0;  // denominator
  std::u16string path;  // a copy: the caller may go away before the thread reads it
  std::shared_ptr<LoadAnswer> answer;
  std::shared_ptr<void> owner;
};

class MessageQueue {
 public:
  void Post(Message message);
  // Takes the oldest message, if any.
  std::optional<Message> Take();
  bool HasQueued(MessageType type) const;
  // Sets the event (the output finished a buffer) and wakes a waiting thread.
  void SignalEvent();
  enum class Woken { kMessage, kEvent, kTimeout };
  // Waits until a message is queued or the event is set (which clears it), at most `limit`.
  Woken Wait(std::chrono::milliseconds limit);
  // Removes every queued message (at the thread's end).
  std::deque<Message> TakeAll();

 private:
  mutable std::mutex m_mutex;
  std::condition_variable m_changed;
  std::deque<Message> m_messages;
  bool m_event = false;
};

}  // namespace tarnq::player
