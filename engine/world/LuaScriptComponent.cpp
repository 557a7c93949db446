#include "world/LuaScriptComponent.h"

#include <exception>
#include <utility>

#include "world/Engine.h"
#include "world/GameObject.h"
#include "world/LuaScriptManager.h"
#include "world/ResourceManager.h"

namespace Orva {

// A class function may destroy its own component (a script that destroys its object, or one
// whose Awake makes a new component in the freed slot), so nothing of the component is
// touched after the call unless the watch says it still exists. Watches nest.
class LuaScriptComponent::CallWatch
{
public:
    explicit CallWatch(LuaScriptComponent& component) noexcept
        : component_(component), outer_(component.watch_)
    {
        component.watch_ = this;
    }
    ~CallWatch()
    {
        if (!componentDestroyed) {
            component_.watch_ = outer_;
        }
    }

    CallWatch(const CallWatch&) = delete;
    CallWatch& operator=(const CallWatch&) = delete;

    static void raiseAll(CallWatch* watch) noexcept
    {
        for (; watch; watch = watch->outer_) {
            watch->componentDestroyed = true;
        }
    }

    bool componentDestroyed = false;

private:
    LuaScriptComponent& component_;
    CallWatch* const outer_;
};

LuaScriptComponent::LuaScriptComponent()
    : updateFunction_(LuaScriptManager::getInstance().getLuaState()),
      luaObject(LuaScriptManager::getInstance().getLuaState())
{
    type = TypeNumber;
}

LuaScriptComponent::~LuaScriptComponent()
{
    CallWatch::raiseAll(watch_);
    if (!isAwake_ || !isRunning_ || !LuaScriptManager::hasInstance()) {
        return;
    }
    // Not running from here on: a stop that the Deinit makes on its own component must not
    // call Deinit a second time.
    isRunning_ = false;
    try {
        LuaScriptManager::getInstance().deinitScriptObject(this);
    } catch (...) {
        Engine::reportException(std::current_exception());
    }
}

bool LuaScriptComponent::initScriptForGame(const std::string& className)
{
    ScriptClassName = className;
    LuaScriptManager::getInstance().createScriptObject(className, this);
    if (updateFunction_.isNil()) {
        // The class does not exist: nothing of it may ever run. Taken off by address, since
        // another component of the object may carry the same class name.
        isRunning_ = false;
        if (GameObject* const object = getOwner()) {
            object->removeComponent(this);
        }
        return false;
    }
    isPaused_ = false;
    isInitialized_ = false;
    isRunning_ = true;
    isAwake_ = false;
    return true;
}

void LuaScriptComponent::firstSteps()
{
    if (!isAwake_) {
        runFirstStep(&LuaScriptManager::awakeScriptObject, isAwake_);
    } else {
        runFirstStep(&LuaScriptManager::initScriptObject, isInitialized_);
    }
}

void LuaScriptComponent::runFirstStep(void (LuaScriptManager::*step)(LuaScriptComponent*), bool& done)
{
    CallWatch watch(*this);
    (LuaScriptManager::getInstance().*step)(this);
    if (!watch.componentDestroyed) {
        done = true;
    }
}

LuaExceptionEvent LuaScriptComponent::invalidCallbackError(const char* callbackKind,
                                                           const std::string& functionName) const
{
    std::string message =
        std::string(callbackKind) + " Callback is created with a invalid Lua function name.\n";
    message +=
        "Lua function name is: \"" + functionName + "\"  from the script class \"" + ScriptClassName + "\"";
    std::string path = Resources::ResourceManager::getResourceDirectory() + "scripts/" + ScriptClassName;
    return LuaExceptionEvent(std::move(message), 0, std::move(path));
}

void LuaScriptComponent::stop()
{
    if (!isRunning_) {
        return;
    }
    isRunning_ = false;
    GameObject* const object = getOwner();
    std::exception_ptr failure;
    {
        CallWatch watch(*this);
        try {
            LuaScriptManager::getInstance().deinitScriptObject(this);
        } catch (...) {
            failure = std::current_exception();
        }
        // By address: the first component of the same class name may be another one.
        if (!watch.componentDestroyed && object) {
            object->removeComponent(this);
        }
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

} // namespace Orva
