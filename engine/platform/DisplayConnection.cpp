#include <SDL.h>
#include <dlfcn.h>

#include <cstdlib>
#include <cstring>

#include "platform/PlatformState.h"

// Xlib ends the process itself when its connection to the display breaks: its default
// handler calls exit, which runs every exit handler and static destructor, and any of them
// that reaches the display through the dead connection never returns. The layer's handler
// ends the process at once instead, after the program's last word.
namespace Orva::Platform {

namespace {

using XIOErrorHandler = int (*)(void* display);

void (*displayLostHandler)() = nullptr;

int endOnLostConnection(void* /*display*/)
{
    if (displayLostHandler) {
        displayLostHandler();
    }
    std::_Exit(DisplayLostStatus);
}

} // namespace

void SetDisplayLostHandler(void (*handler)())
{
    displayLostHandler = handler;
}

namespace detail {

void watchDisplayConnection()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || std::strcmp(driver, "x11") != 0) {
        return;
    }
    // SDL has loaded Xlib itself: this finds that same library, whose handler its calls use.
    void* xlib = dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
    if (!xlib) {
        return;
    }
    using SetHandler = XIOErrorHandler (*)(XIOErrorHandler);
    if (auto setHandler = reinterpret_cast<SetHandler>(dlsym(xlib, "XSetIOErrorHandler"))) {
        setHandler(&endOnLostConnection);
    }
    dlclose(xlib);
}

} // namespace detail

} // namespace Orva::Platform
