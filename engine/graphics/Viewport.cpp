#include "graphics/Viewport.h"

#include <GL/glew.h>

#include <algorithm>
#include <stdexcept>

#include "core/EventManager.h"
#include "core/FunctionHolder.h"
#include "core/GlobalManager.h"
#include "graphics/FrameShader.h"
#include "graphics/Layer.h"
#include "graphics/Renderer.h"
#include "platform/Win32.h"
#include "window/Window.h"
#include "window/WindowEvents.h"
#include "world/FramerateController.h"

namespace Orva::Graphics {

namespace {

// The look-at of the constructor: from the origin down -z with y up, the identity.
Math::Matrix44<float> defaultLookAt() noexcept
{
    return buildLookAtMatrix({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, -1.0f}, {0.0f, 1.0f, 0.0f});
}

template <class Names> std::ptrdiff_t indexOf(const Names& names, const std::string& name)
{
    const auto found = std::find(names.begin(), names.end(), name);
    return found == names.end() ? -1 : found - names.begin();
}

} // namespace

Viewport::Viewport(Renderer& renderer, const Math::Vector2D<unsigned>& position,
                   const Math::Vector2D<unsigned>& size)
    : renderer_(&renderer), position_(position), size_(size), ortho_(buildViewportOrtho(size)),
      lookAt_(defaultLookAt()), projection_(ortho_ * lookAt_)
{
    addLayer(DefaultLayerName);
    EventManager::getInstance().ListenToEvent(WindowResizeEventName,
                                              FunctionHolder(this, &Viewport::onWindowResize));
}

Viewport::~Viewport()
{
    deleteLayers();
}

void Viewport::deleteLayers() noexcept
{
    for (Layer* layer : layers_) {
        delete layer;
    }
    layers_.clear();
    layerNames_.clear();
}

void Viewport::setSize(const Math::Vector2D<unsigned>& size) noexcept
{
    size_ = size;
    ortho_ = buildViewportOrtho(size);
    projection_ = ortho_ * lookAt_;
}

Math::Matrix44<float> Viewport::getMatrix() const noexcept
{
    return projection_ * computeCameraMatrix();
}

Math::Matrix44<float> Viewport::computeCameraMatrix() const noexcept
{
    return Graphics::computeCameraMatrix(camera_, GlobalManager::ObjectUnitSize);
}

Math::Vector2D<float> Viewport::screenToWorldPosition(const Math::Vector2D<float>& pixel) const noexcept
{
    return screenToWorld(pixel, size_, camera_, GlobalManager::InverseObjectUnitSize);
}

Math::Vector2D<float> Viewport::worldToScreenPosition(const Math::Vector2D<float>& world) const noexcept
{
    return worldToScreen(world, size_, camera_, GlobalManager::ObjectUnitSize);
}

Math::Vector2D<float>
Viewport::worldToNormalizedScreenPosition(const Math::Vector2D<float>& world) const noexcept
{
    const Math::Vector2D<float> pixel = worldToScreenPosition(world);
    return {pixel.x / static_cast<float>(size_.x), pixel.y / static_cast<float>(size_.y)};
}

Layer* Viewport::addLayer(const std::string& name)
{
    if (Layer* existing = getLayer(name)) {
        return existing;
    }
    layerNames_.push_back(name);
    try {
        layers_.push_back(new Layer(*this));
    } catch (...) {
        layerNames_.pop_back();
        throw;
    }
    return layers_.back();
}

Layer* Viewport::getLayer(const std::string& name) const noexcept
{
    const std::ptrdiff_t index = indexOf(layerNames_, name);
    return index < 0 ? nullptr : layers_[static_cast<std::size_t>(index)];
}

Layer* Viewport::getLayer(unsigned index) const noexcept
{
    return index < layers_.size() ? layers_[index] : nullptr;
}

std::string Viewport::getLayerName(const Layer* layer) const
{
    const auto found = std::find(layers_.begin(), layers_.end(), layer);
    return found == layers_.end() ? std::string()
                                  : layerNames_[static_cast<std::size_t>(found - layers_.begin())];
}

void Viewport::removeLayer(const std::string& name)
{
    removeLayerByPointer(getLayer(name));
}

void Viewport::removeLayerByPointer(Layer* layer)
{
    const auto found = std::find(layers_.begin(), layers_.end(), layer);
    if (layer == nullptr || found == layers_.end()) {
        return;
    }
    const auto index = found - layers_.begin();
    layers_.erase(found);
    layerNames_.erase(layerNames_.begin() + index);
    delete layer;
}

void Viewport::swapLayers(const std::string& a, const std::string& b)
{
    const std::ptrdiff_t first = indexOf(layerNames_, a);
    const std::ptrdiff_t second = indexOf(layerNames_, b);
    if (first < 0 || second < 0) {
        return;
    }
    std::swap(layers_[static_cast<std::size_t>(first)], layers_[static_cast<std::size_t>(second)]);
    std::swap(layerNames_[static_cast<std::size_t>(first)], layerNames_[static_cast<std::size_t>(second)]);
}

void Viewport::clearAllLayers()
{
    deleteLayers();
    addLayer(DefaultLayerName);
}

void Viewport::addFrameShader(const std::string& name, const std::string& paths, unsigned textureCount,
                              int dependency)
{
    if (!layers_.empty()) {
        layers_.front()->addFrameShader(name, paths, textureCount, dependency);
    }
}

FrameShader& Viewport::getFrameShader(const std::string& name) const
{
    if (layers_.empty()) {
        throw std::out_of_range("the viewport has no layer to hold frame shader \"" + name + "\"");
    }
    return layers_.front()->getFrameShader(name);
}

void Viewport::removeFrameShader(const std::string& name)
{
    if (!layers_.empty()) {
        layers_.front()->removeFrameShader(name);
    }
}

void Viewport::removeFrameShader(std::uint32_t nameHash)
{
    if (!layers_.empty()) {
        layers_.front()->removeFrameShader(nameHash);
    }
}

void Viewport::sortLayers()
{
    for (Layer* layer : layers_) {
        layer->sort();
    }
}

// The layers draw first and the window is cleared just before the pass that shows the last
// one, so that the rasteriser can drop the clear wherever that pass covers it; its depth is
// cleared only for a pass that tests depth. A visible layer that would only copy what lies
// beneath it is left out: its result is that.
void Viewport::draw()
{
    glViewport(static_cast<GLint>(position_.x), static_cast<GLint>(position_.y),
               static_cast<GLsizei>(size_.x), static_cast<GLsizei>(size_.y));
    const Layer* lastDrawn = nullptr;
    bool anyVisible = false;
    if (!layers_.empty()) {
        const Math::Matrix44<float> projectionView = getMatrix();
        // Sprite drawing starts the frame, and each visible layer, taking no texture as bound.
        renderer_->getLastTextureId() = 0;
        for (const Layer* layer : layers_) {
            if (!layer->isVisible()) {
                continue;
            }
            anyVisible = true;
            renderer_->getLastTextureId() = 0;
            if (layer->isPassThrough()) {
                continue;
            }
            Debug::FrameStageProbe::enter(Debug::FrameStage::LayerPasses);
            layer->bind();
            // Everything below lies under this layer.
            if (lastDrawn != nullptr) {
                lastDrawn->drawResult(layer->showsFirstTarget());
            }
            layer->draw(projectionView);
            lastDrawn = layer;
        }
    }
    Debug::FrameStageProbe::enter(lastDrawn != nullptr ? Debug::FrameStage::WindowPass
                                                       : Debug::FrameStage::WindowClear);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    const bool depthTested = lastDrawn != nullptr && !lastDrawn->showsTargetAsIs();
    clearWindow(anyVisible && lastDrawn == nullptr, depthTested);
    if (lastDrawn != nullptr) {
        lastDrawn->drawResult(true);
    }
}

// A visible layer that drew nothing would have shown its first target, cleared, over the
// viewport: the clear colour without its alpha, since targets have none, so opaque there.
void Viewport::clearWindow(bool opaqueViewport, bool withDepth) const
{
    const GLbitfield buffers = GL_COLOR_BUFFER_BIT | (withDepth ? GL_DEPTH_BUFFER_BIT : 0u);
    if (!opaqueViewport) {
        glClear(buffers);
        return;
    }
    GLfloat clearColor[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColor);
    const Window* window = renderer_->getWindow();
    const bool wholeWindow =
        window != nullptr && position_ == Math::Vector2D<unsigned>(0, 0) && size_ == window->getSize();
    if (!wholeWindow) {
        glClear(buffers);
        glEnable(GL_SCISSOR_TEST);
        glScissor(static_cast<GLint>(position_.x), static_cast<GLint>(position_.y),
                  static_cast<GLsizei>(size_.x), static_cast<GLsizei>(size_.y));
    }
    glClearColor(clearColor[0], clearColor[1], clearColor[2], 1.0f);
    glClear(buffers);
    glClearColor(clearColor[0], clearColor[1], clearColor[2], clearColor[3]);
    if (!wholeWindow) {
        glDisable(GL_SCISSOR_TEST);
    }
}

void Viewport::onWindowResize(BaseEvent* event)
{
    const auto* resize = dynamic_cast<const WindowResizeEvent*>(event);
    if (resize == nullptr) {
        return;
    }
    Math::Vector2D<unsigned> requested(resize->width, resize->height);
    if (requested.x == 0 && requested.y == 0) {
        RECT client{};
        if (GetClientRect(resize->windowHandle, &client) != 0) {
            requested = {static_cast<unsigned>(std::max<LONG>(0, client.right - client.left)),
                         static_cast<unsigned>(std::max<LONG>(0, client.bottom - client.top))};
        }
    }
    const auto resized = resizedViewportSize(size_, requested);
    if (!resized) {
        return;
    }
    setSize(*resized);
    for (Layer* layer : layers_) {
        layer->resize(size_);
    }
}

} // namespace Orva::Graphics
