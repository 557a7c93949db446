#pragma once

#include <cstdint>

#include "core/BaseEvent.h"
#include "core/Export.h"
#include "core/MemoryPoolManager.h"
#include "core/Vector.h"

namespace Orva::Physics {

class BaseCollider;

// What a collision listener reads ("collisionEvent" in scripts): the collider it listens to,
// the one it touches, the kind of contact and the contact normal, which points from the
// manifold's second collider towards its first. The hash code is the kind's event name.
struct ORVA_API CollisionEvent : BaseEvent
{
    enum CollisionEventType : std::int32_t { Enter = 0, Exit = 1, Persist = 2 };

    CollisionEvent() = default;
    CollisionEvent(BaseCollider* thisCollider, BaseCollider* otherCollider, CollisionEventType type,
                   const Math::Vector2D<float>& normal, std::uint32_t code) noexcept;
    CollisionEvent(const CollisionEvent&) = default;
    CollisionEvent& operator=(const CollisionEvent&) = default;
    ~CollisionEvent() override;

    BaseCollider* thisCollider = nullptr;
    BaseCollider* otherCollider = nullptr;
    CollisionEventType type = Enter;
    Math::Vector2D<float> normal;
};

// One contact found by a pair test and resolved by the world in the same step.
struct ORVA_API CollisionManifold
{
    ORVA_POOLED_OPERATORS_WITH_ARRAYS(CollisionManifold)

    BaseCollider* first = nullptr;
    BaseCollider* second = nullptr;
    // Unit length, from second towards first.
    Math::Vector2D<float> normal;
    float penetration = 0.0f;
};

} // namespace Orva::Physics
