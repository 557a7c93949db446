#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "WorldFixture.h"
#include "core/TweenTargets.h"
#include "world/CameraComponent.h"
#include "world/ComponentPool.h"
#include "world/TransformComponent.h"

namespace {

using Orva::GameObject;
using Orva::TransformComponent;
using Matrix = TransformComponent::Matrix;
using Vector3 = TransformComponent::Vector3;

constexpr float HalfPi = 1.57079632679f;

void step()
{
    Orva::ComponentPool<TransformComponent>::getInstance().update(0.016f);
}

void expectMatrixNear(const Matrix& actual, const Matrix& expected, float tolerance)
{
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_NEAR(actual.m[r][c], expected.m[r][c], tolerance) << "element " << r << "," << c;
        }
    }
}

class TransformTest : public WorldTest
{
protected:
    static TransformComponent* transformOf(const std::string& name, GameObject* parent = nullptr)
    {
        GameObject* object = objects().create(name, parent);
        return object->addComponent<TransformComponent>();
    }

    // Steps until the transform no longer counts as just updated.
    static void settle()
    {
        step();
        step();
        step();
    }
};

TEST_F(TransformTest, DefaultsAndTheSettledConstructor)
{
    TransformComponent fresh;
    EXPECT_EQ(fresh.type, 0);
    EXPECT_FALSE(fresh.hasJustUpdatedMatrix());
    EXPECT_EQ(fresh.getLocalScale().z, 1.0f);
    EXPECT_EQ(fresh.getUpVector().y, 1.0f);

    const Vector3 t{1.0f, 2.0f, 3.0f};
    const Vector3 s{2.0f, 4.0f, 1.0f};
    TransformComponent placed(t, s, HalfPi);
    EXPECT_TRUE(placed.hasJustUpdatedMatrix());
    EXPECT_EQ(placed.getWorldTranslation().y, 2.0f);
    EXPECT_EQ(placed.getWorldScale().y, 4.0f);
    EXPECT_EQ(placed.getWorldRotationRad(), HalfPi);
    expectMatrixNear(placed.getWorldMatrix(),
                     Matrix::translation(t) * Matrix::rotationZ(HalfPi) * Matrix::scale(s), 0.0f);
    EXPECT_NEAR(placed.getRightVector().y, 1.0f, 1e-6f);
    // Settled: an unchanged step turns the just-updated flag off at once.
    placed.update(0.016f);
    EXPECT_FALSE(placed.hasJustUpdatedMatrix());
}

TEST_F(TransformTest, RootWorldValuesAreTheLocalOnesAndTheMatrixIsTRS)
{
    TransformComponent* transform = transformOf("Root");
    const Vector3 t{3.0f, -1.0f, 0.5f};
    const Vector3 s{2.0f, 3.0f, 4.0f};
    transform->setLocalTranslation(t);
    transform->setLocalScale(s);
    transform->setLocalRotationRad(0.3f);
    step();
    EXPECT_EQ(transform->getWorldTranslation().x, 3.0f);
    EXPECT_EQ(transform->getWorldTranslation().z, 0.5f);
    EXPECT_EQ(transform->getWorldScale().z, 4.0f);
    EXPECT_EQ(transform->getWorldRotationRad(), 0.3f);
    expectMatrixNear(transform->getWorldMatrix(),
                     Matrix::translation(t) * Matrix::rotationZ(0.3f) * Matrix::scale(s), 0.0f);
    EXPECT_TRUE(transform->hasJustUpdatedMatrix());
}

