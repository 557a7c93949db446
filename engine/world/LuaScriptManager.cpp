#include "world/LuaScriptManager.h"

#include <new>

#include "core/BaseEvent.h"

namespace Orva {

std::uint32_t LuaScriptManager::LUASCRIPT_EXCEPTION_EVENT_CODE = 0;

LuaScriptManager::LuaScriptManager() : state_(luaL_newstate())
{
    if (!state_) {
        throw std::bad_alloc();
    }
    luaL_openlibs(state_);
    LUASCRIPT_EXCEPTION_EVENT_CODE = EventNameDetails::EventToHash("LUA_EXCEPTION");
}

LuaScriptManager::~LuaScriptManager()
{
    lua_close(state_);
}

luabridge::LuaRef LuaScriptManager::getGlobal(const std::string& name) const
{
    return luabridge::LuaRef::getGlobal(state_, name.c_str());
}

} // namespace Orva
