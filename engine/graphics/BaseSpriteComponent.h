#pragma once

#include <string>

#include "core/Export.h"
#include "core/Matrix44.h"
#include "world/BaseComponent.h"

namespace Orva::Graphics {

class Layer;
class ObjectShader;

// The base of every drawn component (sprite, text, particle emitter): it sits in at most one
// layer of the viewport, whose sprite list holds it, and draws itself when that layer draws.
// A copy carries the original's layer but is not in that layer's list.
class ORVA_API BaseSpriteComponent : public BaseComponent
{
public:
    BaseSpriteComponent() = default;
    BaseSpriteComponent(const BaseSpriteComponent&) = default;
    BaseSpriteComponent& operator=(const BaseSpriteComponent&) = default;
    // Leaves its layer, so that no layer keeps a dangling sprite.
    ~BaseSpriteComponent() override;

    // The fixed step; nothing by default.
    virtual void update(float dt);
    // Sets the uniforms of its own drawing, its shader being current with "projMtx" set
    // when it is ready. True asks the layer to draw the unit quad (a triangle strip); false
    // when the component drew its own geometry or nothing.
    virtual bool draw(const Math::Matrix44<float>& projectionView);
    // The program the layer makes current before draw; null is never ready.
    virtual ObjectShader* getShader() = 0;

    // Leaves the layer: erased from its list, or with keepInList only forgetting it (for a
    // layer that is going away). Nothing when in no layer.
    void removeFromLayer(bool keepInList);
    // Leaves the current layer and joins the viewport's layer of that name or place in the
    // draw order; an unknown one, or no viewport, leaves it in no layer.
    void moveToLayer(const std::string& name);
    void moveToLayer(unsigned index);
    // Joins the viewport's "default" layer, leaving any other; stays in place when already
    // there (keeping its place in the draw order), and in no layer without a viewport.
    void joinDefaultLayer();

    Layer* getLayer() const noexcept { return layer_; }

private:
    friend class Layer;

    void joinLayer(Layer* layer);

    Layer* layer_ = nullptr;
};

} // namespace Orva::Graphics
