#include <gtest/gtest.h>
#include "platform/text.h"
TEST(Text, Smoke) { EXPECT_EQ(tarnq::platform::Utf8ToUtf16("a"), u"a"); }
