#include <algorithm>

#include "core/ScriptEvents.h"
#include "core/SwapRemove.h"
#include "window/InputKeys.h"
#include "window/InputManager.h"
#include "world/LuaScriptComponent.h"

// Bindings from key codes to actions, and the registration and removal of listeners. Every
// registration and removal waits for the next update.

namespace Orva {

namespace {

constexpr int PadCount = 4;
constexpr ButtonState StatelessOrder[] = {ButtonDown, ButtonUp, ButtonReleased, ButtonTapped};

unsigned char padButtonKey(int pad, XInputButtons button) noexcept
{
    return static_cast<unsigned char>(InputKeys::ORVA_CONTROLLER1_DPAD_UP + 16 * pad + button);
}

std::uint32_t hashOf(const std::string& actionName)
{
    return EventNameDetails::EventToHash(actionName);
}

} // namespace

void InputManager::tieKeyToAction(unsigned char key, std::uint32_t action)
{
    ActionList& actions = keyPairings_[key];
    if (std::find(actions.begin(), actions.end(), action) == actions.end()) {
        actions.push_back(action);
    }
}

void InputManager::tieKeyToAction(unsigned char key, const std::string& actionName)
{
    tieKeyToAction(key, hashOf(actionName));
}

void InputManager::tieControllerButtonToAction(int pad, XInputButtons button, std::uint32_t action)
{
    tieKeyToAction(padButtonKey(pad, button), action);
}

void InputManager::tieControllerButtonToAction(int pad, XInputButtons button, const std::string& actionName)
{
    tieKeyToAction(padButtonKey(pad, button), hashOf(actionName));
}

void InputManager::unTieActionFromKey(unsigned char key, std::uint32_t action)
{
    swapRemove(keyPairings_[key], action);
}

void InputManager::unTieActionFromKey(unsigned char key, const std::string& actionName)
{
    unTieActionFromKey(key, hashOf(actionName));
}

void InputManager::unTieActionFromControllerButton(int pad, XInputButtons button, std::uint32_t action)
{
    unTieActionFromKey(padButtonKey(pad, button), action);
}

void InputManager::unTieActionFromControllerButton(int pad, XInputButtons button,
                                                   const std::string& actionName)
{
    unTieActionFromKey(padButtonKey(pad, button), hashOf(actionName));
}

void InputManager::clearAllKeyPairings()
{
    keyPairings_.clear();
}

void InputManager::listenToInput(std::uint32_t action, ButtonState state, FunctionHolder&& callback)
{
    if (!callback) {
        return;
    }
    callback->addEventCallback(action, this);
    actionListeners_.add(action, ActionListenerData{std::move(callback), state});
}

void InputManager::listenToInput(const std::string& actionName, ButtonState state, FunctionHolder&& callback)
{
    listenToInput(hashOf(actionName), state, std::move(callback));
}

void InputManager::listenToInput(std::uint32_t action, FunctionHolder&& callback)
{
    if (!callback) {
        return;
    }
    for (const ButtonState state : StatelessOrder) {
        FunctionHolder clone = callback.clone();
        clone->addEventCallback(action, this);
        actionListeners_.add(action, ActionListenerData{std::move(clone), state});
    }
}

void InputManager::listenToInput(const std::string& actionName, FunctionHolder&& callback)
{
    listenToInput(hashOf(actionName), std::move(callback));
}

void InputManager::listenToControllerConnection(int pad, FunctionHolder&& callback)
{
    static const std::uint32_t* const enterCodes[] = {
        &CONTROLLER_ONE_ENTER_EVENT_CODE, &CONTROLLER_TWO_ENTER_EVENT_CODE,
        &CONTROLLER_THREE_ENTER_EVENT_CODE, &CONTROLLER_FOUR_ENTER_EVENT_CODE};
    static const std::uint32_t* const dropCodes[] = {
        &CONTROLLER_ONE_DROP_EVENT_CODE, &CONTROLLER_TWO_DROP_EVENT_CODE, &CONTROLLER_THREE_DROP_EVENT_CODE,
        &CONTROLLER_FOUR_DROP_EVENT_CODE};
    if (pad < 0 || pad >= PadCount || !callback) {
        return;
    }
    const auto index = static_cast<std::size_t>(pad);
    listenToInput(*enterCodes[index], ButtonTapped, callback.clone());
    listenToInput(*dropCodes[index], ButtonTapped, callback.clone());
}

void InputManager::listenToControllerConnection(FunctionHolder&& callback)
{
    for (int pad = 0; pad < PadCount; ++pad) {
        listenToControllerConnection(pad, callback.clone());
    }
}

void InputManager::stopListeningToInput(std::uint32_t action, EventCallbackObject& owner, ButtonState state)
{
    if (!hasUnclaimedListener(action, &owner, state) || !owner.removeSubscription(action, this)) {
        return;
    }
    actionListeners_.remove(action, &owner, StateFilter{state},
                            state == NONE ? ActionListeners::Take::All : ActionListeners::Take::First);
}

// A listener the request could remove: live or pending, alive, of the owner, in the state
// (any state for NONE), and not already taken by a removal the owner asked for.
bool InputManager::hasUnclaimedListener(std::uint32_t action, const EventCallbackObject* owner,
                                        ButtonState state) const
{
    const StateFilter wanted{state};
    std::size_t candidates = 0;
    for (const ActionListeners::Entries* listeners :
         {actionListeners_.live(action), actionListeners_.pending(action)}) {
        if (listeners == nullptr) {
            continue;
        }
        for (const ActionListenerData& listener : *listeners) {
            if (!listener.callback.isDead() && wanted(listener) && listener.callback->isOwnedBy(owner)) {
                ++candidates;
            }
        }
    }
    for (const ActionListeners::Removal& removal : actionListeners_.removals()) {
        if (removal.key != action || removal.owner != owner ||
            removal.take == ActionListeners::Take::AllDead) {
            continue;
        }
        if (removal.filter.state == NONE) {
            return false;
        }
        if ((state == NONE || removal.filter.state == state) && candidates > 0) {
            --candidates;
        }
    }
    return candidates > 0;
}

// The owner's listeners of the code are never called again; an action may carry the mouse or
// stick code's name, so its listeners go with their owner too.
void InputManager::stopListening(EventCallbackObject* owner, std::uint32_t code)
{
    actionListeners_.markDead(code, owner);
    actionListeners_.remove(code, owner, StateFilter{}, ActionListeners::Take::AllDead);
    if (code == MOUSE_MOVEMENT_EVENT_CODE) {
        mouseListeners_.markDead(code, owner);
        mouseListeners_.remove(code, owner);
    } else if (code == CONTROLLER_STICK_DELTA_EVENT_CODE) {
        stickListeners_.markDead(code, owner);
        stickListeners_.remove(code, owner);
    }
}

// An owner that stopped a listener explicitly may be destroyed before the removal runs; in
// the middle of an update nothing of it may be called any more, pending listeners included
// (the mouse and stick steps take theirs in later in the same update).
void InputManager::ownerDestroyed(const EventCallbackObject* owner)
{
    if (updating_) {
        actionListeners_.ownerDestroyed(owner);
        mouseListeners_.ownerDestroyed(owner);
        stickListeners_.ownerDestroyed(owner);
    }
}

// A script's nil component is refused under the script function's name.
void InputManager::listenToInputFromScript(LuaScriptComponent* script, const std::string& actionName,
                                           ButtonState state, const std::string& functionName)
{
    requireScriptComponent(script, "listenToInput");
    listenToInputCodeFromScript(script, hashOf(actionName), state, functionName);
}

void InputManager::listenToInputCodeFromScript(LuaScriptComponent* script, std::uint32_t action,
                                               ButtonState state, const std::string& functionName)
{
    listenToInput(action, state,
                  FunctionHolder(&requireScriptComponent(script, "listenToInputCode"), functionName.c_str()));
}

void InputManager::stopListeningFromScript(LuaScriptComponent* script, const std::string& actionName,
                                           ButtonState state)
{
    stopListeningToInput(hashOf(actionName), &requireScriptComponent(script, "stopListening"), state);
}

void InputManager::listenToMouseMovement(FunctionHolder&& callback)
{
    if (!callback) {
        return;
    }
    callback->addEventCallback(MOUSE_MOVEMENT_EVENT_CODE, this);
    mouseListeners_.add(MOUSE_MOVEMENT_EVENT_CODE, std::move(callback));
}

void InputManager::listenToControllerStickDelta(int pad, ControllerStickSide side, FunctionHolder&& callback)
{
    if (padAt(pad) == nullptr || !callback) {
        return;
    }
    callback->addEventCallback(CONTROLLER_STICK_DELTA_EVENT_CODE, this);
    stickListeners_.add(CONTROLLER_STICK_DELTA_EVENT_CODE,
                        ControllerListenerData{std::move(callback), pad, side});
}

} // namespace Orva
