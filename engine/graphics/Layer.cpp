#include "graphics/Layer.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <utility>

#include "core/BaseEvent.h"
#include "core/GlobalManager.h"
#include "graphics/BaseSpriteComponent.h"
#include "graphics/Drawable.h"
#include "graphics/EngineShaders.h"
#include "graphics/FrameShader.h"
#include "graphics/ObjectShader.h"
#include "graphics/ParticleEmitterComponent.h"
#include "graphics/Renderer.h"
#include "graphics/ShaderValue.h"
#include "graphics/SpriteBatch.h"
#include "graphics/SpriteComponent.h"
#include "graphics/SpriteFontComponent.h"
#include "graphics/Texture.h"
#include "graphics/Viewport.h"
#include "world/FramerateController.h"
#include "world/GameObject.h"
#include "world/GameObjectManager.h"
#include "world/TransformComponent.h"

namespace Orva::Graphics {

namespace {

// Depths closer than this are one depth, ordered by texture instead.
constexpr float DepthTolerance = 0.00001f;
constexpr unsigned TriangleStrip = GL_TRIANGLE_STRIP;
constexpr unsigned ScreenPassTextureCount = 2;
constexpr GLenum ScreenPassBuffers[ScreenPassTextureCount] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
// The Screen pass program's one uniform: the texture unit it shows.
constexpr char ScreenSampler[] = "screenTexture";

std::uint32_t nameHash(const std::string& name)
{
    return EventNameDetails::EventToHash(name);
}

// The owner's transform when the sprite has an owner that has one.
const TransformComponent* ownerTransform(const BaseSpriteComponent& sprite)
{
    return sprite.owner != nullptr ? sprite.owner->getTransform() : nullptr;
}

// The colour target the Screen pass shows: its program samples the unit that its value
// "screenTexture" names, sent as an int on every draw. Nothing when the value is not an int
// naming one of the pass's colour targets.
std::optional<unsigned> shownTarget(const FrameShader& screenPass)
{
    const auto& values = screenPass.getValues().values();
    const auto found = values.find(ScreenSampler);
    if (found == values.end() || found->second.type != ShaderValue::Int) {
        return std::nullopt;
    }
    const int unit = found->second.getInt();
    if (unit < 0 || static_cast<unsigned>(unit) >= screenPass.getTextureCount()) {
        return std::nullopt;
    }
    return static_cast<unsigned>(unit);
}

} // namespace

SpriteSortKey spriteSortKey(const BaseSpriteComponent& sprite)
{
    SpriteSortKey key;
    if (const TransformComponent* transform = ownerTransform(sprite)) {
        key.z = transform->getWorldTranslation().z;
    }
    const SpriteComponent* ownerSprite =
        sprite.owner != nullptr ? sprite.owner->getComponent<SpriteComponent>() : nullptr;
    if (ownerSprite != nullptr) {
        key.hasSprite = true;
        if (Texture* texture = ownerSprite->getTexture()) {
            key.hasTexture = true;
            key.textureId = texture->getId();
        }
    }
    return key;
}

bool drawsBefore(const SpriteSortKey& a, const SpriteSortKey& b) noexcept
{
    if (std::fabs(a.z - b.z) > DepthTolerance) {
        return a.z < b.z;
    }
    if (!a.hasSprite) {
        return false;
    }
    if (!b.hasSprite) {
        return true;
    }
    if (!a.hasTexture) {
        return false;
    }
    if (!b.hasTexture) {
        return true;
    }
    return a.textureId < b.textureId;
}

Layer::Layer(Viewport& viewport) : viewport_(&viewport)
{
    auto screenPass =
        std::make_unique<FrameShader>(viewport.getSize(), ScreenPassTextureCount, FrameShader::SCREEN);
    screenPass->evaluate(ShaderSources::ScreenPassVertex, ShaderSources::ScreenPassFragment);
    screenPass->updateValue(ScreenSampler, 0);
    frameShaderHashes_.push_back(nameHash(ScreenPassName));
    frameShaders_.push_back(screenPass.get());
    screenPass_ = screenPass.release();
}

Layer::~Layer()
{
    for (FrameShader* frameShader : frameShaders_) {
        delete frameShader;
    }
    const bool objectsLive = GameObjectManager::hasInstance();
    for (BaseSpriteComponent* sprite : sprites_) {
        sprite->removeFromLayer(true);
        if (objectsLive && sprite->owner != nullptr) {
            GameObjectManager::getInstance().destroyNextFrame(sprite->owner);
        }
    }
}

void Layer::addSprite(BaseSpriteComponent* sprite)
{
    if (sprite == nullptr) {
        return;
    }
    if (sprite->layer_ != nullptr && sprite->layer_ != this) {
        sprite->layer_->removeSprite(sprite);
    }
    if (std::find(sprites_.begin(), sprites_.end(), sprite) == sprites_.end()) {
        sprites_.push_back(sprite);
    }
    sprite->layer_ = this;
}

void Layer::removeSprite(BaseSpriteComponent* sprite)
{
    const auto found = std::find(sprites_.begin(), sprites_.end(), sprite);
    if (found != sprites_.end()) {
        sprites_.erase(found);
    }
    if (sprite != nullptr && sprite->layer_ == this) {
        sprite->layer_ = nullptr;
    }
}

void Layer::addFrameShader(const std::string& name, const std::string& paths, unsigned textureCount,
                           int dependency)
{
    const std::uint32_t hash = nameHash(name);
    if (std::find(frameShaderHashes_.begin(), frameShaderHashes_.end(), hash) != frameShaderHashes_.end()) {
        return;
    }
    auto frameShader = std::make_unique<FrameShader>(viewport_->getSize(), textureCount, dependency);
    frameShader->init(paths);
    frameShaderHashes_.reserve(frameShaderHashes_.size() + 1);
    frameShaders_.reserve(frameShaders_.size() + 1);
    frameShaderHashes_.push_back(hash);
    frameShaders_.push_back(frameShader.release());
}

FrameShader& Layer::getFrameShader(const std::string& name) const
{
    const auto found = std::find(frameShaderHashes_.begin(), frameShaderHashes_.end(), nameHash(name));
    if (found == frameShaderHashes_.end()) {
        return *screenPass_;
    }
    return *frameShaders_[static_cast<std::size_t>(found - frameShaderHashes_.begin())];
}

void Layer::removeFrameShader(const std::string& name)
{
    removeFrameShader(nameHash(name));
}

void Layer::removeFrameShader(std::uint32_t hash)
{
    const auto found = std::find(frameShaderHashes_.begin(), frameShaderHashes_.end(), hash);
    const auto index = found - frameShaderHashes_.begin();
    // The Screen pass is what the sprites are drawn into: it lives as long as the layer.
    if (found == frameShaderHashes_.end() || index == 0) {
        return;
    }
    delete frameShaders_[static_cast<std::size_t>(index)];
    frameShaders_.erase(frameShaders_.begin() + index);
    frameShaderHashes_.erase(found);
}

// While the Screen pass shows its first target, nothing reads the second: the layer's pass
// draws into the first alone (one target to clear and blend into, and no draw-buffer
// changes in the middle of the pass), and draw() lists both again.
void Layer::bind() const
{
    screenPass_->bind();
    if (showsFirstTarget()) {
        glDrawBuffers(1, ScreenPassBuffers);
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void Layer::draw(const Math::Matrix44<float>& projectionView) const
{
    if (!visible_) {
        return;
    }
    drawSprites(projectionView);
    screenPass_->bind();
    glDrawBuffers(static_cast<GLsizei>(screenPass_->getTextureCount()), ScreenPassBuffers);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (frameShaders_.size() > 1) {
        Debug::FrameStageProbe::enter(Debug::FrameStage::FrameShaderPasses);
    }
    runFrameShaderChain();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

// The projection-view matrix is sent only when the shader changes between consecutive
// sprites, whether or not the sprite is then drawn. Sprite components of the shared default
// shader, text components and emitters go to the sprite batch, which draws each run of them
// sharing a texture and blending at once; it is flushed before any other sprite draws, so the
// order stays the list's.
void Layer::drawSprites(const Math::Matrix44<float>& projectionView) const
{
    const Math::Vector2D<float> halfView = halfViewExtent(viewport_->getSize(), viewport_->getCameraScale(),
                                                          GlobalManager::InverseObjectUnitSize);
    const Math::Vector2D<float>& camera = viewport_->getCameraPosition();
    Renderer& renderer = viewport_->getRenderer();
    const Drawable* quad = renderer.createUnitQuad();
    const ObjectShader* batchedShader = renderer.getDefaultObjectShader();
    SpriteBatch* batch = renderer.isSpriteBatching() ? renderer.getSpriteBatch() : nullptr;
    if (batch != nullptr && !batch->isReady()) {
        batch = nullptr;
    }
    if (batch != nullptr) {
        batch->setProjection(projectionView);
    }
    const ObjectShader* current = nullptr;
    for (std::size_t index = 0; index < sprites_.size(); ++index) {
        BaseSpriteComponent* sprite = sprites_[index];
        const ObjectShader* shader = sprite->getShader();
        if (shader != current) {
            current = shader;
            if (shader != nullptr && shader->apply()) {
                shader->setUniformMatrix4f("projMtx", projectionView);
            }
        }
        const TransformComponent* transform = ownerTransform(*sprite);
        if (transform == nullptr || !sprite->owner->active) {
            continue;
        }
        const Math::Vector3D<float>& position = transform->getWorldTranslation();
        const Math::Vector3D<float>& scale = transform->getWorldScale();
        Math::Vector2D<float> halfSize(0.5f * scale.x, 0.5f * scale.y);
        const auto* spriteComponent = dynamic_cast<const SpriteComponent*>(sprite);
        if (spriteComponent != nullptr) {
            const Math::Vector2D<float> size = spriteComponent->getSize();
            halfSize.x *= size.x;
            halfSize.y *= size.y;
        }
        halfSize = {std::fabs(halfSize.x), std::fabs(halfSize.y)};
        if (!overlapsView({position.x - camera.x, position.y - camera.y}, halfSize, halfView)) {
            continue;
        }
        if (batch != nullptr && spriteComponent != nullptr && shader == batchedShader) {
            spriteComponent->drawInto(*batch);
            continue;
        }
        if (batch != nullptr && spriteComponent == nullptr) {
            if (auto* text = dynamic_cast<SpriteFontComponent*>(sprite)) {
                text->drawInto(*batch);
                continue;
            }
            if (const auto* particles = dynamic_cast<const ParticleEmitterComponent*>(sprite)) {
                particles->drawInto(*batch);
                continue;
            }
        }
        if (batch != nullptr) {
            batch->flush();
        }
        if (sprite->draw(projectionView) && quad != nullptr) {
            quad->draw(TriangleStrip);
        }
    }
    if (batch != nullptr) {
        batch->flush();
    }
}

void Layer::runFrameShaderChain() const
{
    for (std::size_t index = 1; index < frameShaders_.size(); ++index) {
        const FrameShader& pass = *frameShaders_[index];
        pass.bind();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        // A pass's program samples every one of its targets.
        const bool oneTarget = pass.getTextureCount() == 1;
        if (pass.getDependency() == FrameShader::PREVIOUS) {
            drawPassResult(*frameShaders_[index - 1], oneTarget);
        } else if (pass.getDependency() == FrameShader::SCREEN) {
            drawPassResult(*screenPass_, oneTarget);
        }
    }
}

void Layer::drawResult(bool onlyFirstBufferRead) const
{
    drawPassResult(*frameShaders_.back(), onlyFirstBufferRead);
}

// The Screen pass showing a colour target draws it as it is: the targets have no alpha, so
// the result is opaque and blending changes nothing in the first draw buffer (what lands in
// the others, which the program does not write, does change), and its quad at depth 0.5
// passes the depth test of a window cleared for it, so the window needs no depth clear for
// it. Without them the rasteriser can drop whatever the quad covers, the clear of the target
// included. Both are on for everything else.
void Layer::drawPassResult(const FrameShader& pass, bool onlyFirstBufferRead) const
{
    if (!onlyFirstBufferRead || &pass != screenPass_ || !shownTarget(*screenPass_)) {
        pass.drawResult();
        return;
    }
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    pass.drawResult();
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
}

bool Layer::showsFirstTarget() const
{
    return shownTarget(*screenPass_) == 0u;
}

bool Layer::showsTargetAsIs() const
{
    return frameShaders_.size() == 1 && shownTarget(*screenPass_).has_value();
}

bool Layer::isPassThrough() const
{
    return sprites_.empty() && frameShaders_.size() == 1 && screenPass_->isReady() && showsFirstTarget();
}

void Layer::sort()
{
    std::vector<std::pair<SpriteSortKey, BaseSpriteComponent*>> keyed;
    keyed.reserve(sprites_.size());
    for (BaseSpriteComponent* sprite : sprites_) {
        keyed.emplace_back(spriteSortKey(*sprite), sprite);
    }
    // A stable sort stays inside the list whatever the comparator answers; an introsort
    // given this comparator could run past either end.
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return drawsBefore(a.first, b.first); });
    for (std::size_t index = 0; index < keyed.size(); ++index) {
        sprites_[index] = keyed[index].second;
    }
}

void Layer::resize(const Math::Vector2D<unsigned>& size)
{
    for (FrameShader* frameShader : frameShaders_) {
        frameShader->recompile(size);
    }
}

} // namespace Orva::Graphics
