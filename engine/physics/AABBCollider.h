#pragma once

#include "core/Export.h"
#include "core/Vector.h"
#include "physics/BaseCollider.h"

namespace Orva::Physics {

// STUB: an axis-aligned box collider's type number and shape values; a new one on an object
// with a sprite takes the sprite's size. The colliders issue replaces it.
class ORVA_API AABBCollider : public BaseCollider
{
public:
    static constexpr int TypeNumber = 6;

    AABBCollider() { type = TypeNumber; }

    Math::Vector2D<float> size{1.0f, 1.0f};
    Math::Vector2D<float> offset{0.0f, 0.0f};
};

} // namespace Orva::Physics