TEST_F(TransformTest, ChildFollowsARotatedScaledParentAndWorldTranslationMapsBack)
{
    TransformComponent* parent = transformOf("Parent");
    parent->setLocalTranslation({2.0f, 0.0f, 0.0f});
    parent->setLocalRotationRad(HalfPi);
    parent->setLocalScale({2.0f, 2.0f, 2.0f});
    TransformComponent* child = transformOf("Child", parent->getOwner());
    child->setLocalTranslation({1.0f, 0.0f, 0.0f});
    step();
    EXPECT_NEAR(child->getWorldTranslation().x, 2.0f, 1e-6f);
    EXPECT_NEAR(child->getWorldTranslation().y, 2.0f, 1e-6f);
    EXPECT_NEAR(child->getWorldRotationRad(), HalfPi, 1e-6f);
    EXPECT_EQ(child->getWorldScale().x, 2.0f);

    child->setLocalTranslation({7.0f, 7.0f, 0.25f});
    child->setWorldTranslation({2.0f, 2.0f, 9.0f});
    EXPECT_NEAR(child->getLocalTranslation().x, 1.0f, 1e-6f);
    EXPECT_NEAR(child->getLocalTranslation().y, 0.0f, 1e-6f);
    EXPECT_EQ(child->getLocalTranslation().z, 0.25f) << "the local depth stays";
    EXPECT_EQ(child->getWorldTranslation().z, 9.0f);
}

TEST_F(TransformTest, WorldTranslationOfARootIsItsLocalTranslation)
{
    TransformComponent* root = transformOf("Root");
    settle();
    root->setWorldTranslation({4.0f, 5.0f, 6.0f});
    EXPECT_EQ(root->getLocalTranslation().y, 5.0f);
    EXPECT_EQ(root->getLocalTranslation().z, 6.0f);
    EXPECT_EQ(root->getWorldTranslation().x, 4.0f);
    step();
    EXPECT_TRUE(root->hasJustUpdatedMatrix());
    EXPECT_EQ(root->getWorldMatrix().m[1][3], 5.0f);
}

TEST_F(TransformTest, ChangesBelowTheThresholdAreNotSeen)
{
    TransformComponent* transform = transformOf("Root");
    settle();
    ASSERT_FALSE(transform->hasJustUpdatedMatrix());
    transform->getLocalScale().x += 1e-6f;
    step();
    EXPECT_FALSE(transform->hasJustUpdatedMatrix());
    EXPECT_EQ(transform->getWorldScale().x, 1.0f);

    transform->getLocalScale().x += 1e-4f;
    step();
    EXPECT_TRUE(transform->hasJustUpdatedMatrix());
    EXPECT_NEAR(transform->getWorldScale().x, 1.0001f, 1e-6f);
}

TEST_F(TransformTest, ForcedUpdateCountsAsJustUpdatedThroughOneMoreUnchangedStep)
{
    TransformComponent* transform = transformOf("Root");
    settle();
    transform->forceUpdate();
    EXPECT_TRUE(transform->hasJustUpdatedMatrix());
    step();
    EXPECT_TRUE(transform->hasJustUpdatedMatrix());
    step();
    EXPECT_FALSE(transform->hasJustUpdatedMatrix());

    // A recomputing step keeps it one step; only forceUpdate adds the extra one.
    transform->getLocalTranslation().x = 3.0f;
    step();
    EXPECT_TRUE(transform->hasJustUpdatedMatrix());
    step();
    EXPECT_FALSE(transform->hasJustUpdatedMatrix());
}

TEST_F(TransformTest, DirectionVectorsFollowTheWorldRotation)
{
    TransformComponent* transform = transformOf("Root");
    transform->setLocalRotationRad(HalfPi);
    step();
    EXPECT_NEAR(transform->getUpVector().x, -1.0f, 1e-6f);
    EXPECT_NEAR(transform->getUpVector().y, 0.0f, 1e-6f);
    EXPECT_NEAR(transform->getRightVector().x, 0.0f, 1e-6f);
    EXPECT_NEAR(transform->getRightVector().y, 1.0f, 1e-6f);
}

