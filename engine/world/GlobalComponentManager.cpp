#include "world/GlobalComponentManager.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>

#include "actions/ActionComponent.h"
#include "audio/AudioComponent.h"
#include "core/FileWrites.h"
#include "graphics/ParticleEmitterComponent.h"
#include "graphics/SpriteComponent.h"
#include "graphics/SpriteFontComponent.h"
#include "physics/AABBCollider.h"
#include "physics/BoxCollider.h"
#include "physics/CircleCollider.h"
#include "physics/RigidBody.h"
#include "world/CameraComponent.h"
#include "world/ComponentPool.h"
#include "world/LuaScriptComponent.h"
#include "world/TransformComponent.h"

namespace Orva {

namespace {

using Rule = ComponentStepRule;

// Every pool once: X(type, name, components per page, step rule, place in the destruction
// order). Pools are made in this order, and the stepped ones step in it.
#define ORVA_COMPONENT_POOLS(X)                                                                              \
    X(Graphics::ParticleEmitterComponent, "ParticleEmitterComponent", 10, Rule::WhenActive, 8)               \
    X(TransformComponent, "TransformComponent", 250, Rule::WhenActiveAndOwnerActive, 11)                     \
    X(LuaScriptComponent, "LuaScriptComponent", 150, Rule::WhenActiveAndOwnerActive, 10)                     \
    X(CameraComponent, "CameraComponent", 2, Rule::Never, 9)                                                 \
    X(Graphics::SpriteComponent, "SpriteComponent", 250, Rule::WhenActiveAndOwnerActive, 7)                  \
    X(Graphics::SpriteFontComponent, "SpriteFontComponent", 10, Rule::WhenActiveAndOwnerActive, 6)           \
    X(Physics::BoxCollider, "BoxCollider", 10, Rule::WhenActiveAndOwnerActive, 5)                            \
    X(Physics::CircleCollider, "CircleCollider", 50, Rule::Always, 4)                                        \
    X(Physics::AABBCollider, "AABBCollider", 50, Rule::Always, 3)                                            \
    X(Physics::RigidBody, "RigidBody", 20, Rule::Never, 2)                                                   \
    X(Audio::AudioComponent, "AudioComponent", 10, Rule::Never, 1)                                           \
    X(Actions::ActionComponent, "ActionComponent", 100, Rule::WhenActiveAndOwnerActive, 0)

template <class T>
void addPool(GlobalComponentManager::PoolList& pools, GlobalComponentManager::PoolList& updateList,
             const char* name, unsigned perPage, ComponentStepRule rule)
{
    ComponentPool<T>& pool = ComponentPool<T>::createInstance();
    pool.configure(name, perPage, rule);
    pool.addPage();
    pools.push_back(&pool);
    if (rule != ComponentStepRule::Never) {
        updateList.push_back(&pool);
    }
}

} // namespace

GlobalComponentManager::GlobalComponentManager() : configEntries_(readConfiguration())
{
#define ORVA_ADD_POOL(Type, name, perPage, rule, destructionPlace)                                           \
    addPool<Type>(pools_, updateList_, name, perPage, rule);
    ORVA_COMPONENT_POOLS(ORVA_ADD_POOL)
#undef ORVA_ADD_POOL
}

GlobalComponentManager::~GlobalComponentManager()
{
#define ORVA_ONE_POOL(...) +1
    std::array<void (*)(), 0 ORVA_COMPONENT_POOLS(ORVA_ONE_POOL)> destroyers{};
#undef ORVA_ONE_POOL
#define ORVA_DESTROYER(Type, name, perPage, rule, destructionPlace)                                          \
    destroyers[destructionPlace] = &ComponentPool<Type>::destroyInstance;
    ORVA_COMPONENT_POOLS(ORVA_DESTROYER)
#undef ORVA_DESTROYER
    for (void (*destroy)() : destroyers) {
        destroy();
    }
}

// Each number is read with atoi, so a missing or non-numeric line gives 0.
GlobalComponentManager::ConfigEntries GlobalComponentManager::readConfiguration()
{
    ConfigEntries entries;
    // Read whole first: a pipe at the name would keep the stream waiting for a writer.
    std::istringstream in(readRegularFile(ConfigPath).value_or(std::string()));
    std::string name;
    std::string number;
    while (std::getline(in, name)) {
        number.clear();
        std::getline(in, number);
        entries.emplace_back(name, std::atoi(number.c_str()));
    }
    return entries;
}

void GlobalComponentManager::update(float dt)
{
    for (IComponentPool* pool : getInstance().updateList_) {
        pool->update(dt);
    }
}

IComponentPool* GlobalComponentManager::getPoolByName(const char* name) const
{
    if (!name) {
        return nullptr;
    }
    for (IComponentPool* pool : pools_) {
        if (std::strcmp(pool->getName(), name) == 0) {
            return pool;
        }
    }
    return nullptr;
}

IComponentPool* GlobalComponentManager::getPoolOfType(const std::type_info& type) const
{
    for (IComponentPool* pool : pools_) {
        if (pool->isType(type)) {
            return pool;
        }
    }
    return nullptr;
}

unsigned GlobalComponentManager::getTotalMemoryAllocationCount() const
{
    unsigned total = 0;
    for (const IComponentPool* pool : pools_) {
        total += pool->getTotalMemoryAllocationCount();
    }
    return total;
}

void GlobalComponentManager::doMemoryDump(std::ostream& out) const
{
    out << "=============================\n"
        << "Global Component Manager Statistics and Memory Dump\n"
        << "Total Number of Components: " << pools_.size() << "\n"
        << "No. of Component types that need updating: " << updateList_.size() << "\n"
        << "Printing components short memory dump:\n";
    for (const IComponentPool* pool : pools_) {
        out << pool->getName() << ":"
            << " Alloc :" << pool->getAllocationCount() << " Freed :" << pool->getFreeCount()
            << " Max   :" << pool->getHighestCount() << " Memory:" << pool->getTotalMemoryAllocationCount()
            << " bytes\n";
    }
    out << "Total memory for all components:" << getTotalMemoryAllocationCount() << " bytes\n"
        << "======== End of Report ======\n";
}

} // namespace Orva
