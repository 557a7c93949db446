#pragma once

#include "core/Export.h"
#include "core/SwapRemove.h"
#include "core/Vector.h"
#include "physics/BaseCollider.h"
#include "physics/PhysicsWorld.h"
#include "world/BaseComponent.h"

namespace Orva {
class TransformComponent;
}

namespace Orva::Physics {

// STUB: a body tied to its object's collider and transform and listed in the world, with the
// motion values its reader sets. The rigid-body issue replaces it (integration, responses).
class ORVA_API RigidBody : public BaseComponent
{
public:
    static constexpr int TypeNumber = 7;

    RigidBody() { type = TypeNumber; }
    RigidBody(const RigidBody&) = default;
    RigidBody& operator=(const RigidBody&) = default;
    // Detaches from the collider and leaves the world's body list.
    ~RigidBody() override
    {
        if (collider_) {
            collider_->attachRigidBody(nullptr);
        }
        if (PhysicsWorld::hasInstance()) {
            swapRemove(PhysicsWorld::getInstance().getListOfRigidBody(), this);
        }
    }

    // Keeps both and joins the world's body list.
    void init(BaseCollider* collider, TransformComponent* transform)
    {
        collider_ = collider;
        transform_ = transform;
        PhysicsWorld::getInstance().getListOfRigidBody().push_back(this);
    }
    void update(float /*dt*/) {}

    BaseCollider* getCollider() const noexcept { return collider_; }
    void detachCollider() noexcept { collider_ = nullptr; }
    TransformComponent* getTransform() const noexcept { return transform_; }

    Math::Vector3D<float> velocity{0.0f, 0.0f, 0.0f};
    // Radians per second.
    float angularVelocity = 0.0f;
    Math::Vector3D<float> acceleration{0.0f, 0.0f, 0.0f};
    float mass = 1.0f;
    float restitution = 1.0f;
    float kineticFriction = 0.5f;

private:
    BaseCollider* collider_ = nullptr;
    TransformComponent* transform_ = nullptr;
};

} // namespace Orva::Physics