TEST_F(TransformTest, StepScalesDepthByTheParentButAForcedUpdateKeepsTheLocalDepth)
{
    TransformComponent* parent = transformOf("Parent");
    parent->setLocalScale({2.0f, 3.0f, 4.0f});
    TransformComponent* child = transformOf("Child", parent->getOwner());
    settle();
    // Only the child changes, so its own step recomputes it (a parent's recomputation would
    // force it instead).
    child->setLocalScale({1.0f, 1.0f, 0.5f});
    step();
    EXPECT_EQ(child->getWorldScale().x, 2.0f);
    EXPECT_EQ(child->getWorldScale().y, 3.0f);
    EXPECT_EQ(child->getWorldScale().z, 2.0f);

    child->forceUpdate();
    EXPECT_EQ(child->getWorldScale().y, 3.0f);
    EXPECT_EQ(child->getWorldScale().z, 0.5f);
}

TEST_F(TransformTest, WorldScaleAndRotationSettersLeaveTheChangeToTheChangeTest)
{
    TransformComponent* parent = transformOf("Parent");
    parent->setLocalScale({2.0f, 4.0f, 1.0f});
    parent->setLocalRotationRad(0.5f);
    TransformComponent* child = transformOf("Child", parent->getOwner());
    settle();

    // Locals that stay as they were: no recomputation, so the world values set stand.
    child->setWorldScale({2.0f, 4.0f, 1.0f});
    child->setWorldRotationRad(0.5f);
    EXPECT_EQ(child->getLocalScale().y, 1.0f);
    EXPECT_EQ(child->getLocalRotationRad(), 0.0f);
    step();
    EXPECT_FALSE(child->hasJustUpdatedMatrix());

    child->setWorldScale({1.0f, 1.0f, 1.0f});
    child->setWorldRotationRad(1.5f);
    EXPECT_EQ(child->getLocalScale().x, 0.5f);
    EXPECT_EQ(child->getLocalScale().y, 0.25f);
    EXPECT_EQ(child->getLocalRotationRad(), 1.0f);
    step();
    EXPECT_TRUE(child->hasJustUpdatedMatrix());
    EXPECT_EQ(child->getWorldScale().x, 1.0f);
    EXPECT_NEAR(child->getWorldRotationRad(), 1.5f, 1e-6f);
}

TEST_F(TransformTest, RecomputationReachesDescendantsThroughObjectsWithoutATransform)
{
    TransformComponent* top = transformOf("Top");
    GameObject* bare = objects().create("Bare", top->getOwner());
    TransformComponent* bottom = transformOf("Bottom", bare);
    bottom->setLocalTranslation({0.0f, 1.0f, 0.0f});
    settle();
    ASSERT_EQ(bottom->getWorldTranslation().y, 1.0f) << "no transform between: the root's";

    top->getLocalTranslation().x = 10.0f;
    step();
    EXPECT_EQ(bottom->getWorldTranslation().x, 0.0f)
        << "Bare has no transform, so Bottom has no parent transform";
    EXPECT_TRUE(bottom->hasJustUpdatedMatrix());

    // With a transform in the middle the chain carries the move down.
    bare->addComponent<TransformComponent>();
    top->getLocalTranslation().x = 20.0f;
    step();
    EXPECT_EQ(bottom->getWorldTranslation().x, 20.0f);
}

TEST_F(TransformTest, InactiveTransformsAndTransformsOfInactiveObjectsAreNotStepped)
{
    TransformComponent* asleep = transformOf("Asleep");
    TransformComponent* ownerAsleep = transformOf("OwnerAsleep");
    TransformComponent* awake = transformOf("Awake");
    settle();
    asleep->active = false;
    ownerAsleep->getOwner()->active = false;
    for (TransformComponent* transform : {asleep, ownerAsleep, awake}) {
        transform->getLocalTranslation().x = 1.0f;
    }
    step();
    EXPECT_EQ(asleep->getWorldTranslation().x, 0.0f);
    EXPECT_EQ(ownerAsleep->getWorldTranslation().x, 0.0f);
    EXPECT_EQ(awake->getWorldTranslation().x, 1.0f);
}

