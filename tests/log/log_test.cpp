#include <gtest/gtest.h>
#include "base/log.h"
TEST(Log, Smoke) { EXPECT_EQ(1, 1); }
