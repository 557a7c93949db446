#pragma once

#include "core/Export.h"
#include "core/Vector.h"
#include "physics/BaseCollider.h"

namespace Orva::Physics {

// A circle of radius times the owner's world x scale. Offsets under 0.01 on both axes are
// ignored: the circle then sits on its owner.
class ORVA_API CircleCollider : public BaseCollider
{
public:
    static constexpr int TypeNumber = 5;

    CircleCollider() noexcept : BaseCollider(Circle, TypeNumber) {}

    // "Active", "Radius", "Offset", "CollisionGroup", "IsGhost".
    ReflectionMap getReflectibles() override;

    // The pool's step: recomputes the world geometry when it may have changed.
    void update(float dt);
    // Recomputes the world geometry now from the owner's transform, if any. Unlike the
    // pool's step it does not make the collider one the world pairs.
    void refreshGeometry();

    CollisionManifold* testCollision(BaseCollider* other) override { return other->testAgainstCircle(this); }
    void resolveCollision(BaseCollider* other, CollisionManifold* manifold) override
    {
        other->respondToCircle(this, manifold);
    }
    bool checkPointIsWithin(const Vector2& point) const override;
    const Vector2& getActualCenter() const override { return actualCenter_; }

    CollisionManifold* testAgainstAABB(AABBCollider* other) override;
    CollisionManifold* testAgainstBox(BoxCollider* other) override;
    CollisionManifold* testAgainstCircle(CircleCollider* other) override;
    void respondToCircle(CircleCollider* first, CollisionManifold* manifold) override;
    void respondToAABB(AABBCollider* first, CollisionManifold* manifold) override;

    // Centre x, centre y and the radius in world units, as of the last refresh.
    Math::Vector3D<float> getCircleRealInformation() const noexcept
    {
        return {actualCenter_.x, actualCenter_.y, actualRadius_};
    }
    float getActualRadius() const noexcept { return actualRadius_; }

    float radius = 0.5f;
    Vector2 offset{0.0f, 0.0f};

private:
    void refresh(const TransformComponent& transform);

    Vector2 actualCenter_;
    Vector2 cachedOffset_;
    float cachedRadius_ = 0.0f;
    float actualRadius_ = 0.0f;
};

} // namespace Orva::Physics
