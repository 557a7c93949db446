#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "graphics/Layer.h"

using Orva::Graphics::drawsBefore;
using Orva::Graphics::SpriteSortKey;

namespace {

SpriteSortKey at(float z)
{
    return {z, false, false, 0};
}
SpriteSortKey textured(float z, unsigned id)
{
    return {z, true, true, id};
}
SpriteSortKey untextured(float z)
{
    return {z, true, false, 0};
}

} // namespace

TEST(DrawOrder, DepthsFurtherApartThanTheToleranceOrderByDepth)
{
    EXPECT_TRUE(drawsBefore(textured(0.0f, 9), textured(0.00002f, 1)));
    EXPECT_FALSE(drawsBefore(textured(0.00002f, 1), textured(0.0f, 9)));
    EXPECT_TRUE(drawsBefore(at(-5.0f), textured(5.0f, 1)));
}

TEST(DrawOrder, DepthsWithinExactlyTheToleranceOrderByTexture)
{
    // 0.00001 apart is one depth: the lower texture name goes first although its z is higher.
    EXPECT_TRUE(drawsBefore(textured(0.00001f, 1), textured(0.0f, 2)));
    EXPECT_FALSE(drawsBefore(textured(0.0f, 2), textured(0.00001f, 1)));
    EXPECT_FALSE(drawsBefore(textured(0.0f, 3), textured(0.0f, 3)));
}

TEST(DrawOrder, AtOneDepthSpritesComeFirstThenTexturedOnes)
{
    EXPECT_TRUE(drawsBefore(untextured(0.0f), at(0.0f)));
    EXPECT_FALSE(drawsBefore(at(0.0f), untextured(0.0f)));
    EXPECT_FALSE(drawsBefore(at(0.0f), at(0.0f)));
    EXPECT_TRUE(drawsBefore(textured(0.0f, 7), untextured(0.0f)));
    EXPECT_FALSE(drawsBefore(untextured(0.0f), textured(0.0f, 7)));
    EXPECT_FALSE(drawsBefore(untextured(0.0f), untextured(0.0f)));
}

TEST(DrawOrder, NaNDepthFallsBackToTheTextureOrder)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_TRUE(drawsBefore(textured(nan, 1), textured(-100.0f, 2)));
    EXPECT_TRUE(drawsBefore(textured(100.0f, 1), textured(nan, 2)));
}

TEST(DrawOrder, StableSortWithTheComparatorKeepsEqualKeysInInsertionOrder)
{
    struct Entry
    {
        SpriteSortKey key;
        int insertion;
    };
    std::vector<Entry> entries = {{at(1.0f), 0},          {textured(1.0f, 4), 1}, {at(0.0f), 2},
                                  {textured(1.0f, 4), 3}, {untextured(1.0f), 4},  {at(1.0f), 5}};
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return drawsBefore(a.key, b.key); });
    std::vector<int> order;
    for (const Entry& entry : entries) {
        order.push_back(entry.insertion);
    }
    EXPECT_EQ(order, (std::vector<int>{2, 1, 3, 4, 0, 5}));
}
