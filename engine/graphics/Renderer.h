#pragma once

#include <string>
#include <vector>

#include "core/Export.h"
#include "core/MemoryPoolManager.h"
#include "core/Singleton.h"
#include "graphics/Color.h"

// The platform layer's window, on which the context is made; opaque here.
struct SDL_Window;

namespace Orva {
class Window;
}

namespace Orva::Graphics {

class Drawable;
class ObjectShader;
class SpriteBatch;
class Viewport;

// Owns the OpenGL context on the game window and everything drawn each frame: the viewport
// with its layers, the shared unit quad and unit line, the default object shader and the
// sprite batch. The
// engine makes it (createRenderer); the launcher's frame calls beginDraw and endDraw.
class ORVA_API Renderer : public Singleton<Renderer>
{
public:
    ORVA_POOLED_OPERATORS(Renderer)

    // Layers are re-sorted each time the sort timer reaches this many seconds.
    static constexpr float SortInterval = 0.1f;

    Renderer() = default;
    // Deletes the viewport (and its layers), the sprite batch, the default object shader and
    // the unit meshes.
    // The context stays with the window.
    ~Renderer();

    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // Makes the context on the window current, loads the GL entry points, sets the drawing
    // state and makes the viewport at the window's size with the unit quad. A failing step
    // is printed on stderr with the library's reason and leaves the renderer without a
    // viewport; returns whether it got that far.
    bool init(Window& window);
    bool isInitialized() const noexcept { return viewport_ != nullptr; }
    // Why the last init stopped short, as printed; empty when none did.
    const std::string& getInitFailure() const noexcept { return initFailure_; }

    // Adds dt to the sort timer; at SortInterval or more re-sorts every layer and restarts
    // it. Always forgets the last bound texture.
    void update(float dt);
    // Clears the window and draws every layer into it.
    void beginDraw();
    // Presents the frame; afterwards the back buffer is undefined.
    void endDraw();
    void setClearColor(const Color& color);
    // The window's pixels as RGB bytes, top row first; empty without a viewport. Read from
    // the back buffer, so call it between beginDraw and endDraw.
    std::vector<unsigned char> screenCapture() const;

    // The shared meshes, shader and batch, built on first use; null until init has succeeded.
    Drawable* createUnitQuad();
    Drawable* createUnitLine();
    ObjectShader* getDefaultObjectShader();
    SpriteBatch* getSpriteBatch();

    // Whether layers hand consecutive sprites of the default shader to the sprite batch (the
    // default) or draw each with its own draw call; the pixels are the same either way.
    void setSpriteBatching(bool batching) noexcept { spriteBatching_ = batching; }
    bool isSpriteBatching() const noexcept { return spriteBatching_; }

    // The GL name of the texture that sprite drawing bound last (0 = none).
    unsigned& getLastTextureId() noexcept { return lastTextureId_; }
    // Valid once init has succeeded.
    Viewport& getViewport() noexcept { return *viewport_; }
    Window* getWindow() const noexcept { return window_; }

private:
    bool setupPixelFormat() const;
    // Prints the reason, keeps it and returns false.
    bool failInit(std::string reason);

    // The platform layer's context handle, opaque here.
    void* context_ = nullptr;
    SDL_Window* deviceContext_ = nullptr;
    Window* window_ = nullptr;
    Drawable* unitQuad_ = nullptr;
    Drawable* unitLine_ = nullptr;
    ObjectShader* defaultShader_ = nullptr;
    SpriteBatch* spriteBatch_ = nullptr;
    Viewport* viewport_ = nullptr;
    float sortTimer_ = 0.0f;
    unsigned lastTextureId_ = 0;
    bool spriteBatching_ = true;
    unsigned vertexArray_ = 0;
    std::string initFailure_;
};

} // namespace Orva::Graphics
