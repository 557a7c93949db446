#pragma once

#include "core/Export.h"
#include "graphics/BaseSpriteComponent.h"

namespace Orva::Graphics {

// STUB: a particle emitter with its type number only. The particles issue replaces it.
class ORVA_API ParticleEmitterComponent : public BaseSpriteComponent
{
public:
    static constexpr int TypeNumber = 9;

    ParticleEmitterComponent() { type = TypeNumber; }

    void init() {}

    ObjectShader* getShader() override { return nullptr; }
};

} // namespace Orva::Graphics
