#include "world/ScriptEventGlobal.h"

#include "luabridge/Userdata.h"

namespace Orva {

namespace {

constexpr const char* GlobalName = "luaEvent";

} // namespace

ScriptEventGlobal::ScriptEventGlobal(lua_State* state) : state_(state)
{
    DispatchObserver::install(this);
}

ScriptEventGlobal::~ScriptEventGlobal()
{
    DispatchObserver::remove(this);
    retire();
}

void ScriptEventGlobal::dispatchStarted()
{
    publishing_ = luabridge::isRegistered<BaseEvent>(state_);
}

void ScriptEventGlobal::dispatchEnded() noexcept
{
    if (publishing_) {
        retire();
        luabridge::setGlobal(state_, nullptr, GlobalName);
        publishing_ = false;
    }
}

void ScriptEventGlobal::beforeListeners(std::uint32_t, BaseEvent* event)
{
    if (!publishing_) {
        return;
    }
    retire();
    published_.emplace(state_, event);
    luabridge::setGlobal(state_, *published_, GlobalName);
}

void ScriptEventGlobal::afterListeners(std::uint32_t, BaseEvent*)
{
    retire();
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
