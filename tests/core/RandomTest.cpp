#include <gtest/gtest.h>

#include "core/Random.h"

TEST(Random, FollowsTheFifteenBitSequenceFromStateOne)
{
    Orva::srand(1);
    EXPECT_EQ(Orva::rand(), 41);
    EXPECT_EQ(Orva::rand(), 18467);
    EXPECT_EQ(Orva::rand(), 6334);
}

TEST(Random, StaysWithinFifteenBits)
{
    Orva::srand(0xDEADBEEF);
    for (int i = 0; i < 100000; ++i) {
        const int r = Orva::rand();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, Orva::RANDOM_MAX);
    }
}
