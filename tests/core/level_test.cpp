#include <gtest/gtest.h>
TEST(Level, Builds) { EXPECT_TRUE(true); }
