#pragma once

#include "core/Export.h"
#include "physics/PhysicsWorld.h"
#include "world/BaseComponent.h"

namespace Orva::Physics {

class RigidBody;

// STUB: what the game objects and the physics world need of a collider: its place in the
// world's collider list, its group and its attached body. The colliders issue replaces it
// (geometry, contact tests and responses).
class ORVA_API BaseCollider : public BaseComponent
{
public:
    BaseCollider() = default;
    BaseCollider(const BaseCollider&) = default;
    BaseCollider& operator=(const BaseCollider&) = default;
    // Leaves the world's collider list (swapped with the last entry), order not kept, and
    // tells an attached body that its collider is gone: components are freed in list order,
    // so the collider may go before its body.
    ~BaseCollider() override;

    // Joins the world's collider list.
    void init() { PhysicsWorld::getInstance().getListOfCollider().push_back(this); }
    void update(float /*dt*/) {}

    void attachRigidBody(RigidBody* body) noexcept { rigidBody_ = body; }
    RigidBody* getRigidBody() const noexcept { return rigidBody_; }
    int getCollisionGroupIndex() const noexcept { return collisionGroupIndex_; }
    void setCollisionGroupIndex(int index) noexcept { collisionGroupIndex_ = index; }

    bool isGhost = false;

private:
    RigidBody* rigidBody_ = nullptr;
    int collisionGroupIndex_ = 0;
};

} // namespace Orva::Physics
