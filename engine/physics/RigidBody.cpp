#include "physics/RigidBody.h"

#include "physics/BaseCollider.h"
#include "physics/PhysicsWorld.h"
#include "world/GameObject.h"
#include "world/TransformComponent.h"

namespace Orva::Physics {

RigidBody::~RigidBody()
{
    if (collider_) {
        collider_->attachRigidBody(nullptr);
    }
    if (PhysicsWorld::hasInstance()) {
        PhysicsWorld::getInstance().removeRigidBody(this);
    }
}

ReflectionMap RigidBody::getReflectibles()
{
    ReflectionMap properties;
    properties.emplace("Active", Reflectable(active));
    properties.emplace("Velocity", Reflectable(velocity));
    properties.emplace("AngularVelocity", Reflectable(angularVelocity));
    properties.emplace("Acceleration", Reflectable(acceleration));
    properties.emplace("Mass", Reflectable(mass));
    properties.emplace("Restitution", Reflectable(restitution));
    properties.emplace("KineticFriction", Reflectable(kineticFriction));
    return properties;
}

void RigidBody::init(BaseCollider* collider, TransformComponent*)
{
    collider_ = collider;
    PhysicsWorld::getInstance().addRigidBody(this);
}

TransformComponent* RigidBody::getTransform() const noexcept
{
    return owner ? owner->getTransform() : nullptr;
}

void RigidBody::integrate(float dt) noexcept
{
    TransformComponent* transform = getTransform();
    if (!transform) {
        return;
    }
    velocity.x += acceleration.x * dt;
    velocity.y += acceleration.y * dt;
    velocity.z += acceleration.z * dt;
    auto& translation = transform->getLocalTranslation();
    translation.x += velocity.x * dt;
    translation.y += velocity.y * dt;
    translation.z += velocity.z * dt;
    transform->getLocalRotationRad() += angularVelocity * dt;
}

} // namespace Orva::Physics
