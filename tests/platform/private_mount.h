// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>
#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

namespace tarnq::testing {

// A tmpfs that only one test sees, for a full disk, a read-only file system or a move across file
// systems, as root or as an ordinary user. `body` runs in a child process that has entered a user
// and mount namespace of its own (its user is root there, mapped to the caller's) with the tmpfs
// mounted over `folder`; the host's mounts are never touched and the mount ends with the child.
// The body uses the usual assertions: the child prints its failures, and the test fails with it.
class PrivateTmpfs {
 public:
  template <class Body>
  static void Run(const std::filesystem::path& folder, const std::string& options, Body body) {
#if defined(__SANITIZE_THREAD__)
    // ThreadSanitizer's runtime starts a thread of its own in the forked child, and a process with
    // threads cannot enter a new user namespace. ctest lists the test as skipped in that build.
    GTEST_SKIP() << "a private mount needs a single-threaded child, which ThreadSanitizer does not give";
#endif
    const std::string uidMap = "0 " + std::to_string(::getuid()) + " 1";
    const std::string gidMap = "0 " + std::to_string(::getgid()) + " 1";
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0) << "fork: " << std::strerror(errno);
    if (child == 0) {
      int status = kNoNamespace;
      if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0) {
        WriteFile("/proc/self/uid_map", uidMap);
        WriteFile("/proc/self/setgroups", "deny");
        WriteFile("/proc/self/gid_map", gidMap);
        status = kNoMount;
        if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0) {
          s_folder = folder;
          s_options = options;
          body();
          status = ::testing::Test::HasFailure() ? kFailed : 0;
        }
      }
      if (status == kNoNamespace || status == kNoMount) std::fprintf(stderr, "%s\n", std::strerror(errno));
      std::fflush(stdout);
      std::fflush(stderr);
      ::_exit(status);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child ended by signal " << WTERMSIG(status);
    switch (WEXITSTATUS(status)) {
      case 0: break;
      case kNoNamespace: FAIL() << "cannot enter a user and mount namespace of our own (unshare)"; break;
      case kNoMount: FAIL() << "cannot mount a tmpfs in our own namespace"; break;
      default: FAIL() << "the checks in the private mount failed (printed above)"; break;
    }
  }

  // From inside the body: remounts the tmpfs read-only or writable again; 0 or the errno.
  static int SetReadOnly(bool readOnly) {
    const unsigned long flags = MS_REMOUNT | (readOnly ? MS_RDONLY : 0);
    return ::mount("tmpfs", s_folder.c_str(), "tmpfs", flags, s_options.c_str()) == 0 ? 0 : errno;
  }

 private:
  static constexpr int kFailed = 1;
  static constexpr int kNoNamespace = 90;
  static constexpr int kNoMount = 91;

  static void WriteFile(const char* path, const std::string& text) {
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return;
    [[maybe_unused]] const ssize_t written = ::write(fd, text.data(), text.size());
    ::close(fd);
  }

  static inline std::filesystem::path s_folder;
  static inline std::string s_options;
};

}  // namespace tarnq::testing
