#include "graphics/BaseSpriteComponent.h"

#include "graphics/Layer.h"
#include "graphics/Renderer.h"
#include "graphics/Viewport.h"

namespace Orva::Graphics {

namespace {

// The viewport, when a renderer has made one.
Viewport* currentViewport() noexcept
{
    if (!Renderer::hasInstance() || !Renderer::getInstance().isInitialized()) {
        return nullptr;
    }
    return &Renderer::getInstance().getViewport();
}

} // namespace

BaseSpriteComponent::~BaseSpriteComponent()
{
    removeFromLayer(false);
}

void BaseSpriteComponent::update(float /*dt*/) {}

bool BaseSpriteComponent::draw(const Math::Matrix44<float>& /*projectionView*/)
{
    return true;
}

void BaseSpriteComponent::removeFromLayer(bool keepInList)
{
    if (layer_ == nullptr) {
        return;
    }
    if (keepInList) {
        layer_ = nullptr;
    } else {
        layer_->removeSprite(this);
    }
}

void BaseSpriteComponent::moveToLayer(const std::string& name)
{
    const Viewport* viewport = currentViewport();
    joinLayer(viewport != nullptr ? viewport->getLayer(name) : nullptr);
}

void BaseSpriteComponent::moveToLayer(unsigned index)
{
    const Viewport* viewport = currentViewport();
    joinLayer(viewport != nullptr ? viewport->getLayer(index) : nullptr);
}

void BaseSpriteComponent::joinDefaultLayer()
{
    const Viewport* viewport = currentViewport();
    Layer* defaultLayer = viewport != nullptr ? viewport->getLayer(Viewport::DefaultLayerName) : nullptr;
    if (defaultLayer == nullptr || layer_ != defaultLayer) {
        joinLayer(defaultLayer);
    }
}

// Always leaves the current list first, so that joining the same layer again moves the
// sprite to the top of it.
void BaseSpriteComponent::joinLayer(Layer* layer)
{
    removeFromLayer(false);
    if (layer != nullptr) {
        layer->addSprite(this);
    }
}

} // namespace Orva::Graphics
