#include "physics/AABBCollider.h"

#include "graphics/SpriteComponent.h"
#include "physics/Contacts_internal.h"
#include "world/GameObject.h"
#include "world/TransformComponent.h"

namespace Orva::Physics {

ReflectionMap AABBCollider::getReflectibles()
{
    ReflectionMap properties = commonReflectibles(offset);
    properties.emplace("Size", Reflectable(size));
    return properties;
}

void AABBCollider::init()
{
    // A sprite still waiting for its image has no size yet (below 0): the box keeps its own.
    if (const auto* sprite = owner ? owner->getComponent<Graphics::SpriteComponent>() : nullptr) {
        const Vector2 spriteSize = sprite->getSize();
        if (spriteSize.x >= 0.0f && spriteSize.y >= 0.0f) {
            size = spriteSize;
        }
    }
    BaseCollider::init();
}

void AABBCollider::update(float)
{
    if (const TransformComponent* transform =
            transformForStep(moved(offset, cachedOffset_) || moved(size, cachedSize_))) {
        placement_ = placeBox(*transform, size, offset);
        const Vector2& c = placement_.center;
        const Vector2& h = placement_.half;
        corners_ = {Vector2{c.x - h.x, c.y + h.y}, Vector2{c.x - h.x, c.y - h.y},
                    Vector2{c.x + h.x, c.y - h.y}, Vector2{c.x + h.x, c.y + h.y}};
        setBounds({corners_[0], corners_[1], corners_[2], corners_[3]});
        cachedOffset_ = offset;
        cachedSize_ = size;
    }
}

bool AABBCollider::checkPointIsWithin(const Vector2& point) const
{
    const Vector2& c = placement_.center;
    const Vector2& h = placement_.half;
    return c.x - h.x < point.x && point.x < c.x + h.x && c.y - h.y < point.y && point.y < c.y + h.y;
}

CollisionManifold* AABBCollider::testAgainstAABB(AABBCollider* other)
{
    return Contacts::aabbAabb(*this, *other);
}

CollisionManifold* AABBCollider::testAgainstBox(BoxCollider* other)
{
    return Contacts::aabbBox(*this, *other);
}

CollisionManifold* AABBCollider::testAgainstCircle(CircleCollider* other)
{
    return Contacts::aabbCircle(*this, *other);
}

// The world never gets here (a box is always the first of a pair with a circle); the
// response is the circle's all the same.
void AABBCollider::respondToCircle(CircleCollider* first, CollisionManifold* manifold)
{
    Contacts::respondCircleAABB(*this, *first, *manifold);
}

void AABBCollider::respondToAABB(AABBCollider* first, CollisionManifold* manifold)
{
    Contacts::respondAABBAABB(*first, *this, *manifold);
}

} // namespace Orva::Physics
