#pragma once

#include <string>

#include "core/Export.h"
#include "core/Matrix44.h"
#include "core/Vector.h"
#include "graphics/BaseSpriteComponent.h"
#include "graphics/Color.h"
#include "graphics/SpriteBatch.h"

namespace Orva {
class TransformComponent;
}

namespace Orva::Graphics {

class Texture;

// The textured, optionally animated quad of a game object. It asks the texture manager for
// its image and draws untextured in its colour until the image arrives; its animation steps
// through the columns of one row of the image's frame grid at fps frames a second.
class ORVA_API SpriteComponent : public BaseSpriteComponent
{
public:
    static constexpr int TypeNumber = 1;

    SpriteComponent() { type = TypeNumber; }
    // Counts its texture's user down, withdraws its pending requests, deletes its own shader
    // and leaves its layer.
    ~SpriteComponent() override;

    // An own shader belongs to exactly one sprite.
    SpriteComponent(const SpriteComponent&) = delete;
    SpriteComponent& operator=(const SpriteComponent&) = delete;

    // Requests the image (backslashes read as slashes), takes the shared default shader,
    // joins the "default" layer and takes the colour.
    void initialize(const std::string& path, const Color& color);
    // As above with the path as given and the colour unchanged; the flag has no effect.
    void initialize(const std::string& path, bool unused);
    // Requests the path as given; a "vertex|fragment" shader spec makes and loads a shader of
    // the sprite's own, an empty one takes the shared default.
    void initialize(std::string path, std::string shaderSpec, Color color);
    // The shared default shader, the current animation restarted, the "default" layer.
    void initialize(bool unused);
    // "images/" followed by the path, in white.
    void initializeWithImagePath(const std::string& path);
    void initForScript(const std::string& path);
    // Joins the "default" layer, leaving any other; stays in place when already there.
    void addToViewport();
    void initAnimation(bool hasAnimation, unsigned frameIndex, int fps, const std::string& name);

    // Takes the texture; its size when none is set yet, and its first animation.
    void setTexture(Texture* texture);
    // Its texture's animation file has arrived: takes the texture again, then, when the size
    // was the texture's rather than one set by the owner, the size of one frame of the new
    // grid, and restarts the animation.
    void takeFrameGrid();
    Texture* getTexture() const noexcept { return texture_; }
    // Requests another image and restarts the animation; the size follows the texture. The
    // path already shown changes nothing.
    void changeTexture(const std::string& path);
    // Restarts the animation of that name (endless); an unknown one plays the texture's first.
    void changeAnimation(const std::string& name);
    const std::string& getCurrentAnimation() const noexcept { return currentAnimation_; }

    void setAnimationLoops(int loops) noexcept
    {
        loopLimit_ = loops;
        loopCount_ = 0;
    }
    // The frame drawn and the running frame position both move to the frame.
    void setAnimationFrame(int frame) noexcept
    {
        frameIndex_ = frame;
        frameTimer_ = static_cast<float>(frame);
    }
    int getAnimationFrame() const noexcept { return frameIndex_; }
    // The frame drawn alone; the next step works it out from the frame timer again.
    void setFrameIndex(int frame) noexcept { frameIndex_ = frame; }
    // Make the fps, or the frame drawn, the target of the next int tween a script creates.
    void pushFPS() noexcept;
    void pushCurrFrame() noexcept;
    int getCurrentLoopCount() const noexcept { return loopCount_; }
    // True once the loop count reaches the limit, and always for an endless animation.
    bool isAnimationDone() const noexcept { return loopCount_ >= loopLimit_; }
    void resetAnimationCount() noexcept { loopCount_ = 0; }
    bool hasAnimation() const noexcept { return hasAnimation_; }
    void setHasAnimation(bool animated) noexcept { hasAnimation_ = animated; }
    int getFPS() const noexcept { return fps_; }
    void setFPS(int fps) noexcept { fps_ = fps; }
    float getRow() const noexcept { return row_; }

    const Color& getColor() const noexcept { return color_; }
    void setColor(const Color& color) noexcept { color_ = color; }
    bool isVisible() const noexcept { return visible_; }
    void setVisible(bool visible) noexcept { visible_ = visible; }
    void flipX() noexcept { flipX_ = !flipX_; }
    void flipY() noexcept { flipY_ = !flipY_; }
    bool isFlippedX() const noexcept { return flipX_; }
    bool isFlippedY() const noexcept { return flipY_; }
    void setFlipX(bool flip) noexcept { flipX_ = flip; }
    void setFlipY(bool flip) noexcept { flipY_ = flip; }

    // In world units; below 0 while no size is set.
    Math::Vector2D<float> getSize() const noexcept { return {size_.x, size_.y}; }
    void setSize(const Math::Vector2D<float>& size) noexcept
    {
        size_.x = size.x;
        size_.y = size.y;
        sizeFromImage_ = false;
    }
    Math::Vector3D<float>& getSizeReference() noexcept { return size_; }

    ObjectShader* getShader() override { return shader_; }
    bool isShaderShared() const noexcept { return sharedShader_; }

    // Advances the animation by dt seconds.
    void update(float dt) override;
    // Sets this sprite's uniforms; false (nothing to draw) when invisible, without an
    // owner transform, or without a ready shader.
    bool draw(const Math::Matrix44<float>& projectionView) override;
    // Queues in the batch the quad that draw would draw, its texture given when loaded; false
    // when draw would draw nothing. For a sprite of the shared default shader.
    bool drawInto(SpriteBatch& batch) const;
    // The uniform values for the owner's transform.
    SpriteDrawValues getDrawValues(const TransformComponent& transform) const;

    ReflectionMap getReflectibles() override;

private:
    // The owner's transform when the sprite is visible, has a shader and an owner with a
    // transform; else null: nothing is drawn.
    const TransformComponent* drawnTransform() const noexcept;
    void requestTexture(const std::string& path);
    void useSharedShader();
    void sizeFromTexture() noexcept;

    ObjectShader* shader_ = nullptr;
    Texture* texture_ = nullptr;
    Color color_;
    Math::Vector3D<float> size_{-1.0f, -1.0f, 0.0f};
    float frameTimer_ = 0.0f;
    int frameIndex_ = 0;
    float row_ = 0.0f;
    int fps_ = 0;
    std::string currentAnimation_;
    bool hasAnimation_ = false;
    int loopLimit_ = -1;
    int loopCount_ = 0;
    bool sharedShader_ = false;
    bool flipX_ = false;
    bool flipY_ = false;
    bool visible_ = true;
    // The size is one frame of the texture, not one the owner set.
    bool sizeFromImage_ = false;
};

} // namespace Orva::Graphics
