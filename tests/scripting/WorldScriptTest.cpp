#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "ScriptHarness.h"
#include "world/DataAnalyticManager.h"
#include "world/GameStateManager.h"
#include "world/ResourceManager.h"
#include "world/SetManager.h"

// Resources, game states, object sets and analytics through "resources", "gameState",
// "sets" and "analytic".

namespace {

using Orva::Analytic::DataAnalyticManager;
using Orva::Resources::ResourceManager;

// Enters stage B from its own Update, which destroys its object, and notes what it finds.
const char* const ChangerSource = R"(
deinits = 0
function AwakeChanger() end
function InitChanger() end
function UpdateChanger()
    gameState:changeState("B")
    found = gameObjects:find("Villain") ~= nil and gameState.currentState
end
function DeinitChanger() deinits = deinits + 1 end
function UnloadChanger() end
)";

class WorldScriptTest : public ScriptHarness
{
protected:
    void SetUp() override
    {
        ScriptHarness::SetUp();
        std::filesystem::create_directories(root() / "documents");
        if (const char* previous = std::getenv("XDG_DOCUMENTS_DIR")) {
            previousDocuments_ = previous;
        }
        setenv("XDG_DOCUMENTS_DIR", (root() / "documents").c_str(), 1);
    }

    void TearDown() override
    {
        if (previousDocuments_.empty()) {
            unsetenv("XDG_DOCUMENTS_DIR");
        } else {
            setenv("XDG_DOCUMENTS_DIR", previousDocuments_.c_str(), 1);
        }
        ScriptHarness::TearDown();
    }

    void writeResource(const std::string& path, const std::string& contents) const
    {
        std::filesystem::create_directories((root() / "resources" / path).parent_path());
        writeFile(root() / "resources" / path, contents);
    }

    // The loader reads on its own thread: frames are paced a little, up to a limit.
    template <class Done> static bool runFramesUntil(Done done)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            runFrames(1);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

private:
    std::string previousDocuments_;
};

TEST_F(WorldScriptTest, ScriptFilesStayInsideTheirFolders)
{
    EXPECT_TRUE(holds(R"((function()
        local R = Resources.ResourceManager
        assert(R.saveFile("a.txt", "hello") and R.openFile("a.txt") == "hello" and R.openFile("missing.txt") == "")
        assert(R.appendToFile("log.txt", "a") and R.appendToFile("log.txt", "b"))
        assert(R.makeDirectory("saves") and R.makeDirectory("saves"))
        assert(R.saveFile("../x", "t") == false and R.openFile("../x") == "")
        assert(R.appendToFile("../x", "t") == false and R.makeDirectory("../x") == false)
        assert(R.getDirectory() == "../resources/")
        return resources.openFile == nil and resources.getDirectory == nil
    end)())"));
    EXPECT_EQ(readFile(root() / "documents" / "a.txt"), "hello");
    EXPECT_EQ(readFile(root() / "resources" / "log.txt"), "ab");
    EXPECT_FALSE(std::filesystem::exists(root() / "x"));
}

TEST_F(WorldScriptTest, LoadProgressOnlyRisesAndIsOneExactlyOnceEverythingArrived)
{
    ResourceManager& manager = ResourceManager::getInstance();
    for (int i = 0; i < 12; ++i) {
        const std::string path = "load/" + std::to_string(i) + ".txt";
        writeResource(path, "x");
        manager.requestLoad(path, this);
    }
    float last = 0.0f;
    EXPECT_TRUE(runFramesUntil([&] {
        const auto progress = eval<float>("resources:getLoadPercentage()");
        const bool done = eval<bool>("resources:isDone()");
        EXPECT_GE(progress, last);
        last = progress;
        if (manager.getLoadCount() < 12) {
            EXPECT_LT(progress, 1.0f);
            EXPECT_FALSE(done);
        }
        return done;
    }));
    EXPECT_EQ(eval<float>("resources:getLoadPercentage()"), 1.0f);
}

