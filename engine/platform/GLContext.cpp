#include "platform/PlatformState.h"

// OpenGL rendering contexts on the layer's windows: the device-context and context calls
// of the desktop, each reduced to its SDL equivalent.

using namespace Orva::Platform::detail;

namespace {

WindowRecord* findRecord(SDL_Window* window)
{
    for (auto& [id, record] : state().windows) {
        if (record.window == window) {
            return &record;
        }
    }
    return nullptr;
}

} // namespace

namespace Orva::Platform {

namespace detail {

void deleteGLContexts(WindowRecord& record)
{
    for (SDL_GLContext context : record.glContexts) {
        SDL_GL_DeleteContext(context);
    }
    record.glContexts.clear();
}

} // namespace detail

bool HasGLPixelFormat(SDL_Window* window)
{
    return findRecord(window) != nullptr && (SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL) != 0;
}

GLContextHandle CreateGLContext(SDL_Window* window)
{
    WindowRecord* record = findRecord(window);
    if (record == nullptr) {
        SDL_SetError("not a window of the platform layer");
        return nullptr;
    }
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (context == nullptr) {
        return nullptr;
    }
    // Frames are paced by the engine's own controller, never by the display.
    SDL_GL_SetSwapInterval(0);
    record->glContexts.push_back(context);
    return context;
}

bool SwapGLBuffers(SDL_Window* window)
{
    if (findRecord(window) == nullptr) {
        return false;
    }
    SDL_GL_SwapWindow(window);
    return true;
}

std::string LastError()
{
    return SDL_GetError();
}

} // namespace Orva::Platform
