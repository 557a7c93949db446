#include <memory>
#include <string>
#include <utility>

#include "core/EventManager.h"
#include "core/FunctionHolder.h"
#include "core/ScriptEvents.h"
#include "luabridge/LuaRef.h"
#include "world/LuaScriptComponent.h"
#include "world/LuaScriptManager.h"

namespace Orva {

// A script listener: the global function of a script, called with the listening
// component's script object and nothing else. Only the event manager's listeners find their
// event, in the global "luaEvent" during the call (once "Core"."BaseEvent" is registered);
// input listeners (actions, mouse, sticks) get nothing of theirs, there or anywhere.
struct FunctionHolder::LuaFunctionHolder final : FunctionHolder::CallableFunction
{
    ORVA_POOLED_OPERATORS(LuaFunctionHolder)

    LuaFunctionHolder(luabridge::LuaRef function, LuaScriptComponent* component, std::string name)
        : function(std::move(function)), component(component), name(std::move(name)),
          record(&component->getEventCallbackObject())
    {
    }

    CallableFunction* clone() const override { return new LuaFunctionHolder(*this); }

    // A script error leaves as luabridge::LuaException with the interpreter's text; the
    // function's result is dropped.
    void call(BaseEvent*) override
    {
        const luabridge::LuaRef scriptObject = component->luaObject;
        function(scriptObject);
    }

    const EventCallbackObject* owner() const noexcept override { return record; }
    void addEventCallback(std::uint32_t code, IEventSender* sender) override
    {
        record->addSubscription(code, sender);
    }

    // Queues the LuaExceptionEvent that tells scripts the name is not a global function.
    void reportInvalidFunction() const
    {
        LuaExceptionEvent report = component->invalidCallbackError("Function", name);
        report.hashCode = LuaScriptManager::LUASCRIPT_EXCEPTION_EVENT_CODE;
        if (EventManager::hasInstance()) {
            EventManager::getInstance().queueEvent(LuaScriptManager::LUASCRIPT_EXCEPTION_EVENT_CODE, report);
        }
    }

    luabridge::LuaRef function;
    LuaScriptComponent* component;
    std::string name;
    // Taken at construction, so that senders can ask after the component is gone.
    EventCallbackObject* record;
};

FunctionHolder::FunctionHolder(LuaScriptComponent* component, const char* functionName)
{
    auto holder = std::make_unique<LuaFunctionHolder>(LuaScriptManager::getInstance().getGlobal(functionName),
                                                      component, functionName);
    if (!holder->function.isFunction()) {
        holder->reportInvalidFunction();
    }
    callable_ = holder.release();
}

} // namespace Orva
