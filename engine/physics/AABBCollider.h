#pragma once

#include <array>

#include "core/Export.h"
#include "core/Vector.h"
#include "physics/BaseCollider.h"

namespace Orva::Physics {

// A box whose extents follow the world axes whatever the owner's rotation (only its offset
// turns with it). Corners 0 to 3: top left, bottom left, bottom right, top right.
class ORVA_API AABBCollider : public BaseCollider
{
public:
    static constexpr int TypeNumber = 6;

    AABBCollider() noexcept : BaseCollider(AxisAligned, TypeNumber) {}

    // "Active", "Size", "Offset", "CollisionGroup", "IsGhost".
    ReflectionMap getReflectibles() override;

    // Takes the size of the owner's sprite, when it has one whose size is set, then joins the
    // world.
    void init();
    // The pool's step: recomputes the world geometry when it may have changed.
    void update(float dt);

    CollisionManifold* testCollision(BaseCollider* other) override { return other->testAgainstAABB(this); }
    void resolveCollision(BaseCollider* other, CollisionManifold* manifold) override
    {
        other->respondToAABB(this, manifold);
    }
    bool checkPointIsWithin(const Vector2& point) const override;
    const Vector2& getActualCenter() const override { return placement_.center; }

    CollisionManifold* testAgainstAABB(AABBCollider* other) override;
    CollisionManifold* testAgainstBox(BoxCollider* other) override;
    CollisionManifold* testAgainstCircle(CircleCollider* other) override;
    void respondToCircle(CircleCollider* first, CollisionManifold* manifold) override;
    void respondToAABB(AABBCollider* first, CollisionManifold* manifold) override;

    const Vector2& getActualBoxCenter() const noexcept { return placement_.center; }
    const Vector2& getActualBoxSize() const noexcept { return placement_.size; }
    const Vector2& getActualBoxHalfExtend() const noexcept { return placement_.half; }
    const std::array<Vector2, 4>& getCorners() const noexcept { return corners_; }

    Vector2 size{1.0f, 1.0f};
    Vector2 offset{0.0f, 0.0f};

private:
    std::array<Vector2, 4> corners_{};
    BoxPlacement placement_;
    Vector2 cachedOffset_;
    Vector2 cachedSize_;
};

} // namespace Orva::Physics
