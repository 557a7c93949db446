#include <lua.hpp>

#include <string>

#include "core/Vector.h"
#include "scripting/ScriptBinding.h"
#include "scripting/ScriptInterface.h"
#include "world/GameObject.h"
#include "world/GameStateManager.h"
#include "world/ResourceManager.h"
#include "world/SetManager.h"

// What builds and feeds a stage: the resource manager in "Resources", the game states and the
// object sets in "Core".
namespace Orva::Scripting {

// Load progress on the global "resources"; the file functions through the class table only.
// "openFile" and "saveFile" reach the Documents folder: the only script function that writes
// under the resource directory is "appendToFile". Each keeps a script inside the game's
// folders, links followed, "setDirectory" included.
void registerResourceManager(lua_State* L)
{
    using Resources::ResourceManager;
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Resources")
        .beginClass<ResourceManager>("ResourceManager")
        .addFunction("isDone", &ResourceManager::isDone)
        .addStaticFunction("appendToFile", &ResourceManager::appendToFile)
        .addStaticFunction("makeDirectory", &ResourceManager::makeDirectory)
        .addStaticFunction("openFile", &ResourceManager::readDataFile)
        .addStaticFunction("saveFile", &ResourceManager::writeDataFile)
        .addStaticFunction("getDirectory", &ResourceManager::getResourceDirectory)
        .addStaticFunction(
            "setDirectory",
            +[](const std::string& directory) { ResourceManager::setScriptResourceDirectory(directory); })
        .addFunction("getLoadPercentage", &ResourceManager::getLoadPercentage)
        .endClass()
        .endNamespace();
    publishManager<ResourceManager>(L, "resources");
}

// "changeState" may come from a script whose object the change destroys: the script's
// component is gone when it returns, and nothing on the way back touches it.
void registerGameStateManager(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Core")
        .beginClass<GameStateManager>("GameStateManager")
        .addFunction("changeState", &GameStateManager::changeState)
        .addFunction("changeStateNextFrame", &GameStateManager::changeStateNextFrame)
        .addProperty("currentState", &GameStateManager::getCurrentStateName)
        .endClass()
        .endNamespace();
    publishManager<GameStateManager>(L, "gameState");
}

void registerSetManager(lua_State* L)
{
    using Math::Vector2D;
    using Math::Vector3D;
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Core")
        .beginClass<SetManager>("SetManager")
        .addFunction("create",
                     static_cast<GameObject* (SetManager::*)(const std::string&)>(&SetManager::createFromSet))
        .addFunction("createWithPos2D",
                     static_cast<GameObject* (SetManager::*)(const std::string&, const Vector2D<float>&)>(
                         &SetManager::createFromSet))
        .addFunction("createWithPos3D",
                     static_cast<GameObject* (SetManager::*)(const std::string&, const Vector3D<float>&)>(
                         &SetManager::createFromSet))
        .endClass()
        .endNamespace();
    publishManager<SetManager>(L, "sets");
}

} // namespace Orva::Scripting
