#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WorldFixture.h"
#include "actions/ActionComponent.h"
#include "audio/AudioComponent.h"
#include "audio/AudioManager.h"
#include "graphics/ParticleEmitterComponent.h"
#include "graphics/SpriteComponent.h"
#include "graphics/SpriteFontComponent.h"
#include "physics/AABBCollider.h"
#include "physics/BoxCollider.h"
#include "physics/CircleCollider.h"
#include "physics/RigidBody.h"
#include "world/CameraComponent.h"
#include "world/ComponentPool.h"
#include "world/TransformComponent.h"

namespace {

using Orva::BaseComponent;
using Orva::ComponentPool;
using Orva::GameObject;
using Orva::TransformComponent;
using Orva::Graphics::SpriteComponent;
using Orva::Physics::AABBCollider;
using Orva::Physics::BoxCollider;
using Orva::Physics::CircleCollider;
using Orva::Physics::RigidBody;

Orva::Physics::PhysicsWorld& physics()
{
    return Orva::Physics::PhysicsWorld::getInstance();
}

// The pool names of the object's components, in list order.
std::vector<std::string> poolNames(const GameObject& object)
{
    std::vector<std::string> names;
    for (const auto& [pool, component] : object.getComponentList()) {
        names.emplace_back(pool->getName());
    }
    return names;
}

class GameObjectComponentTest : public WorldTest
{
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        object = objects().create("Hero");
    }

    GameObject* object = nullptr;
};

TEST_F(GameObjectComponentTest, AddingByNameOwnsTheComponentAndWiresOnlyATransform)
{
    BaseComponent* transform = object->addComponent("TransformComponent");
    ASSERT_NE(transform, nullptr);
    EXPECT_EQ(object->getTransform(), transform);
    EXPECT_EQ(transform->getOwner(), object);
    EXPECT_TRUE(object->getTransform()->hasJustUpdatedMatrix()) << "force-updated when added";

    BaseComponent* box = object->addComponent(std::string("BoxCollider"));
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(physics().getListOfCollider().empty()) << "by name, a collider is not wired";

    ASSERT_EQ(object->getComponentList().size(), 2u);
    const auto& [pool, component] = object->getComponentList().back();
    EXPECT_EQ(pool, &ComponentPool<BoxCollider>::getInstance());
    EXPECT_EQ(component, box);
    EXPECT_EQ(object->getComponent("BoxCollider"), box);
    EXPECT_EQ(object->getComponent<BoxCollider>(), box);
}

TEST_F(GameObjectComponentTest, UnknownPoolNamesLeaveTheObjectAsItWas)
{
    object->addComponent("SpriteComponent");
    EXPECT_EQ(object->addComponent("Sprite"), nullptr);
    EXPECT_EQ(object->addComponent("spritecomponent"), nullptr);
    EXPECT_EQ(object->getComponent("Sprite"), nullptr);
    object->removeComponent("Sprite");
    EXPECT_EQ(poolNames(*object), (std::vector<std::string>{"SpriteComponent"}));
    EXPECT_EQ(ComponentPool<SpriteComponent>::getInstance().getAllocationCount(), 1);
}

TEST_F(GameObjectComponentTest, RemovalTakesTheFirstMatchAndGivesItBackToItsPool)
{
    auto& sprites = ComponentPool<SpriteComponent>::getInstance();
    BaseComponent* first = object->addComponent("SpriteComponent");
    object->addComponent<TransformComponent>();
    BaseComponent* second = object->addComponent("SpriteComponent");

    object->removeComponent("SpriteComponent");
    EXPECT_EQ(object->getComponent("SpriteComponent"), second);
    EXPECT_EQ(sprites.getFreeCount(), 1);
    EXPECT_EQ(sprites.allocate(), first) << "the freed slot is handed out next";

    object->removeComponent<TransformComponent>();
    EXPECT_EQ(object->getTransform(), nullptr);
    EXPECT_EQ(object->getComponent<TransformComponent>(), nullptr);
    EXPECT_EQ(ComponentPool<TransformComponent>::getInstance().getInUseCount(), 0);
    object->removeComponent(object->addComponent<TransformComponent>());
    EXPECT_EQ(object->getTransform(), nullptr);
    object->addComponent<TransformComponent>();
    object->removeComponent("TransformComponent");
    EXPECT_EQ(object->getTransform(), nullptr);

    object->removeComponent(second);
    EXPECT_TRUE(object->getComponentList().empty());
    object->removeComponent(second); // no longer on the object
    object->removeComponent<SpriteComponent>();
    EXPECT_EQ(sprites.getFreeCount(), 2);
}

