#include "actions/LeafActions.h"

#include <stdexcept>
#include <utility>

#include "audio/AudioChannel.h"
#include "audio/AudioManager.h"
#include "core/EventManager.h"
#include "world/GameObject.h"
#include "world/GameObjectManager.h"
#include "world/LuaScriptComponent.h"

namespace Orva::Actions {

namespace {

luabridge::LuaRef callbackFunction(const LuaScriptComponent* component, const TargetGuard& guard,
                                   const std::string& functionName)
{
    if (!component) {
        throw std::invalid_argument("luaCallback: no script component");
    }
    if (!guard.isAlive()) {
        throw std::invalid_argument("luaCallback: the script component has been destroyed");
    }
    const luabridge::LuaRef& self = component->luaObject;
    luabridge::LuaRef function = self.isTable() ? self[functionName].get() : luabridge::LuaRef(self.state());
    if (!function.isFunction()) {
        throw component->invalidCallbackError("Action Function", functionName);
    }
    return function;
}

} // namespace

bool ActionDelay::update(float dt)
{
    remaining -= dt;
    done = remaining <= 0.0f;
    return done;
}

ActionDestroy::ActionDestroy(GameObject* object) noexcept
    : object(object), objectID(object ? object->objectID : 0)
{
}

bool ActionDestroy::update(float /*dt*/)
{
    if (object && GameObjectManager::isGameObjectInUse(object) && object->objectID == objectID) {
        GameObjectManager::getInstance().destroyNextFrame(object);
        object = nullptr;
    }
    done = true;
    return true;
}

bool ActionPlaySound::update(float /*dt*/)
{
    if (!done) {
        Audio::AudioChannel channel = Audio::AudioManager::getInstance().fireAndForget(soundName);
        if (channel.getChannel()) {
            channel.setPitch(pitch);
            channel.setVolume(volume);
        }
    }
    done = true;
    return true;
}

ActionSendEvent::ActionSendEvent(std::string eventName, LuaScriptComponent* sender) noexcept
    : eventName(std::move(eventName)), sender(sender), senderGuard(TargetGuard::forAddress(sender))
{
}

bool ActionSendEvent::update(float /*dt*/)
{
    if (!done && sender && !eventName.empty() && senderGuard.isAlive() && EventManager::hasInstance()) {
        EventManager::getInstance().pushEvent(sender, eventName);
    }
    done = true;
    return true;
}

ActionBase* ActionSendEvent::clone() const
{
    auto* const copy = new ActionSendEvent(*this);
    copy->done = false;
    return copy;
}

ActionLuaCallback::ActionLuaCallback(LuaScriptComponent* component, const std::string& functionName)
    : component(component), componentGuard(TargetGuard::forAddress(component)),
      function(callbackFunction(component, componentGuard, functionName))
{
}

bool ActionLuaCallback::update(float /*dt*/)
{
    if (!done) {
        done = true;
        if (componentGuard.isAlive()) {
            function.call(component->luaObject);
        }
    }
    return true;
}

} // namespace Orva::Actions
