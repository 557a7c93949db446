#pragma once

// Where the pad services of XInput.h get their pads. The default backend reads SDL's game
// controllers; tests install one whose pads they set by hand.

#include "core/Export.h"
#include "platform/XInput.h"

namespace Orva::Platform {

class ORVA_API ControllerBackend
{
public:
    virtual ~ControllerBackend();

    // The pad in the user slot (0 to 3), packet number included; false for an empty slot.
    virtual bool getState(DWORD userIndex, XINPUT_STATE& state) = 0;
    // Motor speeds that last until the next call; false for an empty slot.
    virtual bool setState(DWORD userIndex, const XINPUT_VIBRATION& vibration) = 0;

protected:
    ControllerBackend() = default;
    ControllerBackend(const ControllerBackend&) = default;
    ControllerBackend& operator=(const ControllerBackend&) = default;
};

namespace Test {

// Serves the pad services from `backend` (not owned) from now on; null brings back the SDL
// backend. Test::reset also brings it back.
ORVA_API void setControllerBackend(ControllerBackend* backend);

// XInputGetState and XInputSetState for tests of the engine, which cannot link them.
ORVA_API DWORD padState(DWORD userIndex, XINPUT_STATE* state);
ORVA_API DWORD setPadVibration(DWORD userIndex, XINPUT_VIBRATION* vibration);

} // namespace Test

} // namespace Orva::Platform
