#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

#include "platform/ControllerBackend.h"
#include "platform/PlatformState.h"

// The pad services over SDL's game controllers: four slots, each holding the controller that
// arrived first while the slot was free.

using namespace Orva::Platform;

namespace {

constexpr Uint64 RumbleRenewalMs = 30000;
// SDL runs a rumble for at most this long; pad vibration lasts until it is changed.
constexpr Uint16 RumbleDurationMs = 0xFFFF;
constexpr int TriggerMax = 32767;

struct ButtonBit
{
    SDL_GameControllerButton button;
    WORD bit;
};

constexpr ButtonBit ButtonBits[] = {
    {SDL_CONTROLLER_BUTTON_DPAD_UP, XINPUT_GAMEPAD_DPAD_UP},
    {SDL_CONTROLLER_BUTTON_DPAD_DOWN, XINPUT_GAMEPAD_DPAD_DOWN},
    {SDL_CONTROLLER_BUTTON_DPAD_LEFT, XINPUT_GAMEPAD_DPAD_LEFT},
    {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, XINPUT_GAMEPAD_DPAD_RIGHT},
    {SDL_CONTROLLER_BUTTON_START, XINPUT_GAMEPAD_START},
    {SDL_CONTROLLER_BUTTON_BACK, XINPUT_GAMEPAD_BACK},
    {SDL_CONTROLLER_BUTTON_LEFTSTICK, XINPUT_GAMEPAD_LEFT_THUMB},
    {SDL_CONTROLLER_BUTTON_RIGHTSTICK, XINPUT_GAMEPAD_RIGHT_THUMB},
    {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, XINPUT_GAMEPAD_LEFT_SHOULDER},
    {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, XINPUT_GAMEPAD_RIGHT_SHOULDER},
    {SDL_CONTROLLER_BUTTON_A, XINPUT_GAMEPAD_A},
    {SDL_CONTROLLER_BUTTON_B, XINPUT_GAMEPAD_B},
    {SDL_CONTROLLER_BUTTON_X, XINPUT_GAMEPAD_X},
    {SDL_CONTROLLER_BUTTON_Y, XINPUT_GAMEPAD_Y},
};

// SDL's y axes grow downwards, the pad's upwards; -(-32768) does not fit.
SHORT upwards(Sint16 value)
{
    return static_cast<SHORT>(std::min(-static_cast<int>(value), 32767));
}

BYTE triggerByte(Sint16 value)
{
    const int clamped = std::clamp<int>(value, 0, TriggerMax);
    return static_cast<BYTE>((clamped * 255 + TriggerMax / 2) / TriggerMax);
}

bool sameGamepad(const XINPUT_GAMEPAD& a, const XINPUT_GAMEPAD& b)
{
    return a.wButtons == b.wButtons && a.bLeftTrigger == b.bLeftTrigger &&
           a.bRightTrigger == b.bRightTrigger && a.sThumbLX == b.sThumbLX && a.sThumbLY == b.sThumbLY &&
           a.sThumbRX == b.sThumbRX && a.sThumbRY == b.sThumbRY;
}

XINPUT_GAMEPAD readGamepad(SDL_GameController* controller)
{
    XINPUT_GAMEPAD pad{};
    for (const ButtonBit& entry : ButtonBits) {
        if (SDL_GameControllerGetButton(controller, entry.button) != 0) {
            pad.wButtons |= entry.bit;
        }
    }
    pad.bLeftTrigger = triggerByte(SDL_GameControllerGetAxis(controller, SDL_CONTROLLER_AXIS_TRIGGERLEFT));
    pad.bRightTrigger = triggerByte(SDL_GameControllerGetAxis(controller, SDL_CONTROLLER_AXIS_TRIGGERRIGHT));
    pad.sThumbLX = SDL_GameControllerGetAxis(controller, SDL_CONTROLLER_AXIS_LEFTX);
    pad.sThumbLY = upwards(SDL_GameControllerGetAxis(controller, SDL_CONTROLLER_AXIS_LEFTY));
    pad.sThumbRX = SDL_GameControllerGetAxis(controller, SDL_CONTROLLER_AXIS_RIGHTX);
    pad.sThumbRY = upwards(SDL_GameControllerGetAxis(controller, SDL_CONTROLLER_AXIS_RIGHTY));
    return pad;
}

class SdlControllerBackend final : public ControllerBackend
{
public:
    bool getState(DWORD userIndex, XINPUT_STATE& state) override
    {
        if (!start()) {
            return false;
        }
        // Each slot is read at most once per input update, so a second read of a slot marks
        // the next update: devices are looked at again then, and only then.
        const unsigned bit = 1u << userIndex;
        if (!refreshed_ || (slotsReadSinceRefresh_ & bit) != 0) {
            refresh();
            slotsReadSinceRefresh_ = 0;
        }
        slotsReadSinceRefresh_ |= bit;
        Slot& slot = slots_[userIndex];
        if (slot.controller == nullptr) {
            return false;
        }
        const XINPUT_GAMEPAD pad = readGamepad(slot.controller);
        if (!sameGamepad(pad, slot.last.Gamepad)) {
            ++slot.last.dwPacketNumber;
            slot.last.Gamepad = pad;
        }
        state = slot.last;
        return true;
    }

    bool setState(DWORD userIndex, const XINPUT_VIBRATION& vibration) override
    {
        if (!start()) {
            return false;
        }
        if (!refreshed_) {
            refresh();
        }
        Slot& slot = slots_[userIndex];
        if (slot.controller == nullptr) {
            return false;
        }
        slot.rumble = vibration;
        sendRumble(slot);
        return true;
    }

