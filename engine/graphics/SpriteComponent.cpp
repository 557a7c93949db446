#include "graphics/SpriteComponent.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "core/GlobalManager.h"
#include "core/TweenTargets.h"
#include "graphics/ObjectShader.h"
#include "graphics/Renderer.h"
#include "graphics/Texture.h"
#include "graphics/TextureManager.h"
#include "world/GameObject.h"
#include "world/TransformComponent.h"

namespace Orva::Graphics {

namespace {

// The frame timer truncated: saturated at the ends of int, 0 for NaN. Scripts, files and
// tweens may write any float into the timer.
int frameOf(float timer) noexcept
{
    constexpr float IntLimit = 2147483648.0f;
    if (!(timer < IntLimit)) {
        return timer > 0.0f ? std::numeric_limits<int>::max() : 0;
    }
    return timer >= -IntLimit ? static_cast<int>(timer) : std::numeric_limits<int>::min();
}

} // namespace

SpriteComponent::~SpriteComponent()
{
    if (TextureManager::hasInstance()) {
        TextureManager& textures = TextureManager::getInstance();
        textures.remove(texture_);
        textures.withdraw(this);
    }
    if (!sharedShader_) {
        delete shader_;
    }
}

void SpriteComponent::initialize(const std::string& path, const Color& color)
{
    initialize(path, false);
    color_ = color;
}

void SpriteComponent::initialize(const std::string& path, bool /*unused*/)
{
    std::string request = path;
    std::replace(request.begin(), request.end(), '\\', '/');
    requestTexture(request);
    useSharedShader();
    joinDefaultLayer();
    if (texture_ != nullptr) {
        sizeFromTexture();
    }
}

void SpriteComponent::initialize(std::string path, std::string shaderSpec, Color color)
{
    requestTexture(path);
    if (shaderSpec.empty()) {
        useSharedShader();
    } else {
        if (!sharedShader_) {
            delete shader_;
        }
        shader_ = new ObjectShader();
        sharedShader_ = false;
        shader_->init(shaderSpec);
    }
    joinDefaultLayer();
    color_ = color;
    if (texture_ != nullptr) {
        sizeFromTexture();
    }
}

void SpriteComponent::initialize(bool /*unused*/)
{
    useSharedShader();
    changeAnimation(currentAnimation_);
    joinDefaultLayer();
}

void SpriteComponent::initializeWithImagePath(const std::string& path)
{
    initialize("images/" + path, Color());
}

void SpriteComponent::initForScript(const std::string& path)
{
    initialize(path, Color());
}

void SpriteComponent::addToViewport()
{
    joinDefaultLayer();
}

void SpriteComponent::initAnimation(bool hasAnimation, unsigned frameIndex, int fps, const std::string& name)
{
    hasAnimation_ = hasAnimation;
    frameIndex_ = static_cast<int>(frameIndex);
    fps_ = fps;
    currentAnimation_ = name;
    changeAnimation(name);
}

void SpriteComponent::requestTexture(const std::string& path)
{
    if (TextureManager::hasInstance()) {
        TextureManager::getInstance().add(this, path);
    }
}

// An own shader made by an earlier initialize is deleted, not leaked.
void SpriteComponent::useSharedShader()
{
    if (!sharedShader_) {
        delete shader_;
    }
    shader_ = Renderer::hasInstance() ? Renderer::getInstance().getDefaultObjectShader() : nullptr;
    sharedShader_ = true;
}

// One frame of the grid, from pixels to world units. A grid read as 0 columns or rows counts
// as 1, so that the size stays finite.
void SpriteComponent::sizeFromTexture() noexcept
{
    const Math::Vector2D<unsigned> pixels = texture_->getSize();
    const float columns = static_cast<float>(std::max(texture_->getMaxFramesX(), 1u));
    const float rows = static_cast<float>(std::max(texture_->getMaxFramesY(), 1u));
    size_.x = static_cast<float>(pixels.x) * GlobalManager::InverseObjectUnitSize / columns;
    size_.y = static_cast<float>(pixels.y) * GlobalManager::InverseObjectUnitSize / rows;
    sizeFromImage_ = true;
}

void SpriteComponent::setTexture(Texture* texture)
{
    texture_ = texture;
    if (texture_ == nullptr) {
        return;
    }
    if (size_.x < 0.0f && size_.y < 0.0f) {
        sizeFromTexture();
    }
    if (!texture_->getAnimationData().empty()) {
        changeAnimation(texture_->getAnimationData().front().first);
    }
}

void SpriteComponent::takeFrameGrid()
{
    setTexture(texture_);
    if (texture_ != nullptr && sizeFromImage_) {
        sizeFromTexture();
    }
    changeAnimation("");
}

void SpriteComponent::changeTexture(const std::string& path)
{
    if (texture_ != nullptr && texture_->getPath() == path) {
        return;
    }
    Texture* requested =
        TextureManager::hasInstance() ? TextureManager::getInstance().add(this, path) : nullptr;
    if (requested != nullptr && texture_ != nullptr && !texture_->getAnimationData().empty()) {
        changeAnimation(texture_->getAnimationData().front().first);
    }
    frameIndex_ = 0;
    frameTimer_ = 0.0f;
    if (texture_ != nullptr) {
        sizeFromTexture();
    }
}

void SpriteComponent::changeAnimation(const std::string& name)
{
    if (!name.empty()) {
        currentAnimation_ = name;
    }
    if (texture_ == nullptr) {
        row_ = 0.0f;
        return;
    }
    const Texture::AnimationTable& table = texture_->getAnimationData();
    if (table.empty() || (table.size() == 1 && table.front().first.empty())) {
        row_ = 0.0f;
        return;
    }
    const bool known =
        std::any_of(table.begin(), table.end(), [&](const auto& entry) { return entry.first == name; });
    if ((!name.empty() && !known) || currentAnimation_.empty()) {
        currentAnimation_ = table.front().first;
    }
    frameIndex_ = 0;
    frameTimer_ = 0.0f;
    loopLimit_ = -1;
    loopCount_ = 0;
    row_ = static_cast<float>(texture_->getAnimationFrames(currentAnimation_).y);
}

void SpriteComponent::update(float dt)
{
    if (loopLimit_ >= 0 && loopCount_ >= loopLimit_) {
        return;
    }
    if (texture_ != nullptr && hasAnimation_ && !currentAnimation_.empty()) {
        const float frames = static_cast<float>(texture_->getAnimationFrames(currentAnimation_).x);
        frameTimer_ += static_cast<float>(fps_) * dt;
        if (frameTimer_ >= frames) {
            if (loopLimit_ >= 0) {
                ++loopCount_;
            } else if (frames > 0.0f) {
                // Past the end by more than a pass (a huge fps): back within the pass at once,
                // or the timer would outgrow every frame.
                frameTimer_ = std::fmod(frameTimer_, frames);
            }
            if (loopLimit_ >= loopCount_) {
                frameTimer_ = frames - 1.0f;
            }
        }
    }
    frameIndex_ = frameOf(frameTimer_);
}

void SpriteComponent::pushFPS() noexcept
{
    Actions::primitiveIntTarget = &fps_;
}

void SpriteComponent::pushCurrFrame() noexcept
{
    Actions::primitiveIntTarget = &frameIndex_;
}

SpriteDrawValues SpriteComponent::getDrawValues(const TransformComponent& transform) const
{
    SpriteDrawValues values;
    values.mvp = transform.getWorldMatrix() * Math::Matrix44<float>::scale(size_.x, size_.y, 1.0f);
    if (texture_ != nullptr) {
        values.numFrames = {static_cast<float>(texture_->getMaxFramesX()),
                            static_cast<float>(texture_->getMaxFramesY())};
        values.startUV = texture_->getAtlasUV();
        values.sizeUV = texture_->getAtlasSize();
    }
    values.currFrame = {static_cast<float>(frameIndex_), row_};
    values.flipX = flipX_;
    values.flipY = flipY_;
    values.color = color_;
    return values;
}

const TransformComponent* SpriteComponent::drawnTransform() const noexcept
{
    const TransformComponent* transform = owner != nullptr ? owner->getTransform() : nullptr;
    return visible_ && shader_ != nullptr ? transform : nullptr;
}

bool SpriteComponent::draw(const Math::Matrix44<float>& /*projectionView*/)
{
    const TransformComponent* transform = drawnTransform();
    if (transform == nullptr || !shader_->apply()) {
        return false;
    }
    const bool textured = texture_ != nullptr && texture_->apply(0);
    sendDrawValues(*shader_, getDrawValues(*transform), textured);
    return true;
}

bool SpriteComponent::drawInto(SpriteBatch& batch) const
{
    const TransformComponent* transform = drawnTransform();
    if (transform == nullptr || !shader_->isReady()) {
        return false;
    }
    batch.add(getDrawValues(*transform), texture_ != nullptr && texture_->isLoaded() ? texture_ : nullptr);
    return true;
}

ReflectionMap SpriteComponent::getReflectibles()
{
    ReflectionMap properties;
    properties.emplace("Active", Reflectable(active));
    properties.emplace("Color", Reflectable(color_));
    properties.emplace("HasAnimation", Reflectable(hasAnimation_));
    properties.emplace("CurrFrame", Reflectable(frameTimer_));
    properties.emplace("CurrAnim", Reflectable(currentAnimation_));
    properties.emplace("FPS", Reflectable(fps_));
    properties.emplace("FlipX", Reflectable(flipX_));
    properties.emplace("FlipY", Reflectable(flipY_));
    properties.emplace("Visible", Reflectable(visible_));
    properties.emplace("Size", Reflectable(size_));
    return properties;
}

} // namespace Orva::Graphics
