#include "physics/BaseCollider.h"

#include "physics/RigidBody.h"

namespace Orva::Physics {

BaseCollider::~BaseCollider()
{
    if (rigidBody_) {
        rigidBody_->detachCollider();
    }
    if (PhysicsWorld::hasInstance()) {
        removeUnordered(PhysicsWorld::getInstance().getListOfCollider(), this);
    }
}

} // namespace Orva::Physics
