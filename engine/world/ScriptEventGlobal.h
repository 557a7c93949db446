#pragma once

#include <lua.hpp>

#include <optional>

#include "core/DispatchObserver.h"
#include "luabridge/LuaRef.h"

namespace Orva {

// The script global "luaEvent" during the event manager's dispatches. Each event is published
// as its dynamic script class ("LuaEvent" for a LuaEvent, "BaseEvent" for any other) before
// its listeners run and cleared once they are done, so that a script which kept it gets an
// error rather than a destroyed event; "luaEvent" is nil when the dispatch ends. A dispatch
// that begins before "Core"."BaseEvent" is registered in the state publishes nothing.
// Installed by its construction, removed by its destruction, which has to come before the
// state closes.
class ScriptEventGlobal final : public DispatchObserver
{
public:
    explicit ScriptEventGlobal(lua_State* state);
    ~ScriptEventGlobal();

    ScriptEventGlobal(const ScriptEventGlobal&) = delete;
    ScriptEventGlobal& operator=(const ScriptEventGlobal&) = delete;

    void dispatchStarted() override;
    void dispatchEnded() noexcept override;
    void beforeListeners(std::uint32_t code, BaseEvent* event) override;
    void afterListeners(std::uint32_t code, BaseEvent* event) override;

private:
    // Invalidates the published object; "luaEvent" keeps it until the next publish.
    void retire() noexcept;

    lua_State* state_;
    bool publishing_ = false;
    std::optional<luabridge::LuaRef> published_;
};

} // namespace Orva
