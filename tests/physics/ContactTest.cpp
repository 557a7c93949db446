#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "PhysicsScene.h"
#include "world/WorldFixture.h"

// The pair tests and the colliders' geometry, called directly on settled colliders: the
// later collider of each pair runs its test against the earlier one's kind.

namespace {

using namespace scene;

constexpr float Tolerance = 1e-5f;
constexpr float QuarterTurn = std::numbers::pi_v<float> / 2.0f;

class ContactTest : public WorldTest
{
};

void expectContact(const Contact& contact, float nx, float ny, float penetration)
{
    ASSERT_TRUE(contact.found);
    EXPECT_NEAR(contact.normal.x, nx, Tolerance);
    EXPECT_NEAR(contact.normal.y, ny, Tolerance);
    EXPECT_NEAR(contact.penetration, penetration, Tolerance);
}

TEST_F(ContactTest, KnownAnswersOfTheAxisAlignedTests)
{
    {
        CircleCollider* a = circle("a", 0.0f, 0.0f);
        CircleCollider* apart = circle("apart", 0.0f, 1.0f);
        CircleCollider* near = circle("near", 0.0f, 0.99f);
        settle();
        EXPECT_FALSE(test(a, apart).found);
        const Contact contact = test(a, near);
        expectContact(contact, 0.0f, 1.0f, 0.01f);
        EXPECT_EQ(contact.first, near) << "the testing circle is first; the normal points to it";
    }
    {
        AABBCollider* unit = aabb("unit", 0.0f, 0.0f);
        AABBCollider* beside = aabb("beside", 0.9f, 0.0f);
        AABBCollider* diagonal = aabb("diagonal", 0.5f, 0.5f);
        AABBCollider* touching = aabb("touching", 0.0f, 1.0f);
        CircleCollider* wide = circle("wide", 2.0f, 0.0f, 2.0f);
        settle();
        expectContact(test(unit, beside), 1.0f, 0.0f, 0.1f);
        expectContact(test(beside, unit), -1.0f, 0.0f, 0.1f);
        expectContact(test(unit, diagonal), 1.0f, 0.0f, 0.5f); // equal overlaps pick x
        EXPECT_TRUE(test(unit, touching).found) << "touching boxes are in contact";
        unit->trackContacts();
        step();
        const auto& contacts = unit->getContacts();
        EXPECT_NE(std::find(contacts.begin(), contacts.end(), touching), contacts.end())
            << "the world's step pairs touching boxes too";
        // Corner 3 lies inside the circle and decides.
        const Contact corner = test(unit, wide);
        expectContact(corner, -0.9486833f, 0.3162278f, 0.4188612f);
        EXPECT_EQ(corner.first, unit) << "the box is first whichever is tested";
        expectContact(test(wide, unit), -0.9486833f, 0.3162278f, 0.4188612f);
    }
}

TEST_F(ContactTest, KnownAnswersOfTheTurnedBoxTests)
{
    BoxCollider* turned = box("turned", 0.0f, 0.0f, 2.0f, 1.0f, QuarterTurn);
    settle();
    const BoxCollider::Corners& corners = turned->getBoxEdges();
    const float expected[4][2] = {{-0.5f, -1.0f}, {0.5f, -1.0f}, {0.5f, 1.0f}, {-0.5f, 1.0f}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(corners[k].x, expected[k][0], Tolerance) << k;
        EXPECT_NEAR(corners[k].y, expected[k][1], Tolerance) << k;
    }
    EXPECT_TRUE(turned->checkPointIsWithin({0.4f, 0.9f}));
    EXPECT_FALSE(turned->checkPointIsWithin({0.9f, 0.4f}));

    BoxCollider* plank = box("plank", 0.0f, 0.0f, 4.0f, 1.0f);
    CircleCollider* aboveFace = circle("aboveFace", 1.0f, 0.7f, 0.3f);
    CircleCollider* besideTurned = circle("besideTurned", 0.7f, 1.0f, 0.3f);
    settle();
    // 0.2 from the face of a long box: a contact.
    expectContact(test(plank, aboveFace), 0.0f, -1.0f, 0.1f);
    expectContact(test(turned, besideTurned), -1.0f, 0.0f, 0.1f);

    // Box–box: half extents summing to 1.95, centres 1.5 apart, overlapping by 0.3.
    BoxCollider* thick = box("thick", 0.0f, 0.0f, 1.8f, 0.2f);
    BoxCollider* thin = box("thin", 1.5f, 0.0f, 1.8f, 0.1f);
    settle();
    const Contact boxes = test(thick, thin);
    ASSERT_TRUE(boxes.found);
    EXPECT_NEAR(boxes.penetration, 0.3f, Tolerance);
    EXPECT_EQ(boxes.first, thin);
    // Half extents summing to 0.9: overlapping at an offset of 0.1, they touch.
    BoxCollider* small = box("small", 10.0f, 0.0f, 0.6f, 0.3f);
    BoxCollider* shifted = box("shifted", 10.1f, 0.05f, 0.6f, 0.3f);
    settle();
    EXPECT_TRUE(test(small, shifted).found);
}

TEST_F(ContactTest, BoxCircleUsesTheNearestPointOfTheBox)
{
    BoxCollider* unit = box("unit", 0.0f, 0.0f, 1.0f, 1.0f);
    CircleCollider* offCorner = circle("offCorner", 0.8f, 0.55f, 0.3f);
    CircleCollider* overFace = circle("overFace", 0.0f, 0.6f, 0.3f);
    CircleCollider* inside = circle("inside", 0.3f, 0.1f, 0.3f);
    settle();
    EXPECT_FALSE(test(unit, offCorner).found) << "0.304 from the corner";
    expectContact(test(unit, overFace), 0.0f, -1.0f, 0.2f);
    // A centre inside leaves through the nearest face (x, 0.2 deep).
    const Contact deep = test(unit, inside);
    expectContact(deep, -1.0f, 0.0f, 0.5f);
    EXPECT_EQ(deep.first, unit);
}

TEST_F(ContactTest, BoxesAgainstAxisAlignedBoxesOnlyReportOverlap)
{
    AABBCollider* square = aabb("square", 0.0f, 0.0f);
    BoxCollider* diamond = box("diamond", 1.1f, 0.0f, 1.0f, 1.0f, QuarterTurn / 2.0f);
    BoxCollider* far = box("far", 1.3f, 0.0f, 1.0f, 1.0f, QuarterTurn / 2.0f);
    settle();
    const Contact overlap = test(square, diamond);
    expectContact(overlap, 1.0f, 0.0f, 0.0f);
    EXPECT_EQ(overlap.first, square);
    expectContact(test(diamond, square), 1.0f, 0.0f, 0.0f);
    EXPECT_FALSE(test(square, far).found) << "the diamond's corner stops at 1.3 - 0.707";
}

TEST_F(ContactTest, NormalsWithoutLengthPointUp)
{
    CircleCollider* a = circle("a", 1.0f, 1.0f, 0.5f);
    CircleCollider* b = circle("b", 1.0f, 1.0f, 0.25f);
    AABBCollider* square = aabb("square", 0.0f, 0.0f, 2.0f, 2.0f);
    CircleCollider* onCorner = circle("onCorner", 1.0f, 1.0f, 0.25f);
    settle();
    expectContact(test(a, b), 0.0f, 1.0f, 0.75f);
    expectContact(test(square, onCorner), 0.0f, 1.0f, 0.25f);
}

TEST_F(ContactTest, GeometryFollowsScaleOffsetAndTheChangeThreshold)
{
    CircleCollider* nudged = circle("nudged", 2.0f, 3.0f);
    nudged->offset = {0.005f, 0.0f};
    CircleCollider* turned = circle("turned", 0.0f, 0.0f);
    turned->offset = {1.0f, 0.0f};
    Orva::TransformComponent* transform = turned->owner->getTransform();
    transform->setLocalScale({2.0f, 3.0f, 1.0f});
    transform->setLocalRotationRad(QuarterTurn);
    transform->forceUpdate();
    settle();
    EXPECT_EQ(nudged->getActualCenter().x, 2.0f) << "an offset under 0.01 is ignored";
    EXPECT_NEAR(turned->getActualCenter().x, 0.0f, Tolerance);
    EXPECT_NEAR(turned->getActualCenter().y, 2.0f, Tolerance) << "a turned offset scales by x only";
    EXPECT_EQ(turned->getActualRadius(), 1.0f);

    AABBCollider* square = aabb("square", 0.0f, 0.0f);
    settle();
    settle();
    square->size = {1.0f, 3.0f};
    settle();
    EXPECT_EQ(square->getActualBoxSize().y, 3.0f) << "a new size is seen at the next refresh";
    square->size.y = 3.000001f;
    settle();
    EXPECT_EQ(square->getActualBoxSize().y, 3.0f) << "changes within 1e-5 are not";
    EXPECT_TRUE(square->checkPointIsWithin({0.0f, 1.4f}));
    EXPECT_FALSE(square->checkPointIsWithin({0.5f, 0.0f})) << "points on the edge are outside";
    BoxCollider* moved = box("moved", 0.0f, 0.0f, 1.0f, 1.0f);
    step();
    moved->active = false;
    moved->owner->getTransform()->setLocalTranslation({5.0f, 0.0f, 0.0f});
    step(2);
    moved->active = true;
    step();
    EXPECT_EQ(moved->getBoxRealCenter().x, 5.0f) << "a box switched off follows its object once back on";
}

} // namespace
