#pragma once

#include <algorithm>
#include <string>

#include "core/Export.h"
#include "core/Vector.h"
#include "graphics/BaseSpriteComponent.h"
#include "graphics/Color.h"
#include "graphics/TextureManager.h"
#include "graphics/Viewport.h"

namespace Orva::Graphics {

class Texture;

// STUB: a sprite reduced to the values its readers set (texture request, colour, animation
// settings, flips, visibility, size) and to the layer it sits in. It has no shader, so it
// never draws, and no texture ever arrives. The sprite issue replaces it (shader, animation
// frames, drawing).
class ORVA_API SpriteComponent : public BaseSpriteComponent
{
public:
    static constexpr int TypeNumber = 1;

    SpriteComponent() { type = TypeNumber; }

    void init() {}

    ObjectShader* getShader() override { return nullptr; }
    bool draw(const Math::Matrix44<float>& /*projectionView*/) override { return false; }

    // Requests the texture (backslashes read as slashes), joins the "default" layer and
    // takes the colour.
    void initialize(const std::string& path, const Color& color)
    {
        std::string request = path;
        std::replace(request.begin(), request.end(), '\\', '/');
        texture_ = TextureManager::getInstance().add(this, request);
        moveToLayer(Viewport::DefaultLayerName);
        color_ = color;
    }

    Texture* getTexture() const noexcept { return texture_; }
    void setTexture(Texture* texture) noexcept { texture_ = texture; }

    const Color& getColor() const noexcept { return color_; }
    void setColor(const Color& color) noexcept { color_ = color; }

    bool hasAnimation() const noexcept { return hasAnimation_; }
    void setHasAnimation(bool animated) noexcept { hasAnimation_ = animated; }
    // The frame drawn and the running frame position both move to the frame.
    void setAnimationFrame(int frame) noexcept
    {
        frameIndex_ = frame;
        frameTimer_ = static_cast<float>(frame);
    }
    int getAnimationFrame() const noexcept { return frameIndex_; }
    int getFPS() const noexcept { return fps_; }
    void setFPS(int fps) noexcept { fps_ = fps; }
    // A non-empty name becomes the current animation; without a texture nothing else moves.
    void changeAnimation(const std::string& name)
    {
        if (!name.empty()) {
            currentAnimation_ = name;
        }
    }
    const std::string& getCurrentAnimation() const noexcept { return currentAnimation_; }

    bool isFlippedX() const noexcept { return flipX_; }
    bool isFlippedY() const noexcept { return flipY_; }
    void setFlipX(bool flip) noexcept { flipX_ = flip; }
    void setFlipY(bool flip) noexcept { flipY_ = flip; }
    bool isVisible() const noexcept { return visible_; }
    void setVisible(bool visible) noexcept { visible_ = visible; }

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
    Color color_;
    Math::Vector3D<float> size_{-1.0f, -1.0f, 0.0f};
    float frameTimer_ = 0.0f;
    int frameIndex_ = 0;
    int fps_ = 0;
    std::string currentAnimation_;
    bool hasAnimation_ = false;
    bool flipX_ = false;
    bool flipY_ = false;
    bool visible_ = true;
};

} // namespace Orva::Graphics
