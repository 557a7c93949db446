#include "physics/BoxCollider.h"

#include <cmath>

#include "physics/Contacts_internal.h"
#include "world/TransformComponent.h"

namespace Orva::Physics {

ReflectionMap BoxCollider::getReflectibles()
{
    ReflectionMap properties = commonReflectibles(offset);
    properties.emplace("Size", Reflectable(size));
    return properties;
}

void BoxCollider::update(float)
{
    const TransformComponent* transform =
        transformForStep(moved(size, cachedSize_) || moved(offset, cachedOffset_));
    if (!transform) {
        return;
    }
    placement_ = placeBox(*transform, size, offset);
    const double angle = transform->getWorldRotationRad();
    boxXAxis_ = {static_cast<float>(std::cos(angle)), static_cast<float>(std::sin(angle))};
    const Vector2 yAxis{-boxXAxis_.y, boxXAxis_.x};
    const Vector2& c = placement_.center;
    const Vector2& h = placement_.half;
    const auto corner = [&](float sx, float sy) {
        return Vector2{c.x + boxXAxis_.x * sx * h.x + yAxis.x * sy * h.y,
                       c.y + boxXAxis_.y * sx * h.x + yAxis.y * sy * h.y};
    };
    edges_ = {corner(-1.0f, 1.0f), corner(-1.0f, -1.0f), corner(1.0f, -1.0f), corner(1.0f, 1.0f)};
    setBounds({edges_[0], edges_[1], edges_[2], edges_[3]});
    cachedSize_ = size;
    cachedOffset_ = offset;
}

bool BoxCollider::checkPointIsWithin(const Vector2& point) const
{
    const Vector2 d{point.x - placement_.center.x, point.y - placement_.center.y};
    const float alongX = d.x * boxXAxis_.x + d.y * boxXAxis_.y;
    const float alongY = d.x * -boxXAxis_.y + d.y * boxXAxis_.x;
    return std::fabs(alongX) < placement_.half.x && std::fabs(alongY) < placement_.half.y;
}

CollisionManifold* BoxCollider::testAgainstAABB(AABBCollider* other)
{
    return Contacts::aabbBox(*other, *this);
}

CollisionManifold* BoxCollider::testAgainstBox(BoxCollider* other)
{
    return Contacts::boxBox(*this, *other);
}

CollisionManifold* BoxCollider::testAgainstCircle(CircleCollider* other)
{
    return Contacts::boxCircle(*this, *other);
}

} // namespace Orva::Physics
