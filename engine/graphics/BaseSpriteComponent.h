#pragma once

#include "core/Export.h"
#include "world/BaseComponent.h"

namespace Orva::Graphics {

class Layer;

// STUB: the base of every drawn component, with its layer and its per-step hook. The sprite
// issue replaces it (drawing, shaders, moving between layers).
class ORVA_API BaseSpriteComponent : public BaseComponent
{
public:
    virtual void update(float /*dt*/) {}

    Layer* getLayer() const noexcept { return layer_; }

protected:
    Layer* layer_ = nullptr;
};

} // namespace Orva::Graphics
