#include <lua.hpp>

#include "core/GlobalManager.h"
#include "core/Vector.h"
#include "scripting/ScriptBinding.h"
#include "scripting/ScriptInterface.h"
#include "world/LuaScriptManager.h"

// The store of named values in "Core", global "globals". A get on a name that holds no value
// of that type raises the store's own error, naming the global and the type.
namespace Orva::Scripting {

void registerGlobalManager(lua_State* L)
{
    using Math::Vector2D;
    using Math::Vector3D;
    luabridge::Class<GlobalManager> cls =
        luabridge::getGlobalNamespace(L)
            .beginNamespace("Core")
            .beginClass<GlobalManager>("GlobalManager")
            .addFunction("remove", &GlobalManager::remove)
            .addFunction("dumpGlobals", &GlobalManager::dumpGlobals)
            .addFunction("addInt", &GlobalManager::add<int>)
            .addFunction("addString", &GlobalManager::add<std::string>)
            .addFunction("addFloat", &GlobalManager::add<float>)
            .addFunction("addDouble", &GlobalManager::add<double>)
            .addFunction("addVector2f", &GlobalManager::add<Vector2D<float>>)
            .addFunction("addVector2i", &GlobalManager::add<Vector2D<int>>)
            .addFunction("addVector2u", &GlobalManager::add<Vector2D<unsigned>>)
            .addFunction("addVector3f", &GlobalManager::add<Vector3D<float>>)
            .addFunction("addVector3i", &GlobalManager::add<Vector3D<int>>)
            .addFunction("addVector3u", &GlobalManager::add<Vector3D<unsigned>>)
            .addFunction("getInt", &GlobalManager::get<int>)
            .addFunction("getString", &GlobalManager::get<std::string>)
            .addFunction("getFloat", &GlobalManager::get<float>)
            .addFunction("getDouble", &GlobalManager::get<double>)
            .addFunction("getVector2f", &GlobalManager::get<Vector2D<float>>)
            .addFunction("getVector2i", &GlobalManager::get<Vector2D<int>>)
            .addFunction("getVector2u", &GlobalManager::get<Vector2D<unsigned>>)
            .addFunction("getVector3f", &GlobalManager::get<Vector3D<float>>)
            .addFunction("getVector3i", &GlobalManager::get<Vector3D<int>>)
            .addFunction("getVector3u", &GlobalManager::get<Vector3D<unsigned>>)
            .addFunction("clear", &GlobalManager::clear);
    // The script manager's named tables, reachable from the store as well.
    addStaticAndMember(cls, "addLuaTable", &LuaScriptManager::getLuaTable);
    addStaticAndMember(cls, "getLuaTable", &LuaScriptManager::getLuaTable);
    addStaticAndMember(cls, "removeLuaTable", &LuaScriptManager::removeLuaTable);
    publishManager<GlobalManager>(L, "globals");
}

} // namespace Orva::Scripting