TEST_F(GameObjectComponentTest, TypedTransformIsCachedAndForceUpdatedUnderItsParent)
{
    GameObject* parent = objects().create("Parent");
    parent->addComponent<TransformComponent>()->setLocalTranslation({3.0f, 4.0f, 0.0f});
    parent->getTransform()->forceUpdate();
    object->setParent(parent);

    TransformComponent* transform = object->addComponent<TransformComponent>();
    EXPECT_EQ(object->getTransform(), transform);
    EXPECT_EQ(transform->type, TransformComponent::TypeNumber);
    EXPECT_EQ(transform->getWorldTranslation().x, 3.0f);
    EXPECT_EQ(transform->getWorldTranslation().y, 4.0f);
}

TEST_F(GameObjectComponentTest, TypedCollidersJoinThePhysicsWorld)
{
    auto* box = object->addComponent<BoxCollider>();
    auto* circle = object->addComponent<CircleCollider>();
    auto* aabb = object->addComponent<AABBCollider>();
    EXPECT_EQ(physics().getListOfCollider().size(), 3u);
    EXPECT_EQ(physics().getListOfCollider()[0], box);
    EXPECT_EQ(physics().getListOfCollider()[1], circle);
    EXPECT_EQ(physics().getListOfCollider()[2], aabb);
    EXPECT_EQ(aabb->size.x, 1.0f) << "no sprite: the default size stays";

    object->removeComponent<CircleCollider>();
    EXPECT_EQ(physics().getListOfCollider().size(), 2u);
}

TEST_F(GameObjectComponentTest, AxisAlignedColliderTakesTheSpriteSize)
{
    object->addComponent<SpriteComponent>()->setSize({3.0f, 0.5f});
    auto* aabb = object->addComponent<AABBCollider>();
    EXPECT_EQ(aabb->size.x, 3.0f);
    EXPECT_EQ(aabb->size.y, 0.5f);

    // A sprite still waiting for its image has no size: the box keeps its own.
    object->removeComponent<AABBCollider>();
    object->removeComponent<SpriteComponent>();
    object->addComponent<SpriteComponent>();
    EXPECT_EQ(object->addComponent<AABBCollider>()->size.x, 1.0f);
}

TEST_F(GameObjectComponentTest, RigidBodyNeedsAColliderAndATransform)
{
    auto& bodies = ComponentPool<RigidBody>::getInstance();
    EXPECT_EQ(object->addComponent<RigidBody>(), nullptr);
    object->addComponent<TransformComponent>();
    EXPECT_EQ(object->addComponent<RigidBody>(), nullptr);
    object->removeComponent<TransformComponent>();
    auto* circle = object->addComponent<CircleCollider>();
    EXPECT_EQ(object->addComponent<RigidBody>(), nullptr);
    EXPECT_EQ(bodies.getAllocationCount(), 0);

    auto* transform = object->addComponent<TransformComponent>();
    auto* body = object->addComponent<RigidBody>();
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->getOwner(), object);
    EXPECT_EQ(body->getCollider(), circle);
    EXPECT_EQ(body->getTransform(), transform);
    EXPECT_EQ(circle->getRigidBody(), body);
    ASSERT_EQ(physics().getListOfRigidBody().size(), 1u);
    EXPECT_EQ(physics().getListOfRigidBody()[0], body);
    EXPECT_EQ(object->getComponent<RigidBody>(), body);

    object->removeComponent<RigidBody>();
    EXPECT_EQ(circle->getRigidBody(), nullptr);
    EXPECT_TRUE(physics().getListOfRigidBody().empty());
}

