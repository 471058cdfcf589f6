// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/terminal.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "platform/win/win_util.h"

namespace tarnq::platform {
namespace {

std::atomic<std::atomic<int32_t>*> g_counter{nullptr};
std::atomic<int> g_lastStatus{0};

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  std::atomic<int32_t>* counter = g_counter.load();
  if (counter == nullptr) return FALSE;
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT: g_lastStatus.store(130); break;
    default: g_lastStatus.store(143); break;  // the console closes, the user logs off, the system shuts down
  }
  counter->fetch_add(1);
  return TRUE;
}

bool IsConsole(DWORD which) {
  HANDLE h = GetStdHandle(which);
  DWORD mode = 0;
  return h != nullptr && h != INVALID_HANDLE_VALUE && GetFileType(h) == FILE_TYPE_CHAR && GetConsoleMode(h, &mode);
}

}  // namespace

int InterruptExitStatus() { return g_lastStatus.load(); }

// Windows has no broken-pipe signal: a write to a closed pipe fails with an error.
void IgnoreBrokenPipe() {}

void UseUtf8Output() {
  SetConsoleOutputCP(CP_UTF8);
  std::fflush(stdout);
  std::fflush(stderr);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

bool StandardInputIsTerminal() { return IsConsole(STD_INPUT_HANDLE); }
bool StandardOutputIsTerminal() { return IsConsole(STD_OUTPUT_HANDLE); }
bool StandardErrorIsTerminal() { return IsConsole(STD_ERROR_HANDLE); }

struct InterruptGuard::Previous {};

InterruptGuard::InterruptGuard(std::atomic<int32_t>& counter) {
  // The console keeps a stack of handlers: the newest is asked first.
  m_previousCounter = g_counter.exchange(&counter);
  m_installed = SetConsoleCtrlHandler(&OnConsoleEvent, TRUE) != 0;
  if (!m_installed) g_counter.store(m_previousCounter);
}

InterruptGuard::~InterruptGuard() {
  if (!m_installed) return;
  SetConsoleCtrlHandler(&OnConsoleEvent, FALSE);
  g_counter.store(m_previousCounter);
}

}  // namespace tarnq::platform
