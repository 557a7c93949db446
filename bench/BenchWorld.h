#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <streambuf>
#include <string>

#include "core/EventManager.h"
#include "core/MemoryPoolManager.h"
#include "core/RC4Cipher.h"
#include "physics/PhysicsWorld.h"
#include "scripting/ScriptInterface.h"
#include "world/GameObjectManager.h"
#include "world/GlobalComponentManager.h"
#include "world/LuaScriptManager.h"
#include "world/ResourceManager.h"

// The managers game objects and their components need, for one benchmark run: the pools
// step every slot of their pages, so each run starts from one page per pool rather than
// from the pages of a larger run.
class BenchWorld
{
public:
    BenchWorld()
    {
        Orva::MemoryPoolManager::createInstance();
        // Each pool names its type on standard output when it is made; not in the table.
        std::streambuf* const output = std::cout.rdbuf(nullptr);
        Orva::GlobalComponentManager::createInstance();
        std::cout.rdbuf(output);
        Orva::GameObjectManager::createInstance();
        Orva::Physics::PhysicsWorld::createInstance();
    }

    ~BenchWorld()
    {
        Orva::GameObjectManager::destroyInstance();
        Orva::GlobalComponentManager::destroyInstance();
        Orva::Physics::PhysicsWorld::destroyInstance();
        if (!scripts_.empty()) {
            // The script manager's own subscriptions go while the event manager is there.
            Orva::LuaScriptManager::getInstance().getEventCallbackObject().clearEvents();
            Orva::EventManager::destroyInstance();
            Orva::LuaScriptManager::destroyInstance();
            std::filesystem::remove_all(scripts_);
        }
        Orva::MemoryPoolManager::destroyInstance();
    }

    BenchWorld(const BenchWorld&) = delete;
    BenchWorld& operator=(const BenchWorld&) = delete;

    Orva::GameObjectManager& objects() { return Orva::GameObjectManager::getInstance(); }

    // Script components too, once a run: the event and script managers with the script
    // interface, and the class in `file` (its name less ".lua") stored in a scratch folder.
    void loadScriptClass(const std::string& file, const char* source)
    {
        std::string folder = (std::filesystem::temp_directory_path() / "orva-bench-XXXXXX").string();
        if (!mkdtemp(folder.data())) {
            throw std::runtime_error("no scratch folder");
        }
        scripts_ = folder;
        Orva::EventManager::createInstance();
        Orva::LuaScriptManager& scripts = Orva::LuaScriptManager::createInstance();
        Orva::Scripting::registerScriptInterface(scripts.getLuaState());
        Orva::Resources::ResourceManager::setResourceDirectory(folder + "/");
        std::ofstream(scripts_ / file, std::ios::binary) << Orva::Crypto::RC4Cipher::encrypt(source);
        scripts.addScriptPathToList(file);
        if (!scripts.loadAllScripts()) {
            throw std::runtime_error(file + " did not load: " + scripts.getLoadFailure());
        }
    }

private:
    std::filesystem::path scripts_;
};
