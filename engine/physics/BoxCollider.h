#pragma once

#include <array>

#include "core/Export.h"
#include "core/Vector.h"
#include "physics/BaseCollider.h"

namespace Orva::Physics {

// A box turned with its owner. Corners 0 to 3 in the box's own frame: top left, bottom left,
// bottom right, top right. Boxes raise contact events but are never pushed.
class ORVA_API BoxCollider : public BaseCollider
{
public:
    static constexpr int TypeNumber = 4;
    using Corners = std::array<Vector2, 4>;

    BoxCollider() noexcept : BaseCollider(Box, TypeNumber) {}

    // "Active", "Size", "Offset", "CollisionGroup", "IsGhost".
    ReflectionMap getReflectibles() override;

    // The pool's step: recomputes the world geometry when it may have changed.
    void update(float dt);

    CollisionManifold* testCollision(BaseCollider* other) override { return other->testAgainstBox(this); }
    void resolveCollision(BaseCollider* other, CollisionManifold* manifold) override
    {
        other->respondToBox(this, manifold);
    }
    bool checkPointIsWithin(const Vector2& point) const override;
    const Vector2& getActualCenter() const override { return placement_.center; }

    CollisionManifold* testAgainstAABB(AABBCollider* other) override;
    CollisionManifold* testAgainstBox(BoxCollider* other) override;
    CollisionManifold* testAgainstCircle(CircleCollider* other) override;

    const Corners& getBoxEdges() const noexcept { return edges_; }
    const Vector2& getBoxRealSize() const noexcept { return placement_.size; }
    const Vector2& getBoxRealCenter() const noexcept { return placement_.center; }
    const Vector2& getBoxRealHalfExtents() const noexcept { return placement_.half; }
    // The box's own x axis in the world, of unit length.
    const Vector2& getBoxXAxis() const noexcept { return boxXAxis_; }

    Vector2 size{1.0f, 1.0f};
    Vector2 offset{0.0f, 0.0f};

private:
    Corners edges_{};
    BoxPlacement placement_{{1.0f, 1.0f}, {0.5f, 0.5f}, {}, {}};
    Vector2 boxXAxis_{1.0f, 0.0f};
    Vector2 cachedSize_;
    Vector2 cachedOffset_;
};

} // namespace Orva::Physics
