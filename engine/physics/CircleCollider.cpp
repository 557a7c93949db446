#include "physics/CircleCollider.h"

#include <cmath>

#include "physics/Contacts_internal.h"
#include "world/TransformComponent.h"

namespace Orva::Physics {

namespace {

// Offsets and angles below this are taken as none.
constexpr float Negligible = 0.01f;

} // namespace

ReflectionMap CircleCollider::getReflectibles()
{
    ReflectionMap properties = commonReflectibles(offset);
    properties.emplace("Radius", Reflectable(radius));
    return properties;
}

void CircleCollider::update(float)
{
    const bool shapeMoved =
        moved(offset.x, cachedOffset_.x) || moved(offset.y, cachedOffset_.y) || moved(radius, cachedRadius_);
    if (const TransformComponent* transform = transformForStep(shapeMoved)) {
        refresh(*transform);
    }
}

void CircleCollider::refreshGeometry()
{
    if (const TransformComponent* transform = ownerTransform()) {
        refresh(*transform);
    }
}

void CircleCollider::refresh(const TransformComponent& transform)
{
    const auto& translation = transform.getWorldTranslation();
    const auto& scale = transform.getWorldScale();
    const float angle = transform.getWorldRotationRad();
    if (std::fabs(offset.x) < Negligible && std::fabs(offset.y) < Negligible) {
        actualCenter_ = {translation.x, translation.y};
    } else if (std::fabs(angle) < Negligible) {
        actualCenter_ = {translation.x + offset.x * scale.x, translation.y + offset.y * scale.y};
    } else {
        // A turned offset is scaled by the x scale on both axes.
        const auto cosine = static_cast<float>(std::cos(static_cast<double>(angle)));
        const auto sine = static_cast<float>(std::sin(static_cast<double>(angle)));
        actualCenter_ = {translation.x + scale.x * (offset.x * cosine - offset.y * sine),
                         translation.y + scale.x * (offset.x * sine + offset.y * cosine)};
    }
    actualRadius_ = radius * scale.x;
    const float reach = std::fabs(actualRadius_);
    setBounds({{actualCenter_.x - reach, actualCenter_.y - reach},
               {actualCenter_.x + reach, actualCenter_.y + reach}});
    cachedOffset_ = offset;
    cachedRadius_ = radius;
}

bool CircleCollider::checkPointIsWithin(const Vector2& point) const
{
    const float dx = point.x - actualCenter_.x;
    const float dy = point.y - actualCenter_.y;
    return dx * dx + dy * dy < actualRadius_ * actualRadius_;
}

CollisionManifold* CircleCollider::testAgainstAABB(AABBCollider* other)
{
    return Contacts::aabbCircle(*other, *this);
}

CollisionManifold* CircleCollider::testAgainstBox(BoxCollider* other)
{
    return Contacts::boxCircle(*other, *this);
}

CollisionManifold* CircleCollider::testAgainstCircle(CircleCollider* other)
{
    return Contacts::circleCircle(*this, *other);
}

void CircleCollider::respondToCircle(CircleCollider* first, CollisionManifold* manifold)
{
    Contacts::respondCircleCircle(*first, *this, *manifold);
}

void CircleCollider::respondToAABB(AABBCollider* first, CollisionManifold* manifold)
{
    Contacts::respondCircleAABB(*first, *this, *manifold);
}

} // namespace Orva::Physics
