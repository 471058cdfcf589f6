// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/terminal.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tarnq::platform {
namespace {

// Puts `replacement` in place of the descriptor `fd` while it lives.
class Redirect {
 public:
  Redirect(int fd, int replacement) : m_fd(fd), m_saved(::dup(fd)) {
    std::fflush(nullptr);
    ::dup2(replacement, fd);
  }
  ~Redirect() {
    std::fflush(nullptr);
    ::dup2(m_saved, m_fd);
    ::close(m_saved);
  }

 private:
  int m_fd;
  int m_saved;
};

TEST(Terminal, TellsWhetherEachStandardStreamIsATerminal) {
  const int primary = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(primary, 0) << "no pseudo-terminal: " << std::strerror(errno);
  ASSERT_EQ(::grantpt(primary), 0);
  ASSERT_EQ(::unlockpt(primary), 0);
  const int terminal = ::open(::ptsname(primary), O_RDWR | O_NOCTTY);
  const int null = ::open("/dev/null", O_RDWR);
  ASSERT_GE(terminal, 0);
  ASSERT_GE(null, 0);
  struct Case {
    int fd;
    bool (*isTerminal)();
  };
  const Case cases[] = {{STDIN_FILENO, &StandardInputIsTerminal},
                        {STDOUT_FILENO, &StandardOutputIsTerminal},
                        {STDERR_FILENO, &StandardErrorIsTerminal}};
  for (const Case& c : cases) {
    bool onTerminal, onNull;
    {
      Redirect to(c.fd, terminal);
      onTerminal = c.isTerminal();
    }
    {
      Redirect to(c.fd, null);
      onNull = c.isTerminal();
    }
    EXPECT_TRUE(onTerminal) << "descriptor " << c.fd;
    EXPECT_FALSE(onNull) << "descriptor " << c.fd;
  }
  ::close(null);
  ::close(terminal);
  ::close(primary);
}

std::atomic<int> g_earlierHandlerCalls{0};

TEST(InterruptGuard, TheExitStatusNamesTheLastSignal) {
  std::atomic<int32_t> counter{0};
  InterruptGuard guard(counter);
  ASSERT_TRUE(guard.Installed());
  ::raise(SIGTERM);
  EXPECT_EQ(InterruptExitStatus(), 143);
  ::raise(SIGINT);
  EXPECT_EQ(InterruptExitStatus(), 130);
  EXPECT_EQ(counter.load(), 2);
}

TEST(InterruptGuard, CountsInterruptsWhileItLivesAndRestoresTheEarlierHandling) {
  // A handler of the test's own stands for what was there before.
  struct sigaction earlier {}, saved[2];
  earlier.sa_handler = [](int) { g_earlierHandlerCalls.fetch_add(1); };
  sigemptyset(&earlier.sa_mask);
  ::sigaction(SIGINT, &earlier, &saved[0]);
  ::sigaction(SIGTERM, &earlier, &saved[1]);

  std::atomic<int32_t> outer{0}, inner{0};
  {
    InterruptGuard guard(outer);
    ASSERT_TRUE(guard.Installed());
    ::raise(SIGINT);
    ::raise(SIGTERM);
    EXPECT_EQ(outer.load(), 2);
    {
      InterruptGuard nested(inner);
      ::raise(SIGINT);
    }
    EXPECT_EQ(inner.load(), 1);
    ::raise(SIGTERM);
    EXPECT_EQ(outer.load(), 3);
  }
  EXPECT_EQ(g_earlierHandlerCalls.load(), 0);
  ::raise(SIGINT);
  ::raise(SIGTERM);
  EXPECT_EQ(g_earlierHandlerCalls.load(), 2);
  EXPECT_EQ(outer.load(), 3);

  ::sigaction(SIGINT, &saved[0], nullptr);
  ::sigaction(SIGTERM, &saved[1], nullptr);
}

}  // namespace
}  // namespace tarnq::platform
