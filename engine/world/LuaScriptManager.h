#pragma once

#include <lua.hpp>

#include <cstdint>
#include <string>

#include "core/EventCallbackObject.h"
#include "core/Export.h"
#include "core/MemoryPoolManager.h"
#include "core/Singleton.h"
#include "scripting/luabridge/LuaRef.h"

namespace Orva {

// STUB: owns the engine's one Lua state, which is all the core runtime needs of it. The
// script manager issue completes this class in place (script classes, instances, global
// tables, the print functions).
//
// Every LuaRef into the state must be released before the manager goes, so the event
// manager, which keeps script listeners, is destroyed first.
class ORVA_API LuaScriptManager : public Singleton<LuaScriptManager>
{
public:
    ORVA_POOLED_OPERATORS(LuaScriptManager)

    // The code of "LUA_EXCEPTION", under which every LuaExceptionEvent is queued; set by the
    // constructor.
    static std::uint32_t LUASCRIPT_EXCEPTION_EVENT_CODE;

    // Opens a state with every standard library.
    LuaScriptManager();
    ~LuaScriptManager();

    LuaScriptManager(const LuaScriptManager&) = delete;
    LuaScriptManager& operator=(const LuaScriptManager&) = delete;

    // The record of the manager's own event subscriptions; the engine's shut-down withdraws
    // them before the event manager goes.
    EventCallbackObject& getEventCallbackObject() noexcept { return eventCallbacks_; }

    lua_State* getLuaState() const noexcept { return state_; }
    // The global's current value; nil when there is none. Raises nothing.
    luabridge::LuaRef getGlobal(const std::string& name) const;

private:
    EventCallbackObject eventCallbacks_;
    lua_State* state_;
};

} // namespace Orva
