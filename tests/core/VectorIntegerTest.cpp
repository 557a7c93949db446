// Integer vectors: the float formulas in T's own arithmetic, wrapping, truncating, and never
// trapping (the sanitizer build fails on any undefined operation here).

#include <gtest/gtest.h>

#include <climits>

#include "core/Vector.h"

using namespace Orva::Math;

TEST(Vector2i, ZeroDivisorsGiveZeroQuotients)
{
    EXPECT_EQ(Vector2i(0, 0).normalize(), Vector2i(0, 0));
    EXPECT_EQ(Vector2i(0, 2).inverse(), Vector2i(0, 0));
    EXPECT_EQ(Vector2i(2, 1).inverse(), Vector2i(0, 1));

    Vector2i v(7, 9);
    v /= 0;
    EXPECT_EQ(v, Vector2i(0, 0));
    Vector2i w(7, 9);
    w /= Vector2i(0, 3);
    EXPECT_EQ(w, Vector2i(0, 3));

    EXPECT_EQ(Vector2i(2, 3).projectOn({0, 0}), Vector2i(0, 0));
    EXPECT_EQ(Vector2i(2, 3).projectOnLength({0, 0}), 0);
    // A zero-length argument makes the cosine 0, so the angle truncates to 1 radian.
    EXPECT_EQ(Vector2i::angleBetweenRad({0, 0}, {1, 0}), 1);
    EXPECT_EQ(Vector2u(5, 0).inverse(), Vector2u(0, 0));
}

TEST(Vector2i, SignedOverflowWrapsLikeUnsigned)
{
    Vector2i v(INT_MIN, 5);
    v /= Vector2i(-1, 1);
    EXPECT_EQ(v, Vector2i(INT_MIN, 5));
    v /= -1;
    EXPECT_EQ(v, Vector2i(INT_MIN, -5));

    Vector2i sum(INT_MAX, INT_MIN);
    sum += {1, -1};
    EXPECT_EQ(sum, Vector2i(INT_MIN, INT_MAX));
    sum.addX(-1);
    EXPECT_EQ(sum.x, INT_MAX);

    EXPECT_EQ(Vector2i(65536, 0).lengthSq(), 0);
    // 46341^2 wraps negative, whose root is NaN and so 0; twice that wraps back to 9266.
    EXPECT_EQ(Vector2i(46341, 0).length(), 0);
    EXPECT_EQ(Vector2i(46341, 46341).length(), 96);

    const Vector3i a(70000, -3, 123456);
    const Vector3i b(90001, 65537, -7);
    const Vector3u ua(70000u, static_cast<unsigned>(-3), 123456u);
    const Vector3u ub(90001u, 65537u, static_cast<unsigned>(-7));
    const Vector3i c = a.cross(b);
    const Vector3u uc = ua.cross(ub);
    EXPECT_EQ(static_cast<unsigned>(c.x), uc.x);
    EXPECT_EQ(static_cast<unsigned>(c.y), uc.y);
    EXPECT_EQ(static_cast<unsigned>(c.z), uc.z);
    EXPECT_EQ(static_cast<unsigned>(a.dot(b)), ua.dot(ub));
}

TEST(Vector2i, RootsAndDistancesTruncateAndSaturate)
{
    EXPECT_EQ(Vector2i(0, 0).distance({3, 4}), 5);
    EXPECT_EQ(Vector2i(1, 1).length(), 1);
    EXPECT_EQ(Vector2i(0, 0).distanceSq({2, 3}), 13);
    // 2 * (2^31 - 1)^2 does not fit: the square sum saturates, and its root truncates.
    EXPECT_EQ(Vector2i(0, 0).distanceSq({INT_MAX, INT_MAX}), INT_MAX);
    EXPECT_EQ(Vector2i(0, 0).distance({INT_MAX, INT_MAX}), 46340);
    // 0 - 1 wraps to 2^32 - 1 before it is squared.
    EXPECT_EQ(Vector2u(1, 0).distanceSq({0, 0}), 4294967295u);

    EXPECT_EQ(Vector2i(7, 0).normalized(), Vector2i(1, 0));
    EXPECT_EQ(Vector2i(0, -7).normalized(), Vector2i(0, -1));
    EXPECT_EQ(Vector2i(3, 4).normalized(), Vector2i(0, 0));
    EXPECT_EQ(Vector3i(0, 0, 9).normalized(), Vector3i(0, 0, 1));
}

