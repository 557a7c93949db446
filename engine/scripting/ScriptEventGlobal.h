#pragma once

#include <lua.hpp>

#include <optional>

#include "core/BaseEvent.h"
#include "scripting/luabridge/LuaRef.h"

namespace Orva {

// The script global "luaEvent" during one dispatch. Each event is published as its dynamic
// script class ("LuaEvent" for a LuaEvent, "BaseEvent" for any other) and cleared once its
// listeners are done, so that a script which kept it gets an error rather than a destroyed
// event; "luaEvent" is nil when the dispatch ends. Does nothing without a script manager or
// before "Core"."BaseEvent" is registered in its state.
class ScriptEventGlobal
{
public:
    ScriptEventGlobal();
    ~ScriptEventGlobal();

    ScriptEventGlobal(const ScriptEventGlobal&) = delete;
    ScriptEventGlobal& operator=(const ScriptEventGlobal&) = delete;

    void publish(BaseEvent* event);
    // Invalidates the published object; "luaEvent" keeps it until the next publish.
    void retire() noexcept;

private:
    lua_State* state_ = nullptr;
    std::optional<luabridge::LuaRef> published_;
};

} // namespace Orva
