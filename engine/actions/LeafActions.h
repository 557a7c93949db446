#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "actions/ActionBase.h"
#include "actions/TargetGuard.h"
#include "core/Export.h"
#include "core/MemoryPoolManager.h"
#include "luabridge/LuaRef.h"

namespace Orva {
class GameObject;
class LuaScriptComponent;
} // namespace Orva

// The actions that hold no others: a wait, and the one-step actions (destroy an object, play
// a sound, send an event, call a script function), which act once and finish at their first
// step.
namespace Orva::Actions {

class ORVA_API ActionDelay final : public ActionBase
{
public:
    ORVA_POOLED_OPERATORS_WITH_ARRAYS(ActionDelay)

    explicit ActionDelay(float seconds) noexcept : remaining(seconds), duration(seconds) {}

    // Finishes once the remaining time reaches 0; a delay of 0 or less at its first step.
    bool update(float dt) override;
    ActionBase* clone() const override { return new ActionDelay(duration); }
    ActionBase* reversedCopy() const override { return clone(); }

    float remaining;
    float duration;
};

// Hands the object to the manager's deferred destruction, unless its slot has been reused
// for another object (another objectID) or is free by then.
class ORVA_API ActionDestroy final : public ActionBase
{
public:
    ORVA_POOLED_OPERATORS_WITH_ARRAYS(ActionDestroy)

    // The id is the object's now (0 for null).
    explicit ActionDestroy(GameObject* object) noexcept;

    bool update(float dt) override;
    ActionBase* clone() const override { return new ActionDestroy(object); }
    ActionBase* reversedCopy() const override { return clone(); }

    // Null once used.
    GameObject* object;
    std::uint32_t objectID;
};

// Plays a sound once in the effects group ("sfx"), at the stored pitch (unclamped) and volume
// (clamped to 0..1), set only when the sound system gave a channel.
class ORVA_API ActionPlaySound final : public ActionBase
{
public:
    ORVA_POOLED_OPERATORS_WITH_ARRAYS(ActionPlaySound)

    explicit ActionPlaySound(std::string soundName, float volume = 1.0f, float pitch = 1.0f) noexcept
        : soundName(std::move(soundName)), volume(volume), pitch(pitch)
    {
    }

    bool update(float dt) override;
    ActionBase* clone() const override { return new ActionPlaySound(soundName, volume, pitch); }
    ActionBase* reversedCopy() const override { return clone(); }

    // The path the sound was loaded by, relative to the resource directory.
    std::string soundName;
    float volume;
    float pitch;
};

// Queues a script event under the name's code from the sender. A null sender, an empty name
// or a sender that has been destroyed sends nothing; the action finishes all the same.
class ORVA_API ActionSendEvent final : public ActionBase
{
public:
    ORVA_POOLED_OPERATORS_WITH_ARRAYS(ActionSendEvent)

    ActionSendEvent(std::string eventName, LuaScriptComponent* sender) noexcept;

    bool update(float dt) override;
    // Unsent, with the same sender and its guard.
    ActionBase* clone() const override;
    ActionBase* reversedCopy() const override { return clone(); }

    std::string eventName;
    LuaScriptComponent* sender;
    TargetGuard senderGuard;

private:
    ActionSendEvent(const ActionSendEvent&) = default;
};

// Calls a function held by a script component's script object, with that object (the
// script's self), once. Nothing is called once the component has been destroyed.
class ORVA_API ActionLuaCallback final : public ActionBase
{
public:
    ORVA_POOLED_OPERATORS_WITH_ARRAYS(ActionLuaCallback)

    // A null or destroyed component throws std::invalid_argument; a name the script object
    // does not hold as a function throws the script error event (LuaExceptionEvent).
    ActionLuaCallback(LuaScriptComponent* component, const std::string& functionName);

    // Marked finished before the call, so that a failing call is not repeated. A script
    // error leaves as luabridge::LuaException.
    bool update(float dt) override;
    // The copy keeps the done flag: a callback that ran does not run again.
    ActionBase* clone() const override { return new ActionLuaCallback(*this); }
    ActionBase* reversedCopy() const override { return clone(); }

    LuaScriptComponent* component;
    TargetGuard componentGuard;
    luabridge::LuaRef function;

private:
    ActionLuaCallback(const ActionLuaCallback&) = default;
};

} // namespace Orva::Actions
