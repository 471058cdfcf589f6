// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/errors.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace tarnq::platform {
namespace {

TEST(Errors, MapsErrnoToTheProgramsCodes) {
  EXPECT_EQ(ErrorFromErrno(ENOENT), 2u);
  EXPECT_EQ(ErrorFromErrno(ENOENT, true), 3u);
  EXPECT_EQ(ErrorFromErrno(EACCES), 5u);
  EXPECT_EQ(ErrorFromErrno(EPERM), 5u);
  EXPECT_EQ(ErrorFromErrno(EXDEV), 17u);
  EXPECT_EQ(ErrorFromErrno(EEXIST), 183u);
  EXPECT_EQ(ErrorFromErrno(ENOSPC), 112u);
  EXPECT_EQ(ErrorFromErrno(ENAMETOOLONG), 206u);
  EXPECT_EQ(ErrorFromErrno(ENOTEMPTY), 145u);
  EXPECT_EQ(ErrorFromErrno(EROFS), 19u);
}

TEST(Errors, EveryCodeHasAMessage) {
  // Codes an errno stands behind read as the system says it.
  EXPECT_EQ(ErrorMessage(5), "Permission denied");
  EXPECT_EQ(ErrorMessage(2), "No such file or directory");
  EXPECT_EQ(ErrorMessage(3), "No such file or directory");
  EXPECT_EQ(ErrorMessage(206), "File name too long");
  EXPECT_EQ(ErrorMessage(ErrorFromErrno(ENOSPC)), "No space left on device");
  EXPECT_EQ(ErrorMessage(1235), "The request was aborted.");
  EXPECT_EQ(ErrorMessage(4242), "Unknown error 4242.");
  // An errno without a Windows equivalent keeps the system's own text.
  const uint32_t code = ErrorFromErrno(ENOLINK);
  EXPECT_NE(code, 0u);
  EXPECT_NE(ErrorMessage(code).find("ink"), std::string::npos);
}

}  // namespace
}  // namespace tarnq::platform