TEST(Vector2i, AnglesTruncateToWholeUnits)
{
    EXPECT_EQ(Vector2i(10, 0).rotateByDeg(57), Vector2i(10, 0));
    EXPECT_EQ(Vector2i(10, 0).rotateByDeg(58), Vector2i(0, 0));
    EXPECT_EQ(Vector2i(10, 3).rotateByRad(0), Vector2i(10, 3));
    EXPECT_EQ(Vector2i(10, 3).rotateByRad(2), Vector2i(0, 0));

    EXPECT_EQ(Vector2i(0, 1).toAngleRad(), 1);
    // The true angle over the engine's slightly larger π lands a hair under the whole
    // degree, and the single truncation keeps it there (the float instance rounds to 90).
    EXPECT_EQ(Vector2i(0, 1).toAngleDeg(), 89);
    EXPECT_EQ(Vector2i(-1, 0).toAngleDeg(), 179);
    EXPECT_EQ(Vector2i(0, -1).toAngleDeg(), -89);

    EXPECT_EQ(Vector2i::fromAngleRad(0), Vector2i(1, 0));
    EXPECT_EQ(Vector2i::fromAngleDeg(180), Vector2i(-1, 0));
    EXPECT_EQ(Vector2i::fromAngleDeg(90), Vector2i(1, 0)) << "90 / 180 is 0 in integers";

    // Orthogonal unit vectors: q = 0, acos 0 truncates to 1 radian, which is 57 degrees.
    EXPECT_EQ(Vector2i::angleBetweenRad({1, 0}, {0, 1}), 1);
    EXPECT_EQ(Vector2i::angleBetweenDeg({1, 0}, {0, 1}), 57);
    EXPECT_EQ(Vector2i::angleBetweenDeg({3, 0}, {5, 0}), 0);
}

TEST(Vector2i, LerpTruncatesTFirst)
{
    EXPECT_EQ(Vector2i::lerp({0, 0}, {10, 20}, 0.25f), Vector2i(0, 0));
    EXPECT_EQ(Vector2i::lerp({0, 0}, {10, 20}, 0.99f), Vector2i(0, 0));
    EXPECT_EQ(Vector2i::lerp({0, 0}, {10, 20}, 1.0f), Vector2i(10, 20));
    EXPECT_EQ(Vector2i::lerp({0, 0}, {10, 20}, 2.0f), Vector2i(20, 40));
    EXPECT_EQ(Vector2i::lerp({0, 0}, {10, 20}, -1.5f), Vector2i(-10, -20));
    // A negative t saturates to 0 for the unsigned instance, leaving a.
    EXPECT_EQ(Vector2u::lerp({3, 4}, {10, 20}, -2.0f), Vector2u(3, 4));
    EXPECT_EQ(Vector3i::lerp({1, 1, 1}, {2, 3, 4}, 3.0f), Vector3i(4, 7, 10));
}

TEST(Vector2i, SideTestsFollowTheWrappedCrossValue)
{
    EXPECT_TRUE(Vector2i(1, 0).isOnRightOf({0, 1}));
    EXPECT_TRUE(Vector2i(0, 1).isOnLeftOf({1, 0}));
    EXPECT_FALSE(Vector2i(2, 2).isOnRightOf({5, 5}));
    EXPECT_FALSE(Vector2i(2, 2).isOnLeftOf({5, 5}));
    // 65536 * 65536 wraps to 0: "parallel" as far as int arithmetic can tell.
    EXPECT_FALSE(Vector2i(65536, 0).isOnRightOf({0, 65536}));

    // Unsigned: never on the left; on the right whenever the wrapped value is not 0.
    EXPECT_TRUE(Vector2u(0, 1).isOnRightOf({1, 0}));
    EXPECT_TRUE(Vector2u(1, 0).isOnRightOf({0, 1}));
    EXPECT_FALSE(Vector2u(0, 1).isOnLeftOf({1, 0}));
    EXPECT_FALSE(Vector2u(1, 0).isOnLeftOf({0, 1}));
    EXPECT_FALSE(Vector2u(2, 2).isOnRightOf({1, 1}));
}

TEST(Vector2i, ProjectionsUseIntegerQuotients)
{
    EXPECT_EQ(Vector2i(2, 3).projectOn({1, 0}), Vector2i(2, 0));
    EXPECT_EQ(Vector2i(2, 3).projectOnLength({0, 2}), 3);
    // dot 3 over lengthSq 25 is 0: the projection vanishes below the argument's length.
    EXPECT_EQ(Vector2i(1, 0).projectOn({3, 4}), Vector2i(0, 0));
    EXPECT_EQ(Vector2i(-9, 0).projectOn({2, 0}), Vector2i(-8, 0));
}
