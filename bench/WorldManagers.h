#pragma once

#include <iostream>
#include <streambuf>

#include "core/MemoryPoolManager.h"
#include "world/GameObjectManager.h"
#include "world/GlobalComponentManager.h"

// The managers game objects need, made for one benchmark run and destroyed after it: the
// pools step every slot of their pages, so each run starts from one page per pool rather
// than from the pages of a larger run.
class WorldManagers
{
public:
    WorldManagers()
    {
        Orva::MemoryPoolManager::createInstance();
        // Each pool names its type on standard output when it is made; not in the table.
        std::streambuf* const output = std::cout.rdbuf(nullptr);
        Orva::GlobalComponentManager::createInstance();
        std::cout.rdbuf(output);
        Orva::GameObjectManager::createInstance();
    }

    ~WorldManagers()
    {
        Orva::GameObjectManager::destroyInstance();
        Orva::GlobalComponentManager::destroyInstance();
        Orva::MemoryPoolManager::destroyInstance();
    }

    WorldManagers(const WorldManagers&) = delete;
    WorldManagers& operator=(const WorldManagers&) = delete;

    Orva::GameObjectManager& objects() { return Orva::GameObjectManager::getInstance(); }
};