TEST_F(GameObjectComponentTest, ColliderIsTheFirstEntryOfAnyColliderType)
{
    EXPECT_EQ(object->getCollider(), nullptr);
    object->addComponent<SpriteComponent>();
    auto* circle = object->addComponent<CircleCollider>();
    object->addComponent<BoxCollider>();
    EXPECT_EQ(object->getCollider(), circle);
    object->removeComponent<CircleCollider>();
    EXPECT_EQ(object->getCollider(), object->getComponent<BoxCollider>());
}

TEST_F(GameObjectComponentTest, UnwiredTypesComeFromTheirPools)
{
    auto* font = object->addComponent<Orva::Graphics::SpriteFontComponent>();
    auto* action = object->addComponent<Orva::Actions::ActionComponent>();
    auto* emitter = object->addComponent<Orva::Graphics::ParticleEmitterComponent>();
    auto* audio = object->addComponent<Orva::Audio::AudioComponent>();
    EXPECT_EQ(poolNames(*object), (std::vector<std::string>{"SpriteFontComponent", "ActionComponent",
                                                            "ParticleEmitterComponent", "AudioComponent"}));
    EXPECT_EQ(font->type, 3);
    EXPECT_EQ(action->type, 13);
    EXPECT_EQ(emitter->getOwner(), object);
    ASSERT_NE(audio->audioGroup, nullptr);
    EXPECT_EQ(audio->audioGroup, Orva::Audio::AudioManager::getInstance().createGroup(object->name))
        << "the group of the object's name";
}

TEST_F(GameObjectComponentTest, TakingACameraRaisesTheFlagAndDroppingAnyCameraClearsIt)
{
    EXPECT_FALSE(Orva::CameraComponent::cameraExists());
    object->addComponent<Orva::CameraComponent>();
    EXPECT_TRUE(Orva::CameraComponent::cameraExists());

    GameObject* second = objects().create("Second");
    second->addComponent("CameraComponent");
    object->removeComponent<Orva::CameraComponent>();
    EXPECT_FALSE(Orva::CameraComponent::cameraExists()) << "cleared although one camera remains";
    EXPECT_NE(second->getComponent<Orva::CameraComponent>(), nullptr);
}

TEST_F(GameObjectComponentTest, PairsAreAppendedAsGiven)
{
    auto& sprites = ComponentPool<SpriteComponent>::getInstance();
    SpriteComponent* sprite = sprites.allocate();
    object->addComponentPairToList({&sprites, sprite});
    EXPECT_EQ(object->getComponent<SpriteComponent>(), sprite);
    EXPECT_EQ(sprite->getOwner(), nullptr) << "the caller wires what it appends";
}

TEST_F(GameObjectComponentTest, DestroyingTheObjectGivesEveryComponentBack)
{
    object->addComponent<TransformComponent>();
    object->addComponent<CircleCollider>();
    object->addComponent<RigidBody>();
    object->addComponent<Orva::CameraComponent>();

    // The collider comes first in the list, so it is freed before the body that points at it.
    objects().destroy(object);
    EXPECT_EQ(ComponentPool<TransformComponent>::getInstance().getInUseCount(), 0);
    EXPECT_EQ(ComponentPool<CircleCollider>::getInstance().getInUseCount(), 0);
    EXPECT_FALSE(Orva::CameraComponent::cameraExists());
    EXPECT_TRUE(physics().getListOfCollider().empty());
    EXPECT_TRUE(physics().getListOfRigidBody().empty());
}

} // namespace
