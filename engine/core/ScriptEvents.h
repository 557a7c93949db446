#pragma once

#include <string>

#include "core/BaseEvent.h"
#include "core/Export.h"

namespace Orva {

class LuaScriptComponent;

// The event a script sends ("pushEvent", or an action's send-event step): it carries only
// the component that sent it, which it does not own.
struct ORVA_API LuaEvent : BaseEvent
{
    LuaEvent() = default;
    explicit LuaEvent(LuaScriptComponent* sender) : scriptComponent(sender) {}
    ~LuaEvent() override;

    LuaScriptComponent* scriptComponent = nullptr;
};

// A script error report, queued under "LUA_EXCEPTION" and thrown by some script paths.
// errorType is 0 for a loading error or a bad callback name, 1 for a missing script class.
struct ORVA_API LuaExceptionEvent : BaseEvent
{
    LuaExceptionEvent(std::string message, int errorType, std::string scriptPath);
    LuaExceptionEvent(const LuaExceptionEvent&) = default;
    LuaExceptionEvent(LuaExceptionEvent&&) noexcept = default;
    LuaExceptionEvent& operator=(const LuaExceptionEvent&) = default;
    LuaExceptionEvent& operator=(LuaExceptionEvent&&) noexcept = default;
    ~LuaExceptionEvent() override;

    std::string message;
    int errorType;
    // Empty where no script file is known.
    std::string scriptPath;
    // No producer knows the line yet.
    int lineNumber = -1;
};

// The component a script function was handed; a script's nil throws std::invalid_argument
// naming the function, before anything is registered or queued.
ORVA_API LuaScriptComponent& requireScriptComponent(LuaScriptComponent* component, const char* function);

} // namespace Orva
