#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <set>

#include "core/MathUtils.h"
#include "core/Matrix44.h"
#include "core/Random.h"

using namespace Orva::Math;

namespace {

// p' = M p for the column (x, y, z, 1).
Vector3f transformPoint(const Matrix44f& m, const Vector3f& p)
{
    float out[3];
    for (int r = 0; r < 3; ++r) {
        out[r] = m.m[r][0] * p.x + m.m[r][1] * p.y + m.m[r][2] * p.z + m.m[r][3];
    }
    return {out[0], out[1], out[2]};
}

bool sameMatrix(const Matrix44f& a, const Matrix44f& b)
{
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            if (a.m[r][c] != b.m[r][c]) {
                return false;
            }
        }
    }
    return true;
}

// Seeds the generator so that its next draw is `wanted`, found by replaying the sequence.
void seedForNextDraw(int wanted)
{
    Orva::srand(1);
    int skipped = 0;
    while (Orva::rand() != wanted) {
        ++skipped;
    }
    Orva::srand(1);
    for (int i = 0; i < skipped; ++i) {
        Orva::rand();
    }
}

} // namespace

TEST(Matrix44, IdentityAndBuilders)
{
    Matrix44f m;
    float value = 0.5f;
    for (auto& row : m.m) {
        for (float& element : row) {
            element = value;
            value *= -1.75f;
        }
    }
    EXPECT_TRUE(sameMatrix(Matrix44f::identity() * m, m));
    EXPECT_TRUE(sameMatrix(m * Matrix44f(), m));

    const Matrix44f s = Matrix44f::scale(2, 3, 4);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            const float diagonal[4] = {2, 3, 4, 1};
            EXPECT_EQ(s.m[r][c], r == c ? diagonal[r] : 0.0f) << r << "," << c;
        }
    }
    EXPECT_TRUE(sameMatrix(Matrix44f::scale(Vector3f(2, 3, 4)), s));

    const Matrix44f t = Matrix44f::translation(1, 2, 3);
    EXPECT_EQ(transformPoint(t, {10, 20, 30}), Vector3f(11, 22, 33));
    EXPECT_TRUE(sameMatrix(Matrix44f::translation(Vector3f(1, 2, 3)), t));
    EXPECT_EQ(t.m[3][0], 0.0f);
    EXPECT_EQ(t.m[3][3], 1.0f);
}

TEST(Matrix44, ProductAppliesTheRightOperandFirst)
{
    const Matrix44f move = Matrix44f::translation(1, 0, 0);
    const Matrix44f grow = Matrix44f::scale(2, 2, 2);
    EXPECT_EQ(transformPoint(move * grow, {1, 0, 0}), Vector3f(3, 0, 0));
    EXPECT_EQ(transformPoint(grow * move, {1, 0, 0}), Vector3f(4, 0, 0));
}

TEST(Matrix44, ProductSumsItsTermsLeftToRight)
{
    // ((0 + 1e8) + 1) + -1e8 is 0 in float; any other order would give 1.
    Matrix44f a;
    a.m[0][0] = 1e8f;
    a.m[0][1] = 1;
    a.m[0][2] = -1e8f;
    a.m[0][3] = 0;
    Matrix44f b;
    b.m[1][0] = 1;
    b.m[2][0] = 1;
    EXPECT_EQ((a * b).m[0][0], 0.0f);
}

// Each element is ((0 + a0 b0) + a1 b1) + ..., bit for bit, however the product is computed:
// pixels depend on it. Awkward values: signed zeros, tiny and huge terms that cancel.
TEST(Matrix44, ProductIsTheOrderedSumsBitForBit)
{
    const float values[] = {0.0f, -0.0f, 1.0f, -1.0f, 1e8f, -1e8f, 3.1415927f, 1e-30f, -2.5f, 0.1f, 7e-39f};
    constexpr int count = sizeof(values) / sizeof(values[0]);
    Matrix44f a;
    Matrix44f b;
    for (int round = 0; round < 50; ++round) {
        for (int i = 0; i < 16; ++i) {
            a.m[i / 4][i % 4] = values[(round * 7 + i * 3) % count];
            b.m[i / 4][i % 4] = values[(round * 5 + i * 11 + 1) % count];
        }
        const Matrix44f product = a * b;
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j) {
                float sum = 0.0f;
                for (int k = 0; k < 4; ++k) {
                    sum += a.m[i][k] * b.m[k][j];
                }
                EXPECT_EQ(std::bit_cast<std::uint32_t>(product.m[i][j]), std::bit_cast<std::uint32_t>(sum))
                    << "round " << round << " element " << i << ", " << j;
            }
        }
    }
}

