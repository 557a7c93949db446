#pragma once

#include "core/Export.h"
#include "core/Vector.h"
#include "physics/BaseCollider.h"

namespace Orva::Physics {

// STUB: a circle collider's type number and shape values. The colliders issue replaces it.
class ORVA_API CircleCollider : public BaseCollider
{
public:
    static constexpr int TypeNumber = 5;

    CircleCollider() { type = TypeNumber; }

    float radius = 0.5f;
    Math::Vector2D<float> offset{0.0f, 0.0f};
};

} // namespace Orva::Physics
