#pragma once

#include <string>
#include <vector>

#include "core/Export.h"
#include "core/Vector.h"
#include "graphics/Layer.h"

namespace Orva::Graphics {

// STUB: the camera and the named layer list, without drawing. The renderer issue replaces it
// (projection, frame passes, resize handling, the rest of the layer list operations).
class ORVA_API Viewport
{
public:
    // Starts with the one layer "default".
    Viewport() { addLayer("default"); }
    ~Viewport()
    {
        for (Layer* layer : layers_) {
            delete layer;
        }
    }

    Viewport(const Viewport&) = delete;
    Viewport& operator=(const Viewport&) = delete;

    Math::Vector2D<float>& getCameraPosition() noexcept { return cameraPosition_; }
    const Math::Vector2D<float>& getCameraPosition() const noexcept { return cameraPosition_; }
    Math::Vector2D<float>& getCameraScale() noexcept { return cameraScale_; }
    const Math::Vector2D<float>& getCameraScale() const noexcept { return cameraScale_; }

    // The layer of that name, appended at the end when there is none.
    Layer* addLayer(const std::string& name)
    {
        if (Layer* existing = getLayer(name)) {
            return existing;
        }
        layers_.push_back(new Layer);
        layerNames_.push_back(name);
        return layers_.back();
    }

    // The layer of that name, or null.
    Layer* getLayer(const std::string& name) const noexcept
    {
        for (std::size_t index = 0; index < layerNames_.size(); ++index) {
            if (layerNames_[index] == name) {
                return layers_[index];
            }
        }
        return nullptr;
    }

    void sortLayers() noexcept
    {
        for (Layer* layer : layers_) {
            layer->sort();
        }
    }

    const std::vector<Layer*>& getLayers() const noexcept { return layers_; }
    const std::vector<std::string>& getLayerNames() const noexcept { return layerNames_; }

private:
    std::vector<Layer*> layers_;
    std::vector<std::string> layerNames_;
    Math::Vector2D<float> cameraPosition_{0.0f, 0.0f};
    Math::Vector2D<float> cameraScale_{1.0f, 1.0f};
};

} // namespace Orva::Graphics
