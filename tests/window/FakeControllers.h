#pragma once

#include <array>
#include <vector>

#include "platform/ControllerBackend.h"

// Pads set by hand: tests plug them in, press their buttons and read what was asked of them.
class FakeControllers final : public Orva::Platform::ControllerBackend
{
public:
    struct Pad
    {
        bool connected = false;
        XINPUT_GAMEPAD gamepad{};
    };

    struct Vibration
    {
        DWORD user;
        WORD left;
        WORD right;
        bool operator==(const Vibration&) const = default;
    };

    bool getState(DWORD userIndex, XINPUT_STATE& state) override
    {
        ++reads[userIndex];
        const Pad& pad = pads[userIndex];
        if (!pad.connected)
            return false;
        state = XINPUT_STATE{++packet, pad.gamepad};
        return true;
    }

    bool setState(DWORD userIndex, const XINPUT_VIBRATION& vibration) override
    {
        vibrations.push_back({userIndex, vibration.wLeftMotorSpeed, vibration.wRightMotorSpeed});
        return pads[userIndex].connected;
    }

    std::array<Pad, 4> pads{};
    std::array<int, 4> reads{};
    std::vector<Vibration> vibrations;

private:
    DWORD packet = 0;
};