    void shutDown()
    {
        for (Slot& slot : slots_) {
            if (slot.controller != nullptr) {
                SDL_GameControllerClose(slot.controller);
            }
            slot = Slot{};
        }
        if (started_) {
            SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
        }
        started_ = false;
        refreshed_ = false;
        slotsReadSinceRefresh_ = 0;
    }

private:
    struct Slot
    {
        SDL_GameController* controller = nullptr;
        SDL_JoystickID instanceId = -1;
        XINPUT_STATE last{};
        XINPUT_VIBRATION rumble{};
        Uint64 rumbleSentAt = 0;
    };

    bool start()
    {
        if (started_) {
            return true;
        }
        // Without it SDL reports every pad at rest while no window of the process has focus.
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
            if (!reportedFailure_) {
                SDL_Log("platform: no game controllers: %s", SDL_GetError());
            }
            reportedFailure_ = true;
            return false;
        }
        // Pads are read by polling; their events would only pile up in SDL's queue, which
        // the window's pump leaves them in.
        SDL_GameControllerEventState(SDL_IGNORE);
        SDL_JoystickEventState(SDL_IGNORE);
        started_ = true;
        return true;
    }

    void refresh()
    {
        refreshed_ = true;
        SDL_GameControllerUpdate();
        for (Slot& slot : slots_) {
            if (slot.controller != nullptr && !SDL_GameControllerGetAttached(slot.controller)) {
                SDL_GameControllerClose(slot.controller);
                slot = Slot{};
            }
        }
        bool opened = false;
        const int devices = SDL_NumJoysticks();
        for (int device = 0; device < devices; ++device) {
            if (!SDL_IsGameController(device)) {
                continue;
            }
            const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(device);
            const auto holds = [id](const Slot& slot) {
                return slot.controller != nullptr && slot.instanceId == id;
            };
            if (std::any_of(slots_.begin(), slots_.end(), holds)) {
                continue;
            }
            const auto free = std::find_if(slots_.begin(), slots_.end(),
                                           [](const Slot& slot) { return slot.controller == nullptr; });
            if (free == slots_.end()) {
                break;
            }
            if (SDL_GameController* controller = SDL_GameControllerOpen(device)) {
                free->controller = controller;
                free->instanceId = id;
                opened = true;
            }
        }
        // SDL holds back the first change of a newly opened pad's axes for one update; a
        // second one lets the first poll read the pad as it is.
        if (opened) {
            SDL_GameControllerUpdate();
        }
        const Uint64 now = SDL_GetTicks64();
        for (Slot& slot : slots_) {
            const bool running = slot.rumble.wLeftMotorSpeed != 0 || slot.rumble.wRightMotorSpeed != 0;
            if (slot.controller != nullptr && running && now - slot.rumbleSentAt >= RumbleRenewalMs) {
                sendRumble(slot);
            }
        }
    }

    static void sendRumble(Slot& slot)
    {
        const bool running = slot.rumble.wLeftMotorSpeed != 0 || slot.rumble.wRightMotorSpeed != 0;
        SDL_GameControllerRumble(slot.controller, slot.rumble.wLeftMotorSpeed, slot.rumble.wRightMotorSpeed,
                                 running ? RumbleDurationMs : 0);
        slot.rumbleSentAt = SDL_GetTicks64();
    }

    std::array<Slot, XUSER_MAX_COUNT> slots_{};
    bool started_ = false;
    bool reportedFailure_ = false;
    bool refreshed_ = false;
    unsigned slotsReadSinceRefresh_ = 0;
};

SdlControllerBackend& sdlBackend()
{
    // Never destroyed: controllers are closed by the layer's reset, not at exit.
    static SdlControllerBackend* const backend = new SdlControllerBackend();
    return *backend;
}

ControllerBackend*& installedBackend()
{
    static ControllerBackend* backend = nullptr;
    return backend;
}

ControllerBackend& backend()
{
    ControllerBackend* installed = installedBackend();
    return installed != nullptr ? *installed : sdlBackend();
}

} // namespace

Orva::Platform::ControllerBackend::~ControllerBackend() = default;

DWORD XInputGetState(DWORD userIndex, XINPUT_STATE* state)
{
    if (userIndex >= XUSER_MAX_COUNT || state == nullptr) {
        return ERROR_BAD_ARGUMENTS;
    }
    return backend().getState(userIndex, *state) ? ERROR_SUCCESS : ERROR_DEVICE_NOT_CONNECTED;
}

DWORD XInputSetState(DWORD userIndex, XINPUT_VIBRATION* vibration)
{
    if (userIndex >= XUSER_MAX_COUNT || vibration == nullptr) {
        return ERROR_BAD_ARGUMENTS;
    }
    return backend().setState(userIndex, *vibration) ? ERROR_SUCCESS : ERROR_DEVICE_NOT_CONNECTED;
}

namespace Orva::Platform {

void Test::setControllerBackend(ControllerBackend* backend)
{
    installedBackend() = backend;
}

DWORD Test::padState(DWORD userIndex, XINPUT_STATE* state)
{
    return XInputGetState(userIndex, state);
}

DWORD Test::setPadVibration(DWORD userIndex, XINPUT_VIBRATION* vibration)
{
    return XInputSetState(userIndex, vibration);
}

void detail::resetControllers()
{
    installedBackend() = nullptr;
    sdlBackend().shutDown();
}

} // namespace Orva::Platform
