#pragma once

#include <memory>

#include "core/Export.h"
#include "core/Singleton.h"
#include "graphics/Viewport.h"

namespace Orva {
class Window;
}

namespace Orva::Graphics {

// STUB: a headless renderer: init keeps the window and makes the viewport but opens no
// OpenGL context, and update runs the layers' re-sort timer. The renderer issue replaces it
// (context, default shaders, unit meshes, drawing, screen capture).
class ORVA_API Renderer : public Singleton<Renderer>
{
public:
    // Layers are re-sorted each time the timer reaches this many seconds.
    static constexpr float SortInterval = 0.1f;

    void init(Window& window)
    {
        window_ = &window;
        viewport_ = std::make_unique<Viewport>();
    }

    // Adds dt to the sort timer; at SortInterval or more re-sorts every layer and restarts it.
    void update(float dt) noexcept
    {
        sortTimer_ += dt;
        if (sortTimer_ >= SortInterval) {
            if (viewport_) {
                viewport_->sortLayers();
            }
            sortTimer_ = 0.0f;
        }
        lastTextureId_ = 0;
    }

    // Valid once init has run.
    Viewport& getViewport() noexcept { return *viewport_; }
    Window* getWindow() const noexcept { return window_; }
    unsigned& getLastTextureId() noexcept { return lastTextureId_; }

private:
    Window* window_ = nullptr;
    std::unique_ptr<Viewport> viewport_;
    float sortTimer_ = 0.0f;
    unsigned lastTextureId_ = 0;
};

} // namespace Orva::Graphics
