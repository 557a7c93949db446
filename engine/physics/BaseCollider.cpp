#include "physics/BaseCollider.h"

#include "core/SwapRemove.h"
#include "physics/RigidBody.h"

namespace Orva::Physics {

BaseCollider::~BaseCollider()
{
    if (rigidBody_) {
        rigidBody_->detachCollider();
    }
    if (PhysicsWorld::hasInstance()) {
        swapRemove(PhysicsWorld::getInstance().getListOfCollider(), this);
    }
}

} // namespace Orva::Physics
