#include "window/InputManager.h"

#include <algorithm>
#include <cstring>

#include "window/InputKeys.h"

namespace Orva {

const std::uint32_t InputManager::CONTROLLER_ONE_ENTER_EVENT_CODE =
    EventNameDetails::EventToHash("ControllerOneEnter");
const std::uint32_t InputManager::CONTROLLER_TWO_ENTER_EVENT_CODE =
    EventNameDetails::EventToHash("ControllerTwoEnter");
const std::uint32_t InputManager::CONTROLLER_THREE_ENTER_EVENT_CODE =
    EventNameDetails::EventToHash("ControllerThreeEnter");
const std::uint32_t InputManager::CONTROLLER_FOUR_ENTER_EVENT_CODE =
    EventNameDetails::EventToHash("ControllerFourEnter");
const std::uint32_t InputManager::CONTROLLER_ONE_DROP_EVENT_CODE =
    EventNameDetails::EventToHash("ControllerOneDrop");
const std::uint32_t InputManager::CONTROLLER_TWO_DROP_EVENT_CODE =
    EventNameDetails::EventToHash("ControllerTwoDrop");
const std::uint32_t InputManager::CONTROLLER_THREE_DROP_EVENT_CODE =
    EventNameDetails::EventToHash("ControllerThreeDrop");
const std::uint32_t InputManager::CONTROLLER_FOUR_DROP_EVENT_CODE =
    EventNameDetails::EventToHash("ControllerFourDrop");
const std::uint32_t InputManager::MOUSE_MOVEMENT_EVENT_CODE = EventNameDetails::EventToHash("MouseMovement");
const std::uint32_t InputManager::CONTROLLER_STICK_DELTA_EVENT_CODE =
    EventNameDetails::EventToHash("StickDelta");

namespace {

constexpr std::size_t ReservedActionCodes = 200;
constexpr int PadCount = 4;
constexpr int PadButtonCount = 16;
constexpr unsigned LastListedKey = InputKeys::ORVA_CONTROLLER4_DROP;

ButtonState stateFrom(std::uint8_t previous, std::uint8_t current) noexcept
{
    if (previous == 0) {
        return current == 0 ? ButtonUp : ButtonTapped;
    }
    return current == 0 ? ButtonReleased : ButtonDown;
}

// The pad a key code belongs to: 0 to 3 for the pad buttons and connection codes (the
// marker 149 counting as pad 0 and 222 as 4), -1 for every other key.
std::int32_t controllerIndexOf(unsigned char key) noexcept
{
    if (key < InputKeys::ORVA_CONTROLLER_BUTTONS_START || key > InputKeys::ORVA_CONTROLLER_BUTTONS_END) {
        return -1;
    }
    if (key >= InputKeys::ORVA_CONTROLLER1_DROP) {
        return key - InputKeys::ORVA_CONTROLLER1_DROP;
    }
    if (key >= InputKeys::ORVA_CONTROLLER1_ENTER) {
        return key - InputKeys::ORVA_CONTROLLER1_ENTER;
    }
    return (key - InputKeys::ORVA_CONTROLLER1_DPAD_UP) / PadButtonCount;
}

} // namespace

InputManager::InputManager()
{
    // A press made before there was a manager belongs to no update of this one.
    std::fill(std::begin(WindowKeyPresses), std::end(WindowKeyPresses), 0);
    actionListeners_.reserve(ReservedActionCodes);
    for (int pad = 0; pad < PadCount; ++pad) {
        controllers_[static_cast<std::size_t>(pad)] = XInputController(pad + 1);
    }
    const std::uint32_t connectionCodes[] = {
        CONTROLLER_ONE_ENTER_EVENT_CODE,  CONTROLLER_TWO_ENTER_EVENT_CODE, CONTROLLER_THREE_ENTER_EVENT_CODE,
        CONTROLLER_FOUR_ENTER_EVENT_CODE, CONTROLLER_ONE_DROP_EVENT_CODE,  CONTROLLER_TWO_DROP_EVENT_CODE,
        CONTROLLER_THREE_DROP_EVENT_CODE, CONTROLLER_FOUR_DROP_EVENT_CODE};
    unsigned char key = InputKeys::ORVA_CONTROLLER1_ENTER;
    for (const std::uint32_t code : connectionCodes) {
        tieKeyToAction(key++, code);
    }
}

InputManager::~InputManager() = default;

void InputManager::update(float dt)
{
    getInstance().step(dt);
}

void InputManager::step(float dt)
{
    struct Updating
    {
        bool& flag;
        explicit Updating(bool& flag) : flag(flag) { flag = true; }
        ~Updating() { flag = false; }
    } updating(updating_);

    if (tracking_) {
        trackingClock_ += dt;
    }
    updateButtonStates(dt);
    dispatchActionListeners();
    updateMouse();
    updateStickDeltaListeners();
}

void InputManager::getListOfButtonsWithState(KeyList& out, ButtonState state)
{
    const InputManager& manager = getInstance();
    for (unsigned key = 0; key <= LastListedKey; ++key) {
        if (manager.getButtonState(static_cast<unsigned char>(key)) == state) {
            out.push_back(static_cast<unsigned char>(key));
        }
    }
}

// A key pressed since the last update is down in this one even if it is up again, so a tap
// shorter than a frame reads as tapped now and released at the next update.
void InputManager::updateButtonStates(float dt)
{
    previousBuffer_ = currentBuffer_;
    currentBuffer_ = (currentBuffer_ + 1) & 1;
    if (replaying_) {
        replayStep(dt);
        std::fill(std::begin(WindowKeyPresses), std::end(WindowKeyPresses), 0);
        return;
    }
    replayDownKeys_.reset();
    strandedKeys_.reset();
    StateBuffer& current = stateBuffers_[static_cast<std::size_t>(currentBuffer_)];
    for (std::size_t key = 0; key < current.size(); ++key) {
        current[key] = WindowKeyStates[key] | WindowKeyPresses[key];
    }
    std::fill(std::begin(WindowKeyPresses), std::end(WindowKeyPresses), 0);
    readPads(dt);

    const std::int16_t wheel = WindowMouseWheelDelta;
    mouseEvent_.scrollSpeed = wheel;
    WindowMouseWheelDelta = 0;
    current[InputKeys::ORVA_MOUSE_SCROLL_UP] = wheel > 0 ? 1 : 0;
    current[InputKeys::ORVA_MOUSE_SCROLL_DOWN] = wheel < 0 ? 1 : 0;
}

// A pad that did not poll this frame leaves its codes as the window's key array had them.
void InputManager::readPads(float dt)
{
    StateBuffer& current = stateBuffers_[static_cast<std::size_t>(currentBuffer_)];
    for (int pad = 0; pad < PadCount; ++pad) {
        XInputController& controller = controllers_[static_cast<std::size_t>(pad)];
        controller.update(dt);
        if (!controller.hasPolled()) {
            continue;
        }
        const XINPUT_GAMEPAD& state = controller.getPadState().Gamepad;
        const std::size_t first =
            InputKeys::ORVA_CONTROLLER1_DPAD_UP + static_cast<std::size_t>(pad) * PadButtonCount;
        for (int bit = 0; bit < PadButtonCount; ++bit) {
            current[first + static_cast<std::size_t>(bit)] = (state.wButtons >> bit) & 1;
        }
        current[first + XINPUT_LT] = state.bLeftTrigger > 0 ? 1 : 0;
        current[first + XINPUT_RT] = state.bRightTrigger > 0 ? 1 : 0;
        current[InputKeys::ORVA_CONTROLLER1_ENTER + static_cast<std::size_t>(pad)] =
            controller.hasEntered() ? 1 : 0;
        current[InputKeys::ORVA_CONTROLLER1_DROP + static_cast<std::size_t>(pad)] =
            controller.hasDropped() ? 1 : 0;
    }
}

void InputManager::dispatchActionListeners()
{
    actionListeners_.mergePending();
    actionListeners_.applyRemovals();

    // Listeners may tie, untie or clear bindings: keys are stepped by value, and each key's
    // actions are walked as they were when the key came up.
    auto pairing = keyPairings_.begin();
    while (pairing != keyPairings_.end()) {
        const unsigned char key = pairing->first;
        dispatchedActions_.assign(pairing->second.begin(), pairing->second.end());
        const ButtonState state = getButtonState(key);
        for (const std::uint32_t action : dispatchedActions_) {
            ControllerEvent event(key, state, action, controllerIndexOf(key));
            actionListeners_.forEach(action, [&](ActionListenerData& listener) {
                if (listener.state == state) {
                    listener.callback->call(&event);
                }
            });
        }
        pairing = keyPairings_.upper_bound(key);
    }
}

void InputManager::updateMouse()
{
    const Math::Vector2D<int> position(WindowMouseX, WindowMouseY);
    mouseEvent_.delta = position;
    mouseEvent_.delta -= mouseEvent_.position;
    mouseEvent_.position = position;

    mouseListeners_.mergePending();
    mouseListeners_.applyRemovals();

    if (mouseEvent_.delta == Math::Vector2D<int>()) {
        return;
    }
    mouseEvent_.leftButton = getButtonState(InputKeys::ORVA_MOUSE_LEFT);
    mouseEvent_.rightButton = getButtonState(InputKeys::ORVA_MOUSE_RIGHT);
    mouseEvent_.middleButton = getButtonState(InputKeys::ORVA_MOUSE_MIDDLE);
    mouseListeners_.forEach(MOUSE_MOVEMENT_EVENT_CODE,
                            [this](FunctionHolder& listener) { listener->call(&mouseEvent_); });
}

void InputManager::updateStickDeltaListeners()
{
    stickListeners_.mergePending();
    stickListeners_.applyRemovals();

    stickListeners_.forEach(CONTROLLER_STICK_DELTA_EVENT_CODE, [this](ControllerListenerData& listener) {
        const XInputController* pad = padAt(listener.controller);
        if (pad == nullptr) {
            return;
        }
        const Math::Vector2D<float> stick =
            listener.side == LeftStick ? pad->getLeftStickPosition() : pad->getRightStickPosition();
        if (stick.x == 0.0f && stick.y == 0.0f) {
            return;
        }
        ControllerStickDeltaEvent event;
        event.controller = pad;
        event.controllerIndex = listener.controller;
        event.connected = pad->isConnected();
        event.leftStick = pad->getLeftStickPosition();
        event.rightStick = pad->getRightStickPosition();
        listener.callback->call(&event);
    });
}

XInputController* InputManager::padAt(int pad) noexcept
{
    return pad >= 0 && pad < PadCount ? &controllers_[static_cast<std::size_t>(pad)] : nullptr;
}

const XInputController* InputManager::padAt(int pad) const noexcept
{
    return pad >= 0 && pad < PadCount ? &controllers_[static_cast<std::size_t>(pad)] : nullptr;
}

ButtonState InputManager::getButtonState(unsigned char key) const noexcept
{
    return stateFrom(stateBuffers_[static_cast<std::size_t>(previousBuffer_)][key],
                     stateBuffers_[static_cast<std::size_t>(currentBuffer_)][key]);
}

} // namespace Orva
