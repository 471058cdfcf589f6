// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mounts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnq::platform {
namespace {

using Paths = std::vector<std::u16string>;

TEST(Mounts, PicksTheFileSystemsAUserWouldSearch) {
  const std::string table =
      "sysfs /sys sysfs rw,nosuid 0 0\n"
      "/dev/sda1 / ext4 rw,relatime 0 0\n"
      "tmpfs /run tmpfs rw 0 0\n"
      "/dev/sda2 /home ext4 rw 0 0\n"
      "/dev/sdb1 /media/My\\040Disk vfat rw 0 0\n"
      "/dev/sdc1 /mnt/back\\134slash\\011tab ext4 rw 0 0\n"
      "/dev/sdd1 /mnt/caf\xC3\xA9 ext4 rw 0 0\n"
      "/dev/sde1 /mnt/raw\\377 ext4 rw 0 0\n"
      "/dev/sdf1 /mnt/odd\\9x ext4 rw 0 0\n"
      "/dev/sdg1 /mnt/deep/er ext4 rw 0 0\n"
      "/dev/sdh1 /run/media/anna/Stick exfat rw 0 0\n"
      "/dev/sdi1 /run/media/bob/Other exfat rw 0 0\n"
      "/dev/sdj1 /media/My\\040Disk ext4 rw 0 0\n"
      "/dev/sdk1 /media/ ext4 rw 0 0\n"
      "broken-line-without-fields\n"
      "/dev/sdl1 /mnt/last ext4 rw 0 0";
  const Paths expected = {u"/",
                          u"/home",
                          u"/media/My Disk",
                          u"/mnt/back\\slash\ttab",
                          u"/mnt/caf\u00E9",
                          u"/mnt/raw\xDCFF",  // a byte that is not UTF-8 keeps its identity
                          u"/mnt/odd\\9x",
                          u"/run/media/anna/Stick",
                          u"/mnt/last"};
  EXPECT_EQ(MountPointsFromTable(table, u"anna"), expected);

  // Without a user name no "/run/media" folder is taken.
  EXPECT_EQ(MountPointsFromTable("/dev/sdh1 /run/media//Stick exfat rw 0 0\n", u""), Paths{u"/"});
  EXPECT_EQ(MountPointsFromTable("", u"anna"), Paths{u"/"});
}

TEST(Mounts, TheSystemTableBeginsWithTheRoot) {
  const Paths mounts = MountedFileSystems();
  ASSERT_FALSE(mounts.empty());
  EXPECT_EQ(mounts.front(), u"/");
}

}  // namespace
}  // namespace tarnq::platform
