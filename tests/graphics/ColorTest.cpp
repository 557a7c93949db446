#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/TweenTargets.h"
#include "graphics/Color.h"

using Orva::Graphics::Color;

namespace {

void expectColor(const Color& c, float r, float g, float b, float a)
{
    EXPECT_EQ(c.r, r);
    EXPECT_EQ(c.g, g);
    EXPECT_EQ(c.b, b);
    EXPECT_EQ(c.a, a);
}

} // namespace

TEST(Color, DefaultsToOpaqueWhiteAndKeepsComponentsUnclamped)
{
    expectColor(Color(), 1.0f, 1.0f, 1.0f, 1.0f);
    expectColor(Color(2.0f, -1.0f, 0.5f, 0.0f), 2.0f, -1.0f, 0.5f, 0.0f);
}

TEST(Color, AnIntegerIsReadAsAlphaRedGreenBlue)
{
    expectColor(Color(0x80FF0000ul), 1.0f, 0.0f, 0.0f, 128.0f / 255.0f);
    Color c;
    c = 0x0000FF00ul;
    expectColor(c, 0.0f, 1.0f, 0.0f, 0.0f);
    // Only the low 32 bits count.
    expectColor(Color(0xFFFFFFFF000000FFul), 0.0f, 0.0f, 1.0f, 0.0f);
}

TEST(Color, PackingPutsRedHighestAndAlphaLowest)
{
    EXPECT_EQ(Color(1.0f, 0.0f, 0.0f, 1.0f).toHexARGB(), 0xFF0000FFul);
    EXPECT_EQ(Color().toHexARGB(), 0xFFFFFFFFul);
    EXPECT_EQ(static_cast<unsigned long>(Color(0.0f, 0.5f, 0.0f, 0.0f)), 0x007F0000ul) << "127.5 truncates";
    // So packing and reading back do not round-trip: the byte orders differ.
    EXPECT_NE(Color(Color(1.0f, 0.0f, 0.0f, 1.0f).toHexARGB()), Color(1.0f, 0.0f, 0.0f, 1.0f));
}

TEST(Color, PackingOutOfRangeComponentsIsDefined)
{
    EXPECT_EQ(Color(2.0f, 0.0f, 0.0f, 0.0f).toHexARGB(), 0xFE000000ul) << "510 keeps its low 8 bits";
    EXPECT_EQ(Color(-0.5f, 0.0f, 0.0f, 1.0f).toHexARGB(), 0x000000FFul);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(Color(nan, 1.0f, inf, 1e30f).toHexARGB(), 0x00FF0000ul);
}

TEST(Color, OnlyLerpClamps)
{
    const Color black(0.0f, 0.0f, 0.0f, 0.0f);
    const Color white;
    EXPECT_EQ(Color::lerp(black, white, 2.0f), white);
    EXPECT_EQ(Color::lerp(black, white, -1.0f), black);
    expectColor(Color::lerp(black, white, 0.25f), 0.25f, 0.25f, 0.25f, 0.25f);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    expectColor(Color::lerp(black, white, nan), 0.0f, 0.0f, 0.0f, 0.0f);

    expectColor(white * 2.0f, 2.0f, 2.0f, 2.0f, 2.0f);
    Color sum(0.5f, 0.5f, 0.5f, 0.5f);
    sum += Color(0.75f, 0.0f, 0.25f, 1.0f);
    expectColor(sum, 1.25f, 0.5f, 0.75f, 1.5f);
    expectColor(sum + sum, 2.5f, 1.0f, 1.5f, 3.0f);
}

TEST(Color, EqualityIsExactAndNanIsUnequal)
{
    const Color c(0.1f, 0.2f, 0.3f, 0.4f);
    EXPECT_TRUE(c == Color(0.1f, 0.2f, 0.3f, 0.4f));
    EXPECT_TRUE(c != Color(0.1f, 0.2f, 0.3f, 0.5f));
    const Color withNan(std::numeric_limits<float>::quiet_NaN(), 0.0f, 0.0f, 0.0f);
    EXPECT_FALSE(withNan == withNan);
    EXPECT_TRUE(withNan != withNan);
}

TEST(Color, SettersAndPushesReachTheNamedComponent)
{
    Color c;
    c.setRGB(0.1f, 0.2f, 0.3f);
    c.setAlpha(0.4f);
    expectColor(c, 0.1f, 0.2f, 0.3f, 0.4f);

    c.LUA_PUSH_PRIMITIVE_FLOAT_TO_ACTION_BASE_CLASSa();
    EXPECT_EQ(Orva::Actions::primitiveFloatTarget, &c.a);
    c.LUA_PUSH_PRIMITIVE_FLOAT_TO_ACTION_BASE_CLASSr();
    EXPECT_EQ(Orva::Actions::primitiveFloatTarget, &c.r);
    c.LUA_PUSH_PRIMITIVE_FLOAT_TO_ACTION_BASE_CLASSg();
    EXPECT_EQ(Orva::Actions::primitiveFloatTarget, &c.g);
    c.LUA_PUSH_PRIMITIVE_FLOAT_TO_ACTION_BASE_CLASSb();
    EXPECT_EQ(Orva::Actions::primitiveFloatTarget, &c.b);
    *Orva::Actions::primitiveFloatTarget = 0.9f;
    EXPECT_EQ(c.b, 0.9f);
}
