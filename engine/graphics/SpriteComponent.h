#pragma once

#include "core/Export.h"
#include "core/Vector.h"
#include "graphics/BaseSpriteComponent.h"

namespace Orva::Graphics {

class Texture;

// STUB: a sprite reduced to its texture and its size, which layers order and cull by and an
// axis-aligned collider copies. It has no shader, so it never draws. The sprite issue
// replaces it (shader, colour, animation, drawing).
class ORVA_API SpriteComponent : public BaseSpriteComponent
{
public:
    static constexpr int TypeNumber = 1;

    SpriteComponent() { type = TypeNumber; }

    void init() {}

    ObjectShader* getShader() override { return nullptr; }
    bool draw(const Math::Matrix44<float>& /*projectionView*/) override { return false; }

    Texture* getTexture() const noexcept { return texture_; }
    void setTexture(Texture* texture) noexcept { texture_ = texture; }

    // In world units; below 0 while no size is set.
    Math::Vector2D<float> getSize() const noexcept { return {size_.x, size_.y}; }
    void setSize(const Math::Vector2D<float>& size) noexcept
    {
        size_.x = size.x;
        size_.y = size.y;
    }
    Math::Vector3D<float>& getSizeReference() noexcept { return size_; }

private:
    Texture* texture_ = nullptr;
    Math::Vector3D<float> size_{-1.0f, -1.0f, 0.0f};
};

} // namespace Orva::Graphics