TEST_F(WorldScriptTest, ScriptsChangeStatesEvenFromAnObjectTheChangeDestroys)
{
    const auto stage = [](const std::string& name, const std::string& objects) {
        return Orva::Crypto::RC4Cipher::encrypt("<stage><info><name text=\"" + name + "\"/></info><objects>" +
                                                objects + "</objects></stage>");
    };
    writeResource(
        "a.stg",
        stage("A", R"(<obj name="Hero"><comp type="2"><source path="scripts/Changer.lua"/></comp></obj>)"));
    writeResource("b.stg", stage("B", R"(<obj name="Villain"/>)"));
    writeScript("scripts/Changer.lua", ChangerSource);
    Orva::GameStateManager& states = Orva::GameStateManager::getInstance();
    states.loadStateList("");
    ASSERT_TRUE(runFramesUntil([&] { return states.isLoaded(); }));
    ASSERT_TRUE(loadScripts());

    EXPECT_TRUE(holds("gameState.currentState == ''"));
    EXPECT_NE(run("gameState.currentState = 'A'").find("'currentState' is read-only"), std::string::npos);
    ASSERT_EQ(run("gameState:changeStateNextFrame('A'); gameState:changeStateNextFrame('B')"), "");
    states.update();
    EXPECT_TRUE(holds("gameState.currentState == 'B'")) << "only the state named last is entered";

    ASSERT_EQ(run("globals:addLuaTable('kept').k = 1; gameState:changeState('A')"), "");
    EXPECT_TRUE(holds("gameState.currentState == 'A' and gameObjects:find('Hero') ~= nil"));
    runFrames(3);
    EXPECT_TRUE(holds("found == 'B' and deinits == 1 and gameObjects:find('Hero') == nil"));
    EXPECT_TRUE(holds("globals:getLuaTable('kept').k == 1")) << "named tables outlive states";
}

TEST_F(WorldScriptTest, SetsAreInstantiatedWhereTheScriptSays)
{
    writeResource("data/Crate.set",
                  R"(<obj name="Crate"><comp type="0"><position x="1" y="1" z="5"/></comp></obj>)");
    Orva::SetManager::getInstance().loadAllSets();
    EXPECT_TRUE(holds(R"((function()
        local flat = sets:createWithPos2D("Crate", Math.Vector2f.make(2, 3)):getTransform().LocalTranslation
        local deep = sets:createWithPos3D("Crate", Math.Vector3f.make(2, 3, 4)):getTransform().LocalTranslation
        assert(flat:equal(Math.Vector3f.make(2, 3, 5)) and deep:equal(Math.Vector3f.make(2, 3, 4)))
        return sets:create("Crate").name == "Crate" and sets:create("Nope") == nil
    end)())"));
}

TEST_F(WorldScriptTest, AnalyticsOffersItsSwitchesCustomValuesAndAConfinedReport)
{
    DataAnalyticManager& analytics = DataAnalyticManager::getInstance();
    EXPECT_TRUE(holds("analytic.enableEventTracking == nil and analytic.getIntData == nil"));
    EXPECT_TRUE(
        holds("analytic.isSomethingNotTracked == nil and type(analytic:isTrackingInput()) == 'boolean'"));
    ASSERT_EQ(run("analytic:setIntData('hp', 3)"), "");
    EXPECT_EQ(analytics.getIntData("hp"), -1);
    ASSERT_EQ(run("analytic:enableCustomDataTracking(); analytic:setIntData('hp', 3)"), "");
    EXPECT_EQ(analytics.getIntData("hp"), 3);
    ASSERT_EQ(run("analytic:incIntData('hp', 2); analytic:setBoolData('won', true)"), "");
    EXPECT_EQ(analytics.getIntData("hp"), 5);
    EXPECT_TRUE(holds("analytic:isTrackingCustomData()"));

    ASSERT_EQ(run("analytic:save('out.oad')"), "");
    EXPECT_EQ(readFile(root() / "work" / "out.oad"), Orva::Analytic::reportText(analytics));
    testing::internal::CaptureStderr();
    ASSERT_EQ(run("analytic:save('../out.oad'); analytic:save('" + (root() / "abs.oad").string() + "')"), "");
    EXPECT_NE(testing::internal::GetCapturedStderr().find("analytics: refused"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(root() / "out.oad"));
    EXPECT_FALSE(std::filesystem::exists(root() / "abs.oad"));
}

} // namespace
