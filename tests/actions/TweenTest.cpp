#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <memory>
#include <typeinfo>

#include "actions/ActionContainers.h"
#include "actions/ActionTween.h"
#include "core/PoolFixture.h"
#include "core/TweenTargets.h"
#include "graphics/Color.h"

namespace {

using namespace Orva::Actions;
using Orva::Math::Vector2D;
using Orva::Math::Vector3D;

class TweenTest : public PooledTest
{
protected:
    void TearDown() override
    {
        primitiveFloatTarget = nullptr;
        primitiveIntTarget = nullptr;
        primitiveDoubleTarget = nullptr;
        PooledTest::TearDown();
    }

    // The factory appends one tween of exactly the class its name gives, counted under that name.
    template <class Tween, class T>
    static void checkFactory(ActionGroup& group,
                             ActionComplex* (ActionComplex::*factory)(T*, const T&, float), T* target)
    {
        const std::size_t before = group.getChildren().size();
        EXPECT_EQ((group.*factory)(target, T{}, 1.0f), &group);
        ASSERT_EQ(group.getChildren().size(), before + 1);
        const ActionBase& made = *group.getChildren().back();
        EXPECT_EQ(typeid(made), typeid(Tween));
        EXPECT_NE(dump().find('\t' + Orva::typeName<Tween>() + " has : 1 number of intance(s) not freed."),
                  std::string::npos)
            << Orva::typeName<Tween>();
    }
};

// Known answers.

TEST(Easing, CurvesAreBitExact)
{
    EXPECT_EQ(std::bit_cast<unsigned>(Easing::cubicInOut(0.25f)), 0x3D800000u);
    EXPECT_EQ(std::bit_cast<unsigned>(Easing::cubicInOut(0.5f)), 0x3F000012u);
    EXPECT_EQ(std::bit_cast<unsigned>(Easing::cubicInOut(0.75f)), 0x3F700002u);
    EXPECT_EQ(std::bit_cast<unsigned>(Easing::sineIn(0.5f)), 0x3E95F61Au);
    EXPECT_EQ(std::bit_cast<unsigned>(Easing::sineOut(0.25f)), 0x3EC3EF16u);
    EXPECT_EQ(Easing::quadInOut(0.5f), 0.5f);
}

TEST_F(TweenTest, ProgressFinishesOnlyPastOneAndIntMovesInWholeSteps)
{
    float value = 0.0f;
    ActionTweenByLinear<float> linear(&value, 10.0f, 1.0f);
    for (int step = 1; step <= 4; ++step) {
        EXPECT_FALSE(linear.update(0.25f)) << "progress " << step * 0.25f << " is not past 1";
        EXPECT_EQ(value, 2.5f * static_cast<float>(step));
    }
    EXPECT_TRUE(linear.update(0.25f));
    EXPECT_EQ(value, 10.0f);

    int count = 0;
    ActionTweenByQuadOut<int> quadOut(&count, 10, 1.0f);
    for (const int added : {4, 3, 2, 1}) {
        const int before = count;
        EXPECT_FALSE(quadOut.update(0.25f));
        EXPECT_EQ(count - before, added);
    }
    EXPECT_TRUE(quadOut.update(0.25f));
    EXPECT_EQ(count, 10);

    int frames = 0;
    ActionTweenByLinear<int> truncated(&frames, 3, 1.0f);
    for (const int reached : {0, 1, 2, 3}) {
        truncated.update(0.25f);
        EXPECT_EQ(frames, reached);
    }
}

TEST_F(TweenTest, ByTweensAddUpWhileToTweensSetOutright)
{
    float value = 0.0f;
    ActionTweenByLinear<float> first(&value, 4.0f, 1.0f);
    ActionTweenByLinear<float> second(&value, 2.0f, 1.0f);
    first.update(0.5f);
    second.update(0.5f);
    EXPECT_EQ(value, 3.0f);

    ActionTweenToLinear<float> to(&value, 10.0f, 1.0f);
    value = 6.0f; // changed before the first step: the tween starts from here
    to.update(0.5f);
    EXPECT_EQ(value, 8.0f);
    first.update(0.5f);
    EXPECT_EQ(value, 10.0f);
    to.update(0.25f);
    EXPECT_EQ(value, 9.0f) << "a To tween drops what others added";

    Vector3D<float> position(1.0f, 2.0f, 3.0f);
    ActionTweenToQuadIn<Vector3D<float>> move(&position, {3.0f, 2.0f, -1.0f}, 1.0f);
    move.update(0.5f);
    EXPECT_EQ(position, Vector3D<float>(1.5f, 2.0f, 2.0f));
}

TEST_F(TweenTest, CopiesReversalsAndNegativeDurations)
{
    float value = 0.0f;
    ActionTweenByLinear<float> by(&value, 8.0f, 1.0f);
    by.update(0.5f);
    std::unique_ptr<ActionBase> back(by.reversedCopy());
    while (!back->update(0.25f)) {
    }
    EXPECT_EQ(value, -4.0f) << "the reverse moves by the whole negated amount";

    ActionTweenToLinear<float> to(&value, 1.0f, 1.0f);
    EXPECT_EQ(to.reversedCopy(), nullptr);

    by.update(1.0f);
    ASSERT_TRUE(by.done);
    std::unique_ptr<ActionBase> copy(by.clone());
    EXPECT_TRUE(copy->done);
    const float before = value;
    EXPECT_TRUE(copy->update(0.25f)) << "a finished tween's clone reports finished at once";
    EXPECT_EQ(value - before, 2.0f) << "after one step of movement";

    ActionTweenByLinear<float> backwards(&value, 1.0f, -1.0f);
    for (int step = 0; step < 100; ++step) {
        EXPECT_FALSE(backwards.update(0.25f));
    }
}

// Faults mended: a zero duration used to stall or write NaN, a null target to crash.
TEST_F(TweenTest, ZeroDurationFinishesAtOnceAndNullTargetsRunInert)
{
    for (const float dt : {0.016f, 0.0f}) {
        float value = 1.0f;
        ActionTweenBySineInOut<float> by(&value, 5.0f, 0.0f);
        EXPECT_TRUE(by.update(dt));
        EXPECT_EQ(value, 6.0f);
    }
    float value = -7.0f;
    ActionTweenToCubicOut<float> to(&value, 3.0f, 0.0f);
    EXPECT_TRUE(to.update(0.0f));
    EXPECT_EQ(value, 3.0f);

    ActionGroup group;
    float ignored = 0.0f;
    group.linearByFloat(&ignored, 5.0f, 0.05f); // no pushed target
    group.quadInToDouble(nullptr, 1.0, 0.05f);  // nothing pushes a double
    group.linearToVector2f(nullptr, {1.0f, 1.0f}, 0.05f);
    for (int step = 1; step <= 3; ++step) {
        EXPECT_FALSE(group.update(0.016f)) << "step " << step;
    }
    EXPECT_TRUE(group.update(0.016f));
    EXPECT_EQ(ignored, 0.0f);
}

// int arithmetic saturates its products and wraps its sums, never undefined (UBSan runs this).
TEST_F(TweenTest, IntTweensNeverOverflow)
{
    int value = 1;
    ActionTweenByLinear<int> by(&value, INT_MAX, 1.0f);
    by.update(2.0f);
    EXPECT_EQ(value, INT_MIN) << "1 + INT_MAX wraps";

    ActionTweenToLinear<int> to(&value, INT_MAX, 1.0f);
    to.update(2.0f);
    EXPECT_EQ(value, INT_MIN) << "the difference wraps to -1 and the float sum saturates";

    value = 0;
    ActionTweenByLinear<int> amount(&value, INT_MIN, 1.0f);
    std::unique_ptr<ActionBase> negated(amount.reversedCopy());
    negated->update(2.0f);
    EXPECT_EQ(value, INT_MIN) << "INT_MIN negated wraps to itself";
}

TEST_F(TweenTest, ScalarFactoriesTweenThePushedFieldAndVectorOnesTheirArgument)
{
    Orva::Graphics::Color color(0.0f, 0.0f, 0.0f, 1.0f);
    color.LUA_PUSH_PRIMITIVE_FLOAT_TO_ACTION_BASE_CLASSr();
    float ignored = 0.0f;
    ActionGroup group;
    group.linearToFloat(&ignored, 0.5f, 0.01f)->linearByFloat(&ignored, 0.25f, 0.01f);
    Vector2D<float> size(1.0f, 1.0f);
    group.quadOutByVector2f(&size, {1.0f, -1.0f}, 0.01f);
    group.update(0.016f);
    EXPECT_EQ(color.r, 0.75f) << "both tweens act on the red channel pushed once";
    EXPECT_EQ(ignored, 0.0f);
    EXPECT_EQ(size, Vector2D<float>(2.0f, 0.0f));
}

TEST_F(TweenTest, EachFactoryMakesItsOwnPooledClass)
{
    float f = 0.0f;
    int i = 0;
    double d = 0.0;
    Vector2D<float> v2;
    Vector3D<float> v3;
    const auto target = [&]<class T>(T*) {
        if constexpr (std::is_same_v<T, Vector2D<float>>) {
            return &v2;
        } else if constexpr (std::is_same_v<T, Vector3D<float>>) {
            return &v3;
        } else {
            return static_cast<T*>(nullptr); // ignored by the scalar factories
        }
    };
    primitiveFloatTarget = &f;
    primitiveIntTarget = &i;
    primitiveDoubleTarget = &d;

    auto* group = new ActionGroup();
#define ORVA_CHECK_FACTORY(Mode, Suffix, T, Name, prefix)                                                    \
    checkFactory<ActionTween##Mode##Name<T>>(*group, &ActionComplex::prefix##Mode##Suffix,                   \
                                             target(static_cast<T*>(nullptr)));
    ORVA_EVERY_TWEEN(ORVA_CHECK_FACTORY)
#undef ORVA_CHECK_FACTORY
    EXPECT_EQ(group->getChildren().size(), 100u);
    EXPECT_NE(
        dump().find("\tOrva::Actions::ActionTweenByQuadIn<float> has : 1 number of intance(s) not freed."),
        std::string::npos);
    delete group;
    EXPECT_EQ(dump().find("ActionTween"), std::string::npos);
}

} // namespace
