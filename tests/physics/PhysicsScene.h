#pragma once

// Scenes for the physics tests: objects without parents at scale 1, placed at once, with
// one collider each. A "step" is the world's step of 0.016 s followed by the pools' step,
// as the engine runs them; settle() is one pools' step alone, which gives new colliders
// their geometry.

#include <memory>
#include <string>

#include "physics/AABBCollider.h"
#include "physics/BoxCollider.h"
#include "physics/CircleCollider.h"
#include "physics/PhysicsWorld.h"
#include "physics/RigidBody.h"
#include "world/GameObjectManager.h"
#include "world/GlobalComponentManager.h"
#include "world/TransformComponent.h"

namespace scene {

using Orva::GameObject;
using Orva::Physics::AABBCollider;
using Orva::Physics::BaseCollider;
using Orva::Physics::BoxCollider;
using Orva::Physics::CircleCollider;
using Orva::Physics::PhysicsWorld;
using Orva::Physics::RigidBody;
using Vector2 = Orva::Math::Vector2D<float>;

constexpr float Step = 0.016f;

inline PhysicsWorld& world()
{
    return PhysicsWorld::getInstance();
}

inline GameObject* placed(const std::string& name, float x, float y, float angle = 0.0f)
{
    GameObject* object = Orva::GameObjectManager::getInstance().create(name);
    Orva::TransformComponent* transform = object->addComponent<Orva::TransformComponent>();
    transform->setLocalTranslation({x, y, 0.0f});
    transform->setLocalRotationRad(angle);
    transform->forceUpdate();
    return object;
}

inline CircleCollider* circle(const std::string& name, float x, float y, float radius = 0.5f)
{
    auto* collider = placed(name, x, y)->addComponent<CircleCollider>();
    collider->radius = radius;
    return collider;
}

inline AABBCollider* aabb(const std::string& name, float x, float y, float width = 1.0f, float height = 1.0f)
{
    auto* collider = placed(name, x, y)->addComponent<AABBCollider>();
    collider->size = {width, height};
    return collider;
}

inline BoxCollider* box(const std::string& name, float x, float y, float width, float height,
                        float angle = 0.0f)
{
    auto* collider = placed(name, x, y, angle)->addComponent<BoxCollider>();
    collider->size = {width, height};
    return collider;
}

inline RigidBody* body(BaseCollider* collider, float vx = 0.0f, float vy = 0.0f)
{
    RigidBody* added = collider->owner->addComponent<RigidBody>();
    added->velocity = {vx, vy, 0.0f};
    return added;
}

inline void settle()
{
    Orva::GlobalComponentManager::update(Step);
}

inline void step(int count = 1)
{
    for (int i = 0; i < count; ++i) {
        world().update(Step);
        settle();
    }
}

inline Orva::Math::Vector3D<float>& position(const BaseCollider* collider)
{
    return collider->owner->getTransform()->getLocalTranslation();
}

// What a pair test found: the manifold's fields, the manifold itself freed.
struct Contact
{
    bool found = false;
    BaseCollider* first = nullptr;
    Vector2 normal;
    float penetration = 0.0f;
};

inline Contact test(BaseCollider* earlier, BaseCollider* later)
{
    const std::unique_ptr<Orva::Physics::CollisionManifold> manifold(earlier->testCollision(later));
    if (!manifold) {
        return {};
    }
    return {true, manifold->first, manifold->normal, manifold->penetration};
}

} // namespace scene
