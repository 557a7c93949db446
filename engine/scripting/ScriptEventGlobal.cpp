#include "scripting/ScriptEventGlobal.h"

#include "scripting/luabridge/Userdata.h"
#include "world/LuaScriptManager.h"

namespace Orva {

namespace {

constexpr const char* GlobalName = "luaEvent";

} // namespace

ScriptEventGlobal::ScriptEventGlobal()
{
    if (LuaScriptManager::hasInstance()) {
        lua_State* L = LuaScriptManager::getInstance().getLuaState();
        if (luabridge::isRegistered<BaseEvent>(L)) {
            state_ = L;
        }
    }
}

ScriptEventGlobal::~ScriptEventGlobal()
{
    if (state_) {
        retire();
        luabridge::setGlobal(state_, nullptr, GlobalName);
    }
}

void ScriptEventGlobal::publish(BaseEvent* event)
{
    if (!state_) {
        return;
    }
    retire();
    published_.emplace(state_, event);
    luabridge::setGlobal(state_, *published_, GlobalName);
}

void ScriptEventGlobal::retire() noexcept
{
    if (!published_) {
        return;
    }
    const luabridge::detail::StackRestore restore(state_);
    published_->push(state_);
    luabridge::invalidate(state_, -1);
    published_.reset();
}

} // namespace Orva
