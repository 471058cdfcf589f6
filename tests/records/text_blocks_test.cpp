// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/text_blocks.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace tarnq::records {
namespace {

// Many blocks in and out, in an order that makes removals shift collision chains: every block the
// set still owns is found, every other is not, and (under AddressSanitizer) none leaks or is freed
// twice.
TEST(TextBlockSet, OwnsWhatItWasGivenUntilFreedOrDisowned) {
  TextBlockSet set;
  std::vector<char*> blocks;
  for (int i = 0; i < 3000; ++i) {
    blocks.push_back(static_cast<char*>(std::malloc(8)));
    ASSERT_TRUE(set.Adopt(blocks.back()));
  }
  EXPECT_TRUE(set.Adopt(blocks[0]));  // twice is once
  EXPECT_TRUE(set.Adopt(nullptr));
  EXPECT_EQ(set.Size(), 3000u);
  std::vector<char*> disowned;
  for (size_t i = 0; i < blocks.size(); ++i) {
    if (i % 3 == 0) {
      EXPECT_TRUE(set.Free(blocks[i]));
    }
    if (i % 3 == 1) {
      EXPECT_TRUE(set.Disown(blocks[i]));
      disowned.push_back(blocks[i]);
    }
  }
  for (size_t i = 0; i < blocks.size(); ++i) {
    if (i % 3 == 2) {
      EXPECT_TRUE(set.Owns(blocks[i])) << i;
    }
    if (i % 3 == 1) {
      EXPECT_FALSE(set.Owns(blocks[i])) << i;
    }
  }
  EXPECT_EQ(set.Size(), 1000u);
  EXPECT_FALSE(set.Free(disowned[0]));  // not the set's any more
  for (char* block : disowned) std::free(block);
  set.Clear();
  EXPECT_EQ(set.Size(), 0u);
}

}  // namespace
}  // namespace tarnq::records
