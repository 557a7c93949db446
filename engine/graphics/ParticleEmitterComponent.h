#pragma once

#include <string>
#include <vector>

#include "core/Export.h"
#include "core/LiveSerial.h"
#include "core/Matrix44.h"
#include "core/MemoryPoolManager.h"
#include "core/OrvaAllocator.h"
#include "core/Reflectable.h"
#include "core/Vector.h"
#include "graphics/BaseSpriteComponent.h"
#include "graphics/Color.h"

namespace Orva {
class TransformComponent;
}

namespace Orva::Graphics {

class Drawable;
class SpriteBatch;
struct SpriteDrawValues;
class Texture;

// One particle, in world units and seconds. A new one is all zeros, in white.
struct ORVA_API Particle
{
    ORVA_POOLED_OPERATORS(Particle)

    Math::Vector3D<float> position;
    // z stays 0.
    Math::Vector3D<float> size;
    Math::Vector3D<float> velocity;
    Math::Vector3D<float> acceleration;
    Color color;
    float life = 0.0f;
    float totalLife = 0.0f;
    // Radians about z.
    float rotation = 0.0f;
};

// A fixed budget of particles, emitted in bursts at an interval with randomised starting
// values, moved with constant acceleration, faded along a list of colours and recycled when
// their life ends. Every particle is in exactly one of the live and free lists; nothing is
// allocated while emitting or simulating. Random values are drawn from the engine's one
// generator: a value v with half-range r becomes v - r + u * 2r, u = rand() / 32767.
// Scripts may keep an emitter past its component; a freed one is never read.
class ORVA_API ParticleEmitter : public LiveHandle<ParticleEmitter>
{
public:
    ORVA_POOLED_OPERATORS(ParticleEmitter)

    using ColorList = std::vector<Color, OrvaAllocator<Color>>;
    using ParticleList = std::vector<Particle*>;

    // The defaults, with a budget of 10.
    ParticleEmitter();
    // Deletes every particle and counts its texture's user down (unless persistent).
    ~ParticleEmitter();

    ParticleEmitter(const ParticleEmitter&) = delete;
    ParticleEmitter& operator=(const ParticleEmitter&) = delete;

    // A budget far above any game's need (the default is 10); a larger one read from a file
    // or asked by a script would only exhaust memory, so it is cut to this.
    static constexpr unsigned MaxParticleCount = 10'000;

    // Deletes every particle, live ones included, and makes the budget afresh, all free. A
    // count above MaxParticleCount makes that many, with a line on stderr.
    void setParticleCount(unsigned count);
    unsigned getParticleCount() const noexcept { return particleCount_; }
    void setEmissionSize(const Math::Vector2D<float>& size) noexcept { emissionSize = size; }
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
    void setPosition(const Math::Vector3D<float>& value) noexcept { position = value; }
    void setPosition(const Math::Vector3D<float>& value, const Math::Vector3D<float>& random) noexcept
    {
        position = value;
        randomPosition = random;
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
    // An index outside the list changes nothing but a line on stderr.
    void removeColor(int index);
    ColorList& getColorList() noexcept { return colors_; }
    const ColorList& getColorList() const noexcept { return colors_; }

    Texture* getTexture() const noexcept { return texture_; }
    // Empty: the current texture is counted down and dropped. Otherwise the texture of the
    // path when it is loaded already (its count raised), else none: the request goes out, but
    // this emitter is not handed the image when it arrives.
    void setTexture(const std::string& path);
    // Takes the texture and counts a user up (the previous one is not counted down); null
    // counts the current one down and drops it.
    void setTexture(Texture* texture);

    // Nothing unless active. Emits at most one burst, all or nothing, when the emission timer
    // has reached the interval, then moves every live particle by dt, fades its colour and
    // frees it once its life is over.
    void update(float dt);

    const ParticleList& getLiveParticles() const noexcept { return live_; }
    const ParticleList& getFreeParticles() const noexcept { return free_; }

    ReflectionMap getReflectibles();

    Math::Vector3D<float> position{0.0f, 0.0f, 0.0f};
    Math::Vector3D<float> randomPosition{0.0f, 0.0f, 0.0f};
    Math::Vector2D<float> particleSize{1.0f, 1.0f};
    Math::Vector2D<float> randomParticleSize{0.0f, 0.0f};
    Math::Vector3D<float> velocity{0.0f, 0.0f, 0.0f};
    Math::Vector3D<float> randomVelocity{0.0f, 0.0f, 0.0f};
    Math::Vector3D<float> acceleration{0.0f, 0.0f, 0.0f};
    Math::Vector3D<float> randomAcceleration{100.0f, 100.0f, 1.0f};
    // The owner's world scale; emission does not use it.
    Math::Vector2D<float> emissionSize{0.0f, 0.0f};
    float life = 1.0f;
    float randomLife = 0.0f;
    float rotation = 0.0f;
    float randomRotation = 0.0f;
    unsigned emissionCount = 1;
    float emissionInterval = 0.0f;
    // Seconds since the last burst.
    float emissionTimer = 0.0f;
    bool blendAdditive = false;
    // Bursts happen.
    bool emit = true;
    bool orientToVelocity = false;
    // Simulated at all.
    bool active = false;

private:
    void emitParticle(Particle& particle) const;
    // Moves, turns and fades the particle; false once its life is over.
    bool simulate(Particle& particle, float dt) const;
    void deleteParticles() noexcept;

    ParticleList live_;
    ParticleList free_;
    ColorList colors_;
    Texture* texture_ = nullptr;
    unsigned particleCount_ = 0;
};

// The particle emitter of a game object: keeps its emitter at the object, steps it with the
// pool's fixed step and draws every live particle as a quad in world space (once emitted,
// particles do not follow the object).
class ORVA_API ParticleEmitterComponent : public BaseSpriteComponent
{
public:
    static constexpr int TypeNumber = 9;

    // Makes its emitter.
    ParticleEmitterComponent();
    // Withdraws its texture requests, which name it until the image arrives, and deletes its
    // emitter.
    ~ParticleEmitterComponent() override;

    ParticleEmitterComponent(const ParticleEmitterComponent&) = delete;
    ParticleEmitterComponent& operator=(const ParticleEmitterComponent&) = delete;

    // With an owner transform: the emitter at the owner's world place and scale, the default
    // object shader, the unit quad, and the "default" layer. Nothing without one.
    void init();

    // Follows the owner when its matrix has just changed, then steps the emitter.
    void update(float dt) override;
    // Draws the live particles, additively or alpha blended, and leaves alpha blending on.
    // Always false: it draws its own quads.
    bool draw(const Math::Matrix44<float>& projectionView) override;
    // Queues in the batch the quads that draw would draw, blended as it blends them; false when
    // draw would draw nothing.
    bool drawInto(SpriteBatch& batch) const;
    ObjectShader* getShader() override { return shader_; }

    ParticleEmitter* get() const noexcept { return emitter_; }

private:
    void followOwner(const TransformComponent& transform) noexcept;
    // The frame grid and atlas rectangle every particle shares; its texture once loaded, else
    // null.
    const Texture* sharedDrawValues(SpriteDrawValues& values) const noexcept;
    static void placeParticle(SpriteDrawValues& values, const Particle& particle) noexcept;

    ParticleEmitter* emitter_;
    ObjectShader* shader_ = nullptr;
    Drawable* quad_ = nullptr;
};

} // namespace Orva::Graphics
