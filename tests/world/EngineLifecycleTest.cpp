#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "ScratchDirectory.h"
#include "actions/ActionSetManager.h"
#include "audio/AudioManager.h"
#include "core/EventManager.h"
#include "core/GlobalManager.h"
#include "core/MemoryPoolManager.h"
#include "core/Singleton.h"
#include "graphics/AnimationManager.h"
#include "graphics/FontManager.h"
#include "graphics/Renderer.h"
#include "graphics/TextureManager.h"
#include "physics/PhysicsWorld.h"
#include "window/InputManager.h"
#include "world/DataAnalyticManager.h"
#include "world/Engine.h"
#include "world/GameObjectManager.h"
#include "world/GameStateManager.h"
#include "world/GlobalComponentManager.h"
#include "world/LuaScriptManager.h"
#include "world/ResourceManager.h"
#include "world/SetManager.h"

namespace {

using Orva::Engine;
using Orva::GlobalManager;

const std::string DefaultConfig = "<config>\n\t<object size=\"64\" />\n</config>";

// Whether each of the engine's managers is set, in creation order.
std::vector<bool> managersPresent()
{
    return {Orva::MemoryPoolManager::hasInstance(),
            Orva::InputManager::hasInstance(),
            Orva::EventManager::hasInstance(),
            Orva::LuaScriptManager::hasInstance(),
            Orva::Resources::ResourceManager::hasInstance(),
            Orva::Graphics::TextureManager::hasInstance(),
            Orva::Actions::ActionSetManager::hasInstance(),
            GlobalManager::hasInstance(),
            Orva::GlobalComponentManager::hasInstance(),
            Orva::GameObjectManager::hasInstance(),
            Orva::Physics::PhysicsWorld::hasInstance(),
            Orva::Graphics::AnimationManager::hasInstance(),
            Orva::GameStateManager::hasInstance(),
            Orva::SetManager::hasInstance(),
            Orva::Audio::AudioManager::hasInstance(),
            Orva::Analytic::DataAnalyticManager::hasInstance(),
            Orva::Graphics::Renderer::hasInstance(),
            Orva::Graphics::FontManager::hasInstance()};
}

class EngineStartUpTest : public ScratchDirectoryTest
{
protected:
    void TearDown() override
    {
        Engine::destroy();
        ScratchDirectoryTest::TearDown();
    }

    std::filesystem::path configPath() const { return root() / "resources" / "orva.config"; }

    // Starts the engine over the given configuration file text and returns the text after.
    std::string startWithConfig(const std::string& config)
    {
        writeFile(configPath(), config);
        Engine::getInstance().initializeEngine();
        return readFile(configPath());
    }
};

} // namespace

TEST_F(EngineStartUpTest, MissingConfigurationIsWrittenAsTheDefault)
{
    GlobalManager::ObjectUnitSize = 1.0f;
    Engine::getInstance().initializeEngine();
    EXPECT_EQ(readFile(configPath()), DefaultConfig);
    EXPECT_EQ(readFile(configPath()).size(), 40u);
    EXPECT_EQ(GlobalManager::ObjectUnitSize, 64.0f);
    EXPECT_EQ(GlobalManager::InverseObjectUnitSize, 0.015625f);
}

TEST_F(EngineStartUpTest, ConfiguredSizeIsReadAndTheFileLeftAlone)
{
    const std::string config = "<config>\r\n  <object size=\"32\"/>\r\n</config>\r\n";
    EXPECT_EQ(startWithConfig(config), config);
    EXPECT_EQ(GlobalManager::ObjectUnitSize, 32.0f);
    EXPECT_EQ(GlobalManager::InverseObjectUnitSize, 0.03125f);
}

TEST_F(EngineStartUpTest, WellFormedConfigurationWithoutAUsableSizeFallsBackTo64)
{
    for (const std::string config :
         {"<config><object size=\"0\" /></config>", "<config><object size=\"-8\" /></config>",
          "<config><object size=\"big\" /></config>", "<config><object size=\"inf\" /></config>",
          "<config><object size=\"nan\" /></config>", "<config><object size=\"1e-40\" /></config>",
          "<config><object /></config>", "<config></config>",
          "<settings><object size=\"32\" /></settings>"}) {
        GlobalManager::ObjectUnitSize = 1.0f;
        EXPECT_EQ(startWithConfig(config), config);
        EXPECT_EQ(GlobalManager::ObjectUnitSize, 64.0f) << config;
        EXPECT_EQ(GlobalManager::InverseObjectUnitSize, 0.015625f) << config;
        Engine::destroy();
    }
}

