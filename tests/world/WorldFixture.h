#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "ScratchDirectory.h"
#include "audio/AudioManager.h"
#include "core/EventManager.h"
#include "core/MemoryPoolManager.h"
#include "physics/PhysicsWorld.h"
#include "world/DataAnalyticManager.h"
#include "world/GameObject.h"
#include "world/GameObjectManager.h"
#include "world/GlobalComponentManager.h"
#include "world/LuaScriptManager.h"

// The managers that game objects and their components lean on, made in the engine's order
// in a scratch working directory (the component manager reads "component.config" there) and
// destroyed in the engine's order: objects before pools, pools before the physics world.
class WorldTest : public ScratchDirectoryTest
{
protected:
    void SetUp() override
    {
        ScratchDirectoryTest::SetUp();
        Orva::MemoryPoolManager::createInstance();
        Orva::LuaScriptManager::createInstance();
        startWorld();
    }

    void TearDown() override
    {
        stopWorld();
        Orva::LuaScriptManager::destroyInstance();
        Orva::MemoryPoolManager::destroyInstance();
        ScratchDirectoryTest::TearDown();
    }

    void startWorld()
    {
        testing::internal::CaptureStdout(); // each pool names its type on creation
        Orva::GlobalComponentManager::createInstance();
        poolNamesPrinted_ = testing::internal::GetCapturedStdout();
        Orva::GameObjectManager::createInstance();
        Orva::Physics::PhysicsWorld::createInstance();
        Orva::EventManager::createInstance(); // the audio manager listens for loads
        Orva::Audio::AudioManager::createInstance();
        Orva::Analytic::DataAnalyticManager::createInstance();
    }

    static void stopWorld()
    {
        Orva::GameObjectManager::destroyInstance();
        Orva::GlobalComponentManager::destroyInstance();
        Orva::Physics::PhysicsWorld::destroyInstance();
        Orva::Analytic::DataAnalyticManager::destroyInstance();
        Orva::Audio::AudioManager::destroyInstance();
        Orva::EventManager::destroyInstance();
    }

    static Orva::GameObjectManager& objects() { return Orva::GameObjectManager::getInstance(); }
    static Orva::GlobalComponentManager& components() { return Orva::GlobalComponentManager::getInstance(); }

    static std::string hierarchyDump()
    {
        std::ostringstream out;
        objects().doHiearchyDump(out);
        return out.str();
    }

    // What the component manager's pools wrote to standard output when they were made.
    const std::string& poolNamesPrinted() const { return poolNamesPrinted_; }

private:
    std::string poolNamesPrinted_;
};
