#include "graphics/ParticleEmitterComponent.h"

#include <GL/glew.h>

#include <cmath>
#include <cstddef>
#include <iostream>

#include "core/Random.h"
#include "graphics/Drawable.h"
#include "graphics/ObjectShader.h"
#include "graphics/Renderer.h"
#include "graphics/SpriteBatch.h"
#include "graphics/Texture.h"
#include "graphics/TextureManager.h"
#include "world/GameObject.h"
#include "world/TransformComponent.h"

namespace Orva::Graphics {

namespace {

constexpr unsigned DefaultParticleCount = 10;
constexpr float RandomRange = 32767.0f;

// The next value of the engine's generator, as a fraction of its range.
float uniform() noexcept
{
    return static_cast<float>(Orva::rand()) / RandomRange;
}

// value ± range, drawing one value of the generator.
float spread(float value, float range) noexcept
{
    return value - range + uniform() * 2.0f * range;
}

Math::Vector3D<float> spread(const Math::Vector3D<float>& value, const Math::Vector3D<float>& range) noexcept
{
    Math::Vector3D<float> result;
    result.x = spread(value.x, range.x);
    result.y = spread(value.y, range.y);
    result.z = spread(value.z, range.z);
    return result;
}

TextureManager* textureManager() noexcept
{
    return TextureManager::hasInstance() ? &TextureManager::getInstance() : nullptr;
}

} // namespace

ParticleEmitter::ParticleEmitter()
{
    setParticleCount(DefaultParticleCount);
}

ParticleEmitter::~ParticleEmitter()
{
    deleteParticles();
    if (TextureManager* textures = textureManager()) {
        textures->remove(texture_);
    }
}

void ParticleEmitter::deleteParticles() noexcept
{
    for (ParticleList* list : {&live_, &free_}) {
        for (Particle* particle : *list) {
            delete particle;
        }
        list->clear();
    }
}

void ParticleEmitter::setParticleCount(unsigned count)
{
    if (count > MaxParticleCount) {
        std::cerr << "particles: a budget of " << count << " particles is cut to " << MaxParticleCount
                  << '\n';
        count = MaxParticleCount;
    }
    deleteParticles();
    particleCount_ = count;
    live_.reserve(count);
    free_.reserve(count);
    for (unsigned made = 0; made < count; ++made) {
        free_.push_back(new Particle());
    }
}

void ParticleEmitter::removeColor(int index)
{
    if (index >= 0 && static_cast<std::size_t>(index) < colors_.size()) {
        colors_.erase(colors_.begin() + index);
    } else {
        std::cerr << "particles: removeColor (" << index << ") ignored: the colour list holds "
                  << colors_.size() << '\n';
    }
}

void ParticleEmitter::setTexture(const std::string& path)
{
    if (path.empty()) {
        setTexture(nullptr);
        return;
    }
    TextureManager* textures = textureManager();
    texture_ = textures != nullptr ? textures->addEmitter(nullptr, path) : nullptr;
}

void ParticleEmitter::setTexture(Texture* texture)
{
    if (texture == nullptr) {
        if (TextureManager* textures = textureManager()) {
            textures->remove(texture_);
        }
        texture_ = nullptr;
        return;
    }
    texture_ = texture;
    texture_->incrementUseCounter();
}

// The generator is drawn 14 times, in this order.
void ParticleEmitter::emitParticle(Particle& particle) const
{
    particle.acceleration = spread(acceleration, randomAcceleration);
    particle.color = colors_.empty() ? Color() : colors_.front();
    particle.life = life + uniform() * randomLife;
    particle.totalLife = particle.life;
    particle.position = spread(position, randomPosition);
    particle.size.x = spread(particleSize.x, randomParticleSize.x);
    particle.size.y = spread(particleSize.y, randomParticleSize.y);
    Orva::rand();
    particle.size.z = 0.0f;
    particle.rotation = spread(rotation, randomRotation);
    particle.velocity = spread(velocity, randomVelocity);
}

// A particle that stands still keeps its rotation, which atan2 of 0 / 0 would make NaN. The
// colour index stays inside the list whatever the lives are: a particle made to live no time
// at all shows the last colour.
bool ParticleEmitter::simulate(Particle& particle, float dt) const
{
    particle.velocity.x += particle.acceleration.x * dt;
    particle.velocity.y += particle.acceleration.y * dt;
    particle.velocity.z += particle.acceleration.z * dt;
    particle.position.x += particle.velocity.x * dt;
    particle.position.y += particle.velocity.y * dt;
    particle.position.z += particle.velocity.z * dt;
    particle.life -= dt;
    if (orientToVelocity) {
        const float length =
            std::sqrt(particle.velocity.x * particle.velocity.x + particle.velocity.y * particle.velocity.y);
        if (length > 0.0f) {
            particle.rotation = std::atan2(particle.velocity.y / length, particle.velocity.x / length);
        }
    }
    const std::size_t colors = colors_.size();
    if (colors >= 2) {
        if (!(particle.totalLife > 0.0f)) {
            particle.color = colors_.back();
        } else {
            const float last = static_cast<float>(colors - 2);
            const float t =
                (particle.totalLife - particle.life) / particle.totalLife * static_cast<float>(colors - 1);
            std::size_t index = 0;
            if (t >= last) {
                index = colors - 2;
            } else if (t >= 1.0f) {
                index = static_cast<std::size_t>(t);
            }
            particle.color = Color::lerp(colors_[index], colors_[index + 1], t - static_cast<float>(index));
        }
    }
    return particle.life > 0.0f;
}

// Bursts take the first free particles and the dead are freed in list order; the lists are
// shifted once per update rather than once per particle.
void ParticleEmitter::update(float dt)
{
    if (!active) {
        return;
    }
    if (emit) {
        if (emissionTimer >= emissionInterval) {
            const std::size_t burst = free_.size() >= emissionCount ? emissionCount : 0;
            for (std::size_t index = 0; index < burst; ++index) {
                emitParticle(*free_[index]);
                live_.push_back(free_[index]);
            }
            free_.erase(free_.begin(), free_.begin() + static_cast<std::ptrdiff_t>(burst));
            emissionTimer -= emissionInterval;
        }
        emissionTimer += dt;
    }
    std::size_t kept = 0;
    for (Particle* particle : live_) {
        if (simulate(*particle, dt)) {
            live_[kept++] = particle;
        } else {
            free_.push_back(particle);
        }
    }
    live_.resize(kept);
}

ReflectionMap ParticleEmitter::getReflectibles()
{
    ReflectionMap properties;
    properties.emplace("Active", Reflectable(active));
    properties.emplace("Emit", Reflectable(emit));
    properties.emplace("Particle Count", Reflectable(particleCount_));
    properties.emplace("Emission Size", Reflectable(emissionSize));
    properties.emplace("Emission Count", Reflectable(emissionCount));
    properties.emplace("Emission Interval", Reflectable(emissionInterval));
    properties.emplace("Position", Reflectable(position));
    properties.emplace("Random Position", Reflectable(randomPosition));
    properties.emplace("Particle Size", Reflectable(particleSize));
    properties.emplace("Random Particle Size", Reflectable(randomParticleSize));
    properties.emplace("Velocity", Reflectable(velocity));
    properties.emplace("Random Velocity", Reflectable(randomVelocity));
    properties.emplace("Acceleration", Reflectable(acceleration));
    properties.emplace("Random Acceleration", Reflectable(randomAcceleration));
    properties.emplace("Life", Reflectable(life));
    properties.emplace("Random Life", Reflectable(randomLife));
    properties.emplace("Rotation", Reflectable(rotation));
    properties.emplace("Random Rotation", Reflectable(randomRotation));
    properties.emplace("Additive Blending", Reflectable(blendAdditive));
    properties.emplace("Orient To Velocity", Reflectable(orientToVelocity));
    return properties;
}

ParticleEmitterComponent::ParticleEmitterComponent() : emitter_(new ParticleEmitter())
{
    type = TypeNumber;
}

ParticleEmitterComponent::~ParticleEmitterComponent()
{
    if (TextureManager* textures = textureManager()) {
        textures->withdraw(this);
    }
    delete emitter_;
}

void ParticleEmitterComponent::followOwner(const TransformComponent& transform) noexcept
{
    const Math::Vector3D<float>& scale = transform.getWorldScale();
    emitter_->setPosition(transform.getWorldTranslation());
    emitter_->setEmissionSize({scale.x, scale.y});
}

void ParticleEmitterComponent::init()
{
    const TransformComponent* transform = owner != nullptr ? owner->getTransform() : nullptr;
    if (transform == nullptr) {
        return;
    }
    followOwner(*transform);
    if (Renderer::hasInstance()) {
        shader_ = Renderer::getInstance().getDefaultObjectShader();
        quad_ = Renderer::getInstance().createUnitQuad();
    }
    joinDefaultLayer();
}

void ParticleEmitterComponent::update(float dt)
{
    const TransformComponent* transform = owner != nullptr ? owner->getTransform() : nullptr;
    if (transform != nullptr && transform->hasJustUpdatedMatrix()) {
        followOwner(*transform);
    }
    emitter_->update(dt);
}

// An image still on its way draws nothing textured, as for sprites: an atlas rectangle has a
// GL name before its image is there.
const Texture* ParticleEmitterComponent::sharedDrawValues(SpriteDrawValues& values) const noexcept
{
    const Texture* texture = emitter_->getTexture();
    if (texture == nullptr || !texture->isLoaded()) {
        return nullptr;
    }
    values.numFrames = {static_cast<float>(texture->getMaxFramesX()),
                        static_cast<float>(texture->getMaxFramesY())};
    values.startUV = texture->getAtlasUV();
    values.sizeUV = texture->getAtlasSize();
    return texture;
}

void ParticleEmitterComponent::placeParticle(SpriteDrawValues& values, const Particle& particle) noexcept
{
    values.mvp = Math::Matrix44<float>::translation(particle.position) *
                 Math::Matrix44<float>::rotationZ(particle.rotation) *
                 Math::Matrix44<float>::scale(particle.size);
    values.color = particle.color;
}

bool ParticleEmitterComponent::drawInto(SpriteBatch& batch) const
{
    if (shader_ == nullptr || !shader_->isReady() || emitter_->getLiveParticles().empty()) {
        return false;
    }
    SpriteDrawValues values;
    const Texture* texture = sharedDrawValues(values);
    for (const Particle* particle : emitter_->getLiveParticles()) {
        placeParticle(values, *particle);
        batch.add(values, texture, false, emitter_->blendAdditive);
    }
    return true;
}

// Particles go through the sprite batch when the renderer batches sprites, else one draw
// each; the pixels are the same.
bool ParticleEmitterComponent::draw(const Math::Matrix44<float>& projectionView)
{
    if (shader_ == nullptr || !shader_->apply() || emitter_->getLiveParticles().empty()) {
        return false;
    }
    Renderer& renderer = Renderer::getInstance();
    SpriteBatch* batch = renderer.isSpriteBatching() ? renderer.getSpriteBatch() : nullptr;
    if (batch != nullptr && batch->isReady()) {
        batch->flush();
        batch->setProjection(projectionView);
        drawInto(*batch);
        batch->flush();
        return false;
    }
    glBlendFunc(GL_SRC_ALPHA, emitter_->blendAdditive ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA);
    SpriteDrawValues values;
    const Texture* texture = sharedDrawValues(values);
    const bool textured = texture != nullptr && texture->apply(0);
    for (const Particle* particle : emitter_->getLiveParticles()) {
        placeParticle(values, *particle);
        if (quad_ != nullptr) {
            sendDrawValues(*shader_, values, textured);
            quad_->draw(GL_TRIANGLE_STRIP);
        }
    }
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    return false;
}

} // namespace Orva::Graphics
