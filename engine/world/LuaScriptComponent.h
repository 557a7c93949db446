#pragma once

#include <string>

#include "core/EventCallbackObject.h"
#include "core/Export.h"
#include "core/ScriptEvents.h"
#include "luabridge/LuaRef.h"
#include "world/BaseComponent.h"

namespace Orva {

class LuaScriptManager;

// Attaches one script class to a game object and steps it from its pool's fixed step: the
// first step calls Awake, the second Init, every later one Update with the step length.
// Destroying an awake, running component calls Deinit. Needs the script manager: its
// instance table lives in that state.
class ORVA_API LuaScriptComponent : public BaseComponent
{
public:
    static constexpr int TypeNumber = 12;

    // Running, not paused, not initialised, not awake, with no class.
    LuaScriptComponent();
    // Calls Deinit when the component is awake and running. A failing Deinit is reported as
    // a failed frame is; it never leaves the destructor.
    ~LuaScriptComponent() override;

    LuaScriptComponent(const LuaScriptComponent&) = delete;
    LuaScriptComponent& operator=(const LuaScriptComponent&) = delete;

    // Binds the component to the class and makes its instance table. Returns false when the
    // class is not loaded: the component is then taken off its owner (and destroyed) and
    // must not be used again; without an owner it merely stops.
    bool initScriptForGame(const std::string& className);

    // One fixed step: exactly one of nothing (paused or stopped), Awake, Init or Update.
    // A script error throws luabridge::LuaException. Inline: the pool's walk calls it for
    // every component at every step.
    void update(float dt)
    {
        if (isPaused_ || !isRunning_) {
            return;
        }
        if (isAwake_ && isInitialized_) {
            updateFunction_.call(luaObject, dt);
        } else {
            firstSteps();
        }
    }

    // Stops stepping, calls Deinit and takes the component off its owner (which destroys
    // it), also when Deinit fails; that failure is then rethrown. A stop from inside its own
    // Deinit does nothing.
    void stop();
    void pause() noexcept { isPaused_ = true; }
    void unpause() noexcept { isPaused_ = false; }

    bool isRunning() const noexcept { return isRunning_; }
    bool isPaused() const noexcept { return isPaused_; }
    bool isInitialized() const noexcept { return isInitialized_; }
    bool isAwake() const noexcept { return isAwake_; }

    // The script error for a callback of this component named by a function its script does
    // not have: "<kind> Callback is created with a invalid Lua function name." followed by
    // the name and the class, error type 0, the class's script path.
    LuaExceptionEvent invalidCallbackError(const char* callbackKind, const std::string& functionName) const;

    // A new reference to the instance table.
    luabridge::LuaRef getLuaObject() const { return luaObject; }
    // The record of its script listeners; its address identifies them to every sender.
    EventCallbackObject& getEventCallbackObject() noexcept { return eventCallbacks_; }

private:
    friend class LuaScriptManager;

    // Kept on the stack while a class function runs for this component; the destructor
    // raises every watch, so the caller knows the component is gone when the call returns.
    class CallWatch;

    // The step of a component not yet awake or initialised: Awake, else Init.
    void firstSteps();
    // Awake or Init, then marks it done, unless the call destroyed the component.
    void runFirstStep(void (LuaScriptManager::*step)(LuaScriptComponent*), bool& done);

    // What a step reads comes first, right after the base part, so that the pool's walk
    // and the step read as few cache lines as possible.
    bool isRunning_ = true;
    bool isPaused_ = false;
    bool isInitialized_ = false;
    bool isAwake_ = false;
    luabridge::LuaRef updateFunction_;

public:
    // The instance table ("luaObject"), nil until created.
    luabridge::LuaRef luaObject;

private:
    CallWatch* watch_ = nullptr;
    EventCallbackObject eventCallbacks_;

public:
    // The script class it runs ("ScriptClassName").
    std::string ScriptClassName;
};

} // namespace Orva
