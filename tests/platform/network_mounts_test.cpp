// SPDX-License-Identifier: GPL-3.0-or-later
// What the connect dialog may hand to the desktop as a network location.
#include "platform/network_mounts.h"

#include <gtest/gtest.h>

namespace tarnq::platform {
namespace {

TEST(NetworkMounts, LocationUriNeedsSchemeAndPlace) {
  const struct {
    const char* uri;
    bool accepted;
  } cases[] = {
      {"smb://server/share", true},
      {"sftp://user@host:22/home", true},
      {"dav+sd://printer.local/", true},
      {"server/share", false},        // no scheme
      {"://server", false},           // empty scheme
      {"1smb://server", false},       // scheme must begin with a letter
      {"sm b://server", false},       // space in the scheme
      {"smb://", false},              // nothing after the scheme
      {"smb://server/a\nb", false},   // a line break
  };
  for (const auto& c : cases) EXPECT_EQ(LooksLikeLocationUri(c.uri), c.accepted) << c.uri;
}

}  // namespace
}  // namespace tarnq::platform
