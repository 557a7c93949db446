#pragma once

#include "core/Export.h"
#include "core/Vector.h"
#include "physics/BaseCollider.h"

namespace Orva::Physics {

// STUB: an oriented box collider's type number and shape values. The colliders issue replaces
// it (world-space corners, contact tests).
class ORVA_API BoxCollider : public BaseCollider
{
public:
    static constexpr int TypeNumber = 4;

    BoxCollider() { type = TypeNumber; }

    Math::Vector2D<float> size{1.0f, 1.0f};
    Math::Vector2D<float> offset{0.0f, 0.0f};
};

} // namespace Orva::Physics
