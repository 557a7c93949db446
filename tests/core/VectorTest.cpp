// Float vectors: every value here is the exact float the formulas give, compared bit for bit.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/TweenTargets.h"
#include "core/Vector.h"

using namespace Orva::Math;

namespace {

constexpr float quietNan = std::numeric_limits<float>::quiet_NaN();
const float twoToMinus12 = std::ldexp(1.0f, -12);

} // namespace

TEST(Vector2f, LengthsAndNormalisationRoundAsFloats)
{
    Vector2f v(3, 4);
    EXPECT_EQ(v.lengthSq(), 25.0f);
    EXPECT_EQ(v.length(), 5.0f);
    const Vector2f unit = v.normalized();
    EXPECT_EQ(unit, Vector2f(0.6000000238418579f, 0.800000011920929f));
    EXPECT_EQ(v, Vector2f(3, 4)) << "normalized() must not modify the vector";
    EXPECT_EQ(&v.normalize(), &v);
    EXPECT_EQ(v, unit);

    EXPECT_EQ(Vector2f(1, 1).distanceSq({4, 5}), 25.0f);
    EXPECT_EQ(Vector2f(1, 1).distance({4, 5}), 5.0f);

    const Vector2f zero = Vector2f::zero().normalized();
    EXPECT_TRUE(std::isnan(zero.x) && std::isnan(zero.y));
}

TEST(Vector2f, DotRoundsOnceWhileLengthSqRoundsEachStep)
{
    // (1 + 2^-12)^2 = 1 + 2^-11 + 2^-24: a float product loses the last term, the double
    // product keeps it, so the dot product shows whether rounding happens once.
    const float a = 1.0f + twoToMinus12;
    EXPECT_EQ(Vector2f(a, 1).dot({a, -1}), std::ldexp(1.0f, -11) + std::ldexp(1.0f, -24));

    const Vector3f v(1, twoToMinus12, twoToMinus12);
    EXPECT_EQ(v.lengthSq(), 1.0f);
    EXPECT_EQ(v.dot(v), 1.0f + std::ldexp(1.0f, -23));
}

TEST(Vector2f, AnglesUseTheEnginesPi)
{
    EXPECT_EQ(Vector2f(0, 1).toAngleRad(), 1.5707963705062866f);
    EXPECT_EQ(Vector2f(0, 1).toAngleDeg(), 90.0f);
    EXPECT_EQ(Vector2f(-1, 0).toAngleDeg(), 180.0f);
    EXPECT_EQ(Vector2f(0, 0).toAngleDeg(), 0.0f);

    EXPECT_EQ(Vector2f::fromAngleDeg(180), Vector2f(-1, -2.0682311115474694e-13f));
    EXPECT_EQ(Vector2f::fromAngleDeg(90), Vector2f(-1.0341155557737347e-13f, 1));
    EXPECT_EQ(Vector2f::fromAngleRad(0), Vector2f(1, 0));

    EXPECT_EQ(Vector2f::angleBetweenDeg({1, 0}, {0, 1}), 90.0f);
    EXPECT_EQ(Vector2f::angleBetweenDeg({0, 1}, {1, 0}), 90.0f);
    EXPECT_EQ(Vector2f::angleBetweenDeg({1, 0}, {1, 1}), 45.0f);
    EXPECT_EQ(Vector2f::angleBetweenDeg({1, 1}, {1, 0}), 45.0f);
    EXPECT_TRUE(std::isnan(Vector2f::angleBetweenRad({0, 0}, {1, 0})));
}

TEST(Vector2f, RotationTurnsXTowardsYAndLeavesTheOriginal)
{
    const Vector2f x(1, 0);
    EXPECT_EQ(x.rotateByDeg(90), Vector2f(-4.371138828673793e-08f, 1));
    EXPECT_EQ(x.rotateByRad(1.5707963705062866f), Vector2f(-4.371138828673793e-08f, 1));
    EXPECT_EQ(x, Vector2f(1, 0));
}

TEST(Vector2f, SideTestsAndInverse)
{
    EXPECT_TRUE(Vector2f(1, 0).isOnRightOf({0, 1}));
    EXPECT_FALSE(Vector2f(1, 0).isOnLeftOf({0, 1}));
    EXPECT_TRUE(Vector2f(0, 1).isOnLeftOf({1, 0}));
    EXPECT_FALSE(Vector2f(2, 2).isOnLeftOf({1, 1}));
    EXPECT_FALSE(Vector2f(2, 2).isOnRightOf({1, 1}));
    EXPECT_FALSE(Vector2f(quietNan, 0).isOnRightOf({0, 1}));
    EXPECT_FALSE(Vector2f(quietNan, 0).isOnLeftOf({0, 1}));

    EXPECT_EQ(Vector2f(2, 4).inverse(), Vector2f(0.5f, 0.25f));
    EXPECT_TRUE(std::isinf(Vector2f(0, 4).inverse().x));
}

