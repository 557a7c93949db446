#include <gtest/gtest.h>

#include <cstddef>
#include <sstream>
#include <string>
#include <vector>

#include "WorldFixture.h"
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

namespace {

using Orva::ComponentPool;
using Orva::ComponentStepRule;
using Orva::IComponentPool;

// One row of the pool table as the manager must build it.
struct PoolRow
{
    const char* name;
    unsigned perPage;
    const char* typeName;
    ComponentStepRule rule;
    IComponentPool* (*instance)();
    bool (*exists)();
    ComponentStepRule (*actualRule)();
    unsigned (*actualPerPage)();
    std::size_t (*pageCount)();
};

template <class T> IComponentPool* instanceOf()
{
    return &ComponentPool<T>::getInstance();
}

template <class T>
PoolRow row(const char* name, unsigned perPage, const char* typeName, ComponentStepRule rule)
{
    return {name,
            perPage,
            typeName,
            rule,
            &instanceOf<T>,
            &ComponentPool<T>::hasInstance,
            [] { return ComponentPool<T>::getInstance().getStepRule(); },
            [] { return ComponentPool<T>::getInstance().getPerPage(); },
            [] { return static_cast<std::size_t>(ComponentPool<T>::getInstance().getPageCount()); }};
}

std::vector<PoolRow> poolTable()
{
    using Rule = ComponentStepRule;
    namespace G = Orva::Graphics;
    namespace P = Orva::Physics;
    return {
        row<G::ParticleEmitterComponent>("ParticleEmitterComponent", 10,
                                         "Orva::Graphics::ParticleEmitterComponent", Rule::WhenActive),
        row<Orva::TransformComponent>("TransformComponent", 250, "Orva::TransformComponent",
                                      Rule::WhenActiveAndOwnerActive),
        row<Orva::LuaScriptComponent>("LuaScriptComponent", 150, "Orva::LuaScriptComponent",
                                      Rule::WhenActiveAndOwnerActive),
        row<Orva::CameraComponent>("CameraComponent", 2, "Orva::CameraComponent", Rule::Never),
        row<G::SpriteComponent>("SpriteComponent", 250, "Orva::Graphics::SpriteComponent",
                                Rule::WhenActiveAndOwnerActive),
        row<G::SpriteFontComponent>("SpriteFontComponent", 10, "Orva::Graphics::SpriteFontComponent",
                                    Rule::WhenActiveAndOwnerActive),
        row<P::BoxCollider>("BoxCollider", 10, "Orva::Physics::BoxCollider", Rule::WhenActiveAndOwnerActive),
        row<P::CircleCollider>("CircleCollider", 50, "Orva::Physics::CircleCollider", Rule::Always),
        row<P::AABBCollider>("AABBCollider", 50, "Orva::Physics::AABBCollider", Rule::Always),
        row<P::RigidBody>("RigidBody", 20, "Orva::Physics::RigidBody", Rule::Never),
        row<Orva::Audio::AudioComponent>("AudioComponent", 10, "Orva::Audio::AudioComponent", Rule::Never),
        row<Orva::Actions::ActionComponent>("ActionComponent", 100, "Orva::Actions::ActionComponent",
                                            Rule::WhenActiveAndOwnerActive),
    };
}

std::vector<std::string> names(const Orva::GlobalComponentManager::PoolList& pools)
{
    std::vector<std::string> result;
    for (const IComponentPool* pool : pools) {
        result.emplace_back(pool->getName());
    }
    return result;
}

class ComponentManagerTest : public WorldTest
{
protected:
    // Restarts the world with this configuration file in the working directory.
    void restartWithConfiguration(const std::string& contents)
    {
        stopWorld();
        writeFile(Orva::GlobalComponentManager::ConfigPath, contents);
        startWorld();
    }
};

TEST_F(ComponentManagerTest, PoolsAreMadeByTheTableInOrderEachWithOnePage)
{
    const std::vector<PoolRow> table = poolTable();
    const auto& pools = components().getPools();
    ASSERT_EQ(pools.size(), table.size());
    std::string printed;
    for (std::size_t i = 0; i < table.size(); ++i) {
        SCOPED_TRACE(table[i].name);
        EXPECT_EQ(pools[i], table[i].instance());
        EXPECT_STREQ(pools[i]->getName(), table[i].name);
        EXPECT_EQ(table[i].actualPerPage(), table[i].perPage);
        EXPECT_EQ(table[i].pageCount(), 1u);
        printed += std::string(table[i].typeName) + "\n";
    }
    EXPECT_EQ(poolNamesPrinted(), printed);
}

TEST_F(ComponentManagerTest, SteppedPoolsAndTheirRules)
{
    const std::vector<std::string> stepped = {
        "ParticleEmitterComponent", "TransformComponent",  "LuaScriptComponent",
        "SpriteComponent",          "SpriteFontComponent", "BoxCollider",
        "CircleCollider",           "AABBCollider",        "ActionComponent"};
    EXPECT_EQ(names(components().getUpdateList()), stepped);
    for (const PoolRow& pool : poolTable()) {
        EXPECT_EQ(pool.actualRule(), pool.rule) << pool.name;
    }
}

TEST_F(ComponentManagerTest, PoolsAreFoundByExactNameAndByExactType)
{
    IComponentPool* transforms = &ComponentPool<Orva::TransformComponent>::getInstance();
    EXPECT_EQ(components().getPoolByName("TransformComponent"), transforms);
    EXPECT_EQ(components().getPoolByName("transformcomponent"), nullptr);
    EXPECT_EQ(components().getPoolByName("TransformComponent "), nullptr);
    EXPECT_EQ(components().getPoolByName(""), nullptr);
    EXPECT_EQ(components().getPoolByName(nullptr), nullptr);

    EXPECT_EQ(components().getPoolOfType(typeid(Orva::TransformComponent)), transforms);
    EXPECT_EQ(components().getPoolOfType(typeid(Orva::BaseComponent)), nullptr);
    EXPECT_EQ(components().getPoolOfType(typeid(Orva::Physics::BaseCollider)), nullptr);
}

TEST_F(ComponentManagerTest, FirstPageHoldsTheFirst250TransformsAndTheNextOneAddsAPage)
{
    auto& pool = ComponentPool<Orva::TransformComponent>::getInstance();
    std::vector<Orva::TransformComponent*> transforms;
    for (int i = 0; i < 250; ++i) {
        transforms.push_back(pool.allocate());
    }
    EXPECT_EQ(pool.getPageCount(), 1u);
    EXPECT_EQ(transforms.front()->componentID, 1u);
    EXPECT_EQ(transforms.back()->componentID, 250u);
    transforms.push_back(pool.allocate());
    EXPECT_EQ(pool.getPageCount(), 2u);
    for (Orva::TransformComponent* transform : transforms) {
        pool.free(transform);
    }
}

TEST_F(ComponentManagerTest, ThirdCameraAddsACameraPage)
{
    auto& pool = ComponentPool<Orva::CameraComponent>::getInstance();
    Orva::CameraComponent* first = pool.allocate();
    Orva::CameraComponent* second = pool.allocate();
    EXPECT_EQ(pool.getPageCount(), 1u);
    Orva::CameraComponent* third = pool.allocate();
    EXPECT_EQ(pool.getPageCount(), 2u);
    EXPECT_EQ(third->type, Orva::CameraComponent::TypeNumber);
    EXPECT_EQ(third->owner, nullptr);
    EXPECT_TRUE(third->active);
    pool.free(first);
    pool.free(second);
    pool.free(third);
}

TEST_F(ComponentManagerTest, ConfigurationIsReadAsPairsOfLines)
{
    using Entries = std::vector<Orva::GlobalComponentManager::ConfigEntry>;
    const auto entries = [] {
        const auto& read = components().getConfigEntries();
        return Entries(read.begin(), read.end());
    };
    EXPECT_TRUE(entries().empty()) << "no file, no entries";

    restartWithConfiguration("TransformComponent\n300\nSpriteComponent\n12\n");
    EXPECT_EQ(entries(), (Entries{{"TransformComponent", 300}, {"SpriteComponent", 12}}));

    restartWithConfiguration("TransformComponent\n300\nCameraComponent");
    EXPECT_EQ(entries(), (Entries{{"TransformComponent", 300}, {"CameraComponent", 0}}));

    restartWithConfiguration("TransformComponent\nmany\n\n\n");
    EXPECT_EQ(entries(), (Entries{{"TransformComponent", 0}, {"", 0}}));

    // Never consulted: the table stays.
    EXPECT_EQ(ComponentPool<Orva::TransformComponent>::getInstance().getPerPage(), 250u);
}

TEST_F(ComponentManagerTest, MemoryDumpText)
{
    auto& transforms = ComponentPool<Orva::TransformComponent>::getInstance();
    Orva::TransformComponent* a = transforms.allocate();
    Orva::TransformComponent* b = transforms.allocate();
    transforms.free(a);
    auto& cameras = ComponentPool<Orva::CameraComponent>::getInstance();
    std::vector<Orva::CameraComponent*> three = {cameras.allocate(), cameras.allocate(), cameras.allocate()};

    std::string expected = "=============================\n"
                           "Global Component Manager Statistics and Memory Dump\n"
                           "Total Number of Components: 12\n"
                           "No. of Component types that need updating: 9\n"
                           "Printing components short memory dump:\n";
    std::size_t total = 0;
    for (const PoolRow& pool : poolTable()) {
        const std::string name = pool.name;
        const int allocated = name == "TransformComponent" ? 2 : name == "CameraComponent" ? 3 : 0;
        const int freed = name == "TransformComponent" ? 1 : 0;
        const std::size_t memory = pool.instance()->getTotalMemoryAllocationCount();
        total += memory;
        expected += name + ": Alloc :" + std::to_string(allocated) + " Freed :" + std::to_string(freed) +
                    " Max   :" + std::to_string(allocated) + " Memory:" + std::to_string(memory) + " bytes\n";
    }
    expected += "Total memory for all components:" + std::to_string(total) +
                " bytes\n"
                "======== End of Report ======\n";

    std::ostringstream out;
    components().doMemoryDump(out);
    EXPECT_EQ(out.str(), expected);
    EXPECT_EQ(components().getTotalMemoryAllocationCount(), total);

    transforms.free(b);
    for (Orva::CameraComponent* camera : three) {
        cameras.free(camera);
    }
}

TEST_F(ComponentManagerTest, DestructionDeletesEveryPoolWithTheComponentsStillInUse)
{
    ComponentPool<Orva::CameraComponent>::getInstance().allocate();
    Orva::Physics::CircleCollider* circle =
        ComponentPool<Orva::Physics::CircleCollider>::getInstance().allocate();
    circle->init();
    ASSERT_TRUE(Orva::CameraComponent::cameraExists());
    ASSERT_EQ(Orva::Physics::PhysicsWorld::getInstance().getListOfCollider().size(), 1u);

    Orva::GlobalComponentManager::destroyInstance();
    EXPECT_FALSE(Orva::CameraComponent::cameraExists());
    EXPECT_TRUE(Orva::Physics::PhysicsWorld::getInstance().getListOfCollider().empty());
    for (const PoolRow& pool : poolTable()) {
        EXPECT_FALSE(pool.exists()) << pool.name;
    }
}

} // namespace
