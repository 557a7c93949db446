#pragma once

#include "core/Export.h"
#include "graphics/BaseSpriteComponent.h"

namespace Orva::Graphics {

// STUB: a text component with its type number only. The fonts issue replaces it.
class ORVA_API SpriteFontComponent : public BaseSpriteComponent
{
public:
    static constexpr int TypeNumber = 3;

    SpriteFontComponent() { type = TypeNumber; }

    void init() {}

    ObjectShader* getShader() override { return nullptr; }
};

} // namespace Orva::Graphics