TEST_F(EngineStartUpTest, MalformedConfigurationIsRewritten)
{
    for (const std::string config : {"<config><object size=\"32\" />", "", "not xml at all"}) {
        EXPECT_EQ(startWithConfig(config), DefaultConfig) << config;
        EXPECT_EQ(GlobalManager::ObjectUnitSize, 64.0f);
        Engine::destroy();
    }
}

TEST_F(EngineStartUpTest, ConfigurationPathDoesNotFollowTheResourceDirectory)
{
    Orva::Resources::ResourceManager::setResourceDirectory("elsewhere/");
    writeFile(configPath(), "<config><object size=\"16\" /></config>");
    Engine::getInstance().initializeEngine();
    EXPECT_EQ(GlobalManager::ObjectUnitSize, 16.0f);
    // Start-up puts the resource directory back to its own default.
    EXPECT_EQ(Orva::Resources::ResourceManager::getResourceDirectory(), "../resources/");
}

TEST_F(EngineStartUpTest, StartUpMakesEveryManagerButTheRendererPair)
{
    Engine::getInstance().initializeEngine();
    std::vector<bool> expected(18, true);
    expected[16] = expected[17] = false;
    EXPECT_EQ(managersPresent(), expected);
}

TEST_F(EngineStartUpTest, LinkInstanceKeepsAnInstanceAlreadySet)
{
    // Linked before start-up: the engine adopts it instead of making its own. The state
    // manager comes from the memory pools and listens to events, so those two go first.
    Orva::MemoryPoolManager::createInstance();
    Orva::EventManager::createInstance();
    auto* linked = new Orva::GameStateManager;
    Orva::GameStateManager::linkInstance(linked);
    Engine::getInstance().initializeEngine();
    EXPECT_EQ(&Orva::GameStateManager::getInstance(), linked);

    // Linked after: ignored, and the caller keeps its object.
    Orva::SetManager other;
    Orva::SetManager* const current = &Orva::SetManager::getInstance();
    Orva::SetManager::linkInstance(&other);
    EXPECT_EQ(&Orva::SetManager::getInstance(), current);

    Engine* const engine = &Engine::getInstance();
    Engine::linkInstance(nullptr);
    EXPECT_EQ(&Engine::getInstance(), engine);
}

TEST_F(EngineStartUpTest, DestroyClearsEveryInstanceAndGetInstanceMakesAFreshEngine)
{
    Engine& first = Engine::getInstance();
    first.initializeEngine();
    first.timeScale = 3.0f;
    first.exit();

    Engine::destroy();
    EXPECT_EQ(managersPresent(), std::vector<bool>(18, false));
    EXPECT_FALSE(Engine::hasInstance());

    Engine& fresh = Engine::getInstance();
    EXPECT_EQ(fresh.timeScale, 1.0f);
    EXPECT_FALSE(fresh.isQuitting());
    EXPECT_EQ(fresh.getRenderer(), nullptr);
    EXPECT_EQ(fresh.getWindow(), nullptr);
    EXPECT_FALSE(Orva::MemoryPoolManager::hasInstance());

    // Destroying an engine that has no managers, or no engine at all, is harmless.
    Engine::destroy();
    Engine::destroy();
    EXPECT_FALSE(Engine::hasInstance());
}

namespace {

struct FailingManager : Orva::Singleton<FailingManager>
{
    static inline int destroyed = 0;
    ~FailingManager() noexcept(false)
    {
        ++destroyed;
        throw std::runtime_error("script error in teardown");
    }
};

struct SilentFailure : Orva::Singleton<SilentFailure>
{
    ~SilentFailure() noexcept(false) { throw 3; }
};

} // namespace

TEST(EngineShutDownTest, ManagerWhoseDestructionThrowsIsReportedClearedAndFreed)
{
    FailingManager::destroyed = 0;
    FailingManager::createInstance();
    testing::internal::CaptureStderr();
    Orva::detail::destroyManagerReporting<FailingManager>();
    const std::string reported = testing::internal::GetCapturedStderr();
    EXPECT_EQ(FailingManager::destroyed, 1);
    EXPECT_FALSE(FailingManager::hasInstance());
    EXPECT_NE(reported.find("FailingManager"), std::string::npos) << reported;
    EXPECT_NE(reported.find("script error in teardown"), std::string::npos) << reported;

    SilentFailure::createInstance();
    testing::internal::CaptureStderr();
    Orva::detail::destroyManagerReporting<SilentFailure>();
    EXPECT_NE(testing::internal::GetCapturedStderr().find("SilentFailure"), std::string::npos);
    EXPECT_FALSE(SilentFailure::hasInstance());

    // Nothing set: nothing to destroy, nothing reported.
    testing::internal::CaptureStderr();
    Orva::detail::destroyManagerReporting<FailingManager>();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}
