#include "world/LuaScriptComponent.h"

#include "world/LuaScriptManager.h"

namespace Orva {

LuaScriptComponent::LuaScriptComponent() : luaObject(LuaScriptManager::getInstance().getLuaState())
{
    type = TypeNumber;
}

LuaScriptComponent::~LuaScriptComponent() = default;

} // namespace Orva
