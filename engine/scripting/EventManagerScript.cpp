#include <string>

#include "core/EventManager.h"
#include "core/ScriptEvents.h"
#include "physics/BaseCollider.h"
#include "physics/CollisionEvent.h"
#include "scripting/ScriptBinding.h"
#include "scripting/ScriptInterface.h"
#include "world/LuaScriptComponent.h"
#include "world/LuaScriptManager.h"

// The event manager's script face: the members scripts call through "events", and the
// script classes of the events they read from "luaEvent".
namespace Orva {

// Each function refuses a nil component under its own script name, except pushEvent: an
// event without a sender is still an event (an action's send-event step makes such events).
void EventManager::listenToEventName(LuaScriptComponent* component, const std::string& eventName,
                                     const std::string& functionName)
{
    requireScriptComponent(component, "listenToEventName");
    listenToEventCode(component, EventNameDetails::EventToHash(eventName), functionName);
}

void EventManager::listenToEventCode(LuaScriptComponent* component, std::uint32_t code,
                                     const std::string& functionName)
{
    ListenToEvent(
        code, FunctionHolder(&requireScriptComponent(component, "listenToEventCode"), functionName.c_str()));
}

void EventManager::stopListeningToEventName(LuaScriptComponent* component, const std::string& eventName)
{
    requireScriptComponent(component, "stopListeningToEventName");
    stopListeningToEventCode(component, EventNameDetails::EventToHash(eventName));
}

// Also drops the component's record of the subscription: left behind, it would request one
// more removal when the component goes, and pools reuse addresses.
void EventManager::stopListeningToEventCode(LuaScriptComponent* component, std::uint32_t code)
{
    StopListeningToEvent(code, &requireScriptComponent(component, "stopListeningToEventCode"));
}

void EventManager::pushEvent(LuaScriptComponent* component, const std::string& eventName)
{
    LuaEvent event(component);
    event.hashCode = EventNameDetails::EventToHash(eventName);
    queueEvent(event.hashCode, event);
}

void EventManager::EXPORT_FOR_LUA_SCRIPT()
{
    Scripting::registerEventClasses(LuaScriptManager::getInstance().getLuaState());
}

void Scripting::registerEventClasses(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Core")
        .beginClass<BaseEvent>("BaseEvent")
        .addData("EventHashCode", &BaseEvent::hashCode)
        .endClass()
        .deriveClass<LuaEvent, BaseEvent>("LuaEvent")
        .addData("ScriptComponent", &LuaEvent::scriptComponent)
        .endClass()
        .deriveClass<Physics::CollisionEvent, BaseEvent>("CollisionEvent")
        .addData("Type", &Physics::CollisionEvent::type)
        .addData("ThisCollider", &Physics::CollisionEvent::thisCollider)
        .addData("OtherCollider", &Physics::CollisionEvent::otherCollider)
        .addData("Normal", &Physics::CollisionEvent::normal)
        .endClass()
        .beginClass<EventManager>("EventManager")
        .addFunction("listenToEventName", &EventManager::listenToEventName)
        .addFunction("listenToEventCode", &EventManager::listenToEventCode)
        .addFunction("stopListeningToEventName", &EventManager::stopListeningToEventName)
        .addFunction("stopListeningToEventCode", &EventManager::stopListeningToEventCode)
        .addFunction("pushEvent", &EventManager::pushEvent)
        .endClass()
        .endNamespace();
    publishManager<EventManager>(L, "events");
}

} // namespace Orva
