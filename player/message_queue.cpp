// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/message_queue.h"

#include <algorithm>
#include <utility>

namespace tarnq::player {

void MessageQueue::Post(Message message) {
  {
    std::lock_guard lock(m_mutex);
    m_messages.push_back(std::move(message));
  }
  m_changed.notify_all();
}

std::optional<Message> MessageQueue::Take() {
  std::lock_guard lock(m_mutex);
  if (m_messages.empty()) return std::nullopt;
  Message message = std::move(m_messages.front());
  m_messages.pop_front();
  return message;
}

bool MessageQueue::HasQueued(MessageType type) const {
  std::lock_guard lock(m_mutex);
  return std::any_of(m_messages.begin(), m_messages.end(), [&](const Message& m) { return m.type == type; });
}

void MessageQueue::SignalEvent() {
  {
    std::lock_guard lock(m_mutex);
    m_event = true;
  }
  m_changed.notify_all();
}

MessageQueue::Woken MessageQueue::Wait(std::chrono::milliseconds limit) {
  std::unique_lock lock(m_mutex);
  m_changed.wait_for(lock, limit, [&] { return !m_messages.empty() || m_event; });
  if (!m_messages.empty()) return Woken::kMessage;
  if (m_event) {
    m_event = false;
    return Woken::kEvent;
  }
  return Woken::kTimeout;
}

std::deque<Message> MessageQueue::TakeAll() {
  std::lock_guard lock(m_mutex);
  return std::exchange(m_messages, {});
}

}  // namespace tarnq::player