TEST(Matrix44, RotationZTurnsXTowardsY)
{
    const Matrix44f r = Matrix44f::rotationZ(1.5707963705062866f);
    EXPECT_EQ(r.m[0][0], -4.371138828673793e-08f);
    EXPECT_EQ(r.m[1][0], 1.0f);
    EXPECT_EQ(r.m[0][1], -1.0f);
    EXPECT_EQ(transformPoint(r, {1, 0, 0}), Vector3f(-4.371138828673793e-08f, 1, 0));
    EXPECT_TRUE(sameMatrix(Matrix44f::rotationZ(0), Matrix44f()));
}

TEST(UtilsRandom, IntegersCoverTheRangeAndKeepTheirEdgeRules)
{
    Orva::srand(1);
    std::set<int> seen;
    for (int i = 0; i < 1000; ++i) {
        const int r = Utils::random(0, 9);
        ASSERT_GE(r, 0);
        ASSERT_LE(r, 9);
        seen.insert(r);
    }
    EXPECT_EQ(seen.size(), 10u);

    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(Utils::random(3, 3), 3);
        const int reversed = Utils::random(5, 1);
        ASSERT_TRUE(reversed >= 5 && reversed <= 7) << reversed;
    }

    // hi = lo - 1 gives lo and still takes its draw.
    Orva::srand(1);
    EXPECT_EQ(Utils::random(5, 4), 5);
    EXPECT_EQ(Orva::rand(), 18467);
}

TEST(UtilsRandom, WideIntegerRangesNeitherOverflowNorTrap)
{
    Orva::srand(1); // first draw 41
    EXPECT_EQ(Utils::random(INT_MIN, INT_MAX), INT_MIN + 41);
    Orva::srand(1);
    EXPECT_EQ(Utils::random(INT_MAX, INT_MIN), INT_MIN + 40) << "the sum wraps back to int";
    Orva::srand(1);
    EXPECT_EQ(Utils::random(-100, 100), -100 + 41);
}

TEST(UtilsRandom, RealsSpanTheClosedRange)
{
    Orva::srand(99);
    for (int i = 0; i < 100000; ++i) {
        const float r = Utils::random(10.0f, 20.0f);
        ASSERT_GE(r, 10.0f);
        ASSERT_LE(r, 20.0f);
    }

    seedForNextDraw(0);
    EXPECT_EQ(Utils::random(10.0f, 20.0f), 10.0f);
    seedForNextDraw(Orva::RANDOM_MAX);
    EXPECT_EQ(Utils::random(10.0f, 20.0f), 20.0f);
    seedForNextDraw(Orva::RANDOM_MAX);
    EXPECT_EQ(Utils::random(-2.5, 7.5), 7.5);
    seedForNextDraw(0);
    EXPECT_EQ(Utils::random(-2.5, 7.5), -2.5);
}

TEST(UtilsClamp, FollowsItsComparisonsIncludingReversedBoundsAndNaN)
{
    EXPECT_EQ(Utils::clamp(5, 0, 10), 5);
    EXPECT_EQ(Utils::clamp(-1, 0, 10), 0);
    EXPECT_EQ(Utils::clamp(11, 0, 10), 10);
    EXPECT_EQ(Utils::clamp(5, 10, 0), 0);

    constexpr float nanF = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(Utils::clamp(nanF, 0.0f, 1.0f), 0.0f);
    EXPECT_TRUE(std::isnan(Utils::clamp(0.5f, 0.0f, nanF)));
    EXPECT_EQ(Utils::clamp(0.5f, 2.0f, 1.0f), 1.0f);
    EXPECT_EQ(Utils::clamp(1.5f, 0.0f, 1.0f), 1.0f);

    constexpr double nanD = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(Utils::clamp(nanD, -1.0, 1.0), -1.0);
    EXPECT_EQ(Utils::clamp(0.25, -1.0, 1.0), 0.25);
    EXPECT_EQ(Utils::clamp(-3.0, -1.0, 1.0), -1.0);
}
