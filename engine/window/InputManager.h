#pragma once

#include "core/Export.h"
#include "core/Singleton.h"

namespace Orva {

// STUB: only what the engine's start-up, frame step and shut-down call. The input issue
// replaces it (keys, mouse, controllers, bindings, recording and replay).
class ORVA_API InputManager : public Singleton<InputManager>
{
public:
    // One input step of dt seconds; the engine passes 0.016 every frame.
    static void update(float /*dt*/) {}
};

} // namespace Orva