TEST(Vector2f, LerpExtrapolatesAndProjectionsFollowTheirFormulas)
{
    EXPECT_EQ(Vector2f::lerp({0, 0}, {10, 20}, 0.25f), Vector2f(2.5f, 5));
    EXPECT_EQ(Vector2f::lerp({0, 0}, {10, 20}, 2.0f), Vector2f(20, 40));
    EXPECT_EQ(Vector2f::lerp({0, 0}, {10, 20}, -1.0f), Vector2f(-10, -20));

    EXPECT_EQ(Vector2f(2, 3).projectOn({1, 0}), Vector2f(2, 0));
    EXPECT_EQ(Vector2f(2, 3).projectOnLength({0, 2}), 3.0f);
    EXPECT_TRUE(std::isnan(Vector2f(2, 3).projectOn({0, 0}).x));
}

TEST(Vector2f, ArithmeticAndExactComparison)
{
    Vector2f v(1, 2);
    v += {3, 4};
    EXPECT_EQ(v, Vector2f(4, 6));
    v -= {1, 1};
    v *= Vector2f(2, 3);
    EXPECT_EQ(v, Vector2f(6, 15));
    v /= Vector2f(3, 5);
    v *= 4.0f;
    v /= 8.0f;
    EXPECT_EQ(v, Vector2f(1, 1.5f));
    v.addX(1);
    v.addY(-1.5f);
    EXPECT_EQ(v, Vector2f(2, 0));
    EXPECT_EQ(v.copy(), v);
    EXPECT_EQ(Vector2f::make(5, 6), Vector2f(5, 6));

    EXPECT_TRUE(Vector2f(0, -0.0f) == Vector2f(0, 0));
    EXPECT_FALSE(Vector2f(0, -0.0f) != Vector2f(0, 0));
    const Vector2f withNan(quietNan, 1);
    EXPECT_FALSE(withNan == withNan);
    EXPECT_TRUE(withNan != withNan);
}

TEST(Vector3f, CrossXyAndConstruction)
{
    EXPECT_EQ(Vector3f(1, 0, 0).cross({0, 1, 0}), Vector3f(0, 0, 1));
    EXPECT_EQ(Vector3f(0, 1, 0).cross({1, 0, 0}), Vector3f(0, 0, -1));
    EXPECT_EQ(Vector3f::makeFromVector2D({5, 6}), Vector3f(5, 6, 0));
    EXPECT_EQ(Vector3f(), Vector3f::zero());

    Vector3f v(1, 2, 3);
    v.xy = Vector2f(7, 8);
    EXPECT_EQ(v, Vector3f(7, 8, 3));
    v.y = 9;
    EXPECT_EQ(v.xy, Vector2f(7, 9));
    v.xy += {1, 1};
    EXPECT_EQ(v, Vector3f(8, 10, 3));
}

TEST(Vector3f, SharesTheFormulasOfTheTwoDimensionalVector)
{
    const Vector3f v(2, 3, 6);
    EXPECT_EQ(v.length(), 7.0f);
    EXPECT_EQ(v.normalized(), Vector3f(2.0f / 7, 3.0f / 7, 6.0f / 7));
    EXPECT_EQ(Vector3f(0, 0, 0).distance(v), 7.0f);
    EXPECT_EQ(v.projectOn({0, 0, 2}), Vector3f(0, 0, 6));
    EXPECT_EQ(v.projectOnLength({0, 0, 2}), 6.0f);
    EXPECT_EQ(Vector3f::lerp({0, 0, 0}, {4, 8, 12}, 0.25f), Vector3f(1, 2, 3));

    Vector3f w = v;
    w *= 2.0f;
    w -= Vector3f(1, 1, 1);
    w.addZ(-11);
    EXPECT_EQ(w, Vector3f(3, 5, 0));
    w /= Vector3f(3, 5, 1);
    EXPECT_EQ(w, Vector3f(1, 1, 0));
}

TEST(TweenTargets, VectorPushesAimTheMatchingPrimitiveTarget)
{
    using namespace Orva::Actions;
    EXPECT_EQ(primitiveDoubleTarget, nullptr) << "nothing in the engine sets the double target";

    Vector3f position(1, 2, 3);
    position.pushZ();
    EXPECT_EQ(primitiveFloatTarget, &position.z);
    position.pushX();
    EXPECT_EQ(primitiveFloatTarget, &position.x);
    EXPECT_EQ(floatTweenTarget, &position.x) << "one slot under both names";

    int* const intBefore = primitiveIntTarget;
    Vector2f size(1, 2);
    size.pushY();
    EXPECT_EQ(primitiveFloatTarget, &size.y);
    EXPECT_EQ(primitiveIntTarget, intBefore) << "a float push must leave the int target alone";

    Vector2i frame(4, 5);
    frame.pushY();
    EXPECT_EQ(primitiveIntTarget, &frame.y);
    EXPECT_EQ(primitiveFloatTarget, &size.y) << "an int push must leave the float target alone";

    Vector3u cells(1, 2, 3);
    cells.pushZ();
    EXPECT_EQ(static_cast<void*>(primitiveIntTarget), static_cast<void*>(&cells.z));
}
