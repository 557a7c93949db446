#pragma once

#include "core/Export.h"
#include "core/Vector.h"
#include "graphics/BaseSpriteComponent.h"

namespace Orva::Graphics {

// STUB: a sprite reduced to its size, which an axis-aligned collider copies. The sprite issue
// replaces it (texture, colour, animation, drawing).
class ORVA_API SpriteComponent : public BaseSpriteComponent
{
public:
    static constexpr int TypeNumber = 1;

    SpriteComponent() { type = TypeNumber; }

    void init() {}

    // In world units; below 0 while no size is set.
    Math::Vector2D<float> getSize() const noexcept { return {size_.x, size_.y}; }
    void setSize(const Math::Vector2D<float>& size) noexcept
    {
        size_.x = size.x;
        size_.y = size.y;
    }
    Math::Vector3D<float>& getSizeReference() noexcept { return size_; }

private:
    Math::Vector3D<float> size_{-1.0f, -1.0f, 0.0f};
};

} // namespace Orva::Graphics
