#pragma once

#include "core/Export.h"
#include "core/Reflectable.h"
#include "core/SwapRemove.h"
#include "core/Vector.h"
#include "world/BaseComponent.h"

namespace Orva {
class TransformComponent;
}

namespace Orva::Physics {

class BaseCollider;

// Moves its object under the physics step: the world integrates velocity and angular
// velocity into the owner's transform, and contact responses change the velocity and push
// the transform. Mass and kinetic friction are kept for scripts and data; nothing reads them.
class ORVA_API RigidBody : public BaseComponent
{
public:
    static constexpr int TypeNumber = 7;

    RigidBody() noexcept { type = TypeNumber; }
    RigidBody(const RigidBody&) = default;
    RigidBody& operator=(const RigidBody&) = default;
    // Detaches from the collider and leaves the world's body list.
    ~RigidBody() override;

    // "Active", "Velocity", "AngularVelocity", "Acceleration", "Mass", "Restitution",
    // "KineticFriction".
    ReflectionMap getReflectibles() override;

    // Keeps the collider and joins the world's body list. The transform is always reached
    // through the owner, so a transform removed later is never followed.
    void init(BaseCollider* collider, TransformComponent* transform);

    // One semi-implicit Euler step of dt seconds: the new velocity moves the owner's local
    // translation. Nothing happens when the owner has no transform.
    void integrate(float dt) noexcept;

    Math::Vector3D<float>& getVelocity() noexcept { return velocity; }
    void setVelocity(const Math::Vector3D<float>& value) noexcept { velocity = value; }
    Math::Vector3D<float>& getAcceleration() noexcept { return acceleration; }
    void setAcceleration(const Math::Vector3D<float>& value) noexcept { acceleration = value; }
    BaseCollider* getCollider() const noexcept { return collider_; }
    void detachCollider() noexcept { collider_ = nullptr; }
    // The owner's current transform; null when it has none.
    TransformComponent* getTransform() const noexcept;

    Math::Vector3D<float> velocity{0.0f, 0.0f, 0.0f};
    // Radians per second.
    float angularVelocity = 0.0f;
    Math::Vector3D<float> acceleration{0.0f, 0.0f, 0.0f};
    float mass = 1.0f;
    float restitution = 1.0f;
    float kineticFriction = 0.5f;

private:
    friend class PhysicsWorld;

    BaseCollider* collider_ = nullptr;
    ListIndex listIndex_;
};

} // namespace Orva::Physics
