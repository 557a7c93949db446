#include <algorithm>

#include "core/ScriptEvents.h"
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

void markDeadIfOwned(FunctionHolder& holder, const EventCallbackObject* owner)
{
    if (holder->isOwnedBy(owner)) {
        holder.markDead();
    }
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
    ActionList& actions = keyPairings_[key];
    const auto found = std::find(actions.begin(), actions.end(), action);
    if (found != actions.end()) {
        *found = actions.back();
        actions.pop_back();
    }
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
    pendingActionListeners_[action].push_back(ActionListenerData{std::move(callback), state});
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
    ActionListenerList& pending = pendingActionListeners_[action];
    for (const ButtonState state : StatelessOrder) {
        pending.push_back(ActionListenerData{callback.clone(), state});
        pending.back().callback->addEventCallback(action, this);
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
    pendingActionRemovals_.push_back(ActionRemoval{action, &owner, state, false});
}

// A listener the request could remove: live or pending, alive, of the owner, in the state
// (any state for NONE), and not already taken by a queued removal.
bool InputManager::hasUnclaimedListener(std::uint32_t action, const EventCallbackObject* owner,
                                        ButtonState state) const
{
    std::size_t candidates = 0;
    const auto count = [&](const ActionMap& map) {
        const auto found = map.find(action);
        if (found == map.end()) {
            return;
        }
        for (const ActionListenerData& listener : found->second) {
            if (!listener.callback.isDead() && (state == NONE || listener.state == state) &&
                listener.callback->isOwnedBy(owner)) {
                ++candidates;
            }
        }
    };
    count(actionListeners_);
    count(pendingActionListeners_);
    for (const ActionRemoval& removal : pendingActionRemovals_) {
        if (removal.action != action || removal.owner != owner || removal.ownerGone) {
            continue;
        }
        if (removal.state == NONE) {
            return false;
        }
        if ((state == NONE || removal.state == state) && candidates > 0) {
            --candidates;
        }
    }
    return candidates > 0;
}

void InputManager::stopListening(EventCallbackObject* owner, std::uint32_t code)
{
    markOwnedDead(code, owner);
    // An action may carry the mouse or stick code's name; its listeners go with their owner too.
    pendingActionRemovals_.push_back(ActionRemoval{code, owner, NONE, true});
    if (code == MOUSE_MOVEMENT_EVENT_CODE) {
        pendingMouseRemovals_.push_back(owner);
    } else if (code == CONTROLLER_STICK_DELTA_EVENT_CODE) {
        pendingStickRemovals_.emplace_back(owner, -1);
    }
}

void InputManager::markOwnedDead(std::uint32_t code, const EventCallbackObject* owner)
{
    for (ActionMap* map : {&actionListeners_, &pendingActionListeners_}) {
        if (const auto found = map->find(code); found != map->end()) {
            for (ActionListenerData& listener : found->second) {
                markDeadIfOwned(listener.callback, owner);
            }
        }
    }
    if (code == MOUSE_MOVEMENT_EVENT_CODE) {
        for (MouseListenerList* list : {&mouseListeners_, &pendingMouseListeners_}) {
            for (FunctionHolder& listener : *list) {
                markDeadIfOwned(listener, owner);
            }
        }
    } else if (code == CONTROLLER_STICK_DELTA_EVENT_CODE) {
        for (StickListenerList* list : {&stickListeners_, &pendingStickListeners_}) {
            for (ControllerListenerData& listener : *list) {
                markDeadIfOwned(listener.callback, owner);
            }
        }
    }
}

// An owner that stopped a listener explicitly may be destroyed before the removal runs; in
// the middle of an update nothing of it may be called any more, pending listeners included
// (the mouse and stick steps take theirs in later in the same update).
void InputManager::ownerDestroyed(const EventCallbackObject* owner)
{
    if (!updating_) {
        return;
    }
    for (ActionMap* map : {&actionListeners_, &pendingActionListeners_}) {
        for (auto& [action, listeners] : *map) {
            for (ActionListenerData& listener : listeners) {
                markDeadIfOwned(listener.callback, owner);
            }
        }
    }
    for (MouseListenerList* list : {&mouseListeners_, &pendingMouseListeners_}) {
        for (FunctionHolder& listener : *list) {
            markDeadIfOwned(listener, owner);
        }
    }
    for (StickListenerList* list : {&stickListeners_, &pendingStickListeners_}) {
        for (ControllerListenerData& listener : *list) {
            markDeadIfOwned(listener.callback, owner);
        }
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
    pendingMouseListeners_.push_back(std::move(callback));
}

void InputManager::listenToControllerStickDelta(int pad, ControllerStickSide side, FunctionHolder&& callback)
{
    if (padAt(pad) == nullptr || !callback) {
        return;
    }
    callback->addEventCallback(CONTROLLER_STICK_DELTA_EVENT_CODE, this);
    pendingStickListeners_.push_back(ControllerListenerData{std::move(callback), pad, side});
}

} // namespace Orva
