#include "core/ScriptEvents.h"

#include <utility>

namespace Orva {

LuaEvent::~LuaEvent() = default;

LuaExceptionEvent::LuaExceptionEvent(std::string message, int errorType, std::string scriptPath)
    : message(std::move(message)), errorType(errorType), scriptPath(std::move(scriptPath))
{
}

LuaExceptionEvent::~LuaExceptionEvent() = default;

} // namespace Orva
