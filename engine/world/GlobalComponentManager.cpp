#include "world/GlobalComponentManager.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <ostream>

#include "actions/ActionComponent.h"
#include "audio/AudioComponent.h"
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
    using Rule = ComponentStepRule;
    // Creation order; the stepped pools are stepped in the same order.
    addPool<Graphics::ParticleEmitterComponent>(pools_, updateList_, "ParticleEmitterComponent", 10,
                                                Rule::WhenActive);
    addPool<TransformComponent>(pools_, updateList_, "TransformComponent", 250,
                                Rule::WhenActiveAndOwnerActive);
    addPool<LuaScriptComponent>(pools_, updateList_, "LuaScriptComponent", 150,
                                Rule::WhenActiveAndOwnerActive);
    addPool<CameraComponent>(pools_, updateList_, "CameraComponent", 2, Rule::Never);
    addPool<Graphics::SpriteComponent>(pools_, updateList_, "SpriteComponent", 250,
                                       Rule::WhenActiveAndOwnerActive);
    addPool<Graphics::SpriteFontComponent>(pools_, updateList_, "SpriteFontComponent", 10,
                                           Rule::WhenActiveAndOwnerActive);
    addPool<Physics::BoxCollider>(pools_, updateList_, "BoxCollider", 10, Rule::WhenActiveAndOwnerActive);
    addPool<Physics::CircleCollider>(pools_, updateList_, "CircleCollider", 50, Rule::Always);
    addPool<Physics::AABBCollider>(pools_, updateList_, "AABBCollider", 50, Rule::Always);
    addPool<Physics::RigidBody>(pools_, updateList_, "RigidBody", 20, Rule::Never);
    addPool<Audio::AudioComponent>(pools_, updateList_, "AudioComponent", 10, Rule::Never);
    addPool<Actions::ActionComponent>(pools_, updateList_, "ActionComponent", 100,
                                      Rule::WhenActiveAndOwnerActive);
}

GlobalComponentManager::~GlobalComponentManager()
{
    ComponentPool<Actions::ActionComponent>::destroyInstance();
    ComponentPool<Audio::AudioComponent>::destroyInstance();
    ComponentPool<Physics::RigidBody>::destroyInstance();
    ComponentPool<Physics::AABBCollider>::destroyInstance();
    ComponentPool<Physics::CircleCollider>::destroyInstance();
    ComponentPool<Physics::BoxCollider>::destroyInstance();
    ComponentPool<Graphics::SpriteFontComponent>::destroyInstance();
    ComponentPool<Graphics::SpriteComponent>::destroyInstance();
    ComponentPool<Graphics::ParticleEmitterComponent>::destroyInstance();
    ComponentPool<CameraComponent>::destroyInstance();
    ComponentPool<LuaScriptComponent>::destroyInstance();
    ComponentPool<TransformComponent>::destroyInstance();
}

// Each number is read with atoi, so a missing or non-numeric line gives 0.
GlobalComponentManager::ConfigEntries GlobalComponentManager::readConfiguration()
{
    ConfigEntries entries;
    std::ifstream in(ConfigPath);
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