TEST_F(TransformTest, RebasingKeepsTheWorldPlacementUnderTheParent)
{
    TransformComponent* parent = transformOf("Parent");
    parent->setLocalTranslation({2.0f, 0.0f, 0.0f});
    parent->setLocalRotationRad(HalfPi);
    parent->setLocalScale({2.0f, 4.0f, 3.0f});
    TransformComponent* child = transformOf("Child", parent->getOwner());
    child->setLocalScale({1.0f, 1.0f, 5.0f});
    step();
    child->setWorldTranslation({2.0f, 2.0f, 0.0f});
    step();

    TransformComponent orphan; // no owner, so no parent: nothing to rebase on
    orphan.rebaseOnParent();
    EXPECT_EQ(orphan.getLocalTranslation().x, 0.0f);

    child->rebaseOnParent();
    EXPECT_NEAR(child->getLocalTranslation().x, 1.0f, 1e-6f);
    EXPECT_NEAR(child->getLocalTranslation().y, 0.0f, 1e-6f);
    EXPECT_NEAR(child->getLocalRotationRad(), 0.0f, 1e-6f);
    EXPECT_EQ(child->getLocalScale().y, 1.0f);
    EXPECT_EQ(child->getLocalScale().z, 5.0f) << "depth is not rebased";
}

TEST_F(TransformTest, ReflectedFieldsAreTheLocalValues)
{
    TransformComponent* transform = transformOf("Root");
    const Orva::ReflectionMap fields = transform->getReflectibles();
    ASSERT_EQ(fields.size(), 3u);
    *Orva::findReflected<Vector3>(fields, "LocalTranslation") = {1.0f, 2.0f, 3.0f};
    *Orva::findReflected<float>(fields, "LocalRotationRad") = 0.75f;
    *Orva::findReflected<Vector3>(fields, "LocalScale") = {4.0f, 5.0f, 6.0f};
    EXPECT_EQ(Orva::findReflected<float>(fields, "LocalScale"), nullptr);
    EXPECT_EQ(transform->getLocalTranslation().z, 3.0f);
    EXPECT_EQ(transform->getLocalRotationRad(), 0.75f);
    EXPECT_EQ(transform->getLocalScale().x, 4.0f);
}

TEST_F(TransformTest, PushRotationAimsTheNextFloatTweenAtTheLocalRotation)
{
    TransformComponent* transform = transformOf("Root");
    transform->pushRotation();
    EXPECT_EQ(Orva::Actions::primitiveFloatTarget, &transform->getLocalRotationRad());
    Orva::Actions::primitiveFloatTarget = nullptr;
}

TEST_F(TransformTest, InitForceUpdatesOnlyACachedTransform)
{
    GameObject* object = objects().create("Object");
    auto& pool = Orva::ComponentPool<TransformComponent>::getInstance();
    TransformComponent* loose = pool.allocate();
    loose->setOwner(object);
    loose->init();
    EXPECT_FALSE(loose->hasJustUpdatedMatrix()) << "the owner caches no transform";
    object->addComponentPairToList({&pool, loose});

    object->addComponent<TransformComponent>();
    loose->init();
    EXPECT_TRUE(loose->hasJustUpdatedMatrix());
}

TEST_F(TransformTest, DroppingEitherOfTwoCamerasClearsTheCameraFlag)
{
    auto& cameras = Orva::ComponentPool<Orva::CameraComponent>::getInstance();
    Orva::CameraComponent* first = cameras.allocate();
    Orva::CameraComponent* second = cameras.allocate();
    EXPECT_TRUE(Orva::CameraComponent::cameraExists());
    cameras.free(second);
    EXPECT_FALSE(Orva::CameraComponent::cameraExists());
    cameras.free(first);
    EXPECT_FALSE(Orva::CameraComponent::cameraExists());
}

} // namespace
