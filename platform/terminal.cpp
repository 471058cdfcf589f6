// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/terminal.h"

#include <signal.h>
#include <unistd.h>

#include <iterator>

namespace tarnq::platform {
namespace {

// The handler touches nothing but these lock-free atomics, which is safe in a signal handler.
static_assert(std::atomic<int32_t>::is_always_lock_free);
static_assert(std::atomic<std::atomic<int32_t>*>::is_always_lock_free);
std::atomic<std::atomic<int32_t>*> g_counter{nullptr};

constexpr int kSignals[] = {SIGINT, SIGTERM};

std::atomic<int> g_lastSignal{0};

extern "C" void OnInterrupt(int signal) {
  if (std::atomic<int32_t>* counter = g_counter.load()) {
    g_lastSignal.store(signal);
    counter->fetch_add(1);
  }
}

}  // namespace

int InterruptExitStatus() {
  const int signal = g_lastSignal.load();
  return signal == 0 ? 0 : 128 + signal;
}

void UseUtf8Output() {}

void IgnoreBrokenPipe() { ::signal(SIGPIPE, SIG_IGN); }

bool StandardInputIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }
bool StandardOutputIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }
bool StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

struct InterruptGuard::Previous {
  struct sigaction actions[std::size(kSignals)];
};

InterruptGuard::InterruptGuard(std::atomic<int32_t>& counter) : m_previous(std::make_unique<Previous>()) {
  // The counter is published before the handlers can run.
  m_previousCounter = g_counter.exchange(&counter);
  struct sigaction action {};
  action.sa_handler = &OnInterrupt;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (int signal : kSignals) sigaddset(&action.sa_mask, signal);
  size_t done = 0;
  while (done < std::size(kSignals) && ::sigaction(kSignals[done], &action, &m_previous->actions[done]) == 0)
    ++done;
  m_installed = done == std::size(kSignals);
  if (!m_installed) {
    while (done > 0) {
      --done;
      ::sigaction(kSignals[done], &m_previous->actions[done], nullptr);
    }
    g_counter.store(m_previousCounter);
  }
}

InterruptGuard::~InterruptGuard() {
  if (!m_installed) return;
  for (size_t i = std::size(kSignals); i > 0; --i)
    ::sigaction(kSignals[i - 1], &m_previous->actions[i - 1], nullptr);
  g_counter.store(m_previousCounter);
}

}  // namespace tarnq::platform
