#include "core/ScriptEvents.h"

#include <stdexcept>
#include <string>
#include <utility>

namespace Orva {

LuaEvent::~LuaEvent() = default;

LuaExceptionEvent::LuaExceptionEvent(std::string message, int errorType, std::string scriptPath)
    : message(std::move(message)), errorType(errorType), scriptPath(std::move(scriptPath))
{
}

LuaExceptionEvent::~LuaExceptionEvent() = default;

LuaScriptComponent& requireScriptComponent(LuaScriptComponent* component, const char* function)
{
    if (!component) {
        throw std::invalid_argument(std::string(function) + ": no script component");
    }
    return *component;
}

} // namespace Orva
