// SPDX-License-Identifier: GPL-3.0-or-later
// The process's terminal: whether the standard streams are one, and Ctrl+C.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace tarnq::platform {

// True when standard input is a terminal (a person can answer a question there).
bool StandardInputIsTerminal();
// True when standard output / standard error is a terminal (progress may be drawn there).
bool StandardOutputIsTerminal();
bool StandardErrorIsTerminal();

// While it lives, an interrupt from the terminal (Ctrl+C) or a request to terminate adds 1 to
// `counter` instead of ending the process, whichever thread receives it; destruction restores the
// handling that was there before. Guards nest: the newest one counts, and they must end in the
// reverse order of their construction. Interrupted system calls are restarted.
class InterruptGuard {
 public:
  explicit InterruptGuard(std::atomic<int32_t>& counter);
  ~InterruptGuard();
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;

  // False when the handlers could not be installed (then nothing is counted).
  bool Installed() const { return m_installed; }

 private:
  struct Previous;
  std::unique_ptr<Previous> m_previous;
  std::atomic<int32_t>* m_previousCounter = nullptr;
  bool m_installed = false;
};

// The exit status that tells the shell how an interrupt ended the process: 130 after Ctrl+C,
// 143 after a request to terminate (the last one an InterruptGuard counted), 0 when none came.
int InterruptExitStatus();

// The standard streams carry what the program writes, UTF-8, byte for byte: on Windows the
// console shows it as UTF-8 and no "\r" is added before "\n". Nothing to do on Linux.
void UseUtf8Output();

// Writing to a closed pipe gives an error (EPIPE) instead of ending the process, so the program
// can stop in order and say so by its exit status.
void IgnoreBrokenPipe();

}  // namespace tarnq::platform
