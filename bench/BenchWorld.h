#pragma once

#include <iostream>
#include <streambuf>

#include "core/MemoryPoolManager.h"
#include "physics/PhysicsWorld.h"
#include "world/GameObjectManager.h"
#include "world/GlobalComponentManager.h"

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
        Orva::MemoryPoolManager::destroyInstance();
    }

    BenchWorld(const BenchWorld&) = delete;
    BenchWorld& operator=(const BenchWorld&) = delete;

    Orva::GameObjectManager& objects() { return Orva::GameObjectManager::getInstance(); }
};
