#include "physics/CollisionEvent.h"

namespace Orva::Physics {

CollisionEvent::CollisionEvent(BaseCollider* thisCollider, BaseCollider* otherCollider,
                               CollisionEventType type, const Math::Vector2D<float>& normal,
                               std::uint32_t code) noexcept
    : thisCollider(thisCollider), otherCollider(otherCollider), type(type), normal(normal)
{
    hashCode = code;
}

CollisionEvent::~CollisionEvent() = default;

} // namespace Orva::Physics
