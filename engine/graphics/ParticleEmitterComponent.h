#pragma once

#include <vector>

#include "core/Export.h"
#include "core/OrvaAllocator.h"
#include "core/Vector.h"
#include "graphics/BaseSpriteComponent.h"
#include "graphics/Color.h"
#include "graphics/TextureManager.h"

namespace Orva::Graphics {

class Texture;

// STUB: an emitter reduced to its settings and its texture; it keeps no particles and never
// moves. The particles issue replaces it (particles, emission, drawing).
class ORVA_API ParticleEmitter
{
public:
    using ColorList = std::vector<Color, OrvaAllocator<Color>>;

    Texture* getTexture() const noexcept { return texture_; }
    void setTexture(Texture* texture) noexcept { texture_ = texture; }

    void setParticleCount(unsigned count) noexcept { particleCount_ = count; }
    unsigned getParticleCount() const noexcept { return particleCount_; }
    void setEmissionCount(unsigned count) noexcept { emissionCount = count; }
    void setEmissionInterval(float interval) noexcept { emissionInterval = interval; }
    void setLife(float seconds, float random) noexcept
    {
        life = seconds;
        randomLife = random;
    }
    void setRotation(float radians, float random) noexcept
    {
        rotation = radians;
        randomRotation = random;
    }
    void setSize(const Math::Vector2D<float>& size, const Math::Vector2D<float>& random) noexcept
    {
        particleSize = size;
        randomParticleSize = random;
    }
    void setVelocity(const Math::Vector3D<float>& value, const Math::Vector3D<float>& random) noexcept
    {
        velocity = value;
        randomVelocity = random;
    }
    void setAcceleration(const Math::Vector3D<float>& value, const Math::Vector3D<float>& random) noexcept
    {
        acceleration = value;
        randomAcceleration = random;
    }
    void setBlendMode(bool additive) noexcept { blendAdditive = additive; }
    void setEmit(bool enabled) noexcept { emit = enabled; }
    void setOrientToVelocity(bool orient) noexcept { orientToVelocity = orient; }
    void addColor(const Color& color) { colors_.push_back(color); }
    const ColorList& getColorList() const noexcept { return colors_; }

    Math::Vector3D<float> randomPosition{0.0f, 0.0f, 0.0f};
    Math::Vector2D<float> particleSize{1.0f, 1.0f};
    Math::Vector2D<float> randomParticleSize{0.0f, 0.0f};
    Math::Vector3D<float> velocity{0.0f, 0.0f, 0.0f};
    Math::Vector3D<float> randomVelocity{0.0f, 0.0f, 0.0f};
    Math::Vector3D<float> acceleration{0.0f, 0.0f, 0.0f};
    Math::Vector3D<float> randomAcceleration{100.0f, 100.0f, 1.0f};
    float life = 1.0f;
    float randomLife = 0.0f;
    float rotation = 0.0f;
    float randomRotation = 0.0f;
    unsigned emissionCount = 1;
    float emissionInterval = 0.0f;
    bool blendAdditive = false;
    bool emit = true;
    bool orientToVelocity = false;
    bool active = false;

private:
    ColorList colors_;
    unsigned particleCount_ = 10;
    Texture* texture_ = nullptr;
};

// STUB: a particle emitter component holding its emitter; it draws nothing. Its destructor
// withdraws its texture requests, as the texture manager keeps a pointer to it until the
// image arrives. The particles issue replaces it.
class ORVA_API ParticleEmitterComponent : public BaseSpriteComponent
{
public:
    static constexpr int TypeNumber = 9;

    ParticleEmitterComponent() { type = TypeNumber; }
    ~ParticleEmitterComponent() override
    {
        if (TextureManager::hasInstance()) {
            TextureManager::getInstance().withdraw(this);
        }
    }

    void init() {}

    ObjectShader* getShader() override { return nullptr; }

    ParticleEmitter* get() noexcept { return &emitter_; }

private:
    ParticleEmitter emitter_;
};

} // namespace Orva::Graphics
