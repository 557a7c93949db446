#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/BaseEvent.h"
#include "core/EventCallbackObject.h"
#include "core/Export.h"
#include "core/Matrix44.h"
#include "core/MemoryPoolManager.h"
#include "core/Vector.h"
#include "graphics/ViewMath.h"

namespace Orva::Graphics {

class FrameShader;
class Layer;
class Renderer;

// The camera and the ordered, named layers of the window. Layer 0 is drawn first (lowest);
// each visible layer is drawn over the result of the one below it, and the last visible
// layer's result reaches the window. Follows the window's size through "WindowResizeEvent".
// Needs the renderer's context.
class ORVA_API Viewport
{
public:
    ORVA_POOLED_OPERATORS(Viewport)

    static constexpr char DefaultLayerName[] = "default";

    // Builds the projection for the size, puts the camera at the origin with scale 1, adds
    // the layer "default" and listens to window resizes.
    Viewport(Renderer& renderer, const Math::Vector2D<unsigned>& position,
             const Math::Vector2D<unsigned>& size);
    // Deletes every layer and ends the subscription.
    ~Viewport();

    Viewport(const Viewport&) = delete;
    Viewport& operator=(const Viewport&) = delete;

    // The lower-left corner in window pixels, used from the next draw.
    void setPosition(const Math::Vector2D<unsigned>& position) noexcept { position_ = position; }
    // Rebuilds the projection; the layers' targets keep their size (resizes remake them).
    void setSize(const Math::Vector2D<unsigned>& size) noexcept;
    const Math::Vector2D<unsigned>& getPosition() const noexcept { return position_; }
    const Math::Vector2D<unsigned>& getSize() const noexcept { return size_; }

    Math::Vector2D<float>& getCameraPosition() noexcept { return camera_.position; }
    const Math::Vector2D<float>& getCameraPosition() const noexcept { return camera_.position; }
    Math::Vector2D<float>& getCameraScale() noexcept { return camera_.scale; }
    const Math::Vector2D<float>& getCameraScale() const noexcept { return camera_.scale; }

    // Projection × camera matrix: world units to clip space, what every layer draws with.
    Math::Matrix44<float> getMatrix() const noexcept;
    Math::Matrix44<float> computeCameraMatrix() const noexcept;
    // Window pixels with the origin top-left and y down, to world units.
    Math::Vector2D<float> screenToWorldPosition(const Math::Vector2D<float>& pixel) const noexcept;
    // World units to pixels with the origin bottom-left and y up.
    Math::Vector2D<float> worldToScreenPosition(const Math::Vector2D<float>& world) const noexcept;
    // The same divided by the viewport's width and height.
    Math::Vector2D<float> worldToNormalizedScreenPosition(const Math::Vector2D<float>& world) const noexcept;

    // The layer of that name, appended at the top when there is none.
    Layer* addLayer(const std::string& name);
    // The layer of that name, or null.
    Layer* getLayer(const std::string& name) const noexcept;
    // The layer at that place in the draw order, or null past the last one.
    Layer* getLayer(unsigned index) const noexcept;
    // The layer's name, or "" for a layer of another viewport.
    std::string getLayerName(const Layer* layer) const;
    // Delete the layer; nothing for an unknown one.
    void removeLayer(const std::string& name);
    void removeLayerByPointer(Layer* layer);
    // Exchanges the places of two layers in the draw order; nothing if either is unknown.
    void swapLayers(const std::string& a, const std::string& b);
    // Deletes every layer and adds a fresh "default".
    void clearAllLayers();
    const std::vector<Layer*>& getLayers() const noexcept { return layers_; }
    const std::vector<std::string>& getLayerNames() const noexcept { return layerNames_; }

    // Frame shaders of layer 0. Without any layer adding and removing do nothing, and
    // getFrameShader throws std::out_of_range.
    void addFrameShader(const std::string& name, const std::string& paths, unsigned textureCount,
                        int dependency);
    FrameShader& getFrameShader(const std::string& name) const;
    void removeFrameShader(const std::string& name);
    void removeFrameShader(std::uint32_t nameHash);

    // Re-sorts the sprites of every layer.
    void sortLayers();
    // Draws every layer into the framebuffer bound at the end: the window's.
    void draw();

    // The "WindowResizeEvent" listener: follows the window's new client size and remakes
    // every frame shader at it.
    void onWindowResize(BaseEvent* event);

    Renderer& getRenderer() const noexcept { return *renderer_; }
    EventCallbackObject& getEventCallbackObject() noexcept { return eventCallbacks_; }

private:
    void deleteLayers() noexcept;
    void clearWindow(bool opaqueViewport, bool withDepth) const;

    Renderer* renderer_;
    Math::Vector2D<unsigned> position_;
    Math::Vector2D<unsigned> size_;
    std::vector<Layer*> layers_;
    std::vector<std::string> layerNames_;
    Math::Matrix44<float> ortho_;
    Math::Matrix44<float> lookAt_;
    Math::Matrix44<float> projection_;
    ViewCamera camera_;
    EventCallbackObject eventCallbacks_;
};

} // namespace Orva::Graphics
